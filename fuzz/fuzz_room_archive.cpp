// SPDX-License-Identifier: GPL-3.0-or-later
// The room archive split and the palette conversion. Input: one byte choosing the kind
// directory ("code", "unknown", "GFX"), then the archive.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.hpp"
#include "rooms/archive.hpp"

namespace {

using namespace qv::rooms;

std::uint32_t u32_at(std::span<const std::uint8_t> bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

// The parts as the offset table describes them, clipped to the archive.
void check_split(std::span<const std::uint8_t> archive, std::string_view kind,
                 const SplitArchive& split) {
  if (archive.size() <= kLargestEmptyArchive) {
    QV_FUZZ_CHECK(!split.split && split.parts.empty(), "a small archive was split");
    return;
  }
  QV_FUZZ_CHECK(split.split, "archive not split");
  const auto count = static_cast<std::int32_t>(u32_at(archive, 0));
  if (count <= 0 || count > kMaxParts) {
    QV_FUZZ_CHECK(split.parts.empty(), "parts from an archive without a valid count");
    return;
  }
  QV_FUZZ_CHECK(split.parts.size() == std::size_t(count), "part count");
  auto offset = [&](std::size_t i) -> std::uint64_t {
    const std::size_t at = 4 + 4 * i;
    return at + 4 <= archive.size() ? u32_at(archive, at) : archive.size();
  };
  std::uint64_t position = 4 + 4 * (std::uint64_t(count) + 1);
  for (std::size_t p = 0; p < split.parts.size(); ++p) {
    const std::uint64_t start = offset(p), end = offset(p + 1);
    const std::uint64_t copy_end = std::min<std::uint64_t>(end, archive.size());
    std::vector<std::uint8_t> expected;
    if (start < copy_end) expected.assign(archive.begin() + start, archive.begin() + copy_end);
    QV_FUZZ_CHECK(split.parts[p].bytes == expected, "part bytes differ from the offset table");
    const int decision =
        position + 4 < archive.size() ? archive[static_cast<std::size_t>(position + 4)] : -1;
    QV_FUZZ_CHECK(split.parts[p].name == part_name(int(p), kind, decision), "part name");
    position = end;
  }
}

void check_palettes(std::span<const std::uint8_t> bytes) {
  const auto tables = convert_room_palettes(bytes);
  QV_FUZZ_CHECK(tables.size() == bytes.size() / kPaletteSize, "one table per whole palette");
  for (std::size_t k = 0; k < tables.size(); ++k) {
    for (std::size_t c = 0; c < 256; ++c) {
      const unsigned word = bytes[k * kPaletteSize + 2 * c] | bytes[k * kPaletteSize + 2 * c + 1]
                                                                  << 8;
      for (unsigned component = 0; component < 3; ++component) {
        QV_FUZZ_CHECK(tables[k][3 * c + component] == ((word >> (5 * component)) & 0x1F) * 8,
                      "colour component");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static constexpr std::string_view kKinds[] = {"code", "unknown", "GFX"};
  const std::string_view kind = kKinds[data[0] % 3];
  const std::span<const std::uint8_t> archive(data + 1, size - 1);

  const SplitArchive split = split_room_archive(archive, kind);
  check_split(archive, kind, split);

  // Building an archive from the parts and splitting it again gives the same parts.
  if (!split.parts.empty()) {
    std::vector<std::vector<std::uint8_t>> parts;
    for (const RoomPart& part : split.parts) parts.push_back(part.bytes);
    const std::vector<std::uint8_t> rebuilt = build_room_archive(parts);
    const SplitArchive again = split_room_archive(rebuilt, "unknown");
    if (rebuilt.size() > kLargestEmptyArchive) {
      QV_FUZZ_CHECK(again.notes.empty(), "a built archive has problems");
      QV_FUZZ_CHECK(again.parts.size() == parts.size(), "rebuilt part count");
      for (std::size_t p = 0; p < parts.size(); ++p)
        QV_FUZZ_CHECK(again.parts[p].bytes == parts[p], "rebuilt part bytes");
    }
  }

  check_palettes(archive);
  for (const RoomPart& part : split.parts) {
    if (part.name == "1palette") check_palettes(part.bytes);
  }
  return 0;
}
