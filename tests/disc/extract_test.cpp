// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/extract.hpp"

#include <gtest/gtest.h>

#include "image_builder.hpp"

using namespace qv::disc;
using qv::test::ImageBuilder;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Extracted {
  Bytes bytes;
  ExtractResult result;
  int calls = 0;
};

Extracted extract(ImageBuilder& image, FileExtent extent, std::size_t chunk_sectors = 4,
                  std::size_t scratch_sectors = 4) {
  MemoryImage source(image.bytes());
  SectorReader reader(source, chunk_sectors);
  Bytes scratch(scratch_sectors * kUserDataSize);
  Extracted out;
  out.result = extract_file(reader, extent, scratch, [&](std::span<const std::uint8_t> b) {
    out.bytes.insert(out.bytes.end(), b.begin(), b.end());
    ++out.calls;
    return true;
  });
  return out;
}

}  // namespace

TEST(ExtractFile, CutsTheLastSectorByItsSlack) {
  ImageBuilder image(40);
  struct Case {
    std::uint32_t start, end;
    std::uint8_t slack;
    std::size_t bytes;
  } cases[] =
      {
          {5, 8, 0, 6144},
          {5, 8, 2, 6128},
          {5, 8, 255, 4104},
          {5, 6, 255, 8},
          {5, 5, 3, 0},
          {8, 5, 0, 0},
          {39, 40, 1, 2040},
          {3, 17, 7, 14 * 2048 - 56},  // more sectors than one chunk: the slack hits only the last
      };
  for (const Case& c : cases) {
    const Extracted out = extract(image, {c.start, c.end, c.slack});
    EXPECT_EQ(out.bytes.size(), c.bytes) << c.start << ".." << c.end;
    EXPECT_EQ(out.bytes, image.expected_file(c.start, std::max(c.start, c.end), c.slack));
    EXPECT_EQ(out.result.bytes_written, c.bytes);
    EXPECT_FALSE(out.result.image_short);
  }
}

TEST(ExtractFile, SmallScratchOrChunkStillGivesTheWholeFile) {
  ImageBuilder image(20);
  for (auto [chunk, scratch] : {std::pair{1, 4}, {4, 1}, {3, 3}, {64, 64}}) {
    const Extracted out = extract(image, {2, 19, 9}, chunk, scratch);
    EXPECT_EQ(out.bytes, image.expected_file(2, 19, 9)) << chunk << " " << scratch;
    EXPECT_EQ(out.calls, (17 + std::min(chunk, scratch) - 1) / std::min(chunk, scratch));
  }
}

TEST(ExtractFile, ATruncatedImageGivesOnlyTheBytesReallyRead) {
  ImageBuilder image(12);
  const Bytes whole_sectors = image.expected_file(6, 10, 0);
  image.bytes().resize(10 * kRawSectorSize + 24 + 300);  // sector 10 keeps 300 user bytes
  struct Case {
    FileExtent extent;
    std::size_t bytes;
    bool short_image;
  } cases[] = {
      {{6, 14, 0}, 4 * 2048 + 300, true},
      {{6, 11, 220}, 4 * 2048 + 288, false},  // 288 bytes wanted of sector 10: all there
      {{6, 11, 200}, 4 * 2048 + 300, true},   // 448 wanted, 300 there
      {{12, 20, 0}, 0, true},                 // starts past the end
      {{6, 10, 0}, 4 * 2048, false},
  };
  for (const Case& c : cases) {
    const Extracted out = extract(image, c.extent, 3, 3);
    EXPECT_EQ(out.bytes.size(), c.bytes) << c.extent.start << ".." << c.extent.end;
    EXPECT_EQ(out.result.image_short, c.short_image) << c.extent.start << ".." << c.extent.end;
    EXPECT_TRUE(std::equal(out.bytes.begin(),
                           out.bytes.begin() + std::min<std::size_t>(out.bytes.size(), 8192),
                           whole_sectors.begin()));
  }
  // Sector 10 is cut, but the file's own bytes in it are all there.
  const Extracted fits = extract(image, {10, 11, 250}, 3, 3);
  EXPECT_EQ(fits.bytes.size(), 48u);
  EXPECT_FALSE(fits.result.image_short);
}

TEST(ExtractFile, StopsAtTheFirstRefusedWrite) {
  ImageBuilder image(20);
  MemoryImage source(image.bytes());
  SectorReader reader(source, 2);
  Bytes scratch(2 * kUserDataSize);
  int calls = 0;
  const ExtractResult result =
      extract_file(reader, {0, 20, 0}, scratch, [&](auto) { return ++calls < 3; });
  EXPECT_EQ(calls, 3);
  EXPECT_TRUE(result.write_failed);
  EXPECT_EQ(result.bytes_written, 2u * 2 * kUserDataSize);
}
