// SPDX-License-Identifier: GPL-3.0-or-later
#include "pack/dump_parser.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::literals;
using qv::pack::LineReader;

std::vector<std::uint8_t> bytes_of(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(LineReader, ReadsWholeLinesAndTheGapAsABufferedLineReadDoes) {
  const std::string long_line = std::string(600, 'x') + "\r\n";
  const auto text = bytes_of("abc\r\n\r\n0123456789ABC\r\n"s + long_line + "a\0b\nend"s);
  LineReader reader(text);
  EXPECT_EQ(reader.read_line(), "abc\r\n");
  EXPECT_EQ(reader.read_line(), "\r\n");
  EXPECT_EQ(reader.read_piece(10), "012345678");  // 9 characters at most
  EXPECT_EQ(reader.position(), 16u);
  EXPECT_EQ(reader.read_line(), "9ABC\r\n");
  EXPECT_EQ(reader.read_line(), long_line);  // however long
  EXPECT_EQ(reader.read_line(), "a\0b\n"sv);
  EXPECT_EQ(reader.read_line(), "end");  // the last line needs no line break
  EXPECT_EQ(reader.read_line(), std::nullopt);
  EXPECT_EQ(reader.read_piece(10), std::nullopt);
  EXPECT_EQ(qv::pack::c_string("a\0b\n"sv), "a");
}

TEST(DumpHeaders, RoomHeaderNeedsBothNumbers) {
  const auto header = qv::pack::parse_room_header("<Room 12 with 3 text entries>\r\n");
  ASSERT_TRUE(header);
  EXPECT_EQ(header->room, 12);
  EXPECT_EQ(header->block_count, 3);
  EXPECT_EQ(qv::pack::parse_room_header("<Room 12 with 3 lines, anything>")->block_count, 3);
  // "%d" stores into an int: a number past its range keeps its low 32 bits.
  EXPECT_EQ(qv::pack::parse_room_header("<Room 1 with 4294967297 text entries>")->block_count, 1);
  EXPECT_EQ(qv::pack::parse_block_header("<Text block 4294967298><params: 0>")->block, 2);
  EXPECT_FALSE(qv::pack::parse_room_header("<Room 12 is empty !!!>\r\n"));
  EXPECT_FALSE(qv::pack::parse_room_header("\r\n"));
  EXPECT_FALSE(qv::pack::parse_room_header("<Room 1\0 with 3 text entries>"sv));
}

TEST(DumpHeaders, AdditionalParamsNeedOneValueAndKeepLowBytes) {
  using Params = std::array<std::uint8_t, 8>;
  EXPECT_EQ(qv::pack::parse_additional_params("<additional params: 33 0 1 2 3 4 5 300>\r\n"),
            (Params{33, 0, 1, 2, 3, 4, 5, 44}));
  EXPECT_EQ(qv::pack::parse_additional_params("<additional params: 7 -1 x 9>\r\n"),
            (Params{7, 255, 0, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(qv::pack::parse_additional_params("<additional params: x>\r\n"));
  EXPECT_FALSE(qv::pack::parse_additional_params("\r\n"));
}

TEST(DumpHeaders, BlockHeaderNeedsItsNumberAndZeroesMissingParams) {
  using Params = std::array<std::uint8_t, 6>;
  auto header = qv::pack::parse_block_header("<Text block 4><params: 6 1 2 3 4 261>\r\n");
  ASSERT_TRUE(header);
  EXPECT_EQ(header->block, 4);
  EXPECT_EQ(header->params, (Params{6, 1, 2, 3, 4, 5}));
  header = qv::pack::parse_block_header("<Text block 2><params: 9 8>\r\n");
  ASSERT_TRUE(header);
  EXPECT_EQ(header->params, (Params{9, 8, 0, 0, 0, 0}));
  EXPECT_EQ(qv::pack::parse_block_header("<Text block 5>\r\n")->block, 5);
  EXPECT_FALSE(qv::pack::parse_block_header("<Text block x><params: 1 2 3 4 5 6>\r\n"));
  EXPECT_FALSE(qv::pack::parse_block_header("Hello\r\n"));
}

TEST(DumpHeaders, ALineEndingWithTheMarkerAndCrLfEndsABlock) {
  for (std::string_view line :
       {"<End of block>\r\n"sv, "Hi<Close><End of block>\r\n"sv, "Hola <Close<End of block>\r\n"sv,
        "<End of block>"sv, "Tavin<Close><End of block>"sv}) {
    EXPECT_TRUE(qv::pack::ends_block(line)) << line;
  }
  for (std::string_view line :
       {"<End of block>\n"sv, "Hi<End of block>\n"sv, "<End of block>\r\n\r\n"sv,
        "<End of block> \r\n"sv, "<End of block>x\r\n"sv, "<End of block>\0\r\n"sv,
        "<End of block>\r"sv, "<End of\0block>"sv}) {
    EXPECT_FALSE(qv::pack::ends_block(line)) << line;
  }
}

TEST(DumpHeaders, OnlyTheDumpersWholeEmptyRoomTextIsAnEmptyRoom) {
  EXPECT_TRUE(qv::pack::is_empty_room_text(bytes_of("<Room 12 is empty !!!>\r\n")));
  EXPECT_TRUE(qv::pack::is_empty_room_text(bytes_of("<Room 0 is empty !!!>\r\n")));
  for (std::string_view text :
       {"<Room 12 is empty !!!>"sv, "<Room 12 is empty !!!>\r\n\r\n"sv,
        "<Room  is empty !!!>\r\n"sv, "<Room x is empty !!!>\r\n"sv, "<Room 12 is empty !!>\r\n"sv,
        ""sv, "<Room 12 with 3 text entries>\r\n"sv}) {
    EXPECT_FALSE(qv::pack::is_empty_room_text(bytes_of(text))) << text;
  }
}

}  // namespace
