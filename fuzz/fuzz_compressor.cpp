// SPDX-License-Identifier: GPL-3.0-or-later
// The compressor: its output must decompress to the script, and the fast match search must
// choose exactly what the brute-force one chooses.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/check.hpp"
#include "pack/compressor.hpp"
#include "script/lzss.hpp"

namespace {

// The brute-force search tries every ring position for every byte; past this size a run would
// take seconds.
constexpr std::size_t kLargestBruteForceInput = 1024;
constexpr std::size_t kLargestLappedInput = 256;
constexpr std::size_t kLappedSize = 4096 + 256;

void check_decompresses_to(std::span<const std::uint8_t> script,
                           const std::vector<std::uint8_t>& out) {
  QV_FUZZ_CHECK(
      out.size() >= script.size() && std::equal(script.begin(), script.end(), out.begin()),
      "decompressed output does not begin with the script");
  QV_FUZZ_CHECK(out.size() <= script.size() + 20, "decompressed output more than 20 bytes longer");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> script(data, size);

  const std::vector<std::uint8_t> stream = qv::pack::compress(script);
  const std::vector<std::uint8_t> out = qv::script::decompress(stream, UINT32_MAX);
  check_decompresses_to(script, out);
  // The bare stream ends with the flush alone: fewer than 8 literals of 0.
  QV_FUZZ_CHECK(out.size() - size < 8 &&
                    std::all_of(out.begin() + size, out.end(), [](auto b) { return b == 0; }),
                "the flush left more than 7 zero bytes");

  const std::array<std::uint8_t, 4> header_word{0x12, 0x34, 0x56, 0x78};
  const std::vector<std::uint8_t> file = qv::pack::write_compressed_script(script, header_word);
  QV_FUZZ_CHECK(file.size() % 4 == 0 && file.size() > qv::script::kCompressedHeaderSize,
                "file length");
  const auto header = qv::script::read_compressed_header(file);
  QV_FUZZ_CHECK(header && header->header_word == header_word, "header word");
  QV_FUZZ_CHECK(header->size_limit == size + 20, "size limit");
  check_decompresses_to(script,
                        qv::script::decompress(std::span(file).subspan(12), header->size_limit));

  if (size <= kLargestBruteForceInput) {
    QV_FUZZ_CHECK(stream == qv::pack::compress(script, qv::pack::SearchStrategy::brute_force),
                  "the fast search and the brute force disagree");
  }

  // A short input repeated past the ring's size, slightly changed on each lap, so that matches
  // reach across the ring's wrap while the brute force stays cheap. Still slow under the
  // sanitizers, so only for one input in sixteen.
  if (size >= 8 && size <= kLargestLappedInput && data[0] % 16 == 0) {
    std::vector<std::uint8_t> lapped;
    for (std::uint8_t lap = 0; lapped.size() < kLappedSize; ++lap) {
      for (std::size_t i = 0; i < size && lapped.size() < kLappedSize; ++i)
        lapped.push_back(i % 61 == lap % 61 ? std::uint8_t(data[i] ^ lap) : data[i]);
    }
    QV_FUZZ_CHECK(qv::pack::compress(lapped) ==
                      qv::pack::compress(lapped, qv::pack::SearchStrategy::brute_force),
                  "the fast search and the brute force disagree past the ring's wrap");
  }
  return 0;
}
