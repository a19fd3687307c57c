// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <filesystem>
#include <ostream>
#include <span>
#include <string>

namespace qv::disc {

// The whole run of discunpack over the arguments that follow the program name: checks the
// image, writes "file.tbl" into `work_dir` and the disc's files as
// "../<Category>/disk1/NNNN.out" relative to it. Console text goes to `console`; a relative
// image path is taken from `work_dir`. Returns the exit status: 1 after the usage text, an
// image that cannot be opened, an image that ends inside one of its files or an output that
// could not be written, else 0.
int run_discunpack(std::span<const std::string> args, const std::filesystem::path& work_dir,
                   std::ostream& console);

}  // namespace qv::disc
