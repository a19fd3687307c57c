// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the dump text "outscript.txt": its lines, the room header and the text block headers.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

namespace qv::pack {

// The line between blocks is read with a buffer of 10 bytes, so that read takes at most 9
// characters and the rest of a longer line is read as the next block's header line.
inline constexpr std::size_t kGapBuffer = 10;

// Delivers the dump text line by line, each line up to and including its line feed (the last
// line may have none). NUL bytes are delivered like any other byte. Never reads outside the
// bytes it was given.
class LineReader {
 public:
  explicit LineReader(std::span<const std::uint8_t> text) : text_(text) {}

  // The next whole line, however long, or nothing at the end of the input.
  std::optional<std::string_view> read_line();

  // What a C line read with a buffer of `buffer_size` bytes returns: as `read_line`, but at
  // most `buffer_size` - 1 characters; the rest of a longer line is left for the next read.
  std::optional<std::string_view> read_piece(std::size_t buffer_size);

  // Where the next read starts, counted in bytes from the start of the text.
  std::size_t position() const { return position_; }

 private:
  std::span<const std::uint8_t> text_;
  std::size_t position_ = 0;
};

// A line as the C string functions see it: up to its first NUL byte.
std::string_view c_string(std::string_view piece);

struct RoomHeader {
  long room;
  long block_count;  // N
};

// "<Room %d with %d text entries>": both numbers, or nothing when fewer convert (the dump's
// empty-room line converts one). Whatever follows the second number is not checked.
std::optional<RoomHeader> parse_room_header(std::string_view line);

// "<additional params: %d %d %d %d %d %d %d %d>": the low bytes of the values that convert (the
// others zero), or nothing when not a single one converts.
std::optional<std::array<std::uint8_t, 8>> parse_additional_params(std::string_view line);

struct BlockHeader {
  long block;                          // the record that receives the params
  std::array<std::uint8_t, 6> params;  // p1..p6, low bytes; zero where a param does not convert
  // Where text stands after the params' ">" (before the line break), as offsets in the line;
  // the packer never reads it.
  std::optional<std::pair<std::size_t, std::size_t>> trailing_text;
};

// "<Text block %d><params: %d %d %d %d %d %d>": nothing when the block number does not convert.
std::optional<BlockHeader> parse_block_header(std::string_view line);

// Whether a line ends its text block: its text (up to a NUL byte) ends with "<End of block>" and
// CR LF, or, on the last line of the input, with the marker and no line break. A marker followed
// by a line feed alone does not end the block.
bool ends_block(std::string_view line);

// Whether `text` is the whole of a dump text that the dumper writes for an empty room:
// "<Room " and a room number, " is empty !!!>", CR LF, and nothing else.
bool is_empty_room_text(std::span<const std::uint8_t> text);

}  // namespace qv::pack
