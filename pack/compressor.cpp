#include "pack/compressor.hpp"

#include <algorithm>
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
  void put_bit(unsigned bit) {
    accumulator_ = static_cast<std::uint8_t>(accumulator_ << 1 | (bit & 1u));
    if (++held_ == 8) {
      bytes_.push_back(accumulator_);
      accumulator_ = 0;
      held_ = 0;
    }
  }
  void put_byte(std::uint8_t byte) {
    for (int bit = 7; bit >= 0; --bit) put_bit(byte >> bit);
  }
  int held() const { return held_; }
  std::vector<std::uint8_t> take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint8_t accumulator_ = 0;
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

// The fast search keeps, for every candidate position, chains of the positions that start with
// the same 3 bytes (hashed) and the same 2 bytes (exact). A position's key changes only when one
// of its bytes is written, and then it moves to the tail of its new chain. Writing goes round the
// ring in increasing order, so each chain, split by the lap in which its positions were last
// written, holds the positions below W (this lap) and those at or above W (the lap before) each
// in increasing order. Walking "below W" then "at or above W" is therefore walking in increasing
// position order, which lets the search stop at the first candidate that reaches the longest
// possible count: no later one can beat it, and on a tie the lower position wins.
class ChainedRing {
 public:
  ChainedRing() {
    triple_.init();
    pair_.init();
    // Before the first write only position 0 lies below W = 1; it belongs to this lap, the
    // rest to the lap before, all in increasing order.
    for (std::size_t i = 0; i < kCandidatePositions; ++i) {
      const std::size_t lap = i < write_ ? current_lap() : previous_lap();
      triple_.append(static_cast<Position>(i), triple_key(i), lap);
      pair_.append(static_cast<Position>(i), pair_key(i), lap);
    }
  }

  RingView view() const { return {ring_, write_}; }

  void store(std::uint8_t byte) {
    ring_[write_] = byte;
    // The positions whose first 3 (or 2) bytes include the one just written.
    for (std::size_t back = 3; back-- > 0;) {
      if (write_ < back) continue;
      const std::size_t i = write_ - back;
      if (i >= kCandidatePositions) continue;
      triple_.move(static_cast<Position>(i), triple_key(i), current_lap());
      if (back < 2) pair_.move(static_cast<Position>(i), pair_key(i), current_lap());
    }
    // A new lap starts as W comes round to 0: every position is then at or above W.
    write_ = (write_ + 1) % kRingSize;
    if (write_ == 0) ++lap_;
  }

  Match search(std::span<const std::uint8_t> lookahead) const {
    const std::size_t most = std::min(lookahead.size(), kLongestReference);
    if (most < kShortestReference) return {};
    Match best;
    if (most > kShortestReference) {
      const std::size_t key = triple_key_of(lookahead[0], lookahead[1], lookahead[2]);
      // Below W the caps fall as positions rise, so once a cap cannot beat the best, none can.
      for (Position node = triple_.head(key, current_lap()); node != kNone;
           node = triple_.next(node)) {
        const auto i = static_cast<std::size_t>(node);
        const std::size_t cap = candidate_cap(i, write_, most);
        if (cap <= std::max(best.length, kShortestReference)) break;
        consider(i, cap, lookahead, best);
        if (best.length == most) return best;
      }
      for (Position node = triple_.head(key, previous_lap()); node != kNone;
           node = triple_.next(node)) {
        const auto i = static_cast<std::size_t>(node);
        if (i == write_) continue;
        consider(i, most, lookahead, best);
        if (best.length == most) return best;
      }
      if (best.length > kShortestReference) return best;
    }
    // No run of 3: the lowest position whose first two bytes fit and may both be used.
    const std::size_t key = pair_key_of(lookahead[0], lookahead[1]);
    if (const Position node = pair_.head(key, current_lap());
        node != kNone && static_cast<std::size_t>(node) + kShortestReference <= write_) {
      return {static_cast<std::size_t>(node), kShortestReference};
    }
    Position node = pair_.head(key, previous_lap());
    if (node != kNone && static_cast<std::size_t>(node) == write_) node = pair_.next(node);
    if (node != kNone) return {static_cast<std::size_t>(node), kShortestReference};
    return {};
  }

 private:
  using Position = std::int16_t;
  static constexpr Position kNone = -1;
  static constexpr std::size_t kTripleBuckets = 1 << 14;

  // Doubly linked chains of candidate positions, one per key and lap parity.
  template <std::size_t Keys>
  struct Chains {
    std::vector<Position> heads, tails;
    std::array<Position, kCandidatePositions> previous, following;
    std::array<std::uint32_t, kCandidatePositions> chain_of;  // key * 2 + lap parity

    void init() {
      heads.assign(Keys * 2, kNone);
      tails.assign(Keys * 2, kNone);
    }
    Position head(std::size_t key, std::size_t lap) const { return heads[key * 2 + (lap & 1)]; }
    Position next(Position i) const { return following[i]; }
    void append(Position i, std::size_t key, std::size_t lap) {
      const std::uint32_t chain = static_cast<std::uint32_t>(key * 2 + (lap & 1));
      chain_of[i] = chain;
      previous[i] = tails[chain];
      following[i] = kNone;
      if (tails[chain] != kNone) {
        following[tails[chain]] = i;
      } else {
        heads[chain] = i;
      }
      tails[chain] = i;
    }
    void move(Position i, std::size_t key, std::size_t lap) {
      const std::uint32_t chain = chain_of[i];
      if (previous[i] != kNone) {
        following[previous[i]] = following[i];
      } else {
        heads[chain] = following[i];
      }
      if (following[i] != kNone) {
        previous[following[i]] = previous[i];
      } else {
        tails[chain] = previous[i];
      }
      append(i, key, lap);
    }
  };

  static std::size_t triple_key_of(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    const std::uint32_t value = std::uint32_t{a} << 16 | std::uint32_t{b} << 8 | c;
    return (value * 2654435761u) >> (32 - 14);
  }
  static std::size_t pair_key_of(std::uint8_t a, std::uint8_t b) { return std::size_t{a} << 8 | b; }
  std::size_t triple_key(std::size_t i) const {
    return triple_key_of(ring_[i], ring_[i + 1], ring_[i + 2]);
  }
  std::size_t pair_key(std::size_t i) const { return pair_key_of(ring_[i], ring_[i + 1]); }
  std::size_t current_lap() const { return lap_; }
  std::size_t previous_lap() const { return lap_ + 1; }  // same parity as lap_ - 1

  // Counts a candidate of the 3-byte chain; the chain is hashed, so shorter counts are not
  // evidence of anything and are left to the pair search.
  void consider(std::size_t i, std::size_t cap, std::span<const std::uint8_t> lookahead,
                Match& best) const {
    const std::size_t count = count_equal(ring_.data(), i, lookahead, cap);
    if (count > kShortestReference && count > best.length) best = {i, count};
  }

  std::array<std::uint8_t, kRingSize> ring_{};
  std::size_t write_ = kRingStart;
  std::size_t lap_ = 0;
  Chains<kTripleBuckets> triple_;
  Chains<1 << 16> pair_;
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
      bits.put_bit(1);
      bits.put_byte(script[done]);
      ring.store(script[done]);
      ++done;
      continue;
    }
    bits.put_bit(0);
    bits.put_byte(static_cast<std::uint8_t>(match.position >> 4));
    bits.put_byte(static_cast<std::uint8_t>((match.position & 0x0F) << 4 |
                                            (match.length - kShortestReference)));
    for (std::size_t k = 0; k < match.length; ++k) ring.store(script[done + k]);
    done += match.length;
  }
  // Literals of value 0 fill the last byte; each moves the held bit count on by one.
  while (bits.held() != 0) {
    bits.put_bit(1);
    bits.put_byte(0);
  }
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
