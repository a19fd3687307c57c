// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/lzss.hpp"

namespace qv::script {

namespace {

class BitReader {
 public:
  explicit BitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t bits_left() const { return bytes_.size() * 8 - position_; }
  unsigned take(int count) {  // caller checks bits_left
    unsigned value = 0;
    for (int i = 0; i < count; ++i, ++position_) {
      const unsigned bit = (bytes_[position_ / 8] >> (7 - position_ % 8)) & 1u;
      value = (value << 1) | bit;
    }
    return value;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

}  // namespace

std::optional<CompressedHeader> read_compressed_header(std::span<const std::uint8_t> file) {
  if (file.size() < kCompressedHeaderSize) return std::nullopt;
  CompressedHeader header{};
  for (int i = 0; i < 4; ++i) {
    header.magic[i] = file[i];
    header.header_word[i] = file[8 + i];
  }
  header.size_limit = file[4] | file[5] << 8 | file[6] << 16 | std::uint32_t{file[7]} << 24;
  return header;
}

std::vector<std::uint8_t> decompress(std::span<const std::uint8_t> stream,
                                     std::uint32_t size_limit) {
  std::array<std::uint8_t, kRingSize> ring{};
  std::size_t write = kRingStart;
  std::vector<std::uint8_t> out;
  out.reserve(std::min<std::size_t>(size_limit, stream.size() * 8));
  BitReader bits(stream);
  auto store = [&](std::uint8_t byte) {
    ring[write] = byte;
    write = (write + 1) % kRingSize;
  };
  while (bits.bits_left() >= 1) {
    if (bits.take(1) == 1) {
      if (bits.bits_left() < 8) break;
      const auto byte = static_cast<std::uint8_t>(bits.take(8));
      if (out.size() >= size_limit) break;
      out.push_back(byte);
      store(byte);
    } else {
      if (bits.bits_left() < 16) break;
      const std::size_t position = bits.take(12);
      const std::size_t length = bits.take(4) + kShortestReference;
      // Each byte is stored before the next is read, so a source that reaches into the bytes
      // being produced repeats them.
      std::array<std::uint8_t, kLongestReference> produced{};
      for (std::size_t i = 0; i < length; ++i) {
        produced[i] = ring[(position + i) % kRingSize];
        store(produced[i]);
      }
      for (std::size_t i = 0; i < length; ++i) {
        if (out.size() >= size_limit) return out;
        out.push_back(produced[i]);
      }
    }
  }
  return out;
}

std::string bit_text(std::span<const std::uint8_t> stream) {
  std::string text;
  text.reserve(stream.size() * 8);
  for (std::uint8_t byte : stream) {
    for (int bit = 7; bit >= 0; --bit) text += ((byte >> bit) & 1) ? '1' : '0';
  }
  return text;
}

}  // namespace qv::script
