// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <filesystem>
#include <ostream>

namespace qv::script {

inline constexpr int kRoomCount = 537;

// For every room, decompresses "..//rooms//disk1//R//code//8script" (relative to `work_dir`)
// into "8script.ccs", keeps its header word in "8script.dat", writes the bit file "temp" into
// `work_dir` and the dump text "outscript.txt". Console text goes to `console`. Returns false
// when a room was refused (its script unreadable, too short or its record table unreadable)
// or its files could not be written; a room without "8script" is no failure.
bool run_scriptdump(const std::filesystem::path& work_dir, std::ostream& console);

}  // namespace qv::script
