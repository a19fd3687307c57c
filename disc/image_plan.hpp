// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a new image will hold, planned before a byte of it is written: files given new content,
// in their own sectors or grown with everything after them moved down, and the directory that
// places them. Planning reads the original image and writes nothing; image_writer writes the
// plan out.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "disc/file_index.hpp"
#include "disc/image.hpp"
#include "disc/sector_writer.hpp"

namespace qv::disc {

// A directory entry holds 24 bits of sector, and one whose top byte passes 0x4E is skipped.
inline constexpr std::uint32_t kLastPlaceableSector = 0x4EFFFF;

// The shortest length `sectors` sectors can express: 8 bytes of the last sector are the least
// that a slack byte of 255 leaves.
constexpr std::uint64_t shortest_length(std::uint32_t sectors) {
  return sectors == 0 ? 0 : (std::uint64_t{sectors} - 1) * kUserDataSize + 8;
}

enum class PlacementKind {
  in_place,          // written over the file's own sectors
  moved,             // grown; everything from its old end on moved down
  does_not_fit,      // needs more sectors and moving was not allowed
  past_last_sector,  // moving would push an entry past kLastPlaceableSector
  refused,           // see `reason`
};

struct Placement {
  PlacementKind kind = PlacementKind::refused;
  std::uint32_t sectors_needed = 0;
  std::uint32_t sectors_held = 0;  // the file's sectors before
  std::size_t entries_moved = 0;   // moved: accepted entries that start after it
  std::uint32_t sectors_added = 0;
  int pushed_file = -1;  // past_last_sector: the first file that would leave the directory
  std::string reason;    // refused: why, in words that read after "file F left out: "
};

// One file given new content.
struct PlannedFile {
  int file_number = 0;
  std::uint32_t original_start = 0;  // its sectors in the original image
  std::uint32_t original_end = 0;
  std::uint32_t sectors = 0;          // in the new image
  std::vector<std::uint8_t> content;  // exactly what discunpack of the new image cuts out
  std::uint8_t slack_units = 0;
  // One per sector of the new image: the original sector's own in place; in a grown file the
  // first sector's, end of record and end of file cleared, and the original last one's last.
  std::vector<std::array<std::uint8_t, kSubheaderSize>> subheaders;
};

// A run of sectors of the new image: original sectors from `source` on, or sectors of the
// planned file `file` (an index into ImagePlan::files()).
struct SectorRun {
  std::uint32_t length = 0;
  bool is_file = false;
  std::uint32_t source = 0;
  std::size_t file = 0;
};

class ImagePlan {
 public:
  // The plan of an image identical to `original`, or why there can be none (the image ends
  // before its directory does).
  static std::variant<ImagePlan, std::string> start(ImageSource& original);

  // Plans `content` (a whole number of 8-byte units, at least 8 bytes) as the new content of
  // `file_number`, placed in its own sectors when they hold it, else moved when `allow_move`.
  // A placement that is not in_place or moved leaves the plan as it was. Refuses a file that
  // was already given content, one whose sectors hold the directory or are not Mode 2 Form 1
  // sectors of their place, and one whose new slack would fall in a directory sector that is
  // not Form 1.
  Placement place_file(ImageSource& original, int file_number,
                       std::span<const std::uint8_t> content, bool allow_move);

  // The directory's user data, 12 sectors, as the new image holds it.
  const std::vector<std::uint8_t>& directory() const { return directory_; }
  const std::vector<std::uint8_t>& original_directory() const { return original_directory_; }
  // The directory sectors whose subheaders the rewritten directory sectors keep.
  const std::vector<RawSector>& original_directory_sectors() const { return directory_sectors_; }
  const std::vector<PlannedFile>& files() const { return files_; }
  const std::vector<SectorRun>& runs() const { return runs_; }
  std::uint64_t original_size() const { return original_size_; }
  std::uint32_t sector_count() const;  // of the new image
  // Bytes after the original's last whole sector, copied after the new image's last one.
  std::uint64_t tail_size() const { return original_size_ % kRawSectorSize; }
  std::uint64_t size() const {
    return std::uint64_t{sector_count()} * kRawSectorSize + tail_size();
  }
  // The first sector of the new image that is not at its original place, if any.
  std::optional<std::uint32_t> first_moved_sector() const;

 private:
  ImagePlan() = default;
  std::vector<std::uint8_t> directory_;
  std::vector<std::uint8_t> original_directory_;
  std::vector<RawSector> directory_sectors_;
  std::vector<bool> directory_form1_;
  FileIndex original_index_;
  std::vector<PlannedFile> files_;
  std::vector<SectorRun> runs_;
  std::uint64_t original_size_ = 0;
};

}  // namespace qv::disc
