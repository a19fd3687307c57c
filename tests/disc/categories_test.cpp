// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/categories.hpp"

#include <gtest/gtest.h>

using namespace qv::disc;

TEST(CategoryTable, RowsAreContiguousFromZero) {
  const auto table = category_table();
  ASSERT_EQ(table.size(), 23u);
  int next = 0;
  for (const CategoryRow& row : table) {
    EXPECT_EQ(row.first, next) << row.directory;
    ASSERT_GE(row.last, row.first);
    if (&row != &table.back()) next = row.last + 1;
  }
  EXPECT_GE(table.back().last, 5617);
}

TEST(OutputPath, NamesAndCategoriesAtTheBoundaries) {
  struct Case {
    int file;
    const char* path;
    const char* text;
  } cases[] = {
      {0, "../MISC/disk1/0000.out", "Misc"},
      {9, "../MISC/disk1/0009.out", "Misc"},
      {10, "../MISC/disk1/0010.out", "Misc"},
      {24, "../MISC/disk1/0024.out", "Misc"},
      {25, "../CF/disk1/0025.out", "Character face"},
      {99, "../CD/disk1/0099.out", "Character description"},
      {100, "../CD/disk1/0100.out", "Character description"},
      {189, "../ROT/disk1/0189.out", "Rare object TIM"},
      {307, "../OMCM/disk1/0307.out", "OverWorld Main Characters Models"},
      {308, "../MISC/disk1/0308.out", "Misc"},
      {331, "../OAM/disk1/0331.out", "OverWorld Alternate Models"},
      {332, "../MISC/disk1/0332.out", "Misc"},
      {355, "../MISC/disk1/0355.out", "Misc"},
      {356, "../Rooms/disk1/0356.out", "Rooms"},
      {999, "../Rooms/disk1/0999.out", "Rooms"},
      {1000, "../Rooms/disk1/1000.out", "Rooms"},
      {1966, "../Rooms/disk1/1966.out", "Rooms"},
      {1967, "../MISC/disk1/1967.out", "Misc"},
      {1980, "../WF/disk1/1980.out", "Windows frame"},
      {2084, "../CTF/disk1/2084.out", "Character talking face"},
      {2417, "../BF/disk1/2417.out", "Battlefield"},
      {3054, "../BS/disk1/3054.out", "Battlefield script"},
      {3759, "../SCL/disk1/3759.out", "Small Character Layer"},
      {5597, "../MISC/disk1/5597.out", "Misc"},
      {5598, "../V/disk1/5598.out", "Video"},
      {5617, "../V/disk1/5617.out", "Video"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(output_path(c.file), c.path);
    EXPECT_EQ(category_of(c.file).text, c.text) << c.file;
  }
}
