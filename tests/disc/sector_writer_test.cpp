#include "disc/sector_writer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/files.hpp"
#include "disc/image_writer.hpp"
#include "tests/disc/sector_oracle.hpp"
#include "tests/support/scratch_dir.hpp"

namespace {

using qv::disc::kRawSectorSize;
using qv::disc::kUserDataSize;
using Bytes = std::vector<std::uint8_t>;
using UserData = std::array<std::uint8_t, kUserDataSize>;

constexpr std::uint8_t kDataSubheader[4] = {1, 0, 0x08, 0};

UserData pattern(std::uint8_t seed) {
  UserData user{};
  for (std::size_t i = 0; i < user.size(); ++i) user[i] = static_cast<std::uint8_t>(seed + i * 31);
  return user;
}

// An image of valid Form 1 sectors, sector s filled with pattern(s).
Bytes form1_image(std::uint32_t sectors) {
  Bytes image;
  for (std::uint32_t s = 0; s < sectors; ++s) {
    const auto raw = qv::disc::make_form1_sector(s, kDataSubheader, pattern(std::uint8_t(s)));
    image.insert(image.end(), raw.begin(), raw.end());
  }
  return image;
}

std::span<const std::uint8_t> sector_of(const Bytes& image, std::uint32_t lba) {
  return std::span(image).subspan(lba * kRawSectorSize, kRawSectorSize);
}

TEST(MakeForm1Sector, HeaderSubheaderDataAndErrorCodesAreRight) {
  struct Case {
    std::uint32_t lba;
    std::uint8_t subheader[4];
    std::uint8_t address[3];  // minutes, seconds, frames in BCD, 150 frames in
  };
  const Case cases[] = {
      {0, {0, 0, 0x08, 0}, {0x00, 0x02, 0x00}},
      {24, {1, 2, 0x89, 0}, {0x00, 0x02, 0x24}},
      {313201, {0, 0, 0x08, 0}, {0x69, 0x38, 0x01}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lba);
    const UserData user = pattern(static_cast<std::uint8_t>(c.lba));
    const auto raw = qv::disc::make_form1_sector(c.lba, c.subheader, user);
    EXPECT_TRUE(qv::disc::is_form1_sector(raw, c.lba));
    EXPECT_TRUE(std::equal(c.address, c.address + 3, raw.begin() + 12));
    EXPECT_EQ(raw[15], 2);
    EXPECT_TRUE(std::equal(c.subheader, c.subheader + 4, raw.begin() + 16));
    EXPECT_TRUE(std::equal(c.subheader, c.subheader + 4, raw.begin() + 20));
    EXPECT_TRUE(std::equal(user.begin(), user.end(), raw.begin() + 24));
    EXPECT_TRUE(qv::test::form1_sector_ok(raw));
  }
}

TEST(MakeForm1Sector, OracleRejectsAnyDamagedArea) {
  const auto good = qv::disc::make_form1_sector(77, kDataSubheader, pattern(3));
  for (std::size_t at : {17u, 24u, 1500u, 2071u, 2073u, 2100u, 2300u, 2351u}) {
    auto bad = good;
    bad[at] ^= 0x40;
    EXPECT_FALSE(qv::test::form1_sector_ok(bad)) << "byte " << at;
  }
}

TEST(IsForm1Sector, RefusesWhatIsNotADataSectorOfItsPlace) {
  const auto good = qv::disc::make_form1_sector(500, kDataSubheader, pattern(9));
  struct Case {
    const char* what;
    std::size_t at;
    std::uint8_t value;
  };
  const Case cases[] = {
      {"sync", 5, 0x00},         {"address", 14, 0x00},        {"mode 1", 15, 1},
      {"subheader copy", 20, 7}, {"form 2 submode", 18, 0x28}, {"both copies form 2", 22, 0x28},
  };
  EXPECT_TRUE(qv::disc::is_form1_sector(good, 500));
  EXPECT_FALSE(qv::disc::is_form1_sector(good, 501)) << "address of another sector";
  EXPECT_FALSE(qv::disc::is_form1_sector(std::span(good).first(2351), 500));
  for (const Case& c : cases) {
    auto bad = good;
    bad[c.at] = c.value;
    if (std::string(c.what) == "both copies form 2") bad[18] = c.value;
    EXPECT_FALSE(qv::disc::is_form1_sector(bad, 500)) << c.what;
  }
}

TEST(PlanFileRewrite, PadsToWholeUnitsAndKeepsTheFileItsSectors) {
  Bytes image = form1_image(8);
  qv::disc::MemoryImage source(image);
  const qv::disc::FileExtent extent{2, 5, 0};  // three sectors, 6144 bytes of room
  struct Case {
    std::size_t size;
    std::uint8_t slack_units;
  };
  const Case cases[] = {
      {6144, 0}, {6128, 2}, {6125, 2}, {4105, 254}, {4097, 255}, {4096, 255}, {0, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    Bytes content(c.size);
    for (std::size_t i = 0; i < content.size(); ++i)
      content[i] = static_cast<std::uint8_t>(i ^ 0x5A);
    const auto rewrite = qv::disc::plan_file_rewrite(source, extent, content);
    ASSERT_FALSE(rewrite.refusal) << *rewrite.refusal;
    EXPECT_EQ(rewrite.slack_units, c.slack_units);
    // Apply the patches: the user data is the content followed by zeros, all sectors valid.
    Bytes patched = image;
    for (const auto& patch : rewrite.patches) {
      ASSERT_GE(patch.lba, extent.start);
      ASSERT_LT(patch.lba, extent.end);
      std::copy(patch.bytes.begin(), patch.bytes.end(),
                patched.begin() + patch.lba * kRawSectorSize);
    }
    for (std::uint32_t s = 0; s < 8; ++s) {
      EXPECT_TRUE(qv::test::form1_sector_ok(sector_of(patched, s))) << "sector " << s;
      if (s < extent.start || s >= extent.end) {
        EXPECT_TRUE(std::ranges::equal(sector_of(patched, s), sector_of(image, s)));
        continue;
      }
      for (std::size_t i = 0; i < kUserDataSize; ++i) {
        const std::size_t at = (s - extent.start) * kUserDataSize + i;
        const std::uint8_t want = at < content.size() ? content[at] : 0;
        ASSERT_EQ(patched[s * kRawSectorSize + 24 + i], want) << "sector " << s << " byte " << i;
      }
    }
  }
}

TEST(PlanFileRewrite, RewritesOnlySectorsWhoseDataChanges) {
  Bytes image = form1_image(6);
  qv::disc::MemoryImage source(image);
  const qv::disc::FileExtent extent{1, 4, 0};
  Bytes content;
  for (std::uint32_t s = 1; s < 4; ++s) {
    const UserData user = pattern(static_cast<std::uint8_t>(s));
    content.insert(content.end(), user.begin(), user.end());
  }
  EXPECT_TRUE(qv::disc::plan_file_rewrite(source, extent, content).patches.empty());
  content[kUserDataSize + 10] ^= 1;  // one byte of the middle sector
  const auto rewrite = qv::disc::plan_file_rewrite(source, extent, content);
  ASSERT_EQ(rewrite.patches.size(), 1u);
  EXPECT_EQ(rewrite.patches[0].lba, 2u);
  // The rebuilt sector keeps the subheader of the sector it replaces.
  EXPECT_TRUE(
      std::equal(kDataSubheader, kDataSubheader + 4, rewrite.patches[0].bytes.begin() + 16));
}

TEST(PlanFileRewrite, RefusesWithoutPatches) {
  Bytes image = form1_image(6);
  image[4 * kRawSectorSize + 15] = 1;  // sector 4 is a Mode 1 sector
  qv::disc::MemoryImage source(image);
  struct Case {
    const char* what;
    qv::disc::FileExtent extent;
    std::size_t size;
  };
  const Case cases[] = {
      {"too long", {1, 3, 0}, 4097},
      {"no sectors", {3, 3, 0}, 8},
      {"a sector that is not Form 1", {2, 5, 0}, 5000},
      {"past the end of the image", {5, 7, 0}, 3000},
  };
  for (const Case& c : cases) {
    const auto rewrite = qv::disc::plan_file_rewrite(source, c.extent, Bytes(c.size, 0x11));
    EXPECT_TRUE(rewrite.refusal) << c.what;
    EXPECT_TRUE(rewrite.patches.empty()) << c.what;
  }
}

TEST(DirectoryEntryOffset, CountsOnlyAcceptedEntries) {
  // Entries: accepted, skipped (byte 2 = 0x4F), accepted, accepted (all zero), skipped.
  const Bytes directory = {1, 0, 0, 0, 0, 0, 0x4F, 0, 2, 0, 0x4E, 0, 0, 0, 0, 0, 9, 9, 0xFF, 9, 7};
  EXPECT_EQ(qv::disc::directory_entry_offset(directory, 0), 0u);
  EXPECT_EQ(qv::disc::directory_entry_offset(directory, 1), 8u);
  EXPECT_EQ(qv::disc::directory_entry_offset(directory, 2), 12u);
  EXPECT_FALSE(qv::disc::directory_entry_offset(directory, 3));
  EXPECT_FALSE(qv::disc::directory_entry_offset(directory, -1));
}

class WritePatchedImage : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    ASSERT_TRUE(qv::common::write_file(original_, original_bytes_));
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_ = qv::test::scratch_dir("qv_write_patched_image");
  std::filesystem::path original_ = dir_ / "original.bin";
  Bytes original_bytes_ = form1_image(4);
};

TEST_F(WritePatchedImage, ReplacesOnlyThePatchedSectorsOfACopy) {
  const qv::disc::SectorPatch patch{2, qv::disc::make_form1_sector(2, kDataSubheader, pattern(99))};
  const auto output = dir_ / "translated.bin";
  ASSERT_TRUE(qv::common::write_file(output, std::string("older")));
  EXPECT_FALSE(qv::disc::write_patched_image(original_, output, std::span(&patch, 1)));
  Bytes expected = original_bytes_;
  std::copy(patch.bytes.begin(), patch.bytes.end(), expected.begin() + 2 * kRawSectorSize);
  EXPECT_EQ(qv::common::read_file(output), expected);
  EXPECT_EQ(qv::common::read_file(original_), original_bytes_);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "translated.bin.partial"));
}

TEST_F(WritePatchedImage, RefusesTheOriginalAndLeavesNothingOnFailure) {
  const qv::disc::SectorPatch patch{1, qv::disc::make_form1_sector(1, kDataSubheader, pattern(5))};
  EXPECT_TRUE(qv::disc::write_patched_image(original_, original_, std::span(&patch, 1)));
  EXPECT_TRUE(
      qv::disc::write_patched_image(original_, dir_ / "." / "original.bin", std::span(&patch, 1)));
  EXPECT_EQ(qv::common::read_file(original_), original_bytes_);
  EXPECT_TRUE(qv::disc::write_patched_image(original_, dir_ / "missing" / "out.bin", {}));
  EXPECT_TRUE(qv::disc::write_patched_image(dir_ / "absent.bin", dir_ / "out.bin", {}));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.bin"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.bin.partial"));
}

}  // namespace
