// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/file_index.hpp"

#include <gtest/gtest.h>

#include <vector>

using namespace qv::disc;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A directory of `count` accepted entries where entry k starts at sector 100 + k.
Bytes ascending_directory(std::size_t count) {
  Bytes directory;
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint32_t lba = static_cast<std::uint32_t>(100 + k);
    directory.insert(directory.end(),
                     {std::uint8_t(lba), std::uint8_t(lba >> 8), 0, std::uint8_t(k % 256)});
  }
  return directory;
}

}  // namespace

TEST(CheckImageSize, PrintsTheSizeAndKnowsTheGenuineOne) {
  const SizeCheck genuine = check_image_size(736651104);
  EXPECT_EQ(genuine.console, "Filesize of cd1.iso is 736651104 bytes\n");
  EXPECT_TRUE(genuine.genuine);
  for (std::uint64_t size : {0ull, 736651103ull, 736651105ull, 5000000000ull}) {
    const SizeCheck other = check_image_size(size);
    EXPECT_FALSE(other.genuine) << size;
    EXPECT_EQ(other.console, "Filesize of cd1.iso is " + std::to_string(size) + " bytes\n");
  }
}

TEST(BuildFileIndex, AcceptsSkipsAndNumbersEntries) {
  const Bytes directory = {
      0x10, 0x2A, 0x00, 0x03,  // file 0: lba 10768, slack 3
      0x00, 0x00, 0x4F, 0x00,  // skipped: takes no slot
      0x00, 0x00, 0x00, 0x00,  // file 1: four zero bytes are an entry
      0xFF, 0xFF, 0x4E, 0xFF,  // file 2: the highest accepted byte 2
      0x01, 0x02, 0xFF, 0x04,  // skipped
      0x20, 0x00, 0x00, 0x00,  // file 3
      0x99,                    // a stray byte that is no entry
  };
  const DirectoryRead read = build_file_index(directory, 313202);
  EXPECT_EQ(read.file_table, (Bytes{0x10, 0x2A, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF,
                                    0x4E, 0xFF, 0x20, 0x00, 0x00, 0x00}));
  EXPECT_EQ(read.accepted, 4u);
  EXPECT_EQ(read.index.filled, 4u);
  const auto& slots = read.index.slots;
  EXPECT_EQ(slots[1].lba, 10768u);
  EXPECT_EQ(slots[1].slack_units, 3);
  EXPECT_EQ(slots[2].lba, 0u);
  EXPECT_EQ(slots[3].lba, 0x4EFFFFu);
  EXPECT_EQ(slots[3].slack_units, 0xFF);
  EXPECT_EQ(slots[4].lba, 0x20u);
  EXPECT_EQ(slots[kEndSlot].lba, 313202u);
}

TEST(BuildFileIndex, TheLastFileEndsAtTheSectorCountNotAtTheNextEntry) {
  const DirectoryRead read = build_file_index(ascending_directory(5619), 313202);
  EXPECT_EQ(read.file_table.size(), 5619u * 4);
  const auto last = file_extent(read.index, 5617);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->start, 100u + 5617);
  EXPECT_EQ(last->end, 313202u);
  EXPECT_EQ(last->slack_units, 5617 % 256);
  const auto first = file_extent(read.index, 0);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->start, 100u);
  EXPECT_EQ(first->end, 101u);
}

TEST(BuildFileIndex, EntriesBeyondTheTableGoOnlyToTheFileTable) {
  const Bytes directory = ascending_directory(6144);
  const DirectoryRead read = build_file_index(directory, 7);
  EXPECT_EQ(read.file_table, directory);
  EXPECT_EQ(read.accepted, 6144u);
  EXPECT_EQ(read.index.filled, kEndSlot);
  EXPECT_EQ(read.index.slots[5618].lba, 100u + 5617);
  EXPECT_EQ(read.index.slots[kEndSlot].lba, 7u);
}

TEST(FileExtent, OnlyFilesWhoseStartAndEndSlotsWereFilled) {
  struct Case {
    std::size_t accepted;
    int last_extracted;  // -1: none
  } cases[] = {{0, -1}, {1, -1}, {2, 0}, {100, 98}, {5617, 5615}, {5618, 5617}, {5619, 5617}};
  for (const Case& c : cases) {
    const DirectoryRead read = build_file_index(ascending_directory(c.accepted), 9000);
    for (int file : {0, 1, 98, 99, 5615, 5616, 5617}) {
      EXPECT_EQ(file_extent(read.index, file).has_value(), file <= c.last_extracted)
          << "file " << file << " with " << c.accepted << " entries";
    }
  }
  const DirectoryRead read = build_file_index(ascending_directory(5619), 9000);
  EXPECT_FALSE(file_extent(read.index, -1));
  EXPECT_FALSE(file_extent(read.index, 5618));
}

TEST(FileExtent, ByteSizeFollowsTheSlack) {
  struct Case {
    FileExtent extent;
    std::uint64_t bytes;
  } cases[] = {
      {{10, 13, 0}, 6144}, {{10, 13, 2}, 6128}, {{10, 13, 255}, 4104},
      {{10, 11, 255}, 8},  {{10, 10, 5}, 0},    {{10, 4, 0}, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.extent.byte_size(), c.bytes)
        << c.extent.start << ".." << c.extent.end << " slack " << int(c.extent.slack_units);
  }
}
