// SPDX-License-Identifier: GPL-3.0-or-later
// The decompressor of "8script" files. Input: the compressed file itself (header and stream);
// the header's size limit is taken as given, and the stream is also decompressed with a
// smaller limit.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/check.hpp"
#include "script/lzss.hpp"

namespace {

using namespace qv::script;

// The bit stream decoded the plain way: one flag, then a byte or a 12-bit position and a 4-bit
// length; the ring is written as each byte is produced.
std::vector<std::uint8_t> reference_decompress(std::span<const std::uint8_t> stream,
                                               std::uint64_t limit) {
  std::array<std::uint8_t, kRingSize> ring{};
  std::size_t write = kRingStart;
  std::vector<std::uint8_t> out;
  std::size_t bit = 0;
  const std::size_t total = stream.size() * 8;
  auto take = [&](int count) {
    unsigned value = 0;
    for (int i = 0; i < count; ++i, ++bit)
      value = value << 1 | ((stream[bit / 8] >> (7 - bit % 8)) & 1);
    return value;
  };
  auto produce = [&](std::uint8_t byte) {
    if (out.size() < limit) out.push_back(byte);
    ring[write] = byte;
    write = (write + 1) % kRingSize;
  };
  while (bit < total && out.size() < limit) {
    if (take(1) == 1) {
      if (total - bit < 8) break;
      produce(static_cast<std::uint8_t>(take(8)));
    } else {
      if (total - bit < 16) break;
      const std::size_t position = take(12);
      const std::size_t length = take(4) + 2;
      for (std::size_t i = 0; i < length; ++i) produce(ring[(position + i) % kRingSize]);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  const auto header = read_compressed_header(file);
  QV_FUZZ_CHECK(header.has_value() == (size >= kCompressedHeaderSize), "header presence");
  if (!header) return 0;
  QV_FUZZ_CHECK(
      header->size_limit == (data[4] | data[5] << 8 | data[6] << 16 | std::uint32_t{data[7]} << 24),
      "size limit");
  QV_FUZZ_CHECK(std::equal(header->header_word.begin(), header->header_word.end(), data + 8),
                "header word");

  const auto stream = file.subspan(kCompressedHeaderSize);
  const std::vector<std::uint8_t> out = decompress(stream, header->size_limit);
  QV_FUZZ_CHECK(out.size() <= header->size_limit, "output above the size limit");
  QV_FUZZ_CHECK(out == reference_decompress(stream, header->size_limit),
                "output differs from the plain decoding");

  // A smaller limit cuts the same output short.
  const auto smaller = static_cast<std::uint32_t>(out.size() / 2);
  const std::vector<std::uint8_t> cut = decompress(stream, smaller);
  QV_FUZZ_CHECK(cut.size() == smaller && std::equal(cut.begin(), cut.end(), out.begin()),
                "a smaller limit does not give a prefix");

  const std::string bits = bit_text(stream);
  QV_FUZZ_CHECK(bits.size() == stream.size() * 8, "bit text length");
  for (std::size_t i = 0; i < bits.size(); ++i) {
    QV_FUZZ_CHECK(bits[i] == '0' + ((stream[i / 8] >> (7 - i % 8)) & 1), "bit text");
  }
  return 0;
}
