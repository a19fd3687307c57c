// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/paths.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/files.hpp"
#include "tests/support/work_tree.hpp"

namespace fs = std::filesystem;
using namespace qv::common;

using TempTree = qv::test::WorkTree;

TEST(FormatPath, FillsNumbersLikePrintf) {
  EXPECT_EQ(format_path("..//rooms//disk1//%d//code//", 214), "..//rooms//disk1//214//code//");
  EXPECT_EQ(format_path("%spal%d.act", "dir/", 3), "dir/pal3.act");
}

TEST_F(TempTree, OtherCaseReachesTheDirectoryThatExists) {
  fs::create_directories(root() / "Rooms" / "disk1");
  write_file(root() / "Rooms" / "disk1" / "0356.out", std::string_view("x"));

  const fs::path resolved = resolve_path(root() / "work" / "..//rooms//disk1//0356.out");
  EXPECT_TRUE(fs::exists(resolved));
  EXPECT_EQ(fs::canonical(resolved), fs::canonical(root() / "Rooms" / "disk1" / "0356.out"));
}

TEST_F(TempTree, UnknownComponentsAreKeptAsWritten) {
  fs::create_directories(root() / "Rooms");
  const fs::path resolved = resolve_path(root() / "rooms" / "Disk1" / "5");
  EXPECT_EQ(resolved, root() / "Rooms" / "Disk1" / "5");
}

TEST_F(TempTree, ExactSpellingWinsOverOtherCase) {
  fs::create_directories(root() / "Rooms");
  fs::create_directories(root() / "rooms");
  EXPECT_EQ(resolve_path(root() / "rooms"), root() / "rooms");
  EXPECT_EQ(resolve_path(root() / "ROOMS"), root() / "Rooms");  // first in name order
}

TEST_F(TempTree, MakeDirectoryCreatesOneLevelOnlyWhenNoSpellingExists) {
  make_directory(root() / "Rooms");
  make_directory(root() / "rooms");
  make_directory(root() / "rooms" / "disk1");
  make_directory(root() / "missing" / "deeper");  // parent missing: ignored

  EXPECT_TRUE(fs::is_directory(root() / "Rooms" / "disk1"));
  EXPECT_FALSE(fs::exists(root() / "rooms"));
  EXPECT_FALSE(fs::exists(root() / "missing"));
}

TEST_F(TempTree, WriteFileReplacesWholeAndLeavesNoScratch) {
  const fs::path file = root() / "work" / "out.bin";
  ASSERT_TRUE(write_file(file, std::string_view("a longer first content")));
  ASSERT_TRUE(write_file(file, std::string_view("short")));
  EXPECT_EQ(read_file(file), (Bytes{'s', 'h', 'o', 'r', 't'}));
  EXPECT_EQ(std::distance(fs::directory_iterator(root() / "work"), fs::directory_iterator()), 1);

  EXPECT_FALSE(write_file(root() / "no" / "such" / "dir" / "f", std::string_view("x")));
  EXPECT_FALSE(read_file(root() / "work").has_value());  // a directory is not a file
}

TEST_F(TempTree, WriteFilesReplacesAllOrNone) {
  const fs::path a = root() / "work" / "script";
  const fs::path b = root() / "work" / "8script";
  ASSERT_TRUE(write_file(a, std::string_view("old a")));
  ASSERT_TRUE(write_file(b, std::string_view("old b")));
  const Bytes new_a = {'n', 'e', 'w'};
  const Bytes new_b = {'n', 'e', 'w', '!'};
  const FileOutput outputs[] = {{a, new_a}, {b, new_b}};

  fs::create_directory(root() / "work" / "8script.partial");  // b's scratch cannot be written
  const auto failure = write_files(outputs);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->path, b);
  EXPECT_EQ(failure->reason, "Is a directory");
  EXPECT_EQ(read_file(a), (Bytes{'o', 'l', 'd', ' ', 'a'}));
  EXPECT_EQ(read_file(b), (Bytes{'o', 'l', 'd', ' ', 'b'}));
  EXPECT_FALSE(fs::exists(root() / "work" / "script.partial"));

  fs::remove(root() / "work" / "8script.partial");
  EXPECT_FALSE(write_files(outputs));
  EXPECT_EQ(read_file(a), new_a);
  EXPECT_EQ(read_file(b), new_b);
}

TEST_F(TempTree, AStreamedWriteThatFailsKeepsTheOlderFile) {
  // discunpack streams each file; a sink that stops halfway must not cost the earlier file.
  const fs::path file = root() / "work" / "0001.out";
  ASSERT_TRUE(write_file(file, std::string_view("older")));
  const Bytes half = {1, 2, 3};
  const auto failure = qv::common::write_file_from(
      file, [&](const qv::common::ByteSink& sink) { return sink(half) && false; });
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->path, file);
  EXPECT_EQ(read_file(file), (Bytes{'o', 'l', 'd', 'e', 'r'}));
  EXPECT_FALSE(fs::exists(qv::common::scratch_path_of(file)));
}
