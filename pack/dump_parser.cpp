#include "pack/dump_parser.hpp"

#include <string>

#include "pack/number_pattern.hpp"
#include "script/decoder.hpp"
#include "script/vocabulary.hpp"

namespace qv::pack {

std::optional<std::string_view> LineReader::read(std::size_t buffer_size) {
  if (position_ >= text_.size() || buffer_size < 2) return std::nullopt;
  const std::size_t start = position_;
  const std::size_t limit = std::min(text_.size(), start + buffer_size - 1);
  while (position_ < limit) {
    if (text_[position_++] == '\n') break;
  }
  return std::string_view(reinterpret_cast<const char*>(text_.data()) + start, position_ - start);
}

std::string_view c_string(std::string_view piece) {
  return piece.substr(0, piece.find('\0'));
}

std::optional<RoomHeader> parse_room_header(std::string_view line) {
  std::array<long, 2> values{};
  if (match_pattern(c_string(line), "<Room %d with %d text entries>", values) < 2) {
    return std::nullopt;
  }
  return RoomHeader{values[0], values[1]};
}

std::optional<std::array<std::uint8_t, 8>> parse_additional_params(std::string_view line) {
  std::array<long, 8> values{};
  if (match_pattern(c_string(line), "<additional params: %d %d %d %d %d %d %d %d>", values) < 1) {
    return std::nullopt;
  }
  std::array<std::uint8_t, 8> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(values[i]);
  return bytes;
}

std::optional<BlockHeader> parse_block_header(std::string_view line) {
  std::array<long, 7> values{};
  if (match_pattern(c_string(line), "<Text block %d><params: %d %d %d %d %d %d>", values) < 1) {
    return std::nullopt;
  }
  BlockHeader header{values[0], {}};
  for (std::size_t i = 0; i < header.params.size(); ++i) {
    header.params[i] = static_cast<std::uint8_t>(values[i + 1]);
  }
  return header;
}

bool is_end_line(std::string_view piece) {
  const std::string_view line = c_string(piece);
  return line.size() == script::kEndOfBlock.size() + script::kLineBreak.size() &&
         line.starts_with(script::kEndOfBlock) && line.ends_with(script::kLineBreak);
}

}  // namespace qv::pack
