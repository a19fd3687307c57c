// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A scratch folder under the system's temporary directory, named after the test and this
// process, so that two test runs at the same time never share one.
#include <unistd.h>

#include <filesystem>
#include <string>

namespace qv::test {

inline std::filesystem::path scratch_dir(std::string name) {
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
}

}  // namespace qv::test
