// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A raw disc image in the game's layout, made entirely from content we generate: a directory
// in sectors 24 to 35, 5618 files, room archives with palettes, graphics parts and compressed
// scripts of made-up dialogue. Tests and the sample run extract it with discunpack.
#include <cstdint>
#include <filesystem>
#include <vector>

namespace qv::tools {

inline constexpr std::uint64_t kFullImageSize = 736651104;  // 313202 sectors
inline constexpr int kSampleFileCount = 5618;
inline constexpr int kFirstRoomFile = 356;
inline constexpr int kRoomCount = 537;
inline constexpr int kEmptyFile = 5;  // the one file whose end sector equals its start

struct SampleDiscOptions {
  bool full = false;  // pad the image to exactly kFullImageSize bytes
  std::uint64_t seed = 1;
};

struct SampleFile {
  std::uint32_t start = 0;    // first sector
  std::uint32_t sectors = 0;  // the file ends before start + sectors
  std::uint8_t slack_units = 0;
  std::uint64_t size() const { return sectors == 0 ? 0 : sectors * 2048ull - 8ull * slack_units; }
};

struct SampleDiscLayout {
  SampleDiscOptions options;
  std::vector<SampleFile> files;        // by file number
  std::vector<std::uint8_t> directory;  // the user data of the 12 directory sectors
  std::uint32_t sector_count = 0;
};

SampleDiscLayout plan_sample_disc(const SampleDiscOptions& options);

// The exact bytes of file `file_number` as it lies on the disc (what discunpack must write).
std::vector<std::uint8_t> sample_file_content(const SampleDiscLayout& layout, int file_number);

// The structured content of a room file (before any filler): a code archive, the middle file
// or a GFX archive for file numbers 356 + 3r, 357 + 3r and 358 + 3r.
std::vector<std::uint8_t> sample_room_file(int file_number, std::uint64_t seed);

// The decompressed script of room `room`: block records and text blocks of made-up dialogue in
// the game's text code, in the shapes of the game's own scripts: most blocks end with the close
// code and no line break, a few rooms are empty (under 51 bytes) and one holds over 220 blocks.
std::vector<std::uint8_t> sample_room_script(int room, std::uint64_t seed);

// Writes the whole image; false when the file could not be written.
bool write_sample_disc(const std::filesystem::path& path, const SampleDiscOptions& options);

// The whole image in memory (for the small image only).
std::vector<std::uint8_t> make_sample_disc(const SampleDiscOptions& options);

}  // namespace qv::tools
