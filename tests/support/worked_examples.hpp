// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The worked examples of the script layouts, shared by the dump and pack tests.
#include <cstdint>
#include <string_view>
#include <vector>

namespace qv::test {

// Room 5: three records (starts 24, 30, 33), block 1 "Hi", line break, "Hi<Close>", block 2
// the name Tavin and "<Close>"; 27 more bytes that belong to no block.
inline const std::vector<std::uint8_t> kRoomFiveScript = [] {
  std::vector<std::uint8_t> script = {24, 0, 1,    2,    3,    4,    5,    6,    30,   0,    0,
                                      0,  0, 0,    0,    0,    33,   0,    0,    0,    0,    0,
                                      0,  9, 0x39, 0x54, 0x01, 0x39, 0x54, 0x00, 0x08, 0x00, 0x00};
  script.resize(60, 0xEE);
  return script;
}();

inline constexpr std::string_view kRoomFiveDump =
    "<Room 5 with 2 text entries>\r\n"
    "<additional params: 33 0 0 0 0 0 0 9>\r\n"
    "\r\n"
    "<Text block 1><params: 6 1 2 3 4 5>\r\n"
    "Hi\r\n"
    "Hi<Close><End of block>\r\n"
    "\r\n"
    "<Text block 2><params: 0 0 0 0 0 0>\r\n"
    "Tavin<Close><End of block>\r\n";

// A dump text of two blocks whose lines all end before their end line, and its 33-byte script.
inline constexpr std::string_view kTwoBlockDump =
    "<Room 5 with 2 text entries>\r\n"
    "<additional params: 32 0 0 0 0 0 0 0>\r\n"
    "\r\n"
    "<Text block 1><params: 6 1 2 3 4 5>\r\n"
    "Hi<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 2><params: 0 0 0 0 0 0>\r\n"
    "Tavin<Close>\r\n"
    "<End of block>\r\n";

inline const std::vector<std::uint8_t> kTwoBlockScript = {
    0x18, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,  // record 1: start 24; p2..p6, then p1
    0x1C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // record 2: start 28
    0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // closing record: start 32
    0x39, 0x54, 0x00, 0x01, 0x08, 0x00, 0x00, 0x01,  // H i <Close> | Tavin <Close> |
    0x00};                                           // trailing byte

}  // namespace qv::test
