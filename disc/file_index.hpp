// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The disc's own directory: 4-byte entries in the user data of sectors 24 to 35, read into the
// `file index` from which every file's sector range comes.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qv::disc {

inline constexpr std::uint64_t kExpectedImageSize = 736651104;  // 313202 sectors
inline constexpr std::uint32_t kFirstDirectorySector = 24;
inline constexpr std::uint32_t kDirectorySectorCount = 12;
inline constexpr std::size_t kDirectoryEntrySize = 4;
inline constexpr std::uint8_t kLastAcceptedByte2 = 0x4E;
inline constexpr std::size_t kIndexSlots = 5620;
inline constexpr int kFileCount = 5618;
inline constexpr std::size_t kEndSlot = kIndexSlots - 1;  // holds the image's sector count

// Console text of the size test and whether the size is the expected one.
struct SizeCheck {
  std::string console;
  bool genuine;
};
SizeCheck check_image_size(std::uint64_t size);

struct IndexSlot {
  std::uint32_t lba = 0;
  std::uint8_t slack_units = 0;
};

struct FileIndex {
  std::array<IndexSlot, kIndexSlots> slots{};
  // Slots 1..filled hold accepted entries; the end slot is always set.
  std::size_t filled = 0;
};

struct DirectoryRead {
  FileIndex index;
  std::vector<std::uint8_t> file_table;  // the bytes of "file.tbl"
  std::size_t accepted = 0;              // may exceed the slots of the index
};

// Reads directory entries from `directory` (the user data of the directory sectors in order;
// a trailing part shorter than an entry is ignored). Accepted entries (byte 2 at most 0x4E) go
// to the file table unchanged and fill slots 1, 2, … while slots last; the end slot then gets
// `sector_count`, whatever an entry put there. Reads nothing outside `directory`.
DirectoryRead build_file_index(std::span<const std::uint8_t> directory, std::uint32_t sector_count);

// Where file number `file_number` lies: from sector `start` up to, not including, `end`, of
// whose last sector 2048 − 8 × slack_units bytes belong to it.
struct FileExtent {
  std::uint32_t start;
  std::uint32_t end;
  std::uint8_t slack_units;
  std::uint32_t sector_count() const { return end > start ? end - start : 0; }
  std::uint64_t byte_size() const;
};

// The extent of `file_number` (0 to 5617), or nothing when its start or end slot was never
// filled by the directory.
std::optional<FileExtent> file_extent(const FileIndex& index, int file_number);

}  // namespace qv::disc
