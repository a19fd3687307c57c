// The whole chain on our own small sample disc: extract, split the rooms, dump the scripts,
// pack them again, and check what comes back.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "common/files.hpp"
#include "disc/discunpack.hpp"
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

std::vector<std::string> lines_of(const Bytes& text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::uint8_t c : text) {
    line += static_cast<char>(c);
    if (c == '\n') lines.push_back(std::exchange(line, {}));
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// The dump text that packing and dumping again gives for `dump`: the packer writes the block
// params into the record in its own order, so a second dump shows p1 p2 p5 p4 p3 p6, and the
// closing record's line shows the end offset and then a3 a6 a5 a4 a7 a2.
std::vector<std::string> expected_after_round_trip(const std::vector<std::string>& dump,
                                                   int closing_offset) {
  static const std::regex block(
      R"(<Text block (\d+)><params: (\d+) (\d+) (\d+) (\d+) (\d+) (\d+)>\r\n)");
  static const std::regex additional(
      R"(<additional params: (\d+) (\d+) (\d+) (\d+) (\d+) (\d+) (\d+) (\d+)>\r\n)");
  std::vector<std::string> expected;
  for (const std::string& line : dump) {
    std::smatch m;
    if (std::regex_match(line, m, block)) {
      expected.push_back("<Text block " + m[1].str() + "><params: " + m[2].str() + " " +
                         m[3].str() + " " + m[6].str() + " " + m[5].str() + " " + m[4].str() + " " +
                         m[7].str() + ">\r\n");
    } else if (std::regex_match(line, m, additional)) {
      expected.push_back("<additional params: " + std::to_string(closing_offset & 0xFF) + " " +
                         std::to_string(closing_offset >> 8) + " " + m[4].str() + " " + m[7].str() +
                         " " + m[6].str() + " " + m[5].str() + " " + m[8].str() + " " + m[3].str() +
                         ">\r\n");
    } else {
      expected.push_back(line);
    }
  }
  return expected;
}

using Chain = qv::test::WorkTree;

}  // namespace

TEST_F(Chain, SampleDiscSurvivesDumpAndPack) {
  ASSERT_TRUE(qv::tools::write_sample_disc(root() / "disc.img", {}));

  std::ostringstream console;
  const std::vector<std::string> args = {(root() / "disc.img").string()};
  ASSERT_EQ(qv::disc::run_discunpack(args, work(), console), 0);
  qv::rooms::run_roomdump(work(), console);
  qv::script::run_scriptdump(work(), console);

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
  qv::pack::run_scriptpack(work(), pack_console);
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

  qv::script::run_scriptdump(work(), console);
  for (int room = 0; room < qv::script::kRoomCount; ++room) {
    SCOPED_TRACE("room " + std::to_string(room));
    const auto script = qv::common::read_file(code_dir(room) / "script");
    const auto again = qv::common::read_file(code_dir(room) / "outscript.txt");
    ASSERT_TRUE(script && again);
    const int closing_offset = static_cast<int>(script->size()) - 1;
    EXPECT_EQ(lines_of(*again),
              expected_after_round_trip(lines_of(first_dumps[room]), closing_offset));
  }
}
