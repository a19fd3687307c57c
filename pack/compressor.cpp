// SPDX-License-Identifier: GPL-3.0-or-later
#include "pack/compressor.hpp"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "script/lzss.hpp"

namespace qv::pack {

namespace {

using script::kLongestReference;
using script::kRingSize;
using script::kRingStart;
using script::kShortestReference;

constexpr std::size_t kSizeLimitExtra = 20;
constexpr std::array<std::uint8_t, 4> kMagic = {'s', 's', 'z', 'l'};

class BitWriter {
 public:
  // Puts the low `count` bits of `value` (at most 24), most significant first.
  void put_bits(std::uint32_t value, int count) {
    accumulator_ = accumulator_ << count | (value & ((1u << count) - 1));
    held_ += count;
    while (held_ >= 8) {
      held_ -= 8;
      bytes_.push_back(static_cast<std::uint8_t>(accumulator_ >> held_));
    }
  }
  int held() const { return held_; }
  void reserve(std::size_t bytes) { bytes_.reserve(bytes); }
  std::vector<std::uint8_t> take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint32_t accumulator_ = 0;  // only the low `held_` bits are pending
  int held_ = 0;
};

// How many bytes candidate i may use at most: positions below W only for a candidate below W.
std::size_t candidate_cap(std::size_t i, std::size_t write, std::size_t most) {
  if (i < write) return std::min(most, write - i);
  if (i > write) return most;
  return 0;
}

std::size_t count_equal(const std::uint8_t* ring, std::size_t i,
                        std::span<const std::uint8_t> lookahead, std::size_t cap) {
  std::size_t k = 0;
  while (k < cap && ring[i + k] == lookahead[k]) ++k;
  return k;
}

// The fast search works on the script itself rather than on a ring. The ring always holds the
// last bytes consumed, and its initial zeros act as zeros consumed before the script. So with
// the script placed after kRingSize + kRingStart zeros, buffer index b always sits at ring
// position b mod kRingSize, and before the byte at index c (W = c mod kRingSize) ring position
// p < W holds index c - W + p ("this lap") and p > W holds index c - W - kRingSize + p ("the lap
// before"). A candidate below W may use bytes up to c - 1, which is just "not past the
// lookahead"; one above W never reaches W anyway.
//
// Each lap of kRingSize indices gets, when the search enters it, chains of its positions with
// the same hashed 3-byte (and 2-byte) key in increasing order. This lap's chains give the
// candidates below W in increasing order; the lap before's, from a cursor per key that only
// moves forward (to W + 1), the candidates above W. A search walks candidates in increasing
// position order and stops at the first that reaches the longest possible count: no later one
// beats it, and on a tie the lower position wins.
class LapSearch {
 public:
  using Index = std::ptrdiff_t;

  explicit LapSearch(std::span<const std::uint8_t> script)
      : end_(kBase + static_cast<Index>(script.size())),
        bytes_(static_cast<std::size_t>(end_) + kPadding, 0) {
    std::copy(script.begin(), script.end(), bytes_.begin() + kBase);
    build_lap(0);
  }

  static constexpr Index begin() { return kBase; }
  Index end() const { return end_; }
  std::uint8_t byte(Index c) const { return bytes_[static_cast<std::size_t>(c)]; }

  // The best reference for the lookahead at buffer index c.
  Match search(Index c) {
    if (c / kRing != lap_) {
      lap_ = c / kRing;
      build_lap(lap_);
    }
    const Index most = std::min<Index>({end_ - c, kLookahead, kLongestReference});
    if (most < kShortest) return {};
    const Index write = c % kRing;
    const Index base = c - write;  // this lap's position 0
    Best best;
    if (most > kShortest) {
      walk_below(c, write, base, most, best);
      if (best.length == most) return found(best);
      walk_above(c, write, base - kRing, most, best);
      if (best.length > kShortest) return found(best);
    }
    // No run of 3: the lowest position whose two bytes fit and may both be used.
    const std::size_t key = pair_key(c);
    const std::size_t lap = lap_ & 1;
    const Index below = std::min(write - 1, kPositions);
    for (Index p = pair_.first[lap][key]; p < below; p = pair_.next[lap][p]) {
      if (pair_fits(base + p, c)) return {static_cast<std::size_t>(p), kShortestReference};
    }
    if (write + 1 < kPositions) {
      for (Index p = advance(pair_.cursor[key], pair_.next[lap ^ 1], write + 1); p < kPositions;
           p = pair_.next[lap ^ 1][p]) {
        if (pair_fits(base - kRing + p, c)) {
          return {static_cast<std::size_t>(p), kShortestReference};
        }
      }
    }
    return {};
  }

 private:
  static constexpr Index kRing = kRingSize;
  static constexpr Index kBase = kRingSize + kRingStart;
  static constexpr Index kPositions = kCandidatePositions;
  static constexpr Index kShortest = kShortestReference;
  static constexpr std::size_t kPadding = 32;  // word reads past the end stay inside
  static constexpr std::uint16_t kEnd = kRingSize;

  struct Best {
    Index position = 0;
    Index length = 0;
  };
  static Match found(const Best& best) {
    return {static_cast<std::size_t>(best.position), static_cast<std::size_t>(best.length)};
  }

  // Chains of one lap's positions per key, in increasing order, for this lap and the lap before
  // (by lap parity), and per key the first position of the lap before at or after W + 1.
  template <int KeyBits>
  struct LapChains {
    static constexpr std::size_t kKeys = std::size_t{1} << KeyBits;
    std::array<std::array<std::uint16_t, kKeys>, 2> first;
    std::array<std::array<std::uint16_t, kRingSize>, 2> next;
    std::array<std::uint16_t, kKeys> cursor;
  };
  static constexpr int kTripleBits = 13;
  static constexpr int kPairBits = 12;

  static Index advance(std::uint16_t& cursor, const std::array<std::uint16_t, kRingSize>& next,
                       Index from) {
    while (cursor < from) cursor = next[cursor];
    return cursor;
  }

  void build_lap(Index lap) {
    const std::size_t parity = static_cast<std::size_t>(lap & 1);
    if (lap > 0) {
      triple_.cursor = triple_.first[parity ^ 1];
      pair_.cursor = pair_.first[parity ^ 1];
    }
    triple_.first[parity].fill(kEnd);
    pair_.first[parity].fill(kEnd);
    // Backwards, each position going to the front of its chain. Positions not consumed yet are
    // chained too; the walks never reach them, and their keys are the script's own bytes.
    const Index base = lap * kRing;
    for (Index p = std::min(kRing, end_ - base); p-- > 0;) {
      const std::uint32_t word = head_word(base + p);
      const std::size_t triple = triple_key_of(word), pair = pair_key_of(word);
      triple_.next[parity][p] = triple_.first[parity][triple];
      triple_.first[parity][triple] = static_cast<std::uint16_t>(p);
      pair_.next[parity][p] = pair_.first[parity][pair];
      pair_.first[parity][pair] = static_cast<std::uint16_t>(p);
    }
  }

  // This lap's candidates, positions 0 .. W - 1 (and below kPositions). A candidate can only beat
  // a best of L if it also fits at bytes L - 2 .. L, so once there is a best the walk moves to
  // the chain of those 3 bytes, which is usually much shorter.
  void walk_below(Index c, Index write, Index base, Index most, Best& best) {
    const std::size_t lap = lap_ & 1;
    const Index stop = std::min(write, kPositions);
    Index offset = 0;
    Index x = triple_.first[lap][triple_key(c)];
    while (x - offset < stop) {
      const Index p = x - offset;
      // The cap W - p falls as p rises: once it cannot beat the best, no later one can.
      const Index cap = std::min(write - p, most);
      if (cap <= std::max(best.length, kShortest)) return;
      if (consider(base + p, c, cap, best.length)) {
        best.position = p;
        if (best.length == most) return;
        offset = best.length - kShortest;
        x = triple_.first[lap][triple_key(c + offset)];
        while (x <= p + offset) x = triple_.next[lap][x];
        continue;
      }
      x = triple_.next[lap][x];
    }
  }

  // The lap before's candidates, positions W + 1 .. kPositions - 1, the same way.
  void walk_above(Index c, Index write, Index base, Index most, Best& best) {
    const std::size_t lap = (lap_ & 1) ^ 1;
    if (write + 1 >= kPositions) return;
    Index offset = best.length > kShortest ? best.length - kShortest : 0;
    Index x = advance(triple_.cursor[triple_key(c + offset)], triple_.next[lap], write + 1);
    while (x < write + 1 + offset) x = triple_.next[lap][x];
    while (x - offset < kPositions) {
      const Index p = x - offset;
      if (consider(base + p, c, most, best.length)) {
        best.position = p;
        if (best.length == most) return;
        offset = best.length - kShortest;
        x = advance(triple_.cursor[triple_key(c + offset)], triple_.next[lap], write + 1);
        while (x <= p + offset) x = triple_.next[lap][x];
        continue;
      }
      x = triple_.next[lap][x];
    }
  }

  std::uint64_t word(Index b) const {
    std::uint64_t w;
    std::memcpy(&w, bytes_.data() + b, sizeof w);
    return w;
  }
  // Equal leading bytes of the candidate at b and the lookahead at c, at most `cap` (<= 17).
  Index count_equal(Index b, Index c, Index cap) const {
    if constexpr (std::endian::native == std::endian::little) {
      for (Index k = 0; k < 16; k += 8) {
        const std::uint64_t diff = word(b + k) ^ word(c + k);
        if (diff != 0) return std::min<Index>(k + std::countr_zero(diff) / 8, cap);
        if (k + 8 >= cap) return cap;
      }
      return std::min<Index>(byte(b + 16) == byte(c + 16) ? 17 : 16, cap);
    } else {
      Index k = 0;
      while (k < cap && byte(b + k) == byte(c + k)) ++k;
      return k;
    }
  }
  // Takes the candidate if it counts more than the best and more than 2; the chains are hashed,
  // so shorter counts say nothing. It can only beat the best if it fits at the best's last byte.
  bool consider(Index b, Index c, Index cap, Index& best) const {
    if (best >= cap || byte(b + best) != byte(c + best)) return false;
    const Index count = count_equal(b, c, cap);
    if (count <= best || count <= kShortest) return false;
    best = count;
    return true;
  }
  bool pair_fits(Index b, Index c) const {
    return byte(b) == byte(c) && byte(b + 1) == byte(c + 1);
  }

  // Both keys from one little-endian word read; any hash does, as long as both uses agree.
  std::uint32_t head_word(Index b) const {
    if constexpr (std::endian::native == std::endian::little) {
      std::uint32_t w;
      std::memcpy(&w, bytes_.data() + b, sizeof w);
      return w;
    } else {
      return std::uint32_t{byte(b)} | std::uint32_t{byte(b + 1)} << 8 |
             std::uint32_t{byte(b + 2)} << 16 | std::uint32_t{byte(b + 3)} << 24;
    }
  }
  static std::size_t triple_key_of(std::uint32_t word) {
    return ((word & 0xFFFFFFu) * 2654435761u) >> (32 - kTripleBits);
  }
  static std::size_t pair_key_of(std::uint32_t word) {
    return ((word & 0xFFFFu) * 2654435761u) >> (32 - kPairBits);
  }
  std::size_t triple_key(Index b) const { return triple_key_of(head_word(b)); }
  std::size_t pair_key(Index b) const { return pair_key_of(head_word(b)); }

  Index end_;
  Index lap_ = 0;
  std::vector<std::uint8_t> bytes_;
  LapChains<kTripleBits> triple_;
  LapChains<kPairBits> pair_;
};

class PlainRing {
 public:
  RingView view() const { return {ring_, write_}; }
  void store(std::uint8_t byte) {
    ring_[write_] = byte;
    write_ = (write_ + 1) % kRingSize;
  }
  Match search(std::span<const std::uint8_t> lookahead) const {
    return brute_force_search(view(), lookahead);
  }

 private:
  std::array<std::uint8_t, kRingSize> ring_{};
  std::size_t write_ = kRingStart;
};

template <typename Ring>
std::vector<std::uint8_t> compress_with(std::span<const std::uint8_t> script, Ring& ring) {
  BitWriter bits;
  std::size_t done = 0;
  while (done < script.size()) {
    const auto lookahead = script.subspan(done, std::min(kLookahead, script.size() - done));
    const Match match = ring.search(lookahead);
    if (match.length < kShortestReference) {
      bits.put_bits(0x100u | script[done], 9);  // flag 1, then the byte
      ring.store(script[done]);
      ++done;
      continue;
    }
    // Flag 0, then P's 12 bits and L - 2 in 4 bits.
    bits.put_bits(
        static_cast<std::uint32_t>(match.position << 4 | (match.length - kShortestReference)), 17);
    for (std::size_t k = 0; k < match.length; ++k) ring.store(script[done + k]);
    done += match.length;
  }
  // Literals of value 0 fill the last byte; each moves the held bit count on by one.
  while (bits.held() != 0) bits.put_bits(0x100u, 9);
  return bits.take();
}

}  // namespace

Match brute_force_search(const RingView& ring, std::span<const std::uint8_t> lookahead) {
  const std::size_t most = std::min(lookahead.size(), kLongestReference);
  Match best;
  for (std::size_t i = 0; i < kCandidatePositions; ++i) {
    const std::size_t count =
        count_equal(ring.ring.data(), i, lookahead, candidate_cap(i, ring.write, most));
    if (count > best.length) best = {i, count};
  }
  return best;
}

std::vector<std::uint8_t> compress(std::span<const std::uint8_t> script, SearchStrategy strategy) {
  if (strategy == SearchStrategy::brute_force) {
    PlainRing ring;
    return compress_with(script, ring);
  }
  auto search = std::make_unique<LapSearch>(script);
  BitWriter bits;
  bits.reserve(script.size() / 8 * 9 + 9);  // all literals, and the flush
  for (auto c = search->begin(); c < search->end();) {
    const Match match = search->search(c);
    if (match.length < kShortestReference) {
      bits.put_bits(0x100u | search->byte(c), 9);
      ++c;
      continue;
    }
    bits.put_bits(
        static_cast<std::uint32_t>(match.position << 4 | (match.length - kShortestReference)), 17);
    c += static_cast<LapSearch::Index>(match.length);
  }
  while (bits.held() != 0) bits.put_bits(0x100u, 9);
  return bits.take();
}

std::vector<std::uint8_t> compress(std::span<const std::uint8_t> script) {
  return compress(script, SearchStrategy::hash_chains);
}

std::vector<std::uint8_t> write_compressed_script(std::span<const std::uint8_t> script,
                                                  std::array<std::uint8_t, 4> header_word) {
  std::vector<std::uint8_t> file(kMagic.begin(), kMagic.end());
  const auto limit = static_cast<std::uint32_t>(script.size() + kSizeLimitExtra);
  for (int shift = 0; shift < 32; shift += 8)
    file.push_back(static_cast<std::uint8_t>(limit >> shift));
  file.insert(file.end(), header_word.begin(), header_word.end());
  const std::vector<std::uint8_t> stream = compress(script);
  file.insert(file.end(), stream.begin(), stream.end());
  file.push_back(0x00);
  file.resize((file.size() / kPaddingUnit + 1) * kPaddingUnit, 0x00);
  return file;
}

}  // namespace qv::pack
