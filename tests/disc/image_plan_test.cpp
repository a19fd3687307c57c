// SPDX-License-Identifier: GPL-3.0-or-later
// Planning and writing a new image over a small one of our own: files in place, grown with
// everything after them moved, refused; and the check that stops a damaged image.
#include "disc/image_plan.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/files.hpp"
#include "disc/extract.hpp"
#include "disc/image_writer.hpp"
#include "tests/disc/sector_oracle.hpp"
#include "tests/support/scratch_dir.hpp"

namespace {

namespace fs = std::filesystem;
using namespace qv::disc;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kSectors = 60;
constexpr std::uint32_t kNotForm1 = 58;  // a sector of file 4 that only moves may touch
// Files 1 to 6 start here (file 4 is empty); file 0, in front, is empty at 40 too.
constexpr std::uint32_t kStarts[] = {40, 43, 45, 50, 50, 60};

std::array<std::uint8_t, 4> subheader_of(std::uint32_t s) {
  const bool last = s == 42 || s == 44 || s == 49 || s == 59;
  return {1, static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(last ? 0x89 : 0x08), 0};
}

Bytes make_image(std::uint32_t last_start = kStarts[5]) {
  Bytes directory(kDirectorySectorCount * kUserDataSize, 0xFF);
  for (std::size_t e = 0; e < std::size(kStarts); ++e) {
    const std::uint32_t start = e + 1 == std::size(kStarts) ? last_start : kStarts[e];
    directory[e * 4 + 8] = start & 0xFF;
    directory[e * 4 + 9] = (start >> 8) & 0xFF;
    directory[e * 4 + 10] = (start >> 16) & 0xFF;
    directory[e * 4 + 11] = static_cast<std::uint8_t>(e);
  }
  // In front: an entry that is skipped, then file 0.
  directory[0] = 0, directory[1] = 0, directory[2] = 0x4F, directory[3] = 0;  // skipped
  directory[4] = 40, directory[5] = 0, directory[6] = 0, directory[7] = 0;    // a file at 40 too
  Bytes image;
  for (std::uint32_t s = 0; s < kSectors; ++s) {
    std::array<std::uint8_t, kUserDataSize> user{};
    for (std::size_t i = 0; i < user.size(); ++i) user[i] = static_cast<std::uint8_t>(s * 7 + i);
    if (s >= kFirstDirectorySector && s < kFirstDirectorySector + kDirectorySectorCount) {
      std::copy_n(directory.begin() + (s - kFirstDirectorySector) * kUserDataSize, kUserDataSize,
                  user.begin());
    }
    const auto raw = make_form1_sector(s, subheader_of(s), user);
    image.insert(image.end(), raw.begin(), raw.end());
  }
  for (std::size_t i = 0; i < kRawSectorSize; ++i) {
    image[kNotForm1 * kRawSectorSize + i] = static_cast<std::uint8_t>(i * 3);
  }
  return image;
}

// A file of `image` as discunpack cuts it out.
Bytes file_bytes(ImageSource& image, int file_number) {
  SectorReader reader(image);
  Bytes directory(kDirectorySectorCount * kUserDataSize);
  reader.read_user_data(kFirstDirectorySector, kDirectorySectorCount, directory);
  const auto index =
      build_file_index(directory, static_cast<std::uint32_t>(reader.sector_count())).index;
  const auto extent = file_extent(index, file_number);
  Bytes bytes, scratch(reader.chunk_sectors() * kUserDataSize);
  if (!extent) return bytes;
  extract_file(reader, *extent, scratch, [&](std::span<const std::uint8_t> part) {
    bytes.insert(bytes.end(), part.begin(), part.end());
    return true;
  });
  return bytes;
}

Bytes content_of(std::size_t size) {
  Bytes content(size);
  for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<std::uint8_t>(i * 5 + 1);
  return content;
}

std::span<const std::uint8_t> sector(const Bytes& image, std::uint32_t s) {
  return std::span(image).subspan(s * kRawSectorSize, kRawSectorSize);
}

class ImagePlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ASSERT_TRUE(qv::common::write_file(original_path_, original_));
  }
  void TearDown() override { fs::remove_all(dir_); }

  ImagePlan plan() { return std::get<ImagePlan>(ImagePlan::start(source_)); }

  Bytes write(const ImagePlan& plan) {
    const auto failure = write_planned_image(original_path_, dir_ / "new.bin", plan);
    EXPECT_FALSE(failure) << *failure;
    return qv::common::read_file(dir_ / "new.bin").value_or(Bytes{});
  }

  fs::path dir_ = qv::test::scratch_dir("qv_image_plan");
  fs::path original_path_ = dir_ / "original.bin";
  Bytes original_ = make_image();
  MemoryImage source_{original_};
};

TEST_F(ImagePlanTest, NothingPlannedCopiesTheImage) {
  EXPECT_EQ(write(plan()), original_);
}

TEST_F(ImagePlanTest, InPlaceFillsTheFilesSectorsAndKeepsEverythingElse) {
  ImagePlan p = plan();
  const Bytes content = content_of(5000);
  const Placement placement = p.place_file(source_, 3, content, false);  // sectors 45 to 49
  ASSERT_EQ(placement.kind, PlacementKind::in_place) << placement.reason;
  EXPECT_EQ(placement.sectors_needed, 3u);
  EXPECT_EQ(placement.sectors_held, 5u);
  const Bytes image = write(p);
  ASSERT_EQ(image.size(), original_.size());

  // The shortest length five sectors express, the rest of the last sector zero.
  Bytes want = content;
  want.resize(4 * kUserDataSize + 8, 0);
  MemoryImage again(image);
  EXPECT_EQ(file_bytes(again, 3), want);
  for (std::uint32_t s = 45; s < 50; ++s) {
    EXPECT_TRUE(qv::test::form1_sector_ok(sector(image, s))) << s;
    EXPECT_TRUE(std::equal(image.begin() + s * kRawSectorSize + 16,
                           image.begin() + s * kRawSectorSize + 20, subheader_of(s).begin()));
  }
  EXPECT_TRUE(std::all_of(image.begin() + 49 * kRawSectorSize + 24 + 8,
                          image.begin() + 49 * kRawSectorSize + 24 + 2048,
                          [](std::uint8_t b) { return b == 0; }));
  for (std::uint32_t s = 0; s < kSectors; ++s) {
    if (s == 24 || (s >= 45 && s < 50)) continue;
    EXPECT_TRUE(std::ranges::equal(sector(image, s), sector(original_, s))) << s;
  }
  EXPECT_TRUE(qv::test::form1_sector_ok(sector(image, 24)));
  for (int f : {0, 1, 2, 4, 5}) EXPECT_EQ(file_bytes(again, f), file_bytes(source_, f)) << f;
}

TEST_F(ImagePlanTest, GrowingMovesEverythingAfterTheFileOnlyWhenAllowed) {
  ImagePlan p = plan();
  const Bytes content = content_of(4104);  // file 2 holds sectors 43 and 44; this needs three
  const Placement refused = p.place_file(source_, 2, content, false);
  EXPECT_EQ(refused.kind, PlacementKind::does_not_fit);
  EXPECT_EQ(refused.sectors_needed, 3u);
  EXPECT_EQ(p.sector_count(), kSectors);
  EXPECT_EQ(p.directory(), p.original_directory());

  const Placement moved = p.place_file(source_, 2, content, true);
  ASSERT_EQ(moved.kind, PlacementKind::moved) << moved.reason;
  EXPECT_EQ(moved.sectors_added, 1u);
  EXPECT_EQ(moved.entries_moved, 4u);  // the entries at 45, 50, 50 and 60
  const Bytes image = write(p);
  ASSERT_EQ(image.size(), original_.size() + kRawSectorSize);

  MemoryImage again(image);
  EXPECT_EQ(file_bytes(again, 2), content);
  for (int f : {0, 1, 3, 4}) EXPECT_EQ(file_bytes(again, f), file_bytes(source_, f)) << f;
  // Sectors before the file are as they were; the grown file continues its first sector's
  // subheader and ends with its last one's; every later sector moved, its address changed only.
  for (std::uint32_t s = 0; s < 43; ++s) {
    if (s != 24) {
      EXPECT_TRUE(std::ranges::equal(sector(image, s), sector(original_, s))) << s;
    }
  }
  const std::uint8_t submodes[] = {0x08, 0x08, 0x89};
  for (std::uint32_t s = 43; s < 46; ++s) {
    EXPECT_TRUE(qv::test::form1_sector_ok(sector(image, s))) << s;
    EXPECT_EQ(image[s * kRawSectorSize + 16 + 1], 43u + (s == 45)) << s;
    EXPECT_EQ(image[s * kRawSectorSize + 16 + 2], submodes[s - 43]) << s;
  }
  for (std::uint32_t s = 45; s < kSectors; ++s) {
    Bytes want(sector(original_, s).begin(), sector(original_, s).end());
    const auto address = sector_address(s + 1);
    std::copy(address.begin(), address.end(), want.begin() + 12);
    EXPECT_TRUE(std::ranges::equal(sector(image, s + 1), want)) << s;
    if (s != kNotForm1) {
      EXPECT_TRUE(qv::test::form1_sector_ok(sector(image, s + 1))) << s;
    }
  }
}

TEST_F(ImagePlanTest, MovingStopsShortOfTheLastSectorADirectoryEntryHolds) {
  for (const std::uint32_t last_start : {0x4EFFFEu, 0x4EFFFFu}) {
    SCOPED_TRACE(last_start);
    const Bytes image = make_image(last_start);
    MemoryImage source(image);
    ImagePlan p = std::get<ImagePlan>(ImagePlan::start(source));
    const Placement placement = p.place_file(source, 2, content_of(4104), true);
    if (last_start == 0x4EFFFF) {
      EXPECT_EQ(placement.kind, PlacementKind::past_last_sector);
      EXPECT_EQ(placement.pushed_file, 6);
      EXPECT_EQ(p.directory(), p.original_directory());
      EXPECT_EQ(p.sector_count(), kSectors);
    } else {
      ASSERT_EQ(placement.kind, PlacementKind::moved) << placement.reason;
      EXPECT_EQ(p.directory()[5 * 4 + 8], 0xFF);
      EXPECT_EQ(p.directory()[5 * 4 + 9], 0xFF);
      EXPECT_EQ(p.directory()[5 * 4 + 10], 0x4E);
    }
  }
}

TEST_F(ImagePlanTest, RefusesFilesItCannotRewriteFaithfully) {
  ImagePlan p = plan();
  EXPECT_EQ(p.place_file(source_, 5, content_of(16), false).reason,
            "sector 58 is not a Mode 2 Form 1 sector of its place");
  ASSERT_EQ(p.place_file(source_, 1, content_of(16), false).kind, PlacementKind::in_place);
  EXPECT_EQ(p.place_file(source_, 1, content_of(16), false).reason,
            "it was given new content already");
  EXPECT_EQ(p.place_file(source_, 4, content_of(16), false).reason, "it has no sectors");
  EXPECT_EQ(p.place_file(source_, 400, content_of(16), false).reason,
            "the disc directory does not place it");
}

TEST_F(ImagePlanTest, AnImageThatDoesNotReadBackAsPlannedIsRemoved) {
  // A byte of the file, of its error codes, and of a moved sector's address.
  const std::uint64_t damaged[] = {43 * kRawSectorSize + 100, 44 * kRawSectorSize + 2300,
                                   50 * kRawSectorSize + 14};
  for (const std::uint64_t at : damaged) {
    SCOPED_TRACE(at);
    ImagePlan p = plan();
    ASSERT_EQ(p.place_file(source_, 2, content_of(4104), true).kind, PlacementKind::moved);
    const auto failure =
        write_planned_image(original_path_, dir_ / "new.bin", p, [at](const fs::path& scratch) {
          Bytes bytes = *qv::common::read_file(scratch);
          bytes[at] ^= 0x40;
          ASSERT_TRUE(qv::common::write_file(scratch, bytes));
        });
    EXPECT_TRUE(failure);
    EXPECT_FALSE(fs::exists(dir_ / "new.bin"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1);
  }
  EXPECT_EQ(qv::common::read_file(original_path_), original_);
}

}  // namespace
