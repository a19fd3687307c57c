// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cp1252.hpp"

#include <gtest/gtest.h>

using namespace qv::common;

TEST(Cp1252, EveryByteSurvivesTheRoundTripThroughUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(utf8_to_cp1252(cp1252_to_utf8(all)), all);
}

TEST(Cp1252, MapsTheCodePageSpecificCharacters) {
  EXPECT_EQ(cp1252_to_unicode(0x92), U'\u2019');  // right single quotation mark
  EXPECT_EQ(cp1252_to_unicode(0x80), U'\u20AC');
  EXPECT_EQ(cp1252_to_unicode(0xF1), U'\u00F1');
  EXPECT_EQ(cp1252_to_utf8("\xF1"), "\xC3\xB1");
  EXPECT_EQ(utf8_to_cp1252("\xE2\x80\x99"), "\x92");
  EXPECT_EQ(utf8_to_cp1252("\xE4\xB8\xAD"), "?");  // no such character in the code page
  EXPECT_EQ(utf8_to_cp1252("\xC3"), "?");          // cut sequence
}
