// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's text code: the one table of codes, argument flags, tags, letters, character names
// and auto-accent tokens. The decoder of scriptdump, the encoder of scriptpack and the editor
// all read it from here; no tag text is written anywhere else.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qv::script {

// Codes with a special role in the table below.
inline constexpr std::uint8_t kCloseCode = 0x00;
inline constexpr std::uint8_t kLineBreakCode = 0x01;
inline constexpr std::uint8_t kNameCode = 0x08;
inline constexpr std::uint8_t kTokenCode = 0x12;
inline constexpr std::uint8_t kAutoCloseCode = 0x06;

// Whether a code is always followed by exactly one argument byte.
bool takes_argument(std::uint8_t code);

// How a tag row relates its text to the bytes it stands for.
enum class TagArgument : std::uint8_t {
  none,          // the code alone
  fixed,         // the code and one fixed argument value
  number,        // the code and an argument written as the "%d" of the text
  code_number,   // one byte, the code itself, written in decimal as the "%d"
  code_hex,      // one byte, the code itself, written as two upper-case hex digits for the "%d"
  accent_token,  // the code and the index of an auto-accent token; the text is the token's
  end_marker,    // no bytes: the end of a dump text block
};

struct Tag {
  std::string_view text;  // "%d" marks where a number stands
  std::uint8_t first_code;
  std::uint8_t last_code;  // the codes this row stands for, first_code..last_code
  TagArgument argument;
  std::uint8_t fixed_value;  // the argument of a `fixed` row
  bool ends_line;            // the packer drops the rest of the line after this tag
};

// Every tag, in the order in which the packer tries them. The decoder takes, for a code and its
// argument, the first row that fits, which gives the special forms ("<Upcase>", "<Auto accent>"
// …) before the numbered ones.
std::span<const Tag> tags();

// Single-character codes 0x20..0xFF: the dump text of each (one byte of code page 1252, or the
// two-character texts ">>", "<\"" and "\">"), empty for codes that have none.
std::string_view glyph(std::uint8_t code);

// How the packer encodes one character of code page 1252: the inverse of `glyph`, where the
// comma takes 0xDB (not 0x24) and the right single quotation mark (0x92) shares the
// apostrophe's code; line feed is the line break, carriage return and NUL give no byte.
enum class CharacterEncoding : std::uint8_t { code, nothing, unsupported };
struct CharacterCode {
  CharacterEncoding encoding;
  std::uint8_t code;
};
CharacterCode character_code(unsigned char character);

// Character names (code 0x08) and auto-accent tokens (code 0x12), 49 entries each.
inline constexpr std::size_t kTableSize = 49;
std::string_view character_name(std::uint8_t index);               // "Unknown Character!" above 48
std::optional<std::string_view> accent_token(std::uint8_t index);  // nullopt above 48
inline constexpr std::string_view kUnknownCharacter = "Unknown Character!";

// The packer's view of both tables: a name (indices 0..43, compared case-sensitively) and a
// token (indices 0..48, compared exactly; the last matching index is taken, so "<'d>" packs
// as 44).
std::optional<std::uint8_t> name_index(std::string_view word);
std::optional<std::uint8_t> token_index(std::string_view tag);

// The editor's preview leaves out every tag whose first two characters after "<" are one of
// these (compared case-sensitively): the tags that only steer how the game shows the text
// (delay, speed, colour, upper case, the unknown codes …) and the token "<suffix>". All other
// tags are previewed as written.
std::span<const std::string_view> preview_hidden_prefixes();

// The end marker of a dump text block.
inline constexpr std::string_view kEndOfBlock = "<End of block>";

}  // namespace qv::script
