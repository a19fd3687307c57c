// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/scriptdump.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "bit_stream.hpp"
#include "common/files.hpp"
#include "script/lzss.hpp"
#include "tests/support/work_tree.hpp"
#include "tests/support/worked_examples.hpp"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using qv::common::read_file;
using qv::common::write_file;

namespace {

Bytes compressed_file(std::string_view magic, std::uint32_t limit, const Bytes& stream) {
  Bytes file(magic.begin(), magic.end());
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(limit >> (8 * i)));
  file.insert(file.end(), {0xDE, 0xAD, 0xBE, 0xEF});
  file.insert(file.end(), stream.begin(), stream.end());
  return file;
}

class ScriptDumpTree : public qv::test::WorkTree {
 protected:
  std::string run() {
    std::ostringstream console;
    ok_ = qv::script::run_scriptdump(work(), console);
    return console.str();
  }
  bool ok_ = false;
  static std::string console_with(std::map<int, std::string> notes) {
    std::string expected;
    for (int room = 0; room < qv::script::kRoomCount; ++room) {
      expected += "\n" + std::to_string(room) + " " + notes[room];
    }
    return expected;
  }
};

}  // namespace

TEST_F(ScriptDumpTree, DumpsEachRoomThatHasAScript) {
  // Room 1: a 12-byte script. Room 5: the room of the worked example, stored as literals under
  // a magic that is not "sszl", with a size limit that cuts the 61 bytes of the stream to 60.
  ASSERT_TRUE(write_file(code_dir(1) / "8script", compressed_file("sszl", 500, {})));
  const Bytes script = {24, 0, 1,    2,    3,    4,    5,    6,    30,   0,    0,
                        0,  0, 0,    0,    0,    33,   0,    0,    0,    0,    0,
                        0,  9, 0x39, 0x54, 0x01, 0x39, 0x54, 0x00, 0x08, 0x00, 0x00};
  qv::test::BitStream stream;
  for (std::uint8_t b : script) stream.literal(b);
  for (int i = 0; i < 28; ++i) stream.literal(0x77);
  ASSERT_TRUE(write_file(code_dir(5) / "8script", compressed_file("abcd", 60, stream.bytes())));
  code_dir(0);  // a room directory without a script

  EXPECT_EQ(run(), console_with({{5, " with 2 text blocks"}}));
  EXPECT_TRUE(ok_);

  EXPECT_EQ(text_of(read_file(code_dir(1) / "8script.ccs")), "");
  EXPECT_EQ(text_of(read_file(code_dir(1) / "8script.dat")), "\xDE\xAD\xBE\xEF");
  EXPECT_EQ(text_of(read_file(code_dir(1) / "outscript.txt")), "<Room 1 is empty !!!>\r\n");

  const auto ccs = read_file(code_dir(5) / "8script.ccs");
  ASSERT_TRUE(ccs);
  EXPECT_EQ(ccs->size(), 60u);
  EXPECT_TRUE(std::equal(script.begin(), script.end(), ccs->begin()));
  EXPECT_EQ(text_of(read_file(code_dir(5) / "8script.dat")), "\xDE\xAD\xBE\xEF");
  EXPECT_EQ(text_of(read_file(code_dir(5) / "outscript.txt")), qv::test::kRoomFiveDump);
  // The bit file is left from the last room with a script.
  EXPECT_EQ(text_of(read_file(work() / "temp")), qv::script::bit_text(stream.bytes()));
  EXPECT_FALSE(fs::exists(code_dir(0) / "8script.ccs"));
}

TEST_F(ScriptDumpTree, BrokenRoomsAreNotedAndKeepTheirOlderDump) {
  ASSERT_TRUE(write_file(code_dir(3) / "8script", Bytes{'s', 's', 'z', 'l', 0}));
  // Room 4: 60 literal zeros, so the first record offset is 0.
  qv::test::BitStream zeros;
  for (int i = 0; i < 60; ++i) zeros.literal(0);
  ASSERT_TRUE(write_file(code_dir(4) / "8script", compressed_file("sszl", 60, zeros.bytes())));
  ASSERT_TRUE(write_file(code_dir(4) / "outscript.txt", std::string_view("older dump\r\n")));

  EXPECT_EQ(run(), console_with({{3, "8script is shorter than its 12-byte header; room skipped"},
                                 {4, " no dump written: first record offset is 0"}}));
  EXPECT_FALSE(ok_);
  EXPECT_EQ(text_of(read_file(code_dir(4) / "outscript.txt")), "older dump\r\n");
  EXPECT_EQ(read_file(code_dir(4) / "8script.ccs")->size(), 60u);
  EXPECT_FALSE(fs::exists(code_dir(3) / "8script.ccs"));
}

TEST_F(ScriptDumpTree, WithoutTreeEveryRoomShowsOnlyItsNumber) {
  EXPECT_EQ(run(), console_with({}));
  EXPECT_TRUE(ok_);
  EXPECT_FALSE(fs::exists(work() / "temp"));
}

TEST_F(ScriptDumpTree, EachRefusalFailsTheRunAlone) {
  qv::test::BitStream zeros;
  for (int i = 0; i < 60; ++i) zeros.literal(0);
  const struct {
    const char* what;
    Bytes script;
    bool ok;
  } cases[] = {
      {"12-byte script", compressed_file("sszl", 500, {}), true},
      {"short header", Bytes{'s', 's', 'z', 'l', 0}, false},
      {"unreadable record table", compressed_file("sszl", 60, zeros.bytes()), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(write_file(code_dir(2) / "8script", c.script));
    run();
    EXPECT_EQ(ok_, c.ok);
  }
}

TEST_F(ScriptDumpTree, AFailedWriteKeepsEveryOlderFileOfTheRoom) {
  ASSERT_TRUE(write_file(code_dir(6) / "8script", compressed_file("sszl", 500, {})));
  ASSERT_TRUE(write_file(code_dir(6) / "8script.ccs", std::string_view("older ccs")));
  fs::create_directories(code_dir(6) / "outscript.txt" / "in the way");

  EXPECT_EQ(run(), console_with({{6, "cannot write outscript.txt: Is a directory; room skipped"}}));
  EXPECT_FALSE(ok_);
  EXPECT_EQ(text_of(read_file(code_dir(6) / "8script.ccs")), "older ccs");
  EXPECT_FALSE(fs::exists(code_dir(6) / "8script.dat"));
  EXPECT_FALSE(fs::exists(work() / "temp"));
  for (const auto& entry : fs::recursive_directory_iterator(root())) {
    EXPECT_NE(entry.path().extension(), ".partial") << entry.path();
  }
}
