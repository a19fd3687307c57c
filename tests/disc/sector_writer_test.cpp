// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/sector_writer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/files.hpp"
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

TEST(DirectoryEntryOffset, CountsOnlyAcceptedEntries) {
  // Entries: accepted, skipped (byte 2 = 0x4F), accepted, accepted (all zero), skipped.
  const Bytes directory = {1, 0, 0, 0, 0, 0, 0x4F, 0, 2, 0, 0x4E, 0, 0, 0, 0, 0, 9, 9, 0xFF, 9, 7};
  EXPECT_EQ(qv::disc::directory_entry_offset(directory, 0), 0u);
  EXPECT_EQ(qv::disc::directory_entry_offset(directory, 1), 8u);
  EXPECT_EQ(qv::disc::directory_entry_offset(directory, 2), 12u);
  EXPECT_FALSE(qv::disc::directory_entry_offset(directory, 3));
  EXPECT_FALSE(qv::disc::directory_entry_offset(directory, -1));
}

}  // namespace
