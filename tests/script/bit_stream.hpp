// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Builds compressed bit streams item by item, for feeding the decompressor by hand.
#include <cstdint>
#include <vector>

namespace qv::test {

class BitStream {
 public:
  BitStream& bits(unsigned value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (used_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1u) bytes_.back() |= static_cast<std::uint8_t>(0x80u >> (used_ % 8));
      ++used_;
    }
    return *this;
  }
  BitStream& literal(std::uint8_t byte) { return bits(1, 1).bits(byte, 8); }
  BitStream& reference(unsigned position, unsigned length) {
    return bits(0, 1).bits(position, 12).bits(length - 2, 4);
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t used_ = 0;
};

}  // namespace qv::test
