// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Raw sectors built afresh for writing: sync, address, EDC and ECC computed, so the drive
// accepts them; the subheader comes from the caller.
#include <array>
#include <cstdint>
#include <optional>
#include <span>

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

// The header address of sector `lba`: minutes, seconds and frames, 150 frames in, in BCD.
std::array<std::uint8_t, 3> sector_address(std::uint32_t lba);

// A Mode 2 Form 1 sector for `lba` with `subheader` and `user_data`, EDC and ECC included.
RawSector make_form1_sector(std::uint32_t lba,
                            std::span<const std::uint8_t, kSubheaderSize> subheader,
                            std::span<const std::uint8_t, kUserDataSize> user_data);

// Where the directory entry of `file_number` lies in `directory` (the user data of the
// directory sectors in order): the byte offset of its 4 bytes, or nothing when fewer accepted
// entries are there. Reads nothing outside `directory`.
std::optional<std::size_t> directory_entry_offset(std::span<const std::uint8_t> directory,
                                                  int file_number);

}  // namespace qv::disc
