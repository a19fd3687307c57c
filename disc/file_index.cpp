// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/file_index.hpp"

#include <algorithm>
#include <cstdio>

#include "disc/image.hpp"

namespace qv::disc {

SizeCheck check_image_size(std::uint64_t size) {
  char line[64];
  std::snprintf(line, sizeof line, "Filesize of cd1.iso is %llu bytes\n",
                static_cast<unsigned long long>(size));
  return {line, size == kExpectedImageSize};
}

DirectoryRead build_file_index(std::span<const std::uint8_t> directory,
                               std::uint32_t sector_count) {
  DirectoryRead read;
  const std::size_t entries = directory.size() / kDirectoryEntrySize;
  read.file_table.reserve(entries * kDirectoryEntrySize);
  for (std::size_t e = 0; e < entries; ++e) {
    const auto entry = directory.subspan(e * kDirectoryEntrySize, kDirectoryEntrySize);
    if (entry[2] > kLastAcceptedByte2) continue;
    read.file_table.insert(read.file_table.end(), entry.begin(), entry.end());
    ++read.accepted;
    if (read.accepted < kIndexSlots) {
      read.index.slots[read.accepted] = {
          static_cast<std::uint32_t>(entry[0] | entry[1] << 8 | entry[2] << 16), entry[3]};
    }
  }
  read.index.filled = std::min(read.accepted, kEndSlot);
  read.index.slots[kEndSlot].lba = sector_count;
  return read;
}

std::uint64_t FileExtent::byte_size() const {
  const std::uint32_t sectors = sector_count();
  if (sectors == 0) return 0;
  return std::uint64_t{sectors} * kUserDataSize - 8u * slack_units;
}

std::optional<FileExtent> file_extent(const FileIndex& index, int file_number) {
  if (file_number < 0 || file_number >= kFileCount) return std::nullopt;
  const std::size_t slot = static_cast<std::size_t>(file_number) + 1;
  const bool end_filled = slot + 1 == kEndSlot || slot + 1 <= index.filled;
  if (slot > index.filled || !end_filled) return std::nullopt;
  return FileExtent{index.slots[slot].lba, index.slots[slot + 1].lba,
                    index.slots[slot].slack_units};
}

}  // namespace qv::disc
