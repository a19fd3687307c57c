// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/vocabulary.hpp"

namespace qv::script {

namespace {

using enum TagArgument;

constexpr Tag row(std::string_view text, std::uint8_t code, TagArgument argument = none,
                  std::uint8_t fixed_value = 0) {
  return Tag{text, code, code, argument, fixed_value, false};
}

constexpr Tag ending_line(Tag tag) {
  tag.ends_line = true;
  return tag;
}

constexpr Tag code_range(std::string_view text, std::uint8_t first, std::uint8_t last,
                         TagArgument argument) {
  return Tag{text, first, last, argument, 0, false};
}

// The packer's try order. The apostrophe and full stop forms close the list; being exact texts,
// no row before them can take them.
constexpr std::array kTags = {
    row("<Upcase>", 0x1C, fixed, 0),
    row("<Close>", kCloseCode),
    row("<New>", 0x02),
    row("<Unknow03>", 0x03),
    row("<Delay %d>", 0x04, number),
    row("<Auto accent>", 0x05, fixed, 255),
    row("<Speed %d>", 0x05, number),
    row("<Auto close %d>", kAutoCloseCode, number),
    row("<Unknow07>", 0x07),
    row("<Unknow09>", 0x09),
    row("<Unknow0A>", 0x0A),
    row("<Value %d>", 0x0B, number),
    row("<Unknow0C>", 0x0C),
    row("<Unknow0D>", 0x0D),
    row("<Color %d>", 0x0E, number),
    row("<Unknow0F>", 0x0F),
    row("<Choose %d>", 0x10, number),
    row("<Unknow11>", 0x11),
    row("", kTokenCode, accent_token),
    row("<Unknow13>", 0x13),
    row("<Unknow14>", 0x14),
    row("<Name ?>", 0x15, fixed, 0),
    row("<Unknow15 %d>", 0x15, number),
    row("<Unknow16 %d>", 0x16, number),
    row("<Unknow17 %d>", 0x17, number),
    row("<Member %d>", 0x18, number),
    row("<Object %d>", 0x19, number),
    row("<Unknow1A>", 0x1A),
    row("<PSX button %d>", 0x1B, number),
    row("<Upcase2>", 0x1C, fixed, 1),
    row("<Unknow1C %d>", 0x1C, number),
    row("<Unknow1D>", 0x1D),
    row("<Name suffix>", 0x1E, fixed, 0),
    row("<Unknow1E %d>", 0x1E, number),
    row("<Unknow1B>", 0x1F),  // the tag reads 1B although the code is 0x1F
    row("<Unknow80>", 0x80),
    row("<Unknow83>", 0x83),
    ending_line(Tag{kEndOfBlock, 0, 0, end_marker, 0, false}),
    code_range("<UNKNOWN CHUNK %d>", 0xA4, 0xFF, code_number),
    code_range("<Unknow%d>", 0x76, 0x8B, code_hex),
    row("<'>", 0x68),
    row("<.>", 0x72),
};

constexpr std::array<std::uint8_t, 16> kCodesWithArgument = {
    0x04, 0x05, 0x06, 0x08, 0x0B, 0x0E, 0x10, 0x12, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1B, 0x1C, 0x1E};

// Codes 0x8C..0xA3: accented letters, as bytes of code page 1252.
constexpr std::string_view kAccentedLetters =
    "\xDC\xE0\xE2\xE1\xE4\xE7\xE8\xEA\xE9\xEB\xEC\xEE\xED\xEF\xF9\xFB\xFA\xFC\xF2\xF3\xF4\xF6\xD1"
    "\xF1";
constexpr std::uint8_t kFirstAccentedCode = 0x8C;

// Codes 0x20..0x75: punctuation, digits and letters ("" where a tag row stands instead).
constexpr std::array<std::string_view, 0x56> kPlainGlyphs = {
    " ", "(", ")", "-", ",", "+", ".", "/", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
    "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R",
    "S", "T", "U", "V", "W", "X", "Y", "Z", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j",
    "k", "l", "m", "n", "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z", "=", "!",
    "",  "$", "%", "&", "*", ":", "?", "_", "[", "]", "",  "'", "#", ">>"};
constexpr std::uint8_t kFirstGlyphCode = 0x20;

constexpr std::uint8_t kComma = 0xDB;           // the comma the packer writes
constexpr std::uint8_t kApostropheCode = 0x73;  // also the code of the right quotation mark

constexpr std::array<std::string_view, kTableSize> kCharacterNames = {
    "Tavin", "Oru",    "Morek",  "Bellan", "Quira",  "Dorsk",  "Ysmene", "Bruld",  "Temo",
    "Pella", "Wendor", "Savine", "Gribba", "Flitta", "Hoggo",  "Bunna",  "Alderm", "Crask",
    "Nessa", "Aldis",  "Miral",  "Zuri",   "Pilva",  "Hopsey", "Scalyn", "Orbelo", "Tumolt",
    "Pemm",  "Rootle", "Verdan", "Brutt",  "Bonrik", "Sporal", "Marsel", "Yil",    "Ulma",
    "Vek",   "Gavro",  "Iselde", "Rhu",    "Kyborn", "Lorvek", "Ornsi",  "Zib",    "Zib",
    "Zib",   "Zib",    "Zib",    "Zib"};
constexpr std::uint8_t kDistinctNames = 44;  // indices 43..48 repeat the last name

constexpr std::array<std::string_view, kTableSize> kAccentTokens = {"<Unknow auto-accent>",
                                                                    "< >",
                                                                    "<a>",
                                                                    "<e>",
                                                                    "<i>",
                                                                    "<o>",
                                                                    "<u>",
                                                                    "<g>",
                                                                    "<'re>",
                                                                    "<h>",
                                                                    "<l>",
                                                                    "<r1>",
                                                                    "<r2>",
                                                                    "<r3>",
                                                                    "<f>",
                                                                    "<th1>",
                                                                    "<th2>",
                                                                    "<th3>",
                                                                    "<th4>",
                                                                    "<s1>",
                                                                    "<s2>",
                                                                    "<w>",
                                                                    "<suffix>",
                                                                    "<a >",
                                                                    "<an >",
                                                                    "<the >",
                                                                    "<I>",
                                                                    "<my>",
                                                                    "<me>",
                                                                    "<you>",
                                                                    "<your>",
                                                                    "<yes>",
                                                                    "<Tavin>",
                                                                    "<n't>",
                                                                    "<n't you>",
                                                                    "<can't>",
                                                                    "<can't you>",
                                                                    "<won't>",
                                                                    "<won't you>",
                                                                    "<aren't>",
                                                                    "<aren't you>",
                                                                    "<'ve>",
                                                                    "<'ll>",
                                                                    "<'d>",
                                                                    "<'d>",
                                                                    "<t you>",
                                                                    "<'s>",
                                                                    "<ss>",
                                                                    "<wha>"};

// Two characters each; "Un" covers every "Unknow" tag, "UN" the unknown chunks, "su" the
// token "<suffix>" and "Na" both name tags.
constexpr std::array<std::string_view, 12> kPreviewHiddenPrefixes = {
    "Au", "Sp", "su", "De", "Un", "UN", "Up", "Va", "Co", "Ch", "PS", "Na"};

}  // namespace

std::span<const std::string_view> preview_hidden_prefixes() {
  return kPreviewHiddenPrefixes;
}

bool takes_argument(std::uint8_t code) {
  for (std::uint8_t c : kCodesWithArgument) {
    if (c == code) return true;
  }
  return false;
}

std::span<const Tag> tags() {
  return kTags;
}

std::string_view glyph(std::uint8_t code) {
  switch (code) {
    case 0x7E:
      return "<\"";
    case 0x7F:
      return "\">";
    case kComma:
      return ",";
    default:
      break;
  }
  if (code >= kFirstGlyphCode && code < kFirstGlyphCode + kPlainGlyphs.size()) {
    return kPlainGlyphs[code - kFirstGlyphCode];
  }
  if (code >= kFirstAccentedCode && code < kFirstAccentedCode + kAccentedLetters.size()) {
    return kAccentedLetters.substr(code - kFirstAccentedCode, 1);
  }
  return {};
}

namespace {

std::array<CharacterCode, 256> build_character_codes() {
  std::array<CharacterCode, 256> codes{};
  codes.fill({CharacterEncoding::unsupported, 0});
  // Where two codes show the same character (the comma), the entries after the loop decide.
  for (unsigned code = kFirstGlyphCode; code <= 0xFF; ++code) {
    const std::string_view text = glyph(static_cast<std::uint8_t>(code));
    if (text.size() == 1) {
      codes[static_cast<unsigned char>(text[0])] = {CharacterEncoding::code,
                                                    static_cast<std::uint8_t>(code)};
    }
  }
  codes[','] = {CharacterEncoding::code, kComma};
  codes[0x92] = {CharacterEncoding::code, kApostropheCode};
  codes['\n'] = {CharacterEncoding::code, kLineBreakCode};
  codes['\r'] = {CharacterEncoding::nothing, 0};
  codes['\0'] = {CharacterEncoding::nothing, 0};
  return codes;
}

}  // namespace

CharacterCode character_code(unsigned char character) {
  static const std::array<CharacterCode, 256> codes = build_character_codes();
  return codes[character];
}

std::string_view character_name(std::uint8_t index) {
  return index < kTableSize ? kCharacterNames[index] : kUnknownCharacter;
}

std::optional<std::string_view> accent_token(std::uint8_t index) {
  if (index < kTableSize) return kAccentTokens[index];
  return std::nullopt;
}

std::optional<std::uint8_t> name_index(std::string_view word) {
  for (std::uint8_t i = 0; i < kDistinctNames; ++i) {
    if (kCharacterNames[i] == word) return i;
  }
  return std::nullopt;
}

std::optional<std::uint8_t> token_index(std::string_view tag) {
  std::optional<std::uint8_t> found;
  for (std::uint8_t i = 0; i < kTableSize; ++i) {
    if (kAccentTokens[i] == tag) found = i;
  }
  return found;
}

}  // namespace qv::script
