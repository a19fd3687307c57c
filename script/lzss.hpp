// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The compressed script: a 12-byte header and an LZSS bit stream over a 4096-byte ring.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qv::script {

inline constexpr std::size_t kRingSize = 4096;
inline constexpr std::size_t kRingStart = 1;  // the first byte produced goes to ring[1]
inline constexpr std::size_t kShortestReference = 2;
inline constexpr std::size_t kLongestReference = 17;
inline constexpr std::size_t kCompressedHeaderSize = 12;

struct CompressedHeader {
  std::array<std::uint8_t, 4> magic;  // "sszl" as written; never checked
  std::uint32_t size_limit;           // most bytes the stream may produce
  std::array<std::uint8_t, 4> header_word;
};

// The header of a compressed script file, or nothing when the file is shorter than 12 bytes.
std::optional<CompressedHeader> read_compressed_header(std::span<const std::uint8_t> file);

// Decompresses a bit stream. Produces at most `size_limit` bytes and stops at the first item
// that is not complete; leftover bits are ignored. Reads only inside `stream`, whatever it holds.
std::vector<std::uint8_t> decompress(std::span<const std::uint8_t> stream,
                                     std::uint32_t size_limit);

// The stream as text of "0" and "1" characters, eight per byte, most significant bit first.
std::string bit_text(std::span<const std::uint8_t> stream);

}  // namespace qv::script
