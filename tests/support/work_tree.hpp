// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh directory tree per test: `root()/work` is the console programs' working directory and
// the tree they reach through "../" lies beside it. Removed after the test.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.hpp"

namespace qv::test {

class WorkTree : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = scratch_dir("qv_" + std::string(info->test_suite_name()) + "_" + info->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(work());
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path work() const { return root_ / "work"; }

  // A room's "code" directory, created with the spelling "Rooms" that the disc extractor uses.
  std::filesystem::path code_dir(int room) const {
    const auto dir = root_ / "Rooms" / "disk1" / std::to_string(room) / "code";
    std::filesystem::create_directories(dir);
    return dir;
  }

  static std::string text_of(const std::optional<std::vector<std::uint8_t>>& bytes) {
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
  }

 private:
  std::filesystem::path root_;
};

}  // namespace qv::test
