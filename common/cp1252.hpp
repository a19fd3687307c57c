// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows code page 1252, the character set of every text file of the tool set.
#include <string>
#include <string_view>

namespace qv::common {

// Unicode code point of a code page 1252 byte. The five bytes that the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so every
// byte survives a round trip.
char32_t cp1252_to_unicode(unsigned char byte);

// The code page 1252 byte of a code point, or '?' when the code page has none.
unsigned char unicode_to_cp1252(char32_t code_point);

std::string cp1252_to_utf8(std::string_view bytes);
std::string utf8_to_cp1252(std::string_view utf8);

}  // namespace qv::common
