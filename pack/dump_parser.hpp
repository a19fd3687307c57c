#pragma once
// Reading the dump text "outscript.txt": line pieces as a fixed-size line buffer delivers them,
// the room header and the text block headers.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qv::pack {

// Line buffers of the reader: block lines and the header lines are read with 500 bytes, the
// empty line between blocks with 10, so each read delivers at most 499 or 9 characters.
inline constexpr std::size_t kLineBuffer = 500;
inline constexpr std::size_t kGapBuffer = 10;

// Delivers the dump text in the pieces that a C line read with a buffer of `buffer_size` bytes
// returns: up to and including the next line feed, but at most `buffer_size` - 1 characters,
// so a longer line arrives as several pieces. NUL bytes are delivered like any other byte.
// Never reads outside the bytes it was given.
class LineReader {
 public:
  explicit LineReader(std::span<const std::uint8_t> text) : text_(text) {}

  // The next piece, or nothing at the end of the input.
  std::optional<std::string_view> read(std::size_t buffer_size);

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
};

// "<Text block %d><params: %d %d %d %d %d %d>": nothing when the block number does not convert.
std::optional<BlockHeader> parse_block_header(std::string_view line);

// Whether a piece is the line that ends a text block: "<End of block>" and CR LF, exactly.
bool is_end_line(std::string_view piece);

}  // namespace qv::pack
