// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <filesystem>
#include <ostream>

namespace qv::rooms {

inline constexpr int kRoomCount = 537;
inline constexpr int kFirstRoomFile = 356;  // room r owns files 356 + 3r, 357 + 3r, 358 + 3r

// For every room, splits its code and GFX archives and copies its middle file, from
// "../rooms/disk1/NNNN.out" relative to `work_dir` into "../rooms/disk1/R/<kind>/". Prints
// "Dumping Room %d" per room, and one short line for each problem found in an archive.
// Returns false when a room file was missing or unreadable, an archive was refused or a file
// could not be written; the run goes on over every room all the same.
bool run_roomdump(const std::filesystem::path& work_dir, std::ostream& console);

}  // namespace qv::rooms
