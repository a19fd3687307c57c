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

// Creates the last directory level of `path` unless some spelling of it exists already.
// Failures are ignored: a later file creation below it reports the problem.
void make_directory(const std::filesystem::path& path);

}  // namespace qv::common
