// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Paths of the shared directory tree. One program creates a directory as "Rooms" and the others
// address it as "rooms": every path is resolved component by component against what exists,
// without regard to ASCII case, so both spellings reach the same directory on any file system.
#include <filesystem>
#include <string>

namespace qv::common {

// printf-style formatting of a path pattern such as "..//rooms//disk1//%d//code//".
std::string format_path(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// Maps each component of `path` onto an existing entry of the same name in any letter case
// (an exact match wins; among other spellings the first in name order). From the first
// component that exists in no spelling on, the rest is kept as written.
std::filesystem::path resolve_path(const std::filesystem::path& path);

// The "code" directory of room `room` in the tree beside `work_dir`
// ("..//rooms//disk1//R//code//"), resolved against what exists.
std::filesystem::path room_code_dir(const std::filesystem::path& work_dir, int room);

// `path`, which lies in the tree beside `work_dir`, as the console programs show it: "../" and
// the rest of the path as it exists on disk (for example "../Rooms/disk1/5/code/outscript.txt").
std::string shown_beside(const std::filesystem::path& work_dir, const std::filesystem::path& path);

// Creates the last directory level of `path` unless some spelling of it exists already.
// Failures are ignored: a later file creation below it reports the problem.
void make_directory(const std::filesystem::path& path);

}  // namespace qv::common
