// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/checks.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pack/line_encoder.hpp"
#include "pack/script_builder.hpp"
#include "script/dump.hpp"
#include "tests/support/worked_examples.hpp"
#include "tools/sample_disc/sample_disc.hpp"

namespace qv::check {
namespace {

using namespace std::string_literals;

// Room five's dump with line `line` (from 1) replaced.
std::string with_line(std::size_t line, std::string_view text) {
  std::string dump(test::kRoomFiveDump);
  std::size_t start = 0;
  for (std::size_t n = 1; n < line; ++n) start = dump.find('\n', start) + 1;
  const std::size_t end = dump.find("\r\n", start);
  return dump.replace(start, end - start, text);
}

struct Expected {
  std::size_t line;
  std::size_t column;
  Severity severity;
  std::string_view check;
  std::string message;  // empty: not compared
};

void expect_diagnostics(const Report& report, const std::vector<Expected>& expected) {
  ASSERT_EQ(report.diagnostics.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Diagnostic& got = report.diagnostics[i];
    SCOPED_TRACE(got.message);
    EXPECT_EQ(got.line, expected[i].line);
    EXPECT_EQ(got.column, expected[i].column);
    EXPECT_EQ(got.severity, expected[i].severity);
    EXPECT_EQ(got.check, expected[i].check);
    if (!expected[i].message.empty()) {
      EXPECT_EQ(got.message, expected[i].message);
    }
  }
}

TEST(Checks, TheDumpersOwnTextsHaveNothingToReport) {
  for (std::string_view text :
       {test::kRoomFiveDump, test::kTwoBlockDump, std::string_view("<Room 7 is empty !!!>\r\n")}) {
    const Report report = check_dump_text(text);
    EXPECT_TRUE(report.diagnostics.empty()) << text;
  }
  EXPECT_EQ(check_dump_text(test::kRoomFiveDump).dialogues, 2);
}

TEST(Checks, EachLossIsReportedWhereItStands) {
  using enum Severity;
  const struct {
    std::string name;
    std::string text;
    std::vector<Expected> expected;
  } cases[] = {
      {"inverted marks and an unknown tag",
       with_line(5, "\xA1Hola<Bogus>"),
       {{5, 1, error, "unsupported-character",
         "'\xC2\xA1' (U+00A1) is not one of the game's characters: the packer drops it"},
        {5, 6, error, "unsupported-tag",
         "\"<Bogus>\" is not one of the game's tags: the packer drops it"}}},
      {"a token of the accent table",
       with_line(5, "<ad>"),
       {{5, 1, error, "unsupported-tag",
         "<ad> is in the accent table but not one of the game's tokens: the packer drops it"}}},
      {"a dash with a spelling",
       with_line(5, "a\x97z"),
       {{5, 2, error, "unsupported-character",
         "'\xE2\x80\x94' (U+2014) is not one of the game's characters: the packer drops it; write "
         "\"-\" instead"}}},
      {"a tab",
       with_line(5, "a\tz"),
       {{5, 2, error, "unsupported-character",
         "a tab (U+0009) is not one of the game's characters: the packer drops it; write \" \" "
         "instead"}}},
      {"a tag without its end", with_line(5, "Hi <Close"), {{5, 4, error, "unsupported-tag", ""}}},
      {"characters after a number",
       with_line(5, "<Delay 5xyz>"),
       {{5, 1, warning, "dropped-text",
         "the characters after the number of \"<Delay 5xyz>\" are dropped"}}},
      {"a value past a byte",
       with_line(5, "Hi<Delay 300>"),
       {{5, 3, warning, "dropped-text", "<Delay 300> is written as 44"}}},
      {"text after an inline marker",
       with_line(5, "Hi<End of block>xyz"),
       {{5, 17, error, "dropped-text", "text after \"<End of block>\" is dropped: \"xyz\""}}},
      {"text after a NUL", with_line(5, "Hi\0xyz"s), {{5, 3, error, "dropped-text", ""}}},
      {"text on the line between blocks",
       with_line(7, "xx"),
       {{7, 1, warning, "dropped-text", ""}}},
      {"text after the params",
       with_line(4, "<Text block 1><params: 6 1 2 3 4 5> note"),
       {{4, 36, warning, "dropped-text", ""}}},
      {"text after the last block",
       std::string(test::kRoomFiveDump) + "\r\nextra\r\n",
       {{11, 1, warning, "dropped-text", "text after the last block is dropped"}}},
      {"four lines in one window",
       with_line(5, "a\r\nb\r\nc"),
       {{8, 1, warning, "window-lines",
         "message window 1 has 4 lines; the game shows 3 and cuts off the rest"}}},
      {"the second window",
       with_line(5, "<New>\r\na\r\nb\r\nc\r\nd"),
       {{9, 1, warning, "window-lines",
         "message window 2 has 5 lines; the game shows 3 and cuts off the rest"}}},
      {"a damaged params line",
       with_line(2, "<additional parms: 33 0 0 0 0 0 0 9>"),
       {{2, 1, error, "unpackable",
         "the room cannot be packed: the additional params line cannot be read"}}},
      {"a room too big for its offsets",
       with_line(5, std::string(70000, 'a')),
       {{1, 1, error, "unpackable", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    expect_diagnostics(check_dump_text(c.text), c.expected);
  }
}

TEST(Checks, AgainstTheSourceDialogueByDialogue) {
  using enum Severity;
  const std::string_view source = test::kRoomFiveDump;
  const struct {
    std::string name;
    std::string text;
    int translated;
    std::vector<Expected> expected;
  } cases[] = {
      {"untouched", std::string(source), 0, {}},
      {"translated, tags kept", with_line(5, "Hola"), 1, {}},
      {"a window lost",
       with_line(9, "Tavin<End of block>"),
       1,
       {{9, 1, warning, "tag-mismatch", "missing <Close> (source 1, translation 0)"}}},
      {"a name swapped and a tag added",
       with_line(9, "Oru<Close><New><End of block>"),
       1,
       {{9, 1, warning, "tag-mismatch",
         "missing Tavin (source 1, translation 0); extra <New> (source 0, translation 1), Oru "
         "(source 0, translation 1)"}}},
      {"params changed",
       with_line(4, "<Text block 1><params: 6 1 2 3 4 7>"),
       0,
       {{4, 1, warning, "header-changed",
         "\"<Text block 1><params: 6 1 2 3 4 7>\" differs from the source's \"<Text block "
         "1><params: 6 1 2 3 4 5>\""}}},
      {"additional params changed",
       with_line(2, "<additional params: 33 0 0 0 0 0 0 8>"),
       0,
       {{2, 1, warning, "header-changed", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Report report = check_dump_text(c.text, source);
    EXPECT_TRUE(report.compared);
    EXPECT_EQ(report.translated, c.translated);
    expect_diagnostics(report, c.expected);
  }
  // With a delay tag in both, a changed number is a mismatch.
  const std::string with_delay = with_line(5, "Hi<Delay 5>");
  const Report report = check_dump_text(with_line(5, "Ho<Delay 6>"), with_delay);
  expect_diagnostics(report, {{5, 1, warning, "tag-mismatch",
                               "missing <Delay 5> (source 1, translation 0); extra <Delay 6> "
                               "(source 0, translation 1)"}});
}

// The checks and the packer read the same text the same way: every message the packer prints
// is one unsupported-tag or unsupported-character error, and a room is unpackable exactly when
// the packer refuses it.
TEST(Checks, AgreeWithThePackerOnEditedSampleDumps) {
  std::mt19937 random(7);
  const std::string noise[] = {"\xA1",           "<Bogus>", "\t",  "@",    "<Delay 5x>",
                               "<End of block>", "\r\n",    "<",   ">",    "\"",
                               "<ad>",           "\x80",    "\0"s, "<New>"};
  for (int room = 0; room < tools::kRoomCount; room += 7) {
    const auto dump = script::dump_room(tools::sample_room_script(room, 1), room);
    std::string text = *dump.text;
    for (int edit = 0; edit < 6 && !text.empty(); ++edit) {
      const std::size_t at = std::uniform_int_distribution<std::size_t>(0, text.size() - 1)(random);
      text.insert(at, noise[std::uniform_int_distribution<std::size_t>(0, 13)(random)]);
    }
    SCOPED_TRACE(text);
    const Report report = check_dump_text(text);
    const pack::BuiltScript built = pack::build_script(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    std::size_t messages = 0;
    for (std::size_t at = built.console.find('\n'); at != std::string::npos;
         at = built.console.find('\n', at + 1)) {
      ++messages;
    }
    std::size_t encoder_errors = 0;
    bool unpackable = false;
    for (const Diagnostic& d : report.diagnostics) {
      encoder_errors += d.check == "unsupported-tag" || d.check == "unsupported-character";
      unpackable = unpackable || d.check == "unpackable";
    }
    EXPECT_EQ(encoder_errors, messages);
    EXPECT_EQ(unpackable, built.refusal.has_value());
  }
}

TEST(Checks, OneDialogueAsTheEditorHoldsItCountsItsOwnLines) {
  // The first dialogue holds the room's header lines; the second starts at its block line.
  const std::string first =
      "<Room 5 with 2 text entries>\r\n<additional params: 33 0 0 0 0 0 0 9>\r\n\r\n"
      "<Text block 1><params: 6 1 2 3 4 5>\r\nHi\r\nHi<Close><End of block>\r\n";
  std::string edited = first;
  edited.replace(edited.find("Hi<Close>"), 2, "\xBFHi");
  const Report one = check_dialogue(edited, first);
  expect_diagnostics(one, {{6, 1, Severity::error, "unsupported-character", ""}});
  EXPECT_EQ(one.translated, 1);

  const std::string second =
      "<Text block 2><params: 0 0 0 0 0 0>\r\nTavin<Close><End of block>";  // the file's end
  const Report two =
      check_dialogue("<Text block 2><params: 0 0 0 0 0 0>\r\nTavin<End of block>", second);
  expect_diagnostics(two, {{2, 1, Severity::warning, "tag-mismatch",
                            "missing <Close> (source 1, translation 0)"}});
  EXPECT_TRUE(check_dialogue(second, second).diagnostics.empty());
  EXPECT_EQ(check_dialogue(second, second).translated, 0);
}

TEST(Checks, DiagnosticsPrintInTheFormEditorsParse) {
  const Diagnostic diagnostic{3, 14, Severity::warning, "window-lines", "too many", 1};
  EXPECT_EQ(format_diagnostic("../Rooms/disk1/5/code/outscript.txt", diagnostic),
            "../Rooms/disk1/5/code/outscript.txt:3:14: warning: too many [window-lines]");
}

}  // namespace
}  // namespace qv::check
