// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/image.hpp"

#include <gtest/gtest.h>

#include "image_builder.hpp"

using namespace qv::disc;
using qv::test::ImageBuilder;

TEST(UserBytesPresent, CountsOnlyWhatTheImageHolds) {
  const std::uint64_t three_sectors = 3 * kRawSectorSize;
  struct Case {
    std::uint64_t sector, image_size;
    std::size_t expected;
  } cases[] = {
      {0, three_sectors, 2048},
      {2, three_sectors, 2048},
      {3, three_sectors, 0},
      {2, 2 * kRawSectorSize + 24 + 100, 100},    // cut inside the user data
      {2, 2 * kRawSectorSize + 24 + 2048, 2048},  // cut in the error-correction bytes
      {2, 2 * kRawSectorSize + 10, 0},            // cut inside the header
      {0xFFFFFF, three_sectors, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(user_bytes_present(c.sector, c.image_size), c.expected)
        << "sector " << c.sector << " of an image of " << c.image_size;
  }
}

TEST(SectorReader, ReadsUserDataOfARunAcrossChunks) {
  ImageBuilder image(10);
  MemoryImage source(image.bytes());
  SectorReader reader(source, 3);
  std::vector<std::uint8_t> out(3 * kUserDataSize, 0x55);
  // Asking for more than a chunk gives one chunk.
  ASSERT_EQ(reader.read_user_data(4, 5, out), 3 * kUserDataSize);
  EXPECT_EQ(out, image.expected_file(4, 7, 0));
  EXPECT_EQ(reader.sector_count(), 10u);
}

TEST(SectorReader, StopsAtTheEndOfATruncatedImageWithoutTouchingTheRest) {
  ImageBuilder image(4);
  image.bytes().resize(3 * kRawSectorSize + 24 + 1000);  // sector 3 keeps 1000 user bytes
  MemoryImage source(image.bytes());
  SectorReader reader(source, 8);
  std::vector<std::uint8_t> out(4 * kUserDataSize, 0x55);
  ASSERT_EQ(reader.read_user_data(2, 4, out), kUserDataSize + 1000);
  auto expected = image.expected_file(2, 3, 0);
  expected.insert(expected.end(), image.user_data(3), image.user_data(3) + 1000);
  expected.resize(out.size(), 0x55);
  EXPECT_EQ(out, expected);

  EXPECT_EQ(reader.read_user_data(9, 1, out), 0u);
}
