// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fixed sorting of file numbers into category directories, and the names of the files.
#include <span>
#include <string>
#include <string_view>

namespace qv::disc {

struct CategoryRow {
  int first;  // file numbers first..last; the last row has no upper bound
  int last;
  std::string_view directory;
  std::string_view text;  // printed on the console after each file of the row
};

// 23 contiguous rows from file number 0 up.
std::span<const CategoryRow> category_table();

// The row that holds `file_number` (at least 0).
const CategoryRow& category_of(int file_number);

// "0009.out", "0356.out", "5617.out": at least four digits.
std::string output_file_name(int file_number);

// The path below the working directory: "../" + directory + "/disk1/" + file name.
std::string output_path(int file_number);

}  // namespace qv::disc
