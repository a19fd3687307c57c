// SPDX-License-Identifier: GPL-3.0-or-later
// The room archive rebuild over arbitrary bytes: the first two bytes say how long the new part
// is, it follows, and the rest is the archive. A rebuild that is not refused must keep every
// other part and the bytes around the parts, move the later offsets by the change in length,
// and come out a whole number of 8-byte units; a refusal must hold no bytes.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "rooms/archive.hpp"

namespace {

std::uint32_t word(std::span<const std::uint8_t> bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

void require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t part_size = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
  const std::span<const std::uint8_t> part(data + 2, part_size);
  const std::span<const std::uint8_t> archive(data + 2 + part_size, size - 2 - part_size);

  constexpr int kPart = 8;
  const qv::rooms::ReplacedArchive rebuilt = qv::rooms::replace_room_part(archive, kPart, part, 8);
  if (rebuilt.refusal) {
    require(rebuilt.bytes.empty());
    return 0;
  }
  const std::span<const std::uint8_t> out(rebuilt.bytes);
  require(out.size() % 8 == 0);
  const std::uint32_t count = word(archive, 0);
  require(count >= kPart + 1 && count <= 503);
  require(word(out, 0) == count);
  const std::size_t table_end = 4 + (count + 1) * 4;
  const std::size_t start = word(archive, 4 + kPart * 4);
  const std::size_t end = word(archive, 4 + (kPart + 1) * 4);
  const std::size_t last = word(archive, 4 + count * 4);
  const std::int64_t change =
      static_cast<std::int64_t>(part_size) - static_cast<std::int64_t>(end - start);
  require(out.size() >= archive.size() + change);
  require(out.size() - (archive.size() + change) < 8);
  // The offsets up to part 8's own stay; the later ones move by the change.
  for (std::size_t i = 0; i <= count; ++i) {
    const std::int64_t want =
        static_cast<std::int64_t>(word(archive, 4 + i * 4)) + (i > kPart ? change : 0);
    require(word(out, 4 + i * 4) == want);
  }
  // Everything before part 8 (the gap behind the table included), the part itself, and every
  // byte after it, later parts and the bytes after the last part, moved whole.
  for (std::size_t at = table_end; at < start; ++at) require(out[at] == archive[at]);
  for (std::size_t at = 0; at < part_size; ++at) require(out[start + at] == part[at]);
  for (std::size_t at = end; at < archive.size(); ++at) {
    require(out[static_cast<std::size_t>(static_cast<std::int64_t>(at) + change)] == archive[at]);
  }
  for (std::size_t at = archive.size() + change; at < out.size(); ++at) require(out[at] == 0);
  require(last <= archive.size());
  return 0;
}
