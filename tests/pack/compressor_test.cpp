// SPDX-License-Identifier: GPL-3.0-or-later
#include "pack/compressor.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "script/lzss.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;
using qv::pack::compress;
using qv::pack::SearchStrategy;

// The stream as items, for reading failures: "L41" for a literal, "R1,4" for a reference.
std::string items_of(const Bytes& stream, std::size_t items) {
  std::string text;
  std::size_t bit = 0;
  auto take = [&](int count) {
    unsigned value = 0;
    for (int i = 0; i < count; ++i, ++bit)
      value = value << 1 | ((stream[bit / 8] >> (7 - bit % 8)) & 1);
    return value;
  };
  for (std::size_t n = 0; n < items && bit + 9 <= stream.size() * 8; ++n) {
    char item[32];
    if (take(1)) {
      std::snprintf(item, sizeof item, "L%02X ", take(8));
    } else {
      const unsigned position = take(12);
      std::snprintf(item, sizeof item, "R%u,%u ", position, take(4) + 2);
    }
    text += item;
  }
  return text;
}

TEST(Compressor, WorkedExampleOfTheEmptyScript) {
  const Bytes script = {0x08, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(compress(script), (Bytes{0x84, 0x00, 0x0D, 0x60, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00}));
  const Bytes file = qv::pack::write_compressed_script(script, {0xDE, 0xAD, 0xBE, 0xEF});
  EXPECT_EQ(file, (Bytes{'s',  's',  'z',  'l',  0x1C, 0,    0,    0,    0xDE, 0xAD, 0xBE, 0xEF,
                         0x84, 0x00, 0x0D, 0x60, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00, 0x00, 0x00}));
}

TEST(Compressor, ChoosesTheItemsOfTheGreedySearch) {
  const struct {
    const char* name;
    Bytes script;
    std::string items;
  } cases[] = {
      // A reference never copies the bytes it is producing.
      {"ten 0x41", Bytes(10, 0x41), "L41 L41 R1,2 R1,4 R1,2 "},
      // The zero ring ahead of W serves as a source; on equal length the lowest position wins.
      {"twenty zeros", Bytes(20, 0x00), "R2,17 R0,3 "},
      // 18 bytes left: a lookahead of 18 but at most 17 copied.
      {"eighteen zeros", Bytes(18, 0x00), "R2,17 L00 "},
      {"one byte", Bytes{0x55}, "L55 "},
      {"two new bytes", Bytes{0x55, 0x66}, "L55 L66 "},
  };
  for (const auto& c : cases) {
    for (auto strategy : {SearchStrategy::brute_force, SearchStrategy::hash_chains}) {
      const Bytes stream = compress(c.script, strategy);
      EXPECT_EQ(items_of(stream, c.items.size() / 4).substr(0, c.items.size()), c.items) << c.name;
      EXPECT_EQ(qv::script::decompress(stream, static_cast<std::uint32_t>(c.script.size())),
                c.script)
          << c.name;
    }
  }
}

TEST(Compressor, FlushFillsTheLastByteWithZeroLiterals) {
  // One literal is 9 bits: 7 flush literals make 72 bits; 8 literals need none.
  EXPECT_EQ(compress(Bytes{0x11}).size(), 9u);
  EXPECT_EQ(compress(Bytes{1, 2, 3, 4, 5, 6, 7, 8}).size(), 9u);
  EXPECT_EQ(compress(Bytes{}).size(), 0u);
}

TEST(Compressor, FilePadsToTheNextMultipleOfFourAboveItsLength) {
  const struct {
    const char* name;
    Bytes script;
    std::size_t stream_size;
    std::size_t file_size;
  } cases[] = {
      {"eight literals", {1, 2, 3, 4, 5, 6, 7, 8}, 9, 24},  // 12 + 9 + 1 = 22: two bytes
      {"empty script", {8, 0, 0, 0, 0, 0, 0, 0}, 10, 24},   // 23: one byte
      {"twenty zeros", Bytes(20, 0), 11, 28},               // 24: four bytes, not none
  };
  for (const auto& c : cases) {
    const Bytes file = qv::pack::write_compressed_script(c.script, {1, 2, 3, 4});
    EXPECT_EQ(compress(c.script).size(), c.stream_size) << c.name;
    ASSERT_EQ(file.size(), c.file_size) << c.name;
    const auto header = qv::script::read_compressed_header(file);
    EXPECT_EQ(header->size_limit, c.script.size() + 20) << c.name;
    EXPECT_EQ(header->header_word, (std::array<std::uint8_t, 4>{1, 2, 3, 4})) << c.name;
    for (std::size_t i = 12 + c.stream_size; i < file.size(); ++i) EXPECT_EQ(file[i], 0) << c.name;
  }
}

// Inputs for comparing the searches: random and structured, several longer than the ring.
std::vector<Bytes> search_inputs() {
  std::vector<Bytes> inputs;
  std::mt19937 random(1234);
  auto byte = [&](int high) {
    return static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, high)(random));
  };
  for (int size : {1, 2, 3, 17, 18, 19, 100, 4075, 4096, 4100, 9000}) {
    for (int alphabet : {1, 2, 4, 255}) {
      Bytes input(size);
      for (auto& b : input) b = byte(alphabet);
      inputs.push_back(std::move(input));
    }
  }
  // Long runs of zeros and of one byte, and runs that start where the ring wraps.
  inputs.push_back(Bytes(10000, 0x00));
  inputs.push_back(Bytes(10000, 0x41));
  for (int offset : {4070, 4077, 4080, 4090, 4094, 4095, 4096}) {
    Bytes input;
    for (int i = 0; i < offset; ++i) input.push_back(byte(255));
    input.insert(input.end(), 300, 0x00);
    for (int i = 0; i < 200; ++i) input.push_back(byte(3));
    inputs.push_back(std::move(input));
  }
  // Repeated phrases with small changes, as dialogue gives them.
  const std::vector<Bytes> phrases = {{0x39, 0x54, 0x20, 0x08, 0x00},
                                      {0x4C, 0x4D, 0x4C, 0x4D},
                                      {0x12, 0x1D, 0x20, 0x5F, 0x53},
                                      {0x00, 0x01},
                                      {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1C}};
  for (int seed = 0; seed < 12; ++seed) {
    Bytes input;
    const int size = 500 + seed * 1500;
    while (static_cast<int>(input.size()) < size) {
      const Bytes& phrase = phrases[byte(static_cast<int>(phrases.size()) - 1)];
      input.insert(input.end(), phrase.begin(), phrase.end());
      if (byte(3) == 0) input.push_back(byte(255));
      if (byte(20) == 0) input.insert(input.end(), byte(40), byte(1));
    }
    inputs.push_back(std::move(input));
  }
  return inputs;
}

TEST(Compressor, FastSearchChoosesExactlyWhatTheBruteForceChooses) {
  for (const Bytes& input : search_inputs()) {
    const Bytes expected = compress(input, SearchStrategy::brute_force);
    const Bytes fast = compress(input, SearchStrategy::hash_chains);
    ASSERT_EQ(fast, expected) << "input of " << input.size() << " bytes starting " << int(input[0]);
    ASSERT_EQ(qv::script::decompress(fast, static_cast<std::uint32_t>(input.size())), input);
  }
}

// Inputs aimed at the fast search's own edges: keys that share a hash bucket, sources at the far
// end of the ring and across the boundary where W comes round, candidates that must lose to a
// later, longer one with the same first bytes.
TEST(Compressor, FastSearchMatchesTheBruteForceAtItsEdges) {
  std::mt19937 random(77);
  auto below = [&](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
  auto random_bytes = [&](int size, int alphabet) {
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(below(alphabet));
    return bytes;
  };
  struct Case {
    std::string name;
    Bytes input;
  };
  std::vector<Case> cases;
  // 40^3 possible 3-byte runs, thousands of them present: many share a bucket, and copied
  // segments with one byte changed give long runs next to near misses.
  {
    Bytes input = random_bytes(2000, 40);
    while (input.size() < 14000) {
      const std::size_t from = below(static_cast<int>(input.size()) - 40);
      Bytes segment(input.begin() + from, input.begin() + from + 10 + below(30));
      segment[below(static_cast<int>(segment.size()))] = static_cast<std::uint8_t>(below(40));
      input.insert(input.end(), segment.begin(), segment.end());
      const Bytes fresh = random_bytes(below(12), 40);
      input.insert(input.end(), fresh.begin(), fresh.end());
    }
    cases.push_back({"bucket sharing", std::move(input)});
  }
  // A block repeated at a period near the ring size: the source lies just above W, at W itself
  // (which gives nothing) or past position 4076.
  for (int period : {4060, 4076, 4077, 4078, 4093, 4094, 4095, 4096, 4097}) {
    const Bytes block = random_bytes(period, 256);
    Bytes input;
    for (int copy = 0; copy < 3; ++copy) input.insert(input.end(), block.begin(), block.end());
    input[period + 500] ^= 0x5A;  // one break inside the second copy
    cases.push_back({"period " + std::to_string(period), std::move(input)});
  }
  // Words sharing long stems with different endings: the first candidate fits a few bytes, a
  // later one more, a still later one all 17.
  {
    const std::vector<std::string> stems = {"the gate to the ", "the gale in the ",
                                            "the game of the ", "then"};
    const std::vector<std::string> ends = {"east", "west", "eastern hills", "mill", "lake"};
    Bytes input;
    while (input.size() < 12000) {
      const std::string word = stems[below(4)] + ends[below(5)] + (below(3) == 0 ? "!" : " ");
      input.insert(input.end(), word.begin(), word.end());
      if (below(8) == 0) input.push_back(static_cast<std::uint8_t>(below(256)));
    }
    cases.push_back({"shared stems", std::move(input)});
  }
  // Long runs that cross lap boundaries, separated by a few other bytes.
  {
    Bytes input;
    for (int run = 0; input.size() < 13000; ++run) {
      input.insert(input.end(), 700 + 97 * (run % 5), static_cast<std::uint8_t>(run % 3));
      const Bytes fresh = random_bytes(1 + below(4), 4);
      input.insert(input.end(), fresh.begin(), fresh.end());
    }
    cases.push_back({"runs across laps", std::move(input)});
  }
  for (const Case& c : cases) {
    const Bytes expected = compress(c.input, SearchStrategy::brute_force);
    const Bytes fast = compress(c.input, SearchStrategy::hash_chains);
    EXPECT_EQ(fast, expected) << c.name;
    EXPECT_EQ(qv::script::decompress(fast, static_cast<std::uint32_t>(c.input.size())), c.input)
        << c.name;
  }
}

TEST(Compressor, BruteForceSearchHonoursTheAllowedPositions) {
  std::array<std::uint8_t, qv::script::kRingSize> ring{};
  const Bytes lookahead = {7, 7, 7, 7};
  // Sevens at 10..13 with W = 12: a candidate below W may use only 10 and 11.
  for (int i = 10; i < 14; ++i) ring[i] = 7;
  EXPECT_EQ(qv::pack::brute_force_search({ring, 12}, lookahead).length, 2u);
  EXPECT_EQ(qv::pack::brute_force_search({ring, 12}, lookahead).position, 10u);
  // With W = 9 the candidate at 10 lies above W and uses its bytes freely.
  EXPECT_EQ(qv::pack::brute_force_search({ring, 9}, lookahead).length, 4u);
  // The candidate at W itself gives nothing: W = 10 leaves 11..13.
  const auto at_w = qv::pack::brute_force_search({ring, 10}, lookahead);
  EXPECT_EQ(at_w.position, 11u);
  EXPECT_EQ(at_w.length, 3u);
  // Positions 4077 and above never start a reference.
  ring.fill(0);
  for (std::size_t i = 4077; i < 4096; ++i) ring[i] = 9;
  EXPECT_LT(qv::pack::brute_force_search({ring, 5}, Bytes{9, 9, 9}).length, 2u);
  ring[4076] = 9;
  const auto last = qv::pack::brute_force_search({ring, 5}, Bytes(18, 9));
  EXPECT_EQ(last.position, 4076u);
  EXPECT_EQ(last.length, 17u);
}

}  // namespace
