// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/decoder.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

using qv::script::decode_text;

namespace {

std::string decoded(std::initializer_list<int> bytes) {
  std::vector<std::uint8_t> codes(bytes.begin(), bytes.end());
  return decode_text(codes);
}

std::string hex_tag(int code) {
  char text[16];
  std::snprintf(text, sizeof text, "<Unknow%02X>", code);
  return text;
}

// What each code without an argument must give, written out from the code chart by hand.
std::string expected_plain_code(int c) {
  static const char* const kControl[32] = {
      "<Close>",    "\r\n",       "<New>",      "<Unknow03>", nullptr, nullptr,      nullptr,
      "<Unknow07>", nullptr,      "<Unknow09>", "<Unknow0A>", nullptr, "<Unknow0C>", "<Unknow0D>",
      nullptr,      "<Unknow0F>", nullptr,      "<Unknow11>", nullptr, "<Unknow13>", "<Unknow14>",
      nullptr,      nullptr,      nullptr,      nullptr,      nullptr, "<Unknow1A>", nullptr,
      nullptr,      "<Unknow1D>", nullptr,      "<Unknow1B>"};
  if (c < 0x20) return kControl[c];
  static const std::string kPunctuation = " ()-,+./";
  if (c <= 0x27) return std::string(1, kPunctuation[c - 0x20]);
  if (c <= 0x31) return std::string(1, static_cast<char>('0' + c - 0x28));
  if (c <= 0x4B) return std::string(1, static_cast<char>('A' + c - 0x32));
  if (c <= 0x65) return std::string(1, static_cast<char>('a' + c - 0x4C));
  static const char* const kSymbols[16] = {"=", "!", "<'>", "$", "%",   "&", "*", ":",
                                           "?", "_", "[",   "]", "<.>", "'", "#", ">>"};
  if (c <= 0x75) return kSymbols[c - 0x66];
  if (c == 0x7E) return "<\"";
  if (c == 0x7F) return "\">";
  if (c <= 0x8B) return hex_tag(c);
  static const char kAccents[] =
      "\xDC\xE0\xE2\xE1\xE4\xE7\xE8\xEA\xE9\xEB\xEC\xEE\xED\xEF\xF9\xFB\xFA\xFC\xF2\xF3\xF4\xF6"
      "\xD1\xF1";
  if (c <= 0xA3) return std::string(1, kAccents[c - 0x8C]);
  if (c == 0xDB) return ",";
  return "<UNKNOWN CHUNK " + std::to_string(c) + ">";
}

bool has_argument(int c) {
  for (int a : {0x04, 0x05, 0x06, 0x08, 0x0B, 0x0E, 0x10, 0x12, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1B,
                0x1C, 0x1E}) {
    if (a == c) return true;
  }
  return false;
}

}  // namespace

TEST(Decoder, EveryCodeWithoutArgumentGivesItsText) {
  for (int c = 0; c < 256; ++c) {
    if (has_argument(c)) continue;
    EXPECT_EQ(decoded({c}), expected_plain_code(c)) << "code " << c;
  }
}

TEST(Decoder, CodesWithArgumentConsumeExactlyOneByte) {
  struct Case {
    int code, argument;
    std::string text;
  };
  const Case cases[] = {
      {0x04, 7, "<Delay 7>"},
      {0x04, 1, "<Delay 1>"},
      {0x05, 255, "<Auto accent>"},
      {0x05, 254, "<Speed 254>"},
      {0x05, 0, "<Speed 0>"},
      {0x06, 3, "<Auto close 3>"},
      {0x08, 0, "Tavin"},
      {0x08, 28, "Rootle"},
      {0x08, 42, "Ornsi"},
      {0x08, 43, "Zib"},
      {0x08, 48, "Zib"},
      {0x08, 49, "Unknown Character!"},
      {0x08, 255, "Unknown Character!"},
      {0x0B, 12, "<Value 12>"},
      {0x0E, 2, "<Color 2>"},
      {0x10, 4, "<Choose 4>"},
      {0x12, 0, "<Unknow auto-accent>"},
      {0x12, 1, "< >"},
      {0x12, 22, "<suffix>"},
      {0x12, 32, "<Tavin>"},
      {0x12, 43, "<'d>"},
      {0x12, 44, "<'d>"},
      {0x12, 48, "<wha>"},
      {0x12, 49, ""},
      {0x12, 255, ""},
      {0x15, 0, "<Name ?>"},
      {0x15, 3, "<Unknow15 3>"},
      {0x16, 0, "<Unknow16 0>"},
      {0x17, 200, "<Unknow17 200>"},
      {0x18, 1, "<Member 1>"},
      {0x19, 9, "<Object 9>"},
      {0x1B, 5, "<PSX button 5>"},
      {0x1C, 0, "<Upcase>"},
      {0x1C, 1, "<Upcase2>"},
      {0x1C, 2, "<Unknow1C 2>"},
      {0x1E, 0, "<Name suffix>"},
      {0x1E, 9, "<Unknow1E 9>"},
  };
  for (const Case& c : cases) {
    // The argument is never decoded as a code of its own: 0x01 here gives no line break.
    EXPECT_EQ(decoded({c.code, c.argument, 0x33}), c.text + "B")
        << "code " << c.code << " argument " << c.argument;
  }
  EXPECT_EQ(decoded({0x04, 0x01}), "<Delay 1>");
}

TEST(Decoder, WordsAndDigits) {
  EXPECT_EQ(decoded({0x39, 0x50, 0x57, 0x57, 0x5A}), "Hello");
  EXPECT_EQ(decoded({0x29, 0x28}), "10");
}

TEST(Decoder, MissingArgumentAtTheEndIsReportedAndWritesNothing) {
  const std::vector<std::uint8_t> codes = {0x04};
  qv::script::ByteReader in(codes);
  std::string out;
  const auto code = in.next();
  EXPECT_FALSE(qv::script::decode_code(*code, in, out).has_value());
  EXPECT_EQ(out, "");
  EXPECT_EQ(decoded({0x39, 0x04}), "H");
}
