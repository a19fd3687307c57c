// SPDX-License-Identifier: GPL-3.0-or-later
#include "pack/scriptpack.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "common/files.hpp"
#include "pack/compressor.hpp"
#include "script/lzss.hpp"
#include "script/scriptdump.hpp"
#include "tests/support/work_tree.hpp"
#include "tests/support/worked_examples.hpp"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using qv::common::read_file;
using qv::common::write_file;

namespace {

using qv::test::kTwoBlockDump;
using qv::test::kTwoBlockScript;

class ScriptPackTree : public qv::test::WorkTree {
 protected:
  std::string run() {
    std::ostringstream console;
    ok_ = qv::pack::run_scriptpack(work(), console);
    return console.str();
  }
  bool ok_ = false;
  // The console of a whole run: each room's line, followed by what `notes` holds for it.
  static std::string console_with(std::map<int, std::string> notes) {
    std::string expected;
    for (int room = 0; room < qv::script::kRoomCount; ++room) {
      expected += "Compressing script for Room " + std::to_string(room) + "\n" + notes[room];
    }
    return expected;
  }
};

TEST_F(ScriptPackTree, TreeWithoutRoomsPrintsEveryRoomAndWritesNothing) {
  EXPECT_EQ(run(), console_with({}));
  EXPECT_TRUE(ok_);
  EXPECT_FALSE(fs::exists(root() / "Rooms"));
  EXPECT_EQ(std::distance(fs::directory_iterator(work()), fs::directory_iterator()), 0);
}

TEST_F(ScriptPackTree, PacksADumpTextIntoScriptAnd8script) {
  const fs::path dir = code_dir(5);
  write_file(dir / "outscript.txt", kTwoBlockDump);
  write_file(dir / "8script.dat", std::string_view("\x01\x02\x03\x04"));
  EXPECT_EQ(run(), console_with({}));
  EXPECT_EQ(read_file(dir / "script"), kTwoBlockScript);
  const auto packed = read_file(dir / "8script");
  ASSERT_TRUE(packed);
  EXPECT_EQ(*packed, qv::pack::write_compressed_script(kTwoBlockScript, {1, 2, 3, 4}));
  const auto header = qv::script::read_compressed_header(*packed);
  EXPECT_EQ(header->size_limit, 53u);
  // The size limit lets more through than the script (flush literals, then the trailer read
  // as items); the script is what comes first.
  Bytes unpacked = qv::script::decompress(std::span(*packed).subspan(12), header->size_limit);
  ASSERT_GE(unpacked.size(), kTwoBlockScript.size());
  unpacked.resize(kTwoBlockScript.size());
  EXPECT_EQ(unpacked, kTwoBlockScript);
}

TEST_F(ScriptPackTree, EmptyRoomGetsTheEmptyScript) {
  const fs::path dir = code_dir(7);
  write_file(dir / "outscript.txt", std::string_view("<Room 7 is empty !!!>\r\n"));
  write_file(dir / "8script.dat", std::string_view("\xDE\xAD\xBE\xEF"));
  run();
  EXPECT_EQ(read_file(dir / "script"), (Bytes{0x08, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(read_file(dir / "8script"),
            (Bytes{'s',  's',  'z',  'l',  0x1C, 0,    0,    0,    0xDE, 0xAD, 0xBE, 0xEF,
                   0x84, 0x00, 0x0D, 0x60, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00, 0x00, 0x00}));
}

TEST_F(ScriptPackTree, EncoderMessagesStandUnderTheirRoom) {
  const fs::path dir = code_dir(2);
  std::string text(kTwoBlockDump);
  text.replace(text.find("Hi"), 2, "H~<Bad>");
  write_file(dir / "outscript.txt", text);
  write_file(dir / "8script.dat", std::string_view("\x01\x02\x03\x04"));
  EXPECT_EQ(run(), console_with({{2, "unsuported!\nUnsupported <> string !!!\n"}}));
  EXPECT_TRUE(ok_);  // unsupported tags and characters alone are no failure
  EXPECT_TRUE(fs::exists(dir / "8script"));
}

TEST_F(ScriptPackTree, RoomWithoutDumpTextKeepsItsFilesOrPacksAnOlderScript) {
  const fs::path untouched = code_dir(3);
  write_file(untouched / "8script", std::string_view("old compressed"));
  write_file(untouched / "8script.dat", std::string_view("\x01\x02\x03\x04"));
  const fs::path older = code_dir(4);
  write_file(older / "script", kTwoBlockScript);
  write_file(older / "8script.dat", std::string_view("\x05\x06\x07\x08"));
  EXPECT_EQ(run(), console_with({}));
  EXPECT_TRUE(ok_);
  EXPECT_EQ(text_of(read_file(untouched / "8script")), "old compressed");
  EXPECT_FALSE(fs::exists(untouched / "script"));
  EXPECT_EQ(read_file(older / "8script"),
            qv::pack::write_compressed_script(kTwoBlockScript, {5, 6, 7, 8}));
}

TEST_F(ScriptPackTree, RefusedRoomsKeepTheirFilesAndTheRunGoesOn) {
  const struct {
    int room;
    std::string dump_text;  // empty: none
    std::string older_script;
    std::string header_word;  // "-": no 8script.dat
    std::string message;
  } cases[] = {
      {10,
       "<Room 10 with 1 text entries>\r\n<additional params: 0>\r\n\r\n"
       "<Text block 1><params: 0 0 0 0 0 0>\r\nHi\r\n",
       "older", "\x01\x02\x03\x04",
       "Room 10 not packed: the text ends inside text block 1 (no line ending with \"<End of "
       "block>\")\n"},
      {11, std::string(kTwoBlockDump), "older", "-",
       "Room 11 not packed: cannot read 8script.dat\n"},
      {12, std::string(kTwoBlockDump), "older", "\x01\x02\x03",
       "Room 12 not packed: 8script.dat holds fewer than 4 bytes\n"},
      {13, "", "", "\x01\x02\x03\x04", "Room 13 not packed: script is empty (0 bytes)\n"},
      {14, "<Room 14 with 5000 text entries>\r\n<additional params: 0>\r\n", "older",
       "\x01\x02\x03\x04", "Room 14 not packed: 5000 text entries is outside 0..4998\n"},
      // A damaged header would otherwise have packed as the empty script, losing every dialogue.
      {15, "<Room 15 with 1 text entries>\r\n<additional parms: 0>\r\n", "older",
       "\x01\x02\x03\x04", "Room 15 not packed: the additional params line cannot be read\n"},
  };
  std::map<int, std::string> notes;
  for (const auto& c : cases) {
    const fs::path dir = code_dir(c.room);
    if (!c.dump_text.empty()) write_file(dir / "outscript.txt", c.dump_text);
    write_file(dir / "script", c.older_script);
    write_file(dir / "8script", std::string_view("old compressed"));
    if (c.header_word != "-") write_file(dir / "8script.dat", c.header_word);
    notes[c.room] = c.message;
  }
  // A good room after the refused ones is still packed.
  const fs::path good = code_dir(20);
  write_file(good / "outscript.txt", kTwoBlockDump);
  write_file(good / "8script.dat", std::string_view("\x01\x02\x03\x04"));

  EXPECT_EQ(run(), console_with(notes));
  EXPECT_FALSE(ok_);
  for (const auto& c : cases) {
    const fs::path dir = code_dir(c.room);
    EXPECT_EQ(text_of(read_file(dir / "script")), c.older_script) << c.room;
    EXPECT_EQ(text_of(read_file(dir / "8script")), "old compressed") << c.room;
  }
  EXPECT_EQ(read_file(good / "script"), kTwoBlockScript);
}

TEST_F(ScriptPackTree, DumpThenPackGivesTheScriptBack) {
  // scriptdump's own output is the input here: a script that uses no code that packs
  // differently comes back byte for byte, up to its closing offset.
  const fs::path dir = code_dir(9);
  Bytes script = kTwoBlockScript;
  script.resize(60, 0);  // long enough to be dumped
  const auto stream = qv::pack::compress(script);
  Bytes file = {'s', 's', 'z', 'l', 60, 0, 0, 0, 9, 8, 7, 6};
  file.insert(file.end(), stream.begin(), stream.end());
  write_file(dir / "8script", file);
  std::ostringstream ignored;
  qv::script::run_scriptdump(work(), ignored);
  run();
  const auto packed = read_file(dir / "8script");
  ASSERT_TRUE(packed);
  const auto header = qv::script::read_compressed_header(*packed);
  EXPECT_EQ(header->header_word, (std::array<std::uint8_t, 4>{9, 8, 7, 6}));
  EXPECT_EQ(read_file(dir / "script"), kTwoBlockScript);
}

TEST_F(ScriptPackTree, ExitStatusOfEachKindOfRoom) {
  const struct {
    const char* what;
    std::string dump_text;  // empty: none
    std::string header_word;
    bool eight_script_is_a_folder;
    bool ok;
  } cases[] = {
      {"no dump text", "", "\x01\x02\x03\x04", false, true},
      {"a good dump text", std::string(kTwoBlockDump), "\x01\x02\x03\x04", false, true},
      {"a refused dump text", "<Room 5 with 5000 text entries>\r\n<additional params: 0>\r\n",
       "\x01\x02\x03\x04", false, false},
      {"a short 8script.dat", std::string(kTwoBlockDump), "\x01", false, false},
      {"8script cannot be written", std::string(kTwoBlockDump), "\x01\x02\x03\x04", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(root() / "Rooms");
    const fs::path dir = code_dir(5);
    if (!c.dump_text.empty()) write_file(dir / "outscript.txt", c.dump_text);
    write_file(dir / "8script.dat", c.header_word);
    if (c.eight_script_is_a_folder) fs::create_directories(dir / "8script" / "in the way");
    run();
    EXPECT_EQ(ok_, c.ok);
  }
}

TEST_F(ScriptPackTree, AnUnwritable8scriptKeepsTheOlderScriptToo) {
  const fs::path dir = code_dir(5);
  write_file(dir / "outscript.txt", kTwoBlockDump);
  write_file(dir / "8script.dat", std::string_view("\x01\x02\x03\x04"));
  write_file(dir / "script", std::string_view("older"));
  fs::create_directories(dir / "8script" / "in the way");
  EXPECT_EQ(run(),
            console_with({{5, "Room 5 not packed: cannot write 8script: Is a directory\n"}}));
  EXPECT_EQ(text_of(read_file(dir / "script")), "older");
  EXPECT_FALSE(fs::exists(dir / "script.partial"));
  EXPECT_FALSE(fs::exists(dir / "8script.partial"));
}

}  // namespace
