// SPDX-License-Identifier: GPL-3.0-or-later
#include "pack/script_builder.hpp"

#include <gtest/gtest.h>

#include "tests/support/worked_examples.hpp"

#include <random>
#include <string>
#include <vector>

#include "pack/line_encoder.hpp"
#include "pack/round_trip.hpp"
#include "script/dump.hpp"
#include "script/vocabulary.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;
using qv::pack::build_script;
using qv::pack::BuiltScript;

BuiltScript built_from(std::string_view text) {
  const Bytes bytes(text.begin(), text.end());
  return build_script(bytes);
}

TEST(ScriptBuilder, WorkedExampleOfTwoBlocks) {
  const BuiltScript built = built_from(qv::test::kTwoBlockDump);
  ASSERT_FALSE(built.refusal);
  EXPECT_EQ(built.console, "");
  EXPECT_EQ(built.script, qv::test::kTwoBlockScript);
}

TEST(ScriptBuilder, RoomFiveComesBackUpToItsClosingOffset) {
  // Both blocks end with "<Close>" and the marker on the same line, as the dumper writes them.
  const BuiltScript built = built_from(qv::test::kRoomFiveDump);
  ASSERT_FALSE(built.refusal) << *built.refusal;
  EXPECT_EQ(built.console, "");
  Bytes expected(qv::test::kRoomFiveScript.begin(), qv::test::kRoomFiveScript.begin() + 33);
  expected.push_back(0x00);  // the trailing byte stands for the 27 ignored ones
  EXPECT_EQ(built.script, expected);
}

TEST(ScriptBuilder, LongLinesAreEncodedWhole) {
  // Lines of 497 to 600 characters that end with the marker, with a tag, a name and the marker
  // itself placed across the old 499-character cut.
  const std::string head =
      "<Room 3 with 1 text entries>\r\n<additional params: 0>\r\n\r\n"
      "<Text block 1><params: 0 0 0 0 0 0>\r\n";
  const std::string tail = "Tavin<Delay 7><Close><End of block>\r\n";
  for (std::size_t length = 497; length <= 600; ++length) {
    SCOPED_TRACE(length);
    const std::size_t letters = length - tail.size();
    const BuiltScript built = built_from(head + std::string(letters, 'a') + tail);
    ASSERT_FALSE(built.refusal) << *built.refusal;
    EXPECT_EQ(built.console, "");
    Bytes expected = {16, 0, 0, 0, 0, 0, 0, 0};
    const std::size_t closing = 16 + letters + 5;
    expected.insert(expected.end(), {static_cast<std::uint8_t>(closing),
                                     static_cast<std::uint8_t>(closing >> 8), 0, 0, 0, 0, 0, 0});
    expected.insert(expected.end(), letters, 0x4C);
    expected.insert(expected.end(), {0x08, 0x00, 0x04, 0x07, 0x00, 0x00});
    EXPECT_EQ(built.script, expected);
  }
}

TEST(ScriptBuilder, ClosingRecordTakesItsParamsInTheDumpedOrder) {
  const BuiltScript built = built_from(
      "<Room 0 with 0 text entries>\r\n"
      "<additional params: 99 98 2 3 4 5 6 7>\r\n");
  ASSERT_FALSE(built.refusal);
  // The offset is computed; then a2..a7 as the dump shows them; then the trailing byte.
  EXPECT_EQ(built.script, (Bytes{0x08, 0x00, 2, 3, 4, 5, 6, 7, 0x00}));
}

TEST(ScriptBuilder, OnlyTheEmptyRoomTextGivesTheEmptyScriptAndADamagedHeaderIsRefused) {
  const BuiltScript empty = built_from("<Room 7 is empty !!!>\r\n");
  EXPECT_FALSE(empty.refusal);
  EXPECT_EQ(empty.script, (Bytes{0x08, 0, 0, 0, 0, 0, 0, 0}));

  const std::string room_line = "the room line cannot be read as \"<Room N with N text entries>\"";
  const std::string params_line = "the additional params line cannot be read";
  const struct {
    std::string_view text;
    std::string reason;
    std::size_t line;
  } cases[] = {
      {"", room_line, 1},
      {"\r\n", room_line, 1},
      {"<Room 7 is empty !!!>\r\n\r\n", room_line, 1},
      {"<Room 7 is empty !!!>", room_line, 1},
      {"<Room 7 with 2 text entries>\r\n", params_line, 2},
      {"<Room 7 with 2 text entries>\r\n<params: 1>\r\n\r\n<Text block 1>", params_line, 2},
      // A count out of range does not matter when the second header line fails.
      {"<Room 7 with 100000 text entries>\r\ngarbage\r\n", params_line, 2},
  };
  for (const auto& c : cases) {
    const BuiltScript built = built_from(c.text);
    ASSERT_TRUE(built.refusal) << c.text;
    EXPECT_EQ(*built.refusal, c.reason) << c.text;
    EXPECT_EQ(built.refusal_line, c.line) << c.text;
    EXPECT_TRUE(built.script.empty());
  }
}

TEST(ScriptBuilder, ParamsGoToTheRecordTheHeaderNamesAndMissingOnesAreZero) {
  const BuiltScript built = built_from(
      "<Room 1 with 2 text entries>\r\n"
      "<additional params: 0>\r\n"
      "\r\n"
      "<Text block 2><params: 1 2 3 4 5 6>\r\n"
      "<End of block>\r\n"
      "\r\n"
      "<Text block 1><params: 9>\r\n"
      "A\r\n"
      "<End of block>\r\n");
  ASSERT_FALSE(built.refusal);
  EXPECT_EQ(built.script, (Bytes{24,   0,    0,   0, 0, 0, 0, 9,  // starts follow the file order
                                 24,   0,    2,   3, 4, 5, 6, 1,  //
                                 26,   0,    0,   0, 0, 0, 0, 0,  //
                                 0x32, 0x01, 0x00}));
}

TEST(ScriptBuilder, TheGapLineIsReadWithNineCharacters) {
  // After a block only 9 characters are skipped: the rest of a longer line is taken as the next
  // header, which here cannot be read.
  const BuiltScript built = built_from(
      "<Room 1 with 3 text entries>\r\n"
      "<additional params: 0>\r\n"
      "\r\n"
      "<Text block 1><params: 0 0 0 0 0 0>\r\n"
      "<End of block>\r\n"
      "1234567\r\n"
      "<Text block 2><params: 0 0 0 0 0 0>\r\n"
      "<End of block>\r\n"
      "12345678\r\n"
      "<Text block 3><params: 0 0 0 0 0 0>\r\n"
      "<End of block>\r\n");
  ASSERT_TRUE(built.refusal);
  EXPECT_EQ(*built.refusal, "the header of text block 3 cannot be read");
}

TEST(ScriptBuilder, RoomsThatCannotBePackedAreRefused) {
  const std::string head = "<Room 3 with 1 text entries>\r\n<additional params: 0>\r\n\r\n";
  const std::string no_end =
      "the text ends inside text block 1 (no line ending with \"<End of block>\")";
  const struct {
    std::string text;
    std::string reason;
    std::size_t line;
  } cases[] = {
      {"<Room 3 with -1 text entries>\r\n<additional params: 0>\r\n",
       "-1 text entries is outside 0..4998", 1},
      {"<Room 3 with 4999 text entries>\r\n<additional params: 0>\r\n",
       "4999 text entries is outside 0..4998", 1},
      {head, "text block 1 is missing", 4},
      {head + "Hello\r\n<End of block>\r\n", "the header of text block 1 cannot be read", 4},
      {head + "<Text block 0><params: 0 0 0 0 0 0>\r\n<End of block>\r\n",
       "text block 1 names block number 0, outside 1..4999", 4},
      {head + "<Text block 5000><params: 0 0 0 0 0 0>\r\n<End of block>\r\n",
       "text block 1 names block number 5000, outside 1..4999", 4},
      // A marker ended by a line feed alone, or followed by more text, does not end the block.
      {head + "<Text block 1><params: 0 0 0 0 0 0>\r\nHi\r\n<End of block>\n", no_end, 4},
      {head + "<Text block 1><params: 0 0 0 0 0 0>\r\nHi<End of block>x\r\n", no_end, 4},
      {head + "<Text block 1><params: 0 0 0 0 0 0>\r\n" + std::string(70000, 'a') +
           "\r\n<End of block>\r\n",
       "the script would be 70018 bytes, more than the 65535 that 16-bit offsets reach", 1},
  };
  for (const auto& c : cases) {
    const BuiltScript built = built_from(c.text);
    ASSERT_TRUE(built.refusal) << c.text.substr(0, 200);
    EXPECT_EQ(*built.refusal, c.reason);
    EXPECT_EQ(built.refusal_line, c.line) << c.reason;
    EXPECT_TRUE(built.script.empty());
  }
}

TEST(ScriptBuilder, TheLargestScriptThatFitsIsBuilt) {
  // 8 × 2 record bytes, the text, its line break and the trailing byte: 65535 in all.
  const std::string text =
      "<Room 3 with 1 text entries>\r\n<additional params: 0>\r\n\r\n"
      "<Text block 1><params: 0 0 0 0 0 0>\r\n" +
      std::string(65535 - 18, 'a') + "\r\n<End of block>\r\n";
  const BuiltScript built = built_from(text);
  ASSERT_FALSE(built.refusal);
  EXPECT_EQ(built.script.size(), 65535u);
  EXPECT_EQ(built.script[8], 0xFE);  // closing offset 65534
  EXPECT_EQ(built.script[9], 0xFF);
}

TEST(ScriptBuilder, EncoderMessagesAreCollectedInOrder) {
  const BuiltScript built = built_from(
      "<Room 3 with 1 text entries>\r\n<additional params: 0>\r\n\r\n"
      "<Text block 1><params: 0 0 0 0 0 0>\r\n"
      "~<Nope>\r\n"
      "<End of block>\r\n");
  ASSERT_FALSE(built.refusal);
  EXPECT_EQ(built.console,
            std::string(qv::pack::kUnsupportedCharacter) + std::string(qv::pack::kUnsupportedTag));
  EXPECT_EQ(built.script, (Bytes{16, 0, 0, 0, 0, 0, 0, 0, 17, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x00}));
}

// Round trip: a generated script is dumped and packed again. What comes back differs from it in
// exactly the ways the packer is known to differ from the decoder.
class ScriptGenerator {
 public:
  explicit ScriptGenerator(unsigned seed) : random_(seed) {}

  // One text block as the game's scripts end them: mostly "<Close>" with no line break after
  // it, else a line break or whatever code came last. Some lines run past 499 characters.
  Bytes block() {
    Bytes text;
    const int pieces = pick(0, 3) == 0 ? pick(200, 400) : pick(0, 20);
    bool after_name = false;
    for (int i = 0; i < pieces; ++i) {
      append_piece(text, after_name);
    }
    switch (pick(0, 5)) {
      case 0:
        text.push_back(qv::script::kLineBreakCode);
        break;
      case 1:
        break;
      default:
        text.push_back(qv::script::kCloseCode);
    }
    return text;
  }

  Bytes script(std::size_t blocks) {
    std::vector<Bytes> texts;
    for (std::size_t k = 0; k < blocks; ++k) texts.push_back(block());
    Bytes script((blocks + 1) * 8, 0);
    std::size_t start = script.size();
    for (std::size_t k = 0; k <= blocks; ++k) {
      script[k * 8] = static_cast<std::uint8_t>(start);
      script[k * 8 + 1] = static_cast<std::uint8_t>(start >> 8);
      for (int b = 2; b < 8; ++b) script[k * 8 + b] = static_cast<std::uint8_t>(pick(0, 255));
      if (k < blocks) {
        script.insert(script.end(), texts[k].begin(), texts[k].end());
        start += texts[k].size();
      }
    }
    script.push_back(0x00);
    return script;
  }

  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

 private:
  void append_piece(Bytes& text, bool& after_name) {
    using qv::script::takes_argument;
    const bool was_after_name = after_name;
    after_name = false;
    int kind = pick(0, 9);
    if (kind == 0 && was_after_name) kind = 1;  // a name directly after a name joins its run
    switch (kind) {
      case 0:  // a character name, including the repeated last one
        text.insert(text.end(), {qv::script::kNameCode, static_cast<std::uint8_t>(pick(0, 48))});
        after_name = true;
        return;
      case 1:  // an auto-accent token, the decoder's "<Unknow auto-accent>" included
        text.insert(text.end(), {qv::script::kTokenCode, static_cast<std::uint8_t>(pick(0, 48))});
        return;
      case 2: {  // a control code with or without its argument
        std::uint8_t code;
        do {
          code = static_cast<std::uint8_t>(pick(0x00, 0x1F));
        } while (code == qv::script::kLineBreakCode || code == qv::script::kNameCode ||
                 code == qv::script::kTokenCode);
        text.push_back(code);
        if (takes_argument(code)) text.push_back(static_cast<std::uint8_t>(pick(0, 255)));
        if (code == qv::script::kAutoCloseCode && pick(0, 1) == 0) {
          text.push_back(qv::script::kCloseCode);
        }
        return;
      }
      case 3:
        text.push_back(qv::script::kLineBreakCode);
        return;
      case 4: {  // codes of table 2 that have a tag or a two-character glyph
        static constexpr std::uint8_t kCodes[] = {0x75, 0x7E, 0x7F, 0x76, 0x7A, 0x80, 0x83,
                                                  0x8B, 0xA4, 0xDB, 0xFF, 0xC8, 0x68, 0x72};
        text.push_back(kCodes[pick(0, static_cast<int>(std::size(kCodes)) - 1)]);
        return;
      }
      default: {  // plain characters; letters only where no name can start or continue
        std::uint8_t code;
        for (;;) {
          code = static_cast<std::uint8_t>(pick(0x20, 0xA3));
          const bool capital = code >= 0x32 && code <= 0x4B;
          const bool letter = capital || (code >= 0x4C && code <= 0x65);
          if (code == 0x68 || code == 0x72 || (code >= 0x75 && code <= 0x8B)) continue;
          if (capital && code != 'X' - 0x0F) continue;  // no name starts with X
          if (letter && was_after_name) continue;
          break;
        }
        text.push_back(code);
      }
    }
  }

  std::mt19937 random_;
};

// What packing the dump of `script` gives back, by the known differences: texts that more than
// one code stands for take the packer's code. Records and params come back unchanged.
Bytes expected_after_round_trip(const Bytes& script) {
  Bytes expected = script;
  const std::size_t records = (script[0] | script[1] << 8) / 8;
  for (std::size_t i = records * 8; i + 1 < script.size(); ++i) {
    const std::uint8_t code = script[i];
    if (qv::script::takes_argument(code)) {
      std::uint8_t& argument = expected[i + 1];
      if (code == qv::script::kNameCode && argument > 43) argument = 43;
      if (code == qv::script::kTokenCode && argument == 43) argument = 44;
      ++i;
    } else if (code == 0x24) {
      expected[i] = 0xDB;
    }
  }
  return expected;
}

TEST(ScriptBuilder, RoundTripGivesBackTheScriptButForTheKnownDifferences) {
  for (unsigned seed = 0; seed < 300; ++seed) {
    ScriptGenerator generator(seed);
    const Bytes script = generator.script(static_cast<std::size_t>(generator.pick(1, 12)));
    if (script.size() < qv::script::kSmallestDumpedScript) continue;
    const auto dump = qv::script::dump_room(script, 5);
    ASSERT_TRUE(dump.text);
    const BuiltScript built = built_from(*dump.text);
    ASSERT_FALSE(built.refusal) << *built.refusal;
    EXPECT_EQ(built.console, "") << "seed " << seed;
    ASSERT_EQ(built.script, expected_after_round_trip(script)) << "seed " << seed << "\n"
                                                               << *dump.text;
    const auto compared = qv::pack::compare_round_trip(script, built.script);
    EXPECT_NE(compared.result, qv::pack::RoundTrip::different) << compared.difference;
  }
}

TEST(RoundTrip, TellsLostDataFromCodesTheDumpCannotTellApart) {
  using qv::pack::RoundTrip;
  const Bytes& original = qv::test::kRoomFiveScript;
  const auto repacked = [&](auto change) {
    Bytes script = built_from(qv::test::kRoomFiveDump).script;
    change(script);
    return script;
  };
  // The 27 bytes after the closing offset are not part of the comparison.
  EXPECT_EQ(qv::pack::compare_round_trip(original, repacked([](Bytes&) {})).result,
            RoundTrip::identical);
  // The name Tavin as index 43 instead of 0 is a different code with a different text; as the
  // same name under index 44 it would be a code the dump cannot tell apart.
  Bytes same_text = original;
  same_text[31] = 44;  // index 44 reads as the last name, like 43
  Bytes other_name = same_text;
  EXPECT_EQ(qv::pack::compare_round_trip(same_text, repacked([](Bytes& s) { s[31] = 43; })).result,
            RoundTrip::equivalent);
  const auto changed =
      qv::pack::compare_round_trip(original, repacked([](Bytes& s) { s[31] = 1; }));
  EXPECT_EQ(changed.result, RoundTrip::different);
  EXPECT_EQ(changed.difference,
            "dump line 9: \"Tavin<Close><End of block>\" became \"Oru<Close><End of block>\"");
  // A changed param is lost data too.
  EXPECT_EQ(qv::pack::compare_round_trip(original, repacked([](Bytes& s) { s[7] = 7; })).result,
            RoundTrip::different);
}

TEST(ScriptBuilder, EveryCodeOfTheMultiplyWrittenTextsPacksToOneCode) {
  // 0x24 and 0xDB, name indices 43..48, token indices 43 and 44.
  const Bytes text = {0x24, 0xDB, 0x08, 0x2B, 0x20, 0x08, 0x30, 0x12, 0x2B, 0x12, 0x2C, 0x01};
  Bytes script = {16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  script.insert(script.end(), text.begin(), text.end());
  script[8] = static_cast<std::uint8_t>(script.size());
  script.push_back(0);
  script.resize(60, 0);  // long enough to be dumped; bytes after the text are ignored
  const auto dump = qv::script::dump_room(script, 1);
  const BuiltScript built = built_from(*dump.text);
  ASSERT_FALSE(built.refusal);
  const Bytes packed_text(built.script.begin() + 16, built.script.end() - 1);
  EXPECT_EQ(packed_text,
            (Bytes{0xDB, 0xDB, 0x08, 0x2B, 0x20, 0x08, 0x2B, 0x12, 0x2C, 0x12, 0x2C, 0x01}));
}

}  // namespace
