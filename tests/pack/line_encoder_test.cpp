// SPDX-License-Identifier: GPL-3.0-or-later
#include "pack/line_encoder.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using qv::pack::encode_line;
using qv::pack::kUnsupportedCharacter;
using qv::pack::kUnsupportedTag;

struct Encoded {
  Bytes bytes;
  std::string console;
};

Encoded encoded(std::string_view line) {
  Encoded result;
  encode_line(line, result.bytes, result.console);
  return result;
}

struct Case {
  std::string_view line;
  Bytes bytes;
  bool unsupported_tag = false;
};

void expect_cases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const Encoded got = encoded(c.line);
    EXPECT_EQ(got.bytes, c.bytes) << "line: " << c.line;
    EXPECT_EQ(got.console, c.unsupported_tag ? std::string(kUnsupportedTag) : "")
        << "line: " << c.line;
  }
}

TEST(LineEncoder, ExactTagsGiveTheirCodes) {
  expect_cases({
      {"<Upcase>", {0x1C, 0x00}},
      {"<Upcase2>", {0x1C, 0x01}},
      {"<Close>", {0x00}},
      {"<New>", {0x02}},
      {"<Unknow03>", {0x03}},
      {"<Auto accent>", {0x05, 0xFF}},
      {"<Unknow07>", {0x07}},
      {"<Unknow0C>", {0x0C}},
      {"<Unknow11>", {0x11}},
      {"<Unknow14>", {0x14}},
      {"<Name ?>", {0x15, 0x00}},
      {"<Unknow1A>", {0x1A}},
      {"<Unknow1D>", {0x1D}},
      {"<Name suffix>", {0x1E, 0x00}},
      {"<Unknow1B>", {0x1F}},
      {"<Unknow80>", {0x80}},
      {"<Unknow83>", {0x83}},
      {"<End of block>", {}},
      // Exact rows are exact: letter case and spaces count.
      {"<close>", {}, true},
      {"<Close >", {}, true},
      {"<Upcase3>", {}, true},
  });
}

TEST(LineEncoder, NumberTagsReadTheirNumberLikeFormattedInput) {
  expect_cases({
      {"<Delay 5>", {0x04, 0x05}},
      {"<Delay5>", {0x04, 0x05}},          // the pattern's space matches no space
      {"<Delay    5>", {0x04, 0x05}},      // or many
      {"<Delay\t+5>", {0x04, 0x05}},       // any white space, and a sign
      {"<Delay 5 frames>", {0x04, 0x05}},  // after the number nothing is checked
      {"<Delay 5", {}, true},              // no ">" on the line: not a tag at all
      {"<Delay>", {}, true},
      {"<Delay x>", {}, true},
      {"<Delay ->", {}, true},
      {"<Speed 255>", {0x05, 0xFF}},
      {"<Speed -1>", {0x05, 0xFF}},  // the low byte of the value
      {"<Speed 300>", {0x05, 0x2C}},
      {"<Speed 0>", {0x05, 0x00}},
      {"<Value 7>", {0x0B, 0x07}},
      {"<Color 12>", {0x0E, 0x0C}},
      {"<Choose 2>", {0x10, 0x02}},
      {"<Unknow15 3>", {0x15, 0x03}},
      {"<Unknow16 4>", {0x16, 0x04}},
      {"<Unknow17 9>", {0x17, 0x09}},
      {"<Member 1>", {0x18, 0x01}},
      {"<Object 200>", {0x19, 0xC8}},
      {"<PSX button 5>", {0x1B, 0x05}},
      {"<PSXbutton5>", {0x1B, 0x05}},
      {"<Unknow1C 5>", {0x1C, 0x05}},
      {"<Unknow1E 9>", {0x1E, 0x09}},
      {"<UNKNOWN CHUNK 200>", {0xC8}},
      {"<UNKNOWN CHUNK 164>", {0xA4}},
      {"<UNKNOWN CHUNK>", {}, true},
  });
}

TEST(LineEncoder, NumberedUnknowTagsReadTwoHexadecimalDigits) {
  expect_cases({
      {"<Unknow76>", {0x76}},
      {"<Unknow7A>", {0x7A}},
      {"<Unknow7a>", {0x7A}},
      {"<Unknow8B>", {0x8B}},
      {"<Unknow81>", {0x81}},
      {"<Unknow7Dx>", {0x7D}},  // what follows the digits is not checked
      {"<Unknow7>", {}, true},
      {"<UnknowXY>", {}, true},
      {"<Unknow>", {}, true},
  });
}

TEST(LineEncoder, TokensAndTheDecoderOnlyTags) {
  expect_cases({
      {"<Unknow auto-accent>", {0x12, 0x00}},  // the decoder's text for token 0 packs back
      {"< >", {0x12, 0x01}},
      {"<Tavin>", {0x12, 0x20}},  // the token, not the name
      {"<'d>", {0x12, 0x2C}},     // both indices read "<'d>"; the later is taken
      {"<the >", {0x12, 0x19}},
      {"<aren't you>", {0x12, 0x28}},
      {"<wha>", {0x12, 0x30}},
      {"<the>", {}, true},
      {"<'>", {0x68}},
      {"<.>", {0x72}},
      {"Hi<'>s<.>", {0x39, 0x54, 0x68, 0x5E, 0x72}},
  });
}

TEST(LineEncoder, AutoCloseKeepsItsLineAndOnlyTheMarkerDropsTheRest) {
  expect_cases({
      {"<Auto close 3>\r\n", {0x06, 0x03, 0x01}},
      {"<Auto close 55><Close>\r\n", {0x06, 0x37, 0x00, 0x01}},
      {"<Auto close 3>Hi\r\n", {0x06, 0x03, 0x39, 0x54, 0x01}},
      {"Hi<Auto close 300>\r\n", {0x39, 0x54, 0x06, 0x2C, 0x01}},
      {"<Auto close 55><Close><End of block>\r\n", {0x06, 0x37, 0x00}},
      {"<Auto close>\r\n", {0x01}, true},  // no number: unsupported, the line goes on
      {"Hi<End of block>Ho\r\n", {0x39, 0x54}},
      {"Hi<Close><End of block>\r\n", {0x39, 0x54, 0x00}},
      // The tag runs to the marker's ">": one unsupported tag, then the line break.
      {"Hola <Close<End of block>\r\n", {0x39, 0x5A, 0x57, 0x4C, 0x20, 0x01}, true},
  });
}

TEST(LineEncoder, NamesCountOnlyAsTheWholeLetterRun) {
  expect_cases({
      {"Tavin\r\n", {0x08, 0x00, 0x01}},
      {"xTavin", {0x63, 0x08, 0x00}},
      {"Tavins", {0x45, 0x4C, 0x61, 0x54, 0x59, 0x5E}},
      {"Tavin's", {0x08, 0x00, 0x73, 0x5E}},
      {"Tavin\x92s", {0x08, 0x00, 0x73, 0x5E}},
      {"Tavin Oru", {0x08, 0x00, 0x20, 0x08, 0x01}},
      {"TavinOru", {0x45, 0x4C, 0x61, 0x54, 0x59, 0x08, 0x01}},
      {"Zib9", {0x08, 0x2B, 0x31}},
      {"Zib<Close>", {0x08, 0x2B, 0x00}},
      {"Ornsi\xE9", {0x08, 0x2A, 0x94}},
      {"tavin", {0x5F, 0x4C, 0x61, 0x54, 0x59}},  // names are compared case-sensitively
      {"Unknown Character!",
       {0x46, 0x59, 0x56, 0x59, 0x5A, 0x62, 0x59, 0x20, 0x34, 0x53, 0x4C, 0x5D, 0x4C, 0x4E, 0x5F,
        0x50, 0x5D, 0x67}},
  });
}

TEST(LineEncoder, SingleCharactersAndPairs) {
  expect_cases({
      {"Hi\r\n", {0x39, 0x54, 0x01}},
      {"Hi\n", {0x39, 0x54, 0x01}},
      {"az AZ 09", {0x4C, 0x65, 0x20, 0x32, 0x4B, 0x20, 0x28, 0x31}},
      {"()-+./:", {0x21, 0x22, 0x23, 0x25, 0x26, 0x27, 0x6D}},
      {"=!$%&*?_[]#'", {0x66, 0x67, 0x69, 0x6A, 0x6B, 0x6C, 0x6E, 0x6F, 0x70, 0x71, 0x74, 0x73}},
      {",", {0xDB}},
      {"\xDC\xE0\xF1\xD1", {0x8C, 0x8D, 0xA3, 0xA2}},
      {"<\"Hi\">", {0x7E, 0x39, 0x54, 0x7F}},
      {">>", {0x75}},
      {"<\"\">>>", {0x7E, 0x7F, 0x75}},
      {"\r", {}},
  });
  for (std::string_view line : {"\"", ">", "@", "\t", "~", "\xA9"}) {
    const Encoded got = encoded(line);
    EXPECT_TRUE(got.bytes.empty()) << line;
    EXPECT_EQ(got.console, kUnsupportedCharacter) << line;
  }
}

TEST(LineEncoder, ProblemsAreReportedOnceEachAndEncodingGoesOn) {
  const Encoded got = encoded("a<Bogus>b~c<Close\r\n");
  // The unterminated tag takes the rest of the line, its line break included.
  EXPECT_EQ(got.bytes, (Bytes{0x4C, 0x4D, 0x4E}));
  EXPECT_EQ(got.console, std::string(kUnsupportedTag) + std::string(kUnsupportedCharacter) +
                             std::string(kUnsupportedTag));
}

TEST(LineEncoder, NulEndsTheLine) {
  using namespace std::string_view_literals;
  EXPECT_EQ(encoded("Hi\0<Close>\r\n"sv).bytes, (Bytes{0x39, 0x54}));
  EXPECT_EQ(encoded("Tavin\0"sv).bytes, (Bytes{0x08, 0x00}));
  EXPECT_EQ(encoded("<Cl\0ose>\r\n"sv).console, kUnsupportedTag);
}

}  // namespace
