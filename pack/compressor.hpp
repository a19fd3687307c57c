// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The compressor: a decompressed script to the LZSS bit stream and the "8script" file around it.
// Greedy parsing over a 4096-byte ring; the search rules (4077 candidate positions, which ring
// positions a candidate may use, at most 17 bytes, lowest position on ties) fix the output byte
// for byte, so the fast search must choose exactly what the brute-force one chooses.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace qv::pack {

// Positions 0..4076 may start a reference; one of at most 17 bytes then stays below 4093.
inline constexpr std::size_t kCandidatePositions = 4077;
inline constexpr std::size_t kLookahead = 18;
inline constexpr std::size_t kPaddingUnit = 4;

struct Match {
  std::size_t position = 0;
  std::size_t length = 0;  // 0 or 1: no reference
};

// The ring as the decoder will have it before the next item, and its write position.
struct RingView {
  std::span<const std::uint8_t> ring;  // 4096 bytes
  std::size_t write;                   // W
};

// The longest usable run for `lookahead` (its size is the usable lookahead U, at most 18): every
// candidate position i in 0..4076 counts the lookahead bytes equal to ring[i], ring[i + 1], ...,
// stopping at a difference, at U, at 17 bytes, and at the first position i + k that is not
// allowed (i + k < W, or any when i > W; the candidate at W counts nothing). The greatest count
// wins; on equal counts the lowest position.
Match brute_force_search(const RingView& ring, std::span<const std::uint8_t> lookahead);

enum class SearchStrategy { brute_force, hash_chains };

// The bit stream of `script`, flushed to whole bytes with literals of value 0. Any bytes are
// accepted and only `script` is read; decompressing the stream gives `script` followed by at
// most 7 bytes of 0 from the flush.
std::vector<std::uint8_t> compress(std::span<const std::uint8_t> script);
std::vector<std::uint8_t> compress(std::span<const std::uint8_t> script, SearchStrategy strategy);

// The whole "8script" file: "sszl", the size limit (script size + 20), the header word, the
// stream, one 0x00 and 0x00 bytes up to the next multiple of 4 above that length.
std::vector<std::uint8_t> write_compressed_script(std::span<const std::uint8_t> script,
                                                  std::array<std::uint8_t, 4> header_word);

}  // namespace qv::pack
