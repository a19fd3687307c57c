// SPDX-License-Identifier: GPL-3.0-or-later
#include "rooms/roomdump.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "archive_builder.hpp"
#include "common/files.hpp"
#include "tests/support/work_tree.hpp"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using qv::common::read_file;
using qv::common::write_file;
using qv::test::archive_of;

namespace {

class RoomDumpTree : public qv::test::WorkTree {
 protected:
  // Room files lie where the disc extractor puts them, below "Rooms".
  void put_room_file(int file_number, const Bytes& bytes) {
    fs::create_directories(root() / "Rooms" / "disk1");
    char name[16];
    std::snprintf(name, sizeof name, "%04d.out", file_number);
    ASSERT_TRUE(write_file(root() / "Rooms" / "disk1" / name, bytes));
  }
  fs::path room_dir(int room) const { return root() / "Rooms" / "disk1" / std::to_string(room); }
  std::string run() {
    std::ostringstream console;
    ok_ = qv::rooms::run_roomdump(work(), console);
    return console.str();
  }
  // Every room file that is not there yet, empty: a tree in which nothing is missing.
  void complete_room_files() {
    for (int file = 356; file <= 1966; ++file) {
      char name[16];
      std::snprintf(name, sizeof name, "%04d.out", file);
      if (!fs::exists(root() / "Rooms" / "disk1" / name)) put_room_file(file, {});
    }
  }
  bool ok_ = false;
  static std::string console_with(std::map<int, std::string> notes) {
    std::string expected;
    for (int room = 0; room < qv::rooms::kRoomCount; ++room) {
      expected += "Dumping Room " + std::to_string(room) + "\n" + notes[room];
    }
    return expected;
  }
};

}  // namespace

TEST_F(RoomDumpTree, SplitsCopiesAndConvertsEachRoom) {
  std::vector<Bytes> code_parts(9, Bytes{5, 5, 5});
  code_parts[1] = Bytes(1024, 0xFF);  // two palettes of white
  code_parts[8] = {'s', 's', 'z', 'l'};
  put_room_file(356, archive_of(code_parts));
  put_room_file(357, {});
  put_room_file(358, archive_of({{0, 0, 0, 0, 1, 0, 0, 0}, {0, 0, 0, 0, 2, 0, 0, 0}}));
  // Room 214 spans the change from "0%d.out" to "%d.out".
  put_room_file(998, archive_of({Bytes(30, 1)}));
  put_room_file(999, {9, 9});
  put_room_file(1000, archive_of({Bytes(30, 2)}));

  EXPECT_EQ(run(), console_with({}));

  const fs::path code = room_dir(0) / "code";
  EXPECT_EQ(read_file(code / "0"), (Bytes{5, 5, 5}));
  EXPECT_EQ(read_file(code / "1palette")->size(), 1024u);
  EXPECT_EQ(read_file(code / "8script"), (Bytes{'s', 's', 'z', 'l'}));
  EXPECT_EQ(read_file(code / "pal0.act"), Bytes(768, 248));
  EXPECT_EQ(read_file(code / "pal1.act"), Bytes(768, 248));
  EXPECT_FALSE(fs::exists(code / "pal2.act"));
  EXPECT_EQ(read_file(room_dir(0) / "unknown" / "drp.out"), Bytes{});
  EXPECT_TRUE(fs::exists(room_dir(0) / "GFX" / "0.raw"));
  EXPECT_TRUE(fs::exists(room_dir(0) / "GFX" / "1.tim"));

  EXPECT_EQ(read_file(room_dir(214) / "code" / "0"), Bytes(30, 1));
  EXPECT_EQ(read_file(room_dir(214) / "unknown" / "drp.out"), (Bytes{9, 9}));
  EXPECT_EQ(read_file(room_dir(214) / "GFX" / "0.tim"), Bytes(30, 2));
  EXPECT_FALSE(fs::exists(root() / "rooms"));  // the one tree, reached in another case
}

TEST_F(RoomDumpTree, SmallMissingAndRefusedArchivesWriteNothing) {
  put_room_file(359, Bytes(29, 0));  // room 1: too small, and its other files are missing
  Bytes too_many;
  qv::test::put_u32(too_many, 504);
  too_many.resize(40, 0);
  put_room_file(362, too_many);  // room 2's code archive
  put_room_file(364, archive_of({Bytes(30, 3)}));

  EXPECT_EQ(run(), console_with({{2,
                                  "Room 2, file 0362.out: part count 504 exceeds 503; archive not "
                                  "split\n"}}));
  EXPECT_FALSE(fs::exists(room_dir(1)));
  EXPECT_TRUE(fs::is_empty(room_dir(2) / "code"));
  EXPECT_FALSE(fs::exists(room_dir(2) / "unknown"));
  EXPECT_EQ(read_file(room_dir(2) / "GFX" / "0.tim"), Bytes(30, 3));
}

TEST_F(RoomDumpTree, SizeBoundariesAndTheLastRoom) {
  Bytes empty_count(30, 0);     // part count 0
  Bytes negative_count(30, 0);  // part count -1: no offset is read
  negative_count[0] = negative_count[1] = negative_count[2] = negative_count[3] = 0xFF;
  put_room_file(356, Bytes(29, 7));    // room 0: too small for a directory
  put_room_file(359, empty_count);     // room 1: only "code" appears, empty
  put_room_file(364, negative_count);  // room 2: only "GFX" appears, empty
  put_room_file(1964, archive_of({Bytes(30, 1)}));
  put_room_file(1965, {2});
  put_room_file(1966, archive_of({Bytes(30, 3)}));

  EXPECT_EQ(run(), console_with({}));

  EXPECT_FALSE(fs::exists(room_dir(0)));
  EXPECT_TRUE(fs::is_empty(room_dir(1) / "code"));
  EXPECT_EQ(std::distance(fs::directory_iterator(room_dir(1)), {}), 1);
  EXPECT_TRUE(fs::is_empty(room_dir(2) / "GFX"));
  EXPECT_EQ(std::distance(fs::directory_iterator(room_dir(2)), {}), 1);
  EXPECT_EQ(read_file(room_dir(536) / "code" / "0"), Bytes(30, 1));
  EXPECT_EQ(read_file(room_dir(536) / "unknown" / "drp.out"), (Bytes{2}));
  EXPECT_EQ(read_file(room_dir(536) / "GFX" / "0.tim"), Bytes(30, 3));
}

TEST_F(RoomDumpTree, MissingTreeStillListsEveryRoom) {
  EXPECT_EQ(run(), console_with({}));
  EXPECT_EQ(std::distance(fs::directory_iterator(root()), {}), 1);  // only the working directory
}

TEST_F(RoomDumpTree, MalformedPartsAreNotedAndWrittenAsFarAsTheyExist) {
  // Parts of ten 1s, 2s and 3s at 20, 30 and 40; then part 1 is made to run backwards (30 to
  // 25) and part 2 to run from 25 past the end of the 50-byte archive, to 90. Part 2's decision
  // byte is read at part 1's end offset 25, plus 4: a 1 of part 0, so it is ".raw".
  Bytes archive = archive_of({Bytes(10, 1), Bytes(10, 2), Bytes(10, 3)});
  archive[12] = 25;
  archive[16] = 90;
  put_room_file(367, archive);  // room 3's GFX archive

  EXPECT_EQ(run(), console_with({{3,
                                  "Room 3, file 0367.out: part 1 (1.tim): offsets decrease; "
                                  "written empty\n"
                                  "Room 3, file 0367.out: part 2 (2.raw): reaches past the end of "
                                  "the archive; 25 of 65 bytes written\n"}}));
  const fs::path gfx = room_dir(3) / "GFX";
  EXPECT_EQ(read_file(gfx / "0.raw"), Bytes(10, 1));
  EXPECT_EQ(read_file(gfx / "1.tim"), Bytes{});
  Bytes tail(5, 1);
  tail.insert(tail.end(), 10, 2);
  tail.insert(tail.end(), 10, 3);
  EXPECT_EQ(read_file(gfx / "2.raw"), tail);
}

TEST_F(RoomDumpTree, UnwritablePaletteIsReportedAndGivesNoColourTables) {
  put_room_file(356, archive_of({Bytes(10, 0), Bytes(512, 0xFF), Bytes(10, 2)}));
  fs::create_directories(room_dir(0) / "code" / "1palette" / "in the way");

  EXPECT_EQ(run(), console_with({{0,
                                  "Room 0, file 0356.out: cannot write 1palette: Is a "
                                  "directory\n"}}));
  EXPECT_FALSE(fs::exists(room_dir(0) / "code" / "pal0.act"));
  EXPECT_EQ(read_file(room_dir(0) / "code" / "2"), Bytes(10, 2));
}

TEST_F(RoomDumpTree, ExitStatusTellsWhetherEveryRoomWasDumped) {
  Bytes too_many;
  qv::test::put_u32(too_many, 504);
  too_many.resize(40, 0);
  const struct {
    const char* what;
    std::function<void()> prepare;
    bool ok;
  } cases[] = {
      {"every file there, all empty", [] {}, true},
      {"small archive and part counts 0 and -1",
       [this] {
         put_room_file(356, Bytes(29, 7));
         put_room_file(359, Bytes(30, 0));
         put_room_file(362, Bytes(30, 0xFF));
       },
       true},
      {"an archive of 504 parts", [&] { put_room_file(362, too_many); }, false},
      {"a missing middle file", [this] { fs::remove(root() / "Rooms" / "disk1" / "0357.out"); },
       false},
      {"a part that cannot be written",
       [this] {
         put_room_file(356, archive_of({Bytes(30, 1)}));
         fs::create_directories(room_dir(0) / "code" / "0" / "in the way");
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(root() / "Rooms");
    complete_room_files();
    c.prepare();
    run();
    EXPECT_EQ(ok_, c.ok);
  }
}
