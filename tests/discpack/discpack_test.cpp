// discpack over our own small sample disc: extract it, give a few rooms new scripts, put them
// back, and read the translated image again.
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
#include "rooms/archive.hpp"
#include "rooms/roomdump.hpp"
#include "script/dump.hpp"
#include "script/lzss.hpp"
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

  int run(const std::vector<std::string>& args) {
    console_.str({});
    return qv::discpack::run_discpack(args, work(), console_);
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

TEST_F(Discpack, AnUntouchedTreeGivesTheOriginalImage) {
  EXPECT_EQ(run({"../disc.img", "../translated.bin"}), 0);
  EXPECT_EQ(console_.str(),
            "0 rooms replaced, 537 unchanged, 0 not replaced, 0 without an 8script; 0 sectors "
            "rewritten\nTranslated image written to ../translated.bin\n");
  EXPECT_EQ(qv::common::read_file(root() / "translated.bin"), original_);
}

TEST_F(Discpack, TranslatedRoomsGoBackWithValidSectorsAndNothingElseMoves) {
  // Room 7's script is followed by more parts of its archive; room 4's is the archive's last.
  const std::map<int, Bytes> translated = {
      {4, translated_script(4, "Hola")},
      {7, translated_script(7,
                            "Buenos d\xED"
                            "as, se\xF1or, \xBF"
                            "qu\xE9 tal el viaje?")},
  };
  for (const auto& [room, script] : translated) {
    ASSERT_TRUE(qv::common::write_file(script_path(room), script));
  }
  fs::remove(script_path(9));

  ASSERT_EQ(run({"../disc.img", "../translated.bin"}), 0) << console_.str();
  const std::string console = console_.str();
  EXPECT_NE(console.find("Room 4 replaced: "), std::string::npos) << console;
  EXPECT_NE(console.find("Room 7 replaced: "), std::string::npos) << console;
  EXPECT_NE(console.find("2 rooms replaced, 534 unchanged, 0 not replaced, 1 without an 8script"),
            std::string::npos)
      << console;

  // Only the two archives and the directory changed, and every changed sector checks out.
  const Bytes image = *qv::common::read_file(root() / "translated.bin");
  ASSERT_EQ(image.size(), original_.size());
  std::set<std::uint32_t> may_change;
  for (std::uint32_t s = 24; s < 36; ++s) may_change.insert(s);
  for (int file : {368, 377}) {
    for (std::uint32_t s = sector_of_file(file); s < sector_of_file(file + 1); ++s) {
      may_change.insert(s);
    }
  }
  int changed_sectors = 0;
  for (std::uint32_t s = 0; s < image.size() / kRaw; ++s) {
    const auto sector = std::span(image).subspan(s * kRaw, kRaw);
    if (std::equal(sector.begin(), sector.end(), original_.begin() + s * kRaw)) continue;
    ++changed_sectors;
    ASSERT_TRUE(may_change.count(s)) << "sector " << s;
    ASSERT_TRUE(qv::test::form1_sector_ok(sector)) << "sector " << s;
  }
  EXPECT_GT(changed_sectors, 2);

  // Extracted again, each archive is the old one with the new script, cut at a whole 8-byte
  // unit by the directory's new slack; every other file is as it was.
  const fs::path again = root() / "again";
  fs::create_directories(again / "work");
  std::ostringstream ignored;
  ASSERT_EQ(qv::disc::run_discunpack(std::vector<std::string>{"../../translated.bin"},
                                     again / "work", ignored),
            0);
  for (const auto& [room, script] : translated) {
    SCOPED_TRACE("room " + std::to_string(room));
    const auto archive = qv::common::read_file(archive_path(again, 356 + 3 * room));
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->size() % 8, 0u);
    const auto split = qv::rooms::split_room_archive(*archive, "code");
    ASSERT_EQ(split.parts.size(),
              qv::rooms::split_room_archive(old_archive(room), "code").parts.size());
    const Bytes& part = split.parts[8].bytes;
    // Room 7's later parts keep their alignment: at most three zero bytes follow its script.
    ASSERT_GE(part.size(), script.size());
    EXPECT_LE(part.size() - script.size(), room == 4 ? 0u : 3u);
    EXPECT_TRUE(std::equal(script.begin(), script.end(), part.begin()));
    EXPECT_TRUE(
        std::all_of(part.begin() + script.size(), part.end(), [](auto b) { return b == 0; }));
    Bytes want = qv::rooms::replace_room_part(old_archive(room), 8, script).bytes;
    want.resize(archive->size(), 0);
    EXPECT_EQ(*archive, want);
  }
  const auto layout = qv::tools::plan_sample_disc({});
  int others = 0;
  for (const auto& entry : fs::recursive_directory_iterator(again)) {
    if (entry.path().extension() != ".out") continue;
    const int file = std::stoi(entry.path().stem().string());
    if (file == 368 || file == 377) continue;
    ASSERT_EQ(qv::common::read_file(entry.path()), qv::tools::sample_file_content(layout, file))
        << entry.path();
    ++others;
  }
  EXPECT_EQ(others, 5616);
}

TEST_F(Discpack, RoomsThatCannotGoInAreNamedAndKeptWhileTheRestGoIn) {
  // A script of one block of incompressible text, far larger than its room's sectors.
  constexpr std::uint16_t kTextEnd = 16 + 30000;
  Bytes big_script = {16, 0, 0, 0, 0, 0, 0, 0, kTextEnd & 0xFF, kTextEnd >> 8, 0, 0, 0, 0, 0, 0};
  std::uint32_t noise = 12345;
  while (big_script.size() < kTextEnd) {
    noise = noise * 1103515245u + 12345u;
    big_script.push_back(static_cast<std::uint8_t>(noise >> 24));
  }
  const Bytes too_big = qv::pack::write_compressed_script(big_script, {1, 2, 3, 4});
  ASSERT_FALSE(qv::discpack::check_compressed_script(too_big));

  const Bytes good = translated_script(3, "Adi\xF3s");
  Bytes cut = translated_script(5, "Hasta luego");
  cut.resize(cut.size() / 2);
  ASSERT_TRUE(qv::common::write_file(script_path(2), too_big));
  ASSERT_TRUE(qv::common::write_file(script_path(3), good));
  ASSERT_TRUE(qv::common::write_file(script_path(5), cut));
  ASSERT_TRUE(qv::common::write_file(script_path(6), Bytes{'s', 's', 'z', 'l', 0}));

  EXPECT_EQ(run({"../disc.img", "../translated.bin"}), 1);
  const std::string console = console_.str();
  for (int room : {2, 5, 6}) {
    EXPECT_NE(console.find("Room " + std::to_string(room) + " not replaced: "), std::string::npos)
        << console;
  }
  EXPECT_NE(console.find("do not fit in the"), std::string::npos) << console;
  EXPECT_NE(console.find("1 rooms replaced, 533 unchanged, 3 not replaced"), std::string::npos)
      << console;

  // The image is written with room 3; the refused rooms keep their archives.
  const Bytes image = *qv::common::read_file(root() / "translated.bin");
  for (int room : {2, 5, 6}) {
    const int file = 356 + 3 * room;
    const std::size_t from = sector_of_file(file) * kRaw;
    const std::size_t to = sector_of_file(file + 1) * kRaw;
    EXPECT_TRUE(std::equal(image.begin() + from, image.begin() + to, original_.begin() + from))
        << "room " << room;
  }
  const std::size_t from = sector_of_file(365) * kRaw;
  EXPECT_FALSE(
      std::equal(image.begin() + from, image.begin() + from + kRaw, original_.begin() + from));
}

TEST_F(Discpack, ArgumentsAndImagesThatEndTheRun) {
  ASSERT_TRUE(qv::common::write_file(root() / "short.img", Bytes(30 * kRaw, 0)));
  struct Case {
    std::vector<std::string> args;
    std::string console;
  };
  const std::string usage = "Usage:\ndiscpack <original image> <translated image>\n";
  const Case cases[] = {
      {{}, usage},
      {{"../disc.img"}, usage},
      {{"../disc.img", "../out.bin", "x"}, usage},
      {{"../missing.img", "../out.bin"}, "Unable to open the disc image ../missing.img\n"},
      {{"../disc.img", "../disc.img"},
       "The translated image ../disc.img would overwrite the original.\n"},
      {{"../disc.img", "./../disc.img"},
       "The translated image ./../disc.img would overwrite the original.\n"},
      {{"../short.img", "../out.bin"},
       "Unable to read the disc directory of ../short.img: the image ends before sector 36\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.args), 1);
    EXPECT_EQ(console_.str(), c.console);
    EXPECT_FALSE(fs::exists(root() / "out.bin"));
  }
  EXPECT_EQ(qv::common::read_file(root() / "disc.img"), original_);

  // An output that cannot be written is reported, and nothing half-written is left.
  EXPECT_EQ(run({"../disc.img", "../no/such/dir/out.bin"}), 1);
  EXPECT_NE(console_.str().find("Unable to write ../no/such/dir/out.bin: "), std::string::npos)
      << console_.str();
}

}  // namespace
