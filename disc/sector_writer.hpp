#pragma once
// Writing user data back into raw sectors. A rewritten sector gets its sync, address, EDC and
// ECC computed afresh, so the drive accepts it; the subheader comes from the sector it replaces.
// Planning is pure: it reads the image and returns the raw sectors to write.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "disc/file_index.hpp"
#include "disc/image.hpp"

namespace qv::disc {

inline constexpr std::size_t kSubheaderOffset = 16;
inline constexpr std::size_t kSubheaderSize = 4;  // file, channel, submode, coding; stored twice

using RawSector = std::array<std::uint8_t, kRawSectorSize>;

// Whether `raw` is a whole Mode 2 Form 1 sector for `lba`: the sync pattern, the address of
// `lba` (in minutes, seconds and frames, 150 frames in), mode 2, two equal subheader copies and
// the Form 2 bit clear. Only such a sector holds the 2048 bytes at offset 24 that we read, so
// only such a sector may be rebuilt. False for a span of any other length.
bool is_form1_sector(std::span<const std::uint8_t> raw, std::uint32_t lba);

// A Mode 2 Form 1 sector for `lba` with `subheader` and `user_data`, EDC and ECC included.
RawSector make_form1_sector(std::uint32_t lba,
                            std::span<const std::uint8_t, kSubheaderSize> subheader,
                            std::span<const std::uint8_t, kUserDataSize> user_data);

struct SectorPatch {
  std::uint32_t lba = 0;
  RawSector bytes{};
};

struct SectorPlan {
  std::optional<SectorPatch> patch;    // nothing when the user data is already what is asked
  std::optional<std::string> refusal;  // why the sector cannot be rewritten
};

// Plans giving sector `lba` of `image` the user data `user_data`. Refuses a sector that the
// image does not hold whole or that is not a Form 1 sector for its place (see is_form1_sector).
SectorPlan plan_sector_rewrite(ImageSource& image, std::uint32_t lba,
                               std::span<const std::uint8_t, kUserDataSize> user_data);

struct FileRewrite {
  std::vector<SectorPatch> patches;  // only sectors whose user data changes
  std::uint8_t slack_units = 0;      // the directory's slack for the new content
  std::optional<std::string> refusal;
};

// Plans writing `content` over the sectors of `extent`, which keeps its sectors: the file can
// neither grow past them nor give any back, since the next file starts where it ends. The
// content is padded with zero bytes to a whole number of 8-byte units and to at least 8 bytes
// in the last sector, and the rest of the last sector is zero. Refuses content longer than the
// sectors hold, an extent without sectors and any sector that plan_sector_rewrite refuses; a
// refused plan has no patches.
FileRewrite plan_file_rewrite(ImageSource& image, const FileExtent& extent,
                              std::span<const std::uint8_t> content);

// Where the directory entry of `file_number` lies in `directory` (the user data of the
// directory sectors in order): the byte offset of its 4 bytes, or nothing when fewer accepted
// entries are there. Reads nothing outside `directory`.
std::optional<std::size_t> directory_entry_offset(std::span<const std::uint8_t> directory,
                                                  int file_number);

}  // namespace qv::disc
