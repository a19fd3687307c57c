// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/categories.hpp"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace qv::disc {

namespace {

constexpr CategoryRow kCategories[] = {
    {0, 24, "MISC", "Misc"},
    {25, 74, "CF", "Character face"},
    {75, 125, "CD", "Character description"},
    {126, 178, "ROT", "Rare object TIM"},
    {179, 185, "MISC", "Misc"},
    {186, 189, "ROT", "Rare object TIM"},
    {190, 203, "MISC", "Misc"},
    {204, 307, "OMCM", "OverWorld Main Characters Models"},
    {308, 321, "MISC", "Misc"},
    {322, 331, "OAM", "OverWorld Alternate Models"},
    {332, 355, "MISC", "Misc"},
    {356, 1966, "Rooms", "Rooms"},
    {1967, 1977, "MISC", "Misc"},
    {1978, 1992, "WF", "Windows frame"},
    {1993, 2084, "CTF", "Character talking face"},
    {2085, 2416, "MISC", "Misc"},
    {2417, 2513, "BF", "Battlefield"},
    {2514, 2542, "MISC", "Misc"},
    {2543, 3054, "BS", "Battlefield script"},
    {3055, 3707, "MISC", "Misc"},
    {3708, 3759, "SCL", "Small Character Layer"},
    {3760, 5597, "MISC", "Misc"},
    {5598, INT_MAX, "V", "Video"},
};

}  // namespace

std::span<const CategoryRow> category_table() {
  return kCategories;
}

const CategoryRow& category_of(int file_number) {
  const auto row = std::find_if(std::begin(kCategories), std::end(kCategories),
                                [&](const CategoryRow& r) { return file_number <= r.last; });
  return row == std::end(kCategories) ? kCategories[0] : *row;
}

std::string output_file_name(int file_number) {
  char name[24];
  std::snprintf(name, sizeof name, "%04d.out", file_number);
  return name;
}

std::string output_path(int file_number) {
  std::string path = "../";
  path += category_of(file_number).directory;
  path += "/disk1/";
  path += output_file_name(file_number);
  return path;
}

}  // namespace qv::disc
