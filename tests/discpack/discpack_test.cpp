// SPDX-License-Identifier: GPL-3.0-or-later
// discpack over our own small sample disc: extract it, give a few rooms new scripts, put them
// back, and cut the new image up again.
#include "discpack/discpack.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "common/files.hpp"
#include "common/paths.hpp"
#include "disc/discunpack.hpp"
#include "pack/compressor.hpp"
#include "pack/script_builder.hpp"
#include "pack/scriptpack.hpp"
#include "rooms/archive.hpp"
#include "rooms/roomdump.hpp"
#include "script/dump.hpp"
#include "script/lzss.hpp"
#include "script/scriptdump.hpp"
#include "tests/disc/sector_oracle.hpp"
#include "tests/support/work_tree.hpp"
#include "tools/sample_disc/sample_disc.hpp"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::size_t kRaw = qv::disc::kRawSectorSize;

class Discpack : public qv::test::WorkTree {
 protected:
  void SetUp() override {
    WorkTree::SetUp();
    original_ = qv::tools::make_sample_disc({});
    ASSERT_TRUE(qv::common::write_file(root() / "disc.img", original_));
    // Each room's script as the room dumper splits it out of the disc.
    for (int room = 0; room < qv::rooms::kRoomCount; ++room) {
      const auto split = qv::rooms::split_room_archive(old_archive(room), "code");
      ASSERT_TRUE(qv::common::write_file(script_path(room), split.parts.at(8).bytes));
    }
  }

  static Bytes old_archive(int room) {
    static const auto layout = qv::tools::plan_sample_disc({});
    return qv::tools::sample_file_content(layout, qv::rooms::kFirstRoomFile + 3 * room);
  }

  fs::path script_path(int room) const { return code_dir(room) / "8script"; }

  Bytes loose_script(int room) const { return *qv::common::read_file(script_path(room)); }

  // The room's script as a translator leaves it: the first dialogue's first line replaced.
  Bytes translated_script(int room, const std::string& line) const {
    const Bytes compressed = loose_script(room);
    const auto header = qv::script::read_compressed_header(compressed);
    const Bytes script = qv::script::decompress(
        std::span(compressed).subspan(qv::script::kCompressedHeaderSize), header->size_limit);
    std::string dump = *qv::script::dump_room(script, room).text;
    const std::size_t block = dump.find("<Text block 1>");
    const std::size_t start = dump.find("\r\n", block) + 2;
    dump.replace(start, dump.find("\r\n", start) - start, line);
    const auto built = qv::pack::build_script(
        std::span(reinterpret_cast<const std::uint8_t*>(dump.data()), dump.size()));
    EXPECT_FALSE(built.refusal);
    return qv::pack::write_compressed_script(built.script, header->header_word);
  }

  int run(const std::vector<std::string>& args, const qv::disc::BeforeVerify& hook = {}) {
    console_.str({});
    return qv::discpack::run_discpack(args, work(), console_, hook);
  }

  // Every file of `image` as discunpack cuts it out, by file number.
  std::map<int, Bytes> unpack(const std::string& image) {
    const fs::path again = root() / ("unpacked_" + image);
    fs::create_directories(again / "work");
    std::ostringstream ignored;
    EXPECT_EQ(qv::disc::run_discunpack(std::vector<std::string>{"../../" + image}, again / "work",
                                       ignored),
              0);
    std::map<int, Bytes> files;
    for (const auto& entry : fs::recursive_directory_iterator(again)) {
      if (entry.path().extension() != ".out") continue;
      files[std::stoi(entry.path().stem().string())] = *qv::common::read_file(entry.path());
    }
    fs::remove_all(again);
    return files;
  }

  // The sample's files with the given rooms' archives rebuilt around their new scripts, padded
  // to the shortest length of `sectors` sectors.
  static std::map<int, Bytes> expected_files(
      const std::map<int, std::pair<Bytes, std::uint32_t>>& rooms) {
    const auto layout = qv::tools::plan_sample_disc({});
    std::map<int, Bytes> files;
    for (int f = 0; f < 5618; ++f) files[f] = qv::tools::sample_file_content(layout, f);
    for (const auto& [room, change] : rooms) {
      Bytes archive = qv::rooms::replace_room_part(old_archive(room), 8, change.first, 8).bytes;
      archive.resize(std::max<std::size_t>(archive.size(), (change.second - 1) * 2048 + 8), 0);
      files[356 + 3 * room] = archive;
    }
    return files;
  }

  static fs::path archive_path(const fs::path& tree, int file_number) {
    return tree / "Rooms" / "disk1" / qv::common::format_path("%04d.out", file_number);
  }

  Bytes original_;
  std::ostringstream console_;
};

std::uint32_t sector_of_file(int file_number) {
  static const auto layout = qv::tools::plan_sample_disc({});
  return layout.files[static_cast<std::size_t>(file_number)].start;
}

// Accepted directory entries of `image` that start at or after `sector`.
std::size_t entries_from(const Bytes& image, std::uint32_t sector) {
  std::size_t count = 0;
  for (std::size_t s = 24; s < 36; ++s) {
    for (std::size_t e = 0; e < 512; ++e) {
      const std::uint8_t* entry = image.data() + s * kRaw + 24 + e * 4;
      const std::uint32_t start = entry[0] | entry[1] << 8 | entry[2] << 16;
      count += entry[2] <= 0x4E && start >= sector;
    }
  }
  return count;
}

std::uint32_t sectors_of_file(int file_number) {
  static const auto layout = qv::tools::plan_sample_disc({});
  const auto& files = layout.files;
  return files[static_cast<std::size_t>(file_number) + 1].start -
         files[static_cast<std::size_t>(file_number)].start;
}

// A script of one block of incompressible text, larger than any room's sectors.
Bytes oversized_script() {
  constexpr std::uint16_t kTextEnd = 16 + 30000;
  Bytes script = {16, 0, 0, 0, 0, 0, 0, 0, kTextEnd & 0xFF, kTextEnd >> 8, 0, 0, 0, 0, 0, 0};
  std::uint32_t noise = 12345;
  while (script.size() < kTextEnd) {
    noise = noise * 1103515245u + 12345u;
    script.push_back(static_cast<std::uint8_t>(noise >> 24));
  }
  return qv::pack::write_compressed_script(script, {1, 2, 3, 4});
}

const char* const kSummaryNone =
    "discpack: 0 rooms replaced in place, 0 moved, 0 left out; ../translated.bin written and "
    "verified\n";

TEST_F(Discpack, AnUntouchedTreeGivesTheOriginalImage) {
  EXPECT_EQ(run({"../disc.img", "../translated.bin"}), 0);
  EXPECT_EQ(console_.str(), kSummaryNone);
  EXPECT_EQ(qv::common::read_file(root() / "translated.bin"), original_);
}

TEST_F(Discpack, ScriptpackOverEveryUntouchedDumpGivesTheOriginalImage) {
  fs::remove_all(root() / "Rooms");
  std::ostringstream ignored;
  ASSERT_EQ(qv::disc::run_discunpack(std::vector<std::string>{"../disc.img"}, work(), ignored), 0);
  qv::rooms::run_roomdump(work(), ignored);
  qv::script::run_scriptdump(work(), ignored);
  qv::pack::run_scriptpack(work(), ignored);
  EXPECT_EQ(run({"../disc.img", "../translated.bin", "--allow-move"}), 0) << console_.str();
  EXPECT_EQ(console_.str(), kSummaryNone);
  EXPECT_EQ(qv::common::read_file(root() / "translated.bin"), original_);
}

TEST_F(Discpack, RoomsGoInPlaceOrMoveOrAreLeftOutAndTheImageCutsUpAsExpected) {
  // Room 4's script is its archive's last part; room 7's is followed by more parts. Room 2's
  // needs more sectors than it has; room 9's archive is damaged on the disc.
  const Bytes room4 = translated_script(4, "Hola");
  const Bytes room7 = translated_script(7,
                                        "Buenos d\xED"
                                        "as, se\xF1or, \xBF"
                                        "qu\xE9 tal el viaje?");
  const Bytes big = oversized_script();
  ASSERT_TRUE(qv::common::write_file(script_path(4), room4));
  ASSERT_TRUE(qv::common::write_file(script_path(7), room7));
  ASSERT_TRUE(qv::common::write_file(script_path(2), big));
  ASSERT_TRUE(qv::common::write_file(script_path(9), translated_script(9, "Adi\xF3s")));
  fs::remove(script_path(5));
  // Room 9's offset 3 points before offset 2; the sector's error codes no longer matter here.
  Bytes damaged = original_;
  const std::size_t table = sector_of_file(383) * kRaw + 24;
  std::copy_n(damaged.begin() + table + 4 + 1 * 4, 4, damaged.begin() + table + 4 + 3 * 4);
  ASSERT_TRUE(qv::common::write_file(root() / "disc.img", damaged));

  const std::uint32_t held2 = sectors_of_file(362);
  const Bytes archive2 = qv::rooms::replace_room_part(old_archive(2), 8, big, 8).bytes;
  const std::uint32_t needed2 = static_cast<std::uint32_t>((archive2.size() + 2047) / 2048);
  ASSERT_GT(needed2, held2);
  const std::string lines = "Room 2: file 362 needs " + std::to_string(needed2) + " sectors, has " +
                            std::to_string(held2) +
                            ": left out (--allow-move moves the files after it)\n";
  const std::string room4_line = "Room 4: file 368 replaced in place (";
  const std::string room9_line = "Room 9: file 383 left out: its archive's offsets decrease\n";

  for (const bool allow_move : {false, true}) {
    SCOPED_TRACE(allow_move);
    std::vector<std::string> args = {"../disc.img", "../translated.bin"};
    if (allow_move) args.push_back("--allow-move");
    ASSERT_EQ(run(args), 1) << console_.str();
    const std::string console = console_.str();
    EXPECT_NE(console.find(room4_line), std::string::npos) << console;
    EXPECT_NE(console.find("Room 7: file 377 replaced in place ("), std::string::npos) << console;
    EXPECT_NE(console.find(room9_line), std::string::npos) << console;

    std::map<int, std::pair<Bytes, std::uint32_t>> changed = {{4, {room4, sectors_of_file(368)}},
                                                              {7, {room7, sectors_of_file(377)}}};
    std::map<int, Bytes> want;
    if (allow_move) {
      const std::size_t after = entries_from(original_, sector_of_file(363));
      const std::string moved =
          "Room 2: file 362 moved: " + std::to_string(needed2) + " sectors (was " +
          std::to_string(held2) + "); " + std::to_string(after) + " files after it moved by " +
          std::to_string(needed2 - held2) + " sector" + (needed2 - held2 == 1 ? "" : "s") + "\n";
      EXPECT_NE(console.find(moved), std::string::npos) << console;
      EXPECT_NE(console.find("discpack: files moved; ../translated.bin is no longer 736651104 "
                             "bytes, so discunpack warns about its size, and other structures of "
                             "the disc, if any, were not updated\n"),
                std::string::npos)
          << console;
      EXPECT_NE(console.find("discpack: 2 rooms replaced in place, 1 moved, 1 left out; "
                             "../translated.bin written and verified\n"),
                std::string::npos)
          << console;
      changed[2] = {big, needed2};
    } else {
      EXPECT_NE(console.find(lines), std::string::npos) << console;
      EXPECT_NE(console.find("discpack: 2 rooms replaced in place, 0 moved, 2 left out; "
                             "../translated.bin written and verified\n"),
                std::string::npos)
          << console;
    }
    want = expected_files(changed);
    // The damaged archive stays as it is on the disc.
    want[383] = old_archive(9);
    std::copy_n(want[383].begin() + 8, 4, want[383].begin() + 16);
    const auto files = unpack("translated.bin");
    ASSERT_EQ(files.size(), want.size());
    for (const auto& [f, bytes] : want) EXPECT_EQ(files.at(f), bytes) << "file " << f;
  }
}

TEST_F(Discpack, AMoveThatWouldPushAFileOutOfTheDirectoryIsLeftOut) {
  // The last file's entry moved up to the last sector an entry can name.
  Bytes image = original_;
  Bytes directory;
  for (std::size_t s = 24; s < 36; ++s) {
    directory.insert(directory.end(), image.begin() + s * kRaw + 24,
                     image.begin() + s * kRaw + 24 + 2048);
  }
  const std::size_t entry = *qv::disc::directory_entry_offset(directory, 5617);
  std::uint8_t* at = image.data() + (24 + entry / 2048) * kRaw + 24 + entry % 2048;
  at[0] = 0xFF, at[1] = 0xFF, at[2] = 0x4E;
  ASSERT_TRUE(qv::common::write_file(root() / "disc.img", image));
  ASSERT_TRUE(qv::common::write_file(script_path(2), oversized_script()));
  const Bytes archive =
      qv::rooms::replace_room_part(old_archive(2), 8, oversized_script(), 8).bytes;

  EXPECT_EQ(run({"../disc.img", "../translated.bin", "--allow-move"}), 1);
  EXPECT_EQ(console_.str(),
            "Room 2: file 362 needs " + std::to_string((archive.size() + 2047) / 2048) +
                " sectors; moving would push file 5617 past sector 0x4EFFFF: left out\n"
                "discpack: 0 rooms replaced in place, 0 moved, 1 left out; ../translated.bin "
                "written and verified\n");
  EXPECT_EQ(qv::common::read_file(root() / "translated.bin"), image);
}

TEST_F(Discpack, AnImageThatFailsItsCheckIsNotLeftBehind) {
  ASSERT_TRUE(qv::common::write_file(script_path(7), translated_script(7, "Hola")));
  const auto damage = [](const fs::path& scratch) {
    Bytes bytes = *qv::common::read_file(scratch);
    bytes[sector_of_file(377) * kRaw + 30] ^= 1;
    ASSERT_TRUE(qv::common::write_file(scratch, bytes));
  };
  EXPECT_EQ(run({"../disc.img", "../translated.bin"}, damage), 2);
  EXPECT_NE(console_.str().find("does not read back as written; nothing written\n"),
            std::string::npos)
      << console_.str();
  EXPECT_FALSE(fs::exists(root() / "translated.bin"));
  for (const auto& entry : fs::directory_iterator(root())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with("translated.bin")) << entry.path();
  }
}

TEST_F(Discpack, ArgumentsAndImagesThatEndTheRun) {
  ASSERT_TRUE(qv::common::write_file(root() / "short.img", Bytes(30 * kRaw, 0)));
  fs::create_symlink(root() / "disc.img", root() / "symlink.img");
  fs::create_hard_link(root() / "disc.img", root() / "hardlink.img");
  struct Case {
    std::vector<std::string> args;
    std::string console;
  };
  const std::string usage = "Usage:\ndiscpack ORIGINAL NEW [--allow-move]\n";
  const Case cases[] = {
      {{}, usage},
      {{"../disc.img"}, usage},
      {{"../disc.img", "../out.bin", "x"}, usage},
      {{"../disc.img", "../out.bin", "--allow-moves"}, usage},
      {{"../missing.img", "../out.bin"}, "discpack: cannot open ../missing.img; nothing written\n"},
      {{"../disc.img", "./../disc.img"},
       "discpack: ./../disc.img is ../disc.img itself; nothing written\n"},
      {{"../disc.img", "../symlink.img"},
       "discpack: ../symlink.img is ../disc.img itself; nothing written\n"},
      {{"../disc.img", "../hardlink.img", "--allow-move"},
       "discpack: ../hardlink.img is ../disc.img itself; nothing written\n"},
      {{"../short.img", "../out.bin"},
       "discpack: cannot read the directory of ../short.img: the image ends before sector 36; "
       "nothing written\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.args), 2);
    EXPECT_EQ(console_.str(), c.console);
    EXPECT_FALSE(fs::exists(root() / "out.bin"));
  }
  EXPECT_EQ(qv::common::read_file(root() / "disc.img"), original_);
  EXPECT_EQ(std::distance(fs::directory_iterator(root()), fs::directory_iterator{}), 6);

  // An output that cannot be written is reported, and nothing half-written is left.
  EXPECT_EQ(run({"../disc.img", "../no/such/dir/out.bin"}), 2);
  EXPECT_EQ(console_.str(), "discpack: cannot create the scratch file " +
                                (work() / "../no/such/dir/out.bin.partial").string() +
                                "; nothing written\n");

  // The scratch name is fixed so that a killed run leaves one file the next run takes away;
  // when that name is the original itself, nothing is written over it.
  fs::create_hard_link(root() / "disc.img", root() / "out.bin.partial");
  EXPECT_EQ(run({"../disc.img", "../out.bin"}), 2);
  EXPECT_EQ(console_.str(), "discpack: " + (work() / "../out.bin.partial").string() +
                                " is the original image; it cannot be the scratch file; nothing "
                                "written\n");
  EXPECT_EQ(qv::common::read_file(root() / "disc.img"), original_);
  fs::remove(root() / "out.bin.partial");
  ASSERT_TRUE(
      qv::common::write_file(root() / "out.bin.partial", std::string_view("left by a kill")));
  EXPECT_EQ(run({"../disc.img", "../out.bin"}), 0);
  EXPECT_FALSE(fs::exists(root() / "out.bin.partial"));
  EXPECT_EQ(qv::common::read_file(root() / "out.bin"), original_);
}

}  // namespace
