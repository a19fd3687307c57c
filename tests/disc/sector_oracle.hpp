// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A slow, obviously correct check of a Mode 2 Form 1 sector's EDC and ECC, written from the
// code definitions (CRC polynomial bit by bit, Reed-Solomon syndromes over GF(2^8) by shifts),
// with nothing shared with the table-driven code that builds the sectors.
#include <cstdint>
#include <span>

namespace qv::test {

inline std::uint32_t slow_edc(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0;
  for (std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (crc & 1 ? 0xD8018001u : 0u);
  }
  return crc;
}

inline std::uint8_t gf_times_alpha(std::uint8_t a) {
  return static_cast<std::uint8_t>((a << 1) ^ (a & 0x80 ? 0x1D : 0));
}

// Whether the codeword of `count` bytes at positions first, first + step, ... (wrapping at
// `size`), followed by the two parity bytes at p0 and p1, has both syndromes zero.
inline bool codeword_ok(const std::uint8_t* area, std::size_t first, std::size_t step,
                        std::size_t count, std::size_t size, std::uint8_t p0, std::uint8_t p1) {
  std::uint8_t s0 = 0, s1 = 0;  // s1 by Horner's rule: sum of c_k alpha^(n-1-k)
  std::size_t at = first;
  for (std::size_t k = 0; k < count; ++k) {
    s0 ^= area[at];
    s1 = static_cast<std::uint8_t>(gf_times_alpha(s1) ^ area[at]);
    at = (at + step) % size;
  }
  for (std::uint8_t parity : {p0, p1}) {
    s0 ^= parity;
    s1 = static_cast<std::uint8_t>(gf_times_alpha(s1) ^ parity);
  }
  return s0 == 0 && s1 == 0;
}

// EDC over the subheader and user data, then P and Q parity over the sector from its address
// on, the address read as zero, as Mode 2 requires.
inline bool form1_sector_ok(std::span<const std::uint8_t> raw) {
  if (raw.size() != 2352) return false;
  const std::uint32_t edc = slow_edc(raw.subspan(16, 2056));
  const std::uint32_t stored =
      raw[2072] | raw[2073] << 8 | raw[2074] << 16 | static_cast<std::uint32_t>(raw[2075]) << 24;
  if (edc != stored) return false;
  std::uint8_t area[2340];
  for (std::size_t i = 0; i < 2340; ++i) area[i] = raw[12 + i];
  area[0] = area[1] = area[2] = area[3] = 0;
  for (std::size_t major = 0; major < 86; ++major) {  // P: 86 columns of 24 bytes
    const std::size_t first = (major >> 1) * 2 + (major & 1);
    if (!codeword_ok(area, first, 86, 24, 2064, area[2064 + major], area[2064 + 86 + major])) {
      return false;
    }
  }
  for (std::size_t major = 0; major < 52; ++major) {  // Q: 52 diagonals of 43 bytes
    const std::size_t first = (major >> 1) * 86 + (major & 1);
    if (!codeword_ok(area, first, 88, 43, 2236, area[2236 + major], area[2236 + 52 + major])) {
      return false;
    }
  }
  return true;
}

}  // namespace qv::test
