#include "pack/compressor.hpp"

#include <algorithm>
#include <cassert>
#include <cstdint>
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

// The fast search keeps chains of candidate positions that start with the same 3 bytes and
// with the same 2 bytes (both hashed; every count is checked against the ring itself). Writing
// goes round the ring in increasing order, and a position joins the chain of its key once its
// key is final for this lap: when the byte 2 (or 1) places after it is written. So each chain,
// split by the lap in which its positions joined, holds this lap's positions below W in
// increasing order, then the lap before's positions from about W on, also in increasing order.
// Walking the two in turn walks candidates in increasing position order, and the search can
// stop at the first candidate that reaches the longest possible count: no later one beats it,
// and on a tie the lower position wins. Positions W - 2 to W have not joined yet this lap; their
// old entries are stale, but such candidates can use fewer than 3 (or 2) bytes anyway.
class ChainedRing {
 public:
  ChainedRing() {
    // Before the first write every position belongs to the lap before, in increasing order.
    for (std::size_t i = 0; i < kCandidatePositions; ++i) {
      triple_.append(static_cast<Position>(i), triple_key(i), previous_lap());
      pair_.append(static_cast<Position>(i), pair_key(i), previous_lap());
    }
  }

  void store(std::uint8_t byte) {
    ring_[write_] = byte;
    if (write_ >= 2 && write_ - 2 < kCandidatePositions) {
      triple_.move(static_cast<Position>(write_ - 2), triple_key(write_ - 2), current_lap());
    }
    if (write_ >= 1 && write_ - 1 < kCandidatePositions) {
      pair_.move(static_cast<Position>(write_ - 1), pair_key(write_ - 1), current_lap());
    }
    // A new lap starts as W comes round to 0: every position then lies at or above W.
    write_ = (write_ + 1) % kRingSize;
    if (write_ == 0) ++lap_;
  }

  Match search(std::span<const std::uint8_t> lookahead) const {
    const std::size_t most = std::min(lookahead.size(), kLongestReference);
    if (most < kShortestReference) return {};
    Match best;
    if (most > kShortestReference) {
      const std::size_t key = triple_key_of(lookahead[0], lookahead[1], lookahead[2]);
      // This lap's positions lie below W - 2. Their caps fall as positions rise, so once a cap
      // cannot beat the best, no later one can.
      for (Position node = triple_.head(key, current_lap()); node != kNone;
           node = triple_.next(node)) {
        const auto i = static_cast<std::size_t>(node);
        const std::size_t cap = candidate_cap(i, write_, most);
        if (cap <= std::max(best.length, kShortestReference)) break;
        consider(i, cap, lookahead, best);
        if (best.length == most) return best;
      }
      // The lap before's positions from W - 2 on: those up to W are stale or give nothing. To
      // beat the best, a candidate must also fit at every offset up to the best's length, so
      // the shortest chain among those offsets holds every candidate that can still win.
      search_previous_lap(lookahead, most, best);
      if (best.length > kShortestReference) return best;
    }
    // No run of 3: the lowest position whose first two bytes fit and may both be used.
    const std::size_t key = pair_key_of(lookahead[0], lookahead[1]);
    for (Position node = pair_.head(key, current_lap()); node != kNone; node = pair_.next(node)) {
      const auto i = static_cast<std::size_t>(node);
      if (ring_[i] == lookahead[0] && ring_[i + 1] == lookahead[1]) return {i, kShortestReference};
    }
    for (Position node = pair_.head(key, previous_lap()); node != kNone; node = pair_.next(node)) {
      const auto i = static_cast<std::size_t>(node);
      if (i > write_ && ring_[i] == lookahead[0] && ring_[i + 1] == lookahead[1]) {
        return {i, kShortestReference};
      }
    }
    return {};
  }

  // The candidates above W, in increasing order, through the chain of the 3 bytes at the
  // lookahead offset whose chain is shortest.
  void search_previous_lap(std::span<const std::uint8_t> lookahead, std::size_t most,
                           Match& best) const {
    std::size_t offset = 0;
    std::size_t key = triple_key_of(lookahead[0], lookahead[1], lookahead[2]);
    if (best.length > kShortestReference) {
      for (std::size_t o = 1; o + kShortestReference <= best.length; ++o) {
        const std::size_t k = triple_key_of(lookahead[o], lookahead[o + 1], lookahead[o + 2]);
        if (triple_.size(k, previous_lap()) < triple_.size(key, previous_lap())) {
          offset = o;
          key = k;
        }
      }
    }
    for (Position node = triple_.head(key, previous_lap()); node != kNone;
         node = triple_.next(node)) {
      const auto j = static_cast<std::size_t>(node);
      if (j < offset || j - offset <= write_) continue;
      consider(j - offset, most, lookahead, best);
      if (best.length == most) return;
    }
    // Candidates whose bytes at the offset lie past the last chained position.
    for (std::size_t i = kCandidatePositions - offset; i < kCandidatePositions; ++i) {
      if (i <= write_) continue;
      consider(i, most, lookahead, best);
      if (best.length == most) return;
    }
  }

 private:
  using Position = std::int16_t;
  static constexpr Position kNone = -1;
  static constexpr int kTripleBits = 13;
  static constexpr int kPairBits = 12;

  // Chains of candidate positions, one per key and lap parity, linked forward. Positions move
  // in increasing order and the lap before's chains are in increasing order, so the position
  // that moves is always the head of its old chain.
  template <int KeyBits>
  struct Chains {
    static constexpr std::size_t kChains = std::size_t{2} << KeyBits;
    std::array<Position, kChains> heads, tails;
    std::array<std::uint16_t, kChains> sizes;
    std::array<Position, kCandidatePositions> following;
    std::array<std::uint16_t, kCandidatePositions> chain_of;  // key * 2 + lap parity

    Chains() {
      heads.fill(kNone);
      tails.fill(kNone);
      sizes.fill(0);
    }
    std::size_t size(std::size_t key, std::size_t lap) const { return sizes[key * 2 + (lap & 1)]; }
    Position head(std::size_t key, std::size_t lap) const { return heads[key * 2 + (lap & 1)]; }
    Position next(Position i) const { return following[i]; }
    void append(Position i, std::size_t key, std::size_t lap) {
      const auto chain = static_cast<std::uint16_t>(key * 2 + (lap & 1));
      chain_of[i] = chain;
      ++sizes[chain];
      following[i] = kNone;
      if (tails[chain] != kNone) {
        following[tails[chain]] = i;
      } else {
        heads[chain] = i;
      }
      tails[chain] = i;
    }
    void move(Position i, std::size_t key, std::size_t lap) {
      const std::uint16_t chain = chain_of[i];
      assert(heads[chain] == i);
      heads[chain] = following[i];
      if (following[i] == kNone) tails[chain] = kNone;
      --sizes[chain];
      append(i, key, lap);
    }
  };

  static std::size_t triple_key_of(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    const std::uint32_t value = std::uint32_t{a} << 16 | std::uint32_t{b} << 8 | c;
    return (value * 2654435761u) >> (32 - kTripleBits);
  }
  static std::size_t pair_key_of(std::uint8_t a, std::uint8_t b) {
    const std::uint32_t value = std::uint32_t{a} << 8 | b;
    return (value * 2654435761u) >> (32 - kPairBits);
  }
  std::size_t triple_key(std::size_t i) const {
    return triple_key_of(ring_[i], ring_[i + 1], ring_[i + 2]);
  }
  std::size_t pair_key(std::size_t i) const { return pair_key_of(ring_[i], ring_[i + 1]); }
  std::size_t current_lap() const { return lap_; }
  std::size_t previous_lap() const { return lap_ + 1; }  // same parity as lap_ - 1

  // Counts a candidate of the 3-byte chain; the chain is hashed, so shorter counts are not
  // evidence of anything and are left to the pair search. A candidate can only beat the best
  // if it also fits at the best's last byte, which is checked first.
  void consider(std::size_t i, std::size_t cap, std::span<const std::uint8_t> lookahead,
                Match& best) const {
    if (best.length >= cap || ring_[i + best.length] != lookahead[best.length]) return;
    const std::size_t count = count_equal(ring_.data(), i, lookahead, cap);
    if (count > kShortestReference && count > best.length) best = {i, count};
  }

  std::array<std::uint8_t, kRingSize> ring_{};
  std::size_t write_ = kRingStart;
  std::size_t lap_ = 0;
  Chains<kTripleBits> triple_;
  Chains<kPairBits> pair_;
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
  auto ring = std::make_unique<ChainedRing>();
  return compress_with(script, *ring);
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
