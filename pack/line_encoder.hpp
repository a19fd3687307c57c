// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The line encoder: one line of dump text (character names, bracketed tags and plain
// characters) to game text codes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::pack {

inline constexpr std::string_view kUnsupportedTag = "Unsupported <> string !!!\n";
inline constexpr std::string_view kUnsupportedCharacter = "unsuported!\n";

// Text of a line that the encoder drops or changes.
enum class Loss : std::uint8_t {
  unsupported_tag,        // a tag no row takes; the console shows kUnsupportedTag
  unsupported_character,  // a character without a code; the console shows kUnsupportedCharacter
  after_marker,           // text after an "<End of block>" inside the line
  after_nul,              // text after a NUL byte
  after_number,           // characters after the number of a numbered tag, up to its ">"
  value_wrapped,          // a tag value outside 0..255, written as its low byte
  // Found by the script builder around the encoded lines:
  gap_text,            // text on the line between two blocks, which is skipped unread
  after_block_header,  // text after the params of a "<Text block" line
  after_last_block,    // text after the last block
};

struct LineLoss {
  Loss loss;
  std::size_t begin;  // byte offsets in the line: the tag, character or dropped text
  std::size_t end;
  std::uint8_t written = 0;  // for value_wrapped: the byte that is written
};

// A piece of the line that the encoder read as one unit: a character name or a whole tag.
struct LineMark {
  bool name;  // a name; otherwise a tag, from "<" to ">"
  std::size_t begin;
  std::size_t end;
};

// What the encoder saw in a line, for the checks: every piece of text that it dropped or
// changed (the two kinds with a console message included), and every name and tag, in line
// order.
struct LineTrace {
  std::vector<LineLoss> losses;
  std::vector<LineMark> marks;
};

// Appends the codes of one line, its line break included, to `out`. The line is read as a C
// string: a NUL byte ends it. Unknown tags and characters give no bytes and append their
// message to `console`; encoding goes on after them. A "<" without ">" makes the rest of the
// line (line break included) one unsupported tag. When `trace` is given, it is filled in too,
// so a check can point at exactly what the packer reads and loses. Never reads outside `line`.
void encode_line(std::string_view line, std::vector<std::uint8_t>& out, std::string& console,
                 LineTrace* trace = nullptr);

}  // namespace qv::pack
