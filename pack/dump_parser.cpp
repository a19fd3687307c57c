// SPDX-License-Identifier: GPL-3.0-or-later
#include "pack/dump_parser.hpp"

#include <string>

#include "pack/number_pattern.hpp"
#include "script/decoder.hpp"
#include "script/dump.hpp"
#include "script/vocabulary.hpp"

namespace qv::pack {

std::optional<std::string_view> LineReader::read_line() {
  return read_piece(text_.size() + 2);
}

std::optional<std::string_view> LineReader::read_piece(std::size_t buffer_size) {
  if (position_ >= text_.size() || buffer_size < 2) return std::nullopt;
  const std::size_t start = position_;
  const std::size_t limit = start + std::min(text_.size() - start, buffer_size - 1);
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
  const PatternMatch match =
      match_pattern_in_full(c_string(line), "<Text block %d><params: %d %d %d %d %d %d>", values);
  if (match.converted < 1) return std::nullopt;
  BlockHeader header{values[0], {}, std::nullopt};
  std::string_view content = line;
  if (content.ends_with('\n')) content.remove_suffix(1);
  if (content.ends_with('\r')) content.remove_suffix(1);
  if (match.complete && match.consumed < content.size()) {
    header.trailing_text = std::make_pair(match.consumed, content.size());
  }
  for (std::size_t i = 0; i < header.params.size(); ++i) {
    header.params[i] = static_cast<std::uint8_t>(values[i + 1]);
  }
  return header;
}

bool ends_block(std::string_view line) {
  const std::string_view text = c_string(line);
  if (line.ends_with('\n')) {
    return text.ends_with(script::kLineBreak) &&
           text.substr(0, text.size() - script::kLineBreak.size()).ends_with(script::kEndOfBlock);
  }
  return text.ends_with(script::kEndOfBlock);  // the last line of the input
}

bool is_empty_room_text(std::span<const std::uint8_t> bytes) {
  using script::kEmptyRoomSuffix, script::kLineBreak, script::kRoomLinePrefix;
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!text.starts_with(kRoomLinePrefix) || !text.ends_with(kLineBreak)) return false;
  text.remove_prefix(kRoomLinePrefix.size());
  text.remove_suffix(kLineBreak.size());
  if (!text.ends_with(kEmptyRoomSuffix)) return false;
  text.remove_suffix(kEmptyRoomSuffix.size());
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace qv::pack
