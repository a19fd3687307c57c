// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <filesystem>
#include <ostream>

namespace qv::pack {

// For every room, encodes "..//rooms//disk1//R//code//outscript.txt" (relative to `work_dir`)
// into the decompressed script "script" and compresses it into "8script" with the header word
// of "8script.dat". A room without a dump text compresses the "script" left by an earlier run,
// if there is one. A room that cannot be packed is reported on `console` and keeps its files.
// Returns false when a room was not packed; unsupported tags or characters alone are no failure.
bool run_scriptpack(const std::filesystem::path& work_dir, std::ostream& console);

}  // namespace qv::pack
