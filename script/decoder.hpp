// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text decoder: game text codes to dump text.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qv::script {

// Reads the bytes of a decompressed script in order. Never reads past the end of its data:
// `next` then reports nothing.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data, std::size_t position = 0)
      : data_(data), position_(position) {}
  std::optional<std::uint8_t> next() {
    if (position_ >= data_.size()) return std::nullopt;
    return data_[position_++];
  }
  std::size_t position() const { return position_; }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t position_;
};

// The dump text of a line break, as every text file of the tool set stores it.
inline constexpr std::string_view kLineBreak = "\r\n";

// Appends the dump text of `code` to `out`, first taking the code's argument byte from `in`
// where the code has one. Returns the number of argument bytes taken (0 or 1), or nullopt
// when the argument byte lies past the end of the data; nothing is appended then.
// Code 0x12 with an index above 48 appends nothing.
std::optional<int> decode_code(std::uint8_t code, ByteReader& in, std::string& out);

// Decodes a whole string of codes (a missing last argument ends it).
std::string decode_text(std::span<const std::uint8_t> codes);

}  // namespace qv::script
