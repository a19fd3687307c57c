// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// scriptcheck: the checks of every room's dump text beside the tree, or of the dump texts given.
#include <filesystem>
#include <ostream>
#include <span>
#include <string>

namespace qv::check {

// With no argument, checks "..//rooms//disk1//R//code//outscript.txt" of every room (relative
// to `work_dir`) against the room's "8script.ccs", dumped in memory; a room without a dump text
// is skipped. Otherwise checks each FILE of `args`, and "--source SOURCE" names the source dump
// of a single FILE. Diagnostics go to `out` one a line, with a summary at the end; problems with
// the command line or an unreadable file go to `errors`. Writes no file. Returns the exit
// status: 0 without errors, 1 with at least one, 2 for a usage error or an unreadable file.
int run_scriptcheck(std::span<const std::string> args, const std::filesystem::path& work_dir,
                    std::ostream& out, std::ostream& errors);

}  // namespace qv::check
