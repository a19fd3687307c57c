// SPDX-License-Identifier: GPL-3.0-or-later
// The disc directory, the file index and extraction over an image held in memory.
// Input: one byte for the reader's chunk size, two bytes (little-endian) for the length of the
// directory's user data, the directory, then the raw image (2352-byte sectors).
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "disc/extract.hpp"
#include "disc/file_index.hpp"
#include "disc/image.hpp"
#include "fuzz/check.hpp"

namespace {

using namespace qv::disc;

constexpr std::size_t kDirectoryBytes = kDirectorySectorCount * kUserDataSize;
constexpr int kMostExtracted = 24;  // bounds the work per input; the rest only get extents

// What a file must yield, read sector by sector straight from the image bytes.
std::vector<std::uint8_t> expected_content(std::span<const std::uint8_t> image,
                                           const FileExtent& extent, bool& cut_short) {
  std::vector<std::uint8_t> out;
  cut_short = false;
  for (std::uint64_t s = extent.start; s < extent.end; ++s) {
    const std::size_t wanted =
        s + 1 == extent.end ? kUserDataSize - 8u * extent.slack_units : kUserDataSize;
    const std::uint64_t begin = s * kRawSectorSize + kSectorHeaderSize;
    const std::size_t present =
        begin >= image.size() ? 0 : std::min<std::uint64_t>(image.size() - begin, kUserDataSize);
    const std::size_t take = std::min(present, wanted);
    if (take > 0) out.insert(out.end(), image.begin() + begin, image.begin() + begin + take);
    if (present < wanted) {
      cut_short = true;
      break;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::size_t chunk_sectors = 1 + data[0] % 4;
  const std::size_t directory_size =
      std::min({std::size_t(data[1] | data[2] << 8), size - 3, kDirectoryBytes});
  const std::span<const std::uint8_t> directory(data + 3, directory_size);
  const std::span<const std::uint8_t> image_bytes(data + 3 + directory_size,
                                                  size - 3 - directory_size);

  MemoryImage image(image_bytes);
  SectorReader reader(image, chunk_sectors);
  const auto sector_count = static_cast<std::uint32_t>(reader.sector_count());
  const DirectoryRead read = build_file_index(directory, sector_count);

  // The file table holds exactly the accepted entries, unchanged and in order.
  std::vector<std::uint8_t> table;
  for (std::size_t at = 0; at + kDirectoryEntrySize <= directory.size(); at += 4) {
    if (directory[at + 2] <= kLastAcceptedByte2)
      table.insert(table.end(), directory.begin() + at, directory.begin() + at + 4);
  }
  QV_FUZZ_CHECK(read.file_table == table, "file table differs from the accepted entries");
  QV_FUZZ_CHECK(read.accepted == table.size() / 4, "accepted count");
  QV_FUZZ_CHECK(read.index.filled <= kEndSlot, "index filled past its slots");
  QV_FUZZ_CHECK(read.index.slots[kEndSlot].lba == sector_count, "end slot");
  for (std::size_t k = 1; k <= read.index.filled && k < kEndSlot; ++k) {
    const auto* entry = &table[(k - 1) * 4];
    QV_FUZZ_CHECK(
        read.index.slots[k].lba == std::uint32_t(entry[0] | entry[1] << 8 | entry[2] << 16),
        "slot lba");
    QV_FUZZ_CHECK(read.index.slots[k].slack_units == entry[3], "slot slack");
  }

  std::vector<std::uint8_t> scratch(chunk_sectors * kUserDataSize);
  int extracted = 0;
  for (int file = 0; file < kFileCount; ++file) {
    const auto extent = file_extent(read.index, file);
    // A file needs its own entry and the next one (the last file ends at the sector count).
    const bool listed = std::size_t(file) + 1 <= read.accepted &&
                        (std::size_t(file) + 2 <= read.accepted || file == kFileCount - 1);
    QV_FUZZ_CHECK(extent.has_value() == listed, "extent given for a file not listed, or not given");
    if (!extent) continue;
    if (extracted == kMostExtracted && file != kFileCount - 1) continue;
    ++extracted;

    std::vector<std::uint8_t> got;
    const ExtractResult result =
        extract_file(reader, *extent, scratch, [&](std::span<const std::uint8_t> block) {
          QV_FUZZ_CHECK(!block.empty() && block.size() <= scratch.size(), "block size");
          got.insert(got.end(), block.begin(), block.end());
          return true;
        });
    bool cut_short = false;
    const std::vector<std::uint8_t> expected = expected_content(image_bytes, *extent, cut_short);
    QV_FUZZ_CHECK(got == expected, "extracted bytes differ from the image's user data");
    QV_FUZZ_CHECK(result.bytes_written == got.size(), "bytes_written");
    QV_FUZZ_CHECK(result.image_short == cut_short, "image_short");
    QV_FUZZ_CHECK(!result.write_failed, "write_failed without a refusal");
    QV_FUZZ_CHECK(got.size() <= extent->byte_size(), "more bytes than the file has");
    if (!cut_short) QV_FUZZ_CHECK(got.size() == extent->byte_size(), "whole file, wrong size");
  }
  return 0;
}
