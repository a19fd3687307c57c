#include "common/paths.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/files.hpp"

namespace fs = std::filesystem;
using namespace qv::common;

namespace {

class TempTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("qv_paths_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "work");
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

}  // namespace

TEST(FormatPath, FillsNumbersLikePrintf) {
  EXPECT_EQ(format_path("..//rooms//disk1//%d//code//", 214), "..//rooms//disk1//214//code//");
  EXPECT_EQ(format_path("%spal%d.act", "dir/", 3), "dir/pal3.act");
}

TEST_F(TempTree, OtherCaseReachesTheDirectoryThatExists) {
  fs::create_directories(root_ / "Rooms" / "disk1");
  write_file(root_ / "Rooms" / "disk1" / "0356.out", std::string_view("x"));

  const fs::path resolved = resolve_path(root_ / "work" / "..//rooms//disk1//0356.out");
  EXPECT_TRUE(fs::exists(resolved));
  EXPECT_EQ(fs::canonical(resolved), fs::canonical(root_ / "Rooms" / "disk1" / "0356.out"));
}

TEST_F(TempTree, UnknownComponentsAreKeptAsWritten) {
  fs::create_directories(root_ / "Rooms");
  const fs::path resolved = resolve_path(root_ / "rooms" / "Disk1" / "5");
  EXPECT_EQ(resolved, root_ / "Rooms" / "Disk1" / "5");
}

TEST_F(TempTree, ExactSpellingWinsOverOtherCase) {
  fs::create_directories(root_ / "Rooms");
  fs::create_directories(root_ / "rooms");
  EXPECT_EQ(resolve_path(root_ / "rooms"), root_ / "rooms");
  EXPECT_EQ(resolve_path(root_ / "ROOMS"), root_ / "Rooms");  // first in name order
}

TEST_F(TempTree, MakeDirectoryCreatesOneLevelOnlyWhenNoSpellingExists) {
  make_directory(root_ / "Rooms");
  make_directory(root_ / "rooms");
  make_directory(root_ / "rooms" / "disk1");
  make_directory(root_ / "missing" / "deeper");  // parent missing: ignored

  EXPECT_TRUE(fs::is_directory(root_ / "Rooms" / "disk1"));
  EXPECT_FALSE(fs::exists(root_ / "rooms"));
  EXPECT_FALSE(fs::exists(root_ / "missing"));
}

TEST_F(TempTree, WriteFileReplacesWholeAndLeavesNoScratch) {
  const fs::path file = root_ / "work" / "out.bin";
  ASSERT_TRUE(write_file(file, std::string_view("a longer first content")));
  ASSERT_TRUE(write_file(file, std::string_view("short")));
  EXPECT_EQ(read_file(file), (Bytes{'s', 'h', 'o', 'r', 't'}));
  EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "work"), fs::directory_iterator()), 1);

  EXPECT_FALSE(write_file(root_ / "no" / "such" / "dir" / "f", std::string_view("x")));
  EXPECT_FALSE(read_file(root_ / "work").has_value());  // a directory is not a file
}
