// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/dump.hpp"

#include <gtest/gtest.h>

#include "tests/support/worked_examples.hpp"

using qv::script::dump_room;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Record {
  int start;
  std::array<std::uint8_t, 6> params{};
};

// A decompressed script: the records, then the text bytes, padded with `fill` to `size`.
Bytes script_of(std::initializer_list<Record> records, const Bytes& text, std::size_t size = 0,
                std::uint8_t fill = 0xEE) {
  Bytes script;
  for (const Record& r : records) {
    script.push_back(static_cast<std::uint8_t>(r.start & 0xFF));
    script.push_back(static_cast<std::uint8_t>(r.start >> 8));
    script.insert(script.end(), r.params.begin(), r.params.end());
  }
  script.insert(script.end(), text.begin(), text.end());
  if (script.size() < size) script.resize(size, fill);
  return script;
}

}  // namespace

TEST(DumpRoom, WorkedExampleOfRoomFive) {
  const auto dump = dump_room(qv::test::kRoomFiveScript, 5);
  ASSERT_TRUE(dump.text);
  EXPECT_EQ(*dump.text, qv::test::kRoomFiveDump);
  EXPECT_EQ(dump.console, " with 2 text blocks");
}

TEST(DumpRoom, ScriptsUnder51BytesAreEmptyRooms) {
  const Bytes script = script_of({{16}, {51}}, Bytes(35, 0x26));  // exactly 51 bytes
  EXPECT_EQ(*dump_room(Bytes(script.begin(), script.begin() + 50), 7).text,
            "<Room 7 is empty !!!>\r\n");
  EXPECT_EQ(dump_room(Bytes(script.begin(), script.begin() + 50), 7).console, "");
  const auto full = dump_room(script, 7);
  EXPECT_EQ(full.console, " with 1 text blocks");
  EXPECT_NE(full.text->find("<Text block 1>"), std::string::npos);
}

TEST(DumpRoom, OneRecordGivesHeaderLinesOnly) {
  const Bytes script = script_of({{8, {1, 2, 3, 4, 5, 6}}}, {}, 60);
  const auto dump = dump_room(script, 0);
  EXPECT_EQ(*dump.text, "<Room 0 with 0 text entries>\r\n<additional params: 8 0 1 2 3 4 5 6>\r\n");
  EXPECT_EQ(dump.console, " with 0 text blocks");
}

TEST(DumpRoom, BlockEdgesFollowTheOffsetsOnlyAsCounts) {
  // Block 1 ends with a line break, block 2 is empty, block 3's offsets decrease (no text),
  // block 4's last code takes its argument from past its end, so block 5 reads on after it.
  const Bytes script = script_of({{48}, {51}, {51}, {50}, {52}, {54}},
                                 {0x32, 0x33, 0x01, 0x34, 0x04, 0x09, 0x35, 0x36}, 60);
  const auto dump = dump_room(script, 1);
  EXPECT_EQ(*dump.text,
            "<Room 1 with 5 text entries>\r\n"
            "<additional params: 54 0 0 0 0 0 0 0>\r\n"
            "\r\n<Text block 1><params: 0 0 0 0 0 0>\r\nAB\r\n<End of block>\r\n"
            "\r\n<Text block 2><params: 0 0 0 0 0 0>\r\n<End of block>\r\n"
            "\r\n<Text block 3><params: 0 0 0 0 0 0>\r\n<End of block>\r\n"
            "\r\n<Text block 4><params: 0 0 0 0 0 0>\r\nC<Delay 9><End of block>\r\n"
            "\r\n<Text block 5><params: 0 0 0 0 0 0>\r\nDE<End of block>\r\n");
}

TEST(DumpRoom, UnreadableRecordTablesGiveNoDumpText) {
  const std::pair<int, const char*> cases[] = {
      {0, "first record offset is 0"},
      {12, "not a multiple of 8"},
      {40008, "exceed 5000"},
      {64, "longer than the script"},
  };
  for (const auto& [first, reason] : cases) {
    const auto dump = dump_room(script_of({{first}}, {}, 60), 3);
    EXPECT_FALSE(dump.text) << first;
    EXPECT_NE(dump.console.find(reason), std::string::npos) << dump.console;
  }
}

TEST(DumpRoom, ScriptEndingBeforeItsTextIsCutAndNoted) {
  // The closing offset says 80 but the script holds 60 bytes; the last code lacks its argument.
  Bytes script = script_of({{24}, {30}, {80}}, {0x32, 0x33, 0x00, 0x01, 0x34, 0x35}, 59, 0x26);
  script.push_back(0x04);
  const auto dump = dump_room(script, 2);
  ASSERT_TRUE(dump.text);
  const std::string block2 =
      "<Text block 2><params: 0 0 0 0 0 0>\r\n" + std::string(29, '.') + "<End of block>\r\n";
  EXPECT_TRUE(dump.text->ends_with(block2)) << *dump.text;
  EXPECT_EQ(dump.console,
            " with 2 text blocks (script ends at byte 60, before its text does; "
            "text cut there)");
}

TEST(DumpRoom, ConsoleMarksRoom48AndBlock220) {
  const int count = 222;
  Bytes script;
  for (int k = 0; k < count; ++k) {
    const int start = count * 8 + k;
    script.push_back(static_cast<std::uint8_t>(start & 0xFF));
    script.push_back(static_cast<std::uint8_t>(start >> 8));
    script.insert(script.end(), 6, 0);
  }
  script.insert(script.end(), count, 0x26);
  EXPECT_EQ(dump_room(script, 48).console, "umf2 with 221 text blocksumf");
  EXPECT_EQ(dump_room(script, 47).console, " with 221 text blocksumf");
  EXPECT_EQ(dump_room(Bytes(50, 0), 48).console, "");
}
