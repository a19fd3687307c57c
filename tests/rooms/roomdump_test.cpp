#include "rooms/roomdump.hpp"

#include <gtest/gtest.h>

#include <filesystem>
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
    qv::rooms::run_roomdump(work(), console);
    return console.str();
  }
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
