// SPDX-License-Identifier: GPL-3.0-or-later
// The whole chain on our own small sample disc: extract, split the rooms, dump the scripts,
// pack them again, and check what comes back.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "common/files.hpp"
#include "disc/discunpack.hpp"
#include "pack/round_trip.hpp"
#include "pack/script_builder.hpp"
#include "pack/scriptpack.hpp"
#include "rooms/roomdump.hpp"
#include "script/lzss.hpp"
#include "script/scriptdump.hpp"
#include "tests/support/work_tree.hpp"
#include "tools/sample_disc/sample_disc.hpp"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

using Chain = qv::test::WorkTree;

}  // namespace

TEST_F(Chain, SampleDiscSurvivesDumpAndPack) {
  ASSERT_TRUE(qv::tools::write_sample_disc(root() / "disc.img", {}));

  std::ostringstream console;
  const std::vector<std::string> args = {(root() / "disc.img").string()};
  ASSERT_EQ(qv::disc::run_discunpack(args, work(), console), 0);
  EXPECT_TRUE(qv::rooms::run_roomdump(work(), console));
  EXPECT_TRUE(qv::script::run_scriptdump(work(), console));

  std::vector<Bytes> first_dumps(qv::script::kRoomCount);
  int dumped = 0;
  for (int room = 0; room < qv::script::kRoomCount; ++room) {
    if (auto text = qv::common::read_file(code_dir(room) / "outscript.txt")) {
      first_dumps[room] = std::move(*text);
      ++dumped;
    }
  }
  EXPECT_EQ(dumped, qv::script::kRoomCount);

  std::ostringstream pack_console;
  EXPECT_TRUE(qv::pack::run_scriptpack(work(), pack_console));
  // Only the room lines: every tag and character of the sample is one the packer takes.
  std::string expected_console;
  for (int room = 0; room < qv::script::kRoomCount; ++room) {
    expected_console += "Compressing script for Room " + std::to_string(room) + "\n";
  }
  EXPECT_EQ(pack_console.str(), expected_console);

  for (int room = 0; room < qv::script::kRoomCount; ++room) {
    SCOPED_TRACE("room " + std::to_string(room));
    const auto script = qv::common::read_file(code_dir(room) / "script");
    const auto packed = qv::common::read_file(code_dir(room) / "8script");
    ASSERT_TRUE(script && packed);
    EXPECT_EQ(*script, qv::pack::build_script(first_dumps[room]).script);
    const auto header = qv::script::read_compressed_header(*packed);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->size_limit, script->size() + 20);
    const Bytes unpacked = qv::script::decompress(
        std::span(*packed).subspan(qv::script::kCompressedHeaderSize), header->size_limit);
    ASSERT_GE(unpacked.size(), script->size());
    EXPECT_TRUE(std::equal(script->begin(), script->end(), unpacked.begin()));
  }

  // What the game gets back: the original script up to its closing offset, but for codes that
  // the dump text cannot tell apart.
  int identical = 0;
  for (int room = 0; room < qv::script::kRoomCount; ++room) {
    SCOPED_TRACE("room " + std::to_string(room));
    const auto original = qv::common::read_file(code_dir(room) / "8script.ccs");
    const auto script = qv::common::read_file(code_dir(room) / "script");
    ASSERT_TRUE(original && script);
    const auto compared = qv::pack::compare_round_trip(*original, *script);
    EXPECT_NE(compared.result, qv::pack::RoundTrip::different) << compared.difference;
    identical += compared.result == qv::pack::RoundTrip::identical;
  }
  EXPECT_GT(identical, qv::script::kRoomCount / 2);
}
