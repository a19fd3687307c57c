// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small raw images for the tests: every sector's header and error-correction area is filled
// with a marker byte, so a reader that copies them into a file is caught.
#include <cstdint>
#include <vector>

#include "disc/file_index.hpp"
#include "disc/image.hpp"

namespace qv::test {

class ImageBuilder {
 public:
  explicit ImageBuilder(std::size_t sectors)
      : bytes_(sectors * qv::disc::kRawSectorSize, kHeaderMarker) {
    for (std::size_t s = 0; s < sectors; ++s) fill_user_data(s, 0);
  }

  static constexpr std::uint8_t kHeaderMarker = 0xEE;

  std::uint8_t* user_data(std::size_t sector) {
    return bytes_.data() + qv::disc::sector_offset(sector) + qv::disc::kSectorHeaderSize;
  }
  // Each user-data byte of the sector gets a value that tells sector and position apart.
  void fill_user_data(std::size_t sector, std::uint8_t seed) {
    for (std::size_t i = 0; i < qv::disc::kUserDataSize; ++i) {
      user_data(sector)[i] = static_cast<std::uint8_t>(seed + sector * 7 + i * 13);
    }
  }
  // Writes directory entry `entry` (0 to 6143) in the directory sectors.
  void set_entry(std::size_t entry, std::uint8_t b0, std::uint8_t b1, std::uint8_t b2,
                 std::uint8_t b3) {
    std::uint8_t* at = user_data(qv::disc::kFirstDirectorySector + entry / 512) + entry % 512 * 4;
    at[0] = b0, at[1] = b1, at[2] = b2, at[3] = b3;
  }
  void set_entry(std::size_t entry, std::uint32_t lba, std::uint8_t slack) {
    set_entry(entry, lba & 0xFF, (lba >> 8) & 0xFF, (lba >> 16) & 0xFF, slack);
  }
  // Fills every directory entry with one that is skipped.
  void skip_all_entries() {
    for (std::size_t e = 0; e < 6144; ++e) set_entry(e, 0xFF, 0xFF, 0xFF, 0xFF);
  }
  // The user data of sectors first..end-1, the last one cut by `slack` 8-byte units.
  std::vector<std::uint8_t> expected_file(std::size_t first, std::size_t end, int slack) {
    std::vector<std::uint8_t> file;
    for (std::size_t s = first; s < end; ++s) {
      std::size_t take = qv::disc::kUserDataSize - (s + 1 == end ? 8u * slack : 0u);
      file.insert(file.end(), user_data(s), user_data(s) + take);
    }
    return file;
  }

  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace qv::test
