// SPDX-License-Identifier: GPL-3.0-or-later
// The sample disc is the input of the sample run and of the chain's tests, so it must hold
// what it promises: a directory that the reader takes apart as planned, room archives in the
// game's layout and scripts that the script tools read back.
#include "tools/sample_disc/sample_disc.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "common/files.hpp"
#include "disc/categories.hpp"
#include "disc/discunpack.hpp"
#include "disc/file_index.hpp"
#include "disc/sector_writer.hpp"
#include "rooms/archive.hpp"
#include "script/dump.hpp"
#include "script/lzss.hpp"
#include "script/vocabulary.hpp"
#include "tests/disc/sector_oracle.hpp"
#include "tests/support/scratch_dir.hpp"

namespace fs = std::filesystem;
using namespace qv::tools;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::uint32_t u32(const Bytes& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

std::vector<Bytes> archive_parts(const Bytes& archive) {
  std::vector<Bytes> parts;
  const std::uint32_t count = u32(archive, 0);
  for (std::uint32_t p = 0; p < count; ++p) {
    const std::uint32_t from = u32(archive, 4 + 4 * p), to = u32(archive, 8 + 4 * p);
    EXPECT_LE(from, to);
    EXPECT_LE(to, archive.size());
    parts.emplace_back(archive.begin() + from, archive.begin() + to);
  }
  EXPECT_GE(u32(archive, 4), 8 + 4 * count);
  EXPECT_LE(u32(archive, 4 + 4 * count), archive.size());
  return parts;
}

}  // namespace

TEST(SampleDisc, EverySectorIsAFormOneSectorOfItsPlaceWithValidErrorCodes) {
  // Checked by the slow oracle, not by the library that wrote them, so an image copied untouched
  // is one a drive reads.
  const auto image = qv::tools::make_sample_disc({});
  ASSERT_EQ(image.size() % qv::disc::kRawSectorSize, 0u);
  for (std::size_t s = 0; s < image.size() / qv::disc::kRawSectorSize; ++s) {
    const auto sector =
        std::span(image).subspan(s * qv::disc::kRawSectorSize, qv::disc::kRawSectorSize);
    ASSERT_TRUE(qv::disc::is_form1_sector(sector, static_cast<std::uint32_t>(s))) << s;
    ASSERT_TRUE(qv::test::form1_sector_ok(sector)) << s;
  }
}

TEST(SampleDisc, DirectoryReadsBackAsPlanned) {
  for (bool full : {false, true}) {
    const SampleDiscLayout layout = plan_sample_disc({.full = full});
    const auto read = qv::disc::build_file_index(layout.directory, layout.sector_count);
    EXPECT_EQ(read.accepted, 5619u);
    EXPECT_EQ(read.file_table.size(), 5619u * 4);
    std::set<int> slacks;
    for (int f = 0; f < kSampleFileCount; ++f) {
      const auto extent = qv::disc::file_extent(read.index, f);
      ASSERT_TRUE(extent) << f;
      const SampleFile& file = layout.files[static_cast<std::size_t>(f)];
      ASSERT_EQ(extent->start, file.start) << f;
      ASSERT_EQ(extent->end, file.start + file.sectors) << f;
      ASSERT_EQ(extent->byte_size(), file.size()) << f;
      if (file.sectors > 0) slacks.insert(file.slack_units);
    }
    EXPECT_EQ(slacks.size(), 256u);
    EXPECT_EQ(layout.files[kEmptyFile].sectors, 0u);
    // Entries with byte 2 of 0x4F and above are in the directory and skipped.
    int skipped = 0;
    for (std::size_t e = 0; e < 6144; ++e) skipped += layout.directory[4 * e + 2] >= 0x4F;
    EXPECT_EQ(skipped, 6144 - 5619);
    EXPECT_EQ(layout.directory[2], 0x4F);
    EXPECT_EQ(layout.files.back().start + layout.files.back().sectors, layout.sector_count);
  }
  EXPECT_EQ(plan_sample_disc({.full = true}).sector_count * 2352ull, kFullImageSize);
}

TEST(SampleDisc, RoomFilesAreRoomArchivesWithScripts) {
  std::set<std::uint8_t> decisions;
  for (int room : {0, 1, 2, 3, 100, 536}) {
    const int first = kFirstRoomFile + 3 * room;
    const std::vector<Bytes> code = archive_parts(sample_room_file(first, 1));
    ASSERT_GE(code.size(), 9u);
    EXPECT_GT(code[1].size(), 0u);
    EXPECT_EQ(code[1].size() % 512, 0u);

    const auto header = qv::script::read_compressed_header(code[8]);
    ASSERT_TRUE(header);
    EXPECT_EQ(std::string(header->magic.begin(), header->magic.end()), "sszl");
    const Bytes script = sample_room_script(room, 1);
    Bytes unpacked = qv::script::decompress(
        std::span(code[8]).subspan(qv::script::kCompressedHeaderSize), header->size_limit);
    ASSERT_GE(unpacked.size(), script.size());
    unpacked.resize(script.size());
    EXPECT_EQ(unpacked, script) << "room " << room;

    const auto dump = qv::script::dump_room(script, room);
    ASSERT_TRUE(dump.text);
    const std::string& text = *dump.text;
    std::size_t markers = 0;
    for (std::size_t at = text.find("<End of block>"); at != std::string::npos;
         at = text.find("<End of block>", at + 1)) {
      ++markers;
    }
    EXPECT_EQ(markers, std::size_t(script[0] | script[1] << 8) / 8 - 1);

    EXPECT_EQ(sample_room_file(first + 1, 1).size() % 8, 0u);
    for (const Bytes& part : archive_parts(sample_room_file(first + 2, 1))) {
      ASSERT_GE(part.size(), 5u);
      decisions.insert(part[4]);
    }
  }
  EXPECT_TRUE(decisions.count(1));
  EXPECT_GE(decisions.size(), 3u);
}

TEST(SampleDisc, DiscUnpackExtractsEveryFileExactly) {
  const fs::path root = qv::test::scratch_dir("qv_sample_disc_extract");
  fs::remove_all(root);
  fs::create_directories(root / "work");
  const SampleDiscOptions options;
  ASSERT_TRUE(write_sample_disc(root / "cd1.iso", options));
  EXPECT_EQ(qv::common::read_file(root / "cd1.iso"), make_sample_disc(options));

  std::ostringstream console;
  ASSERT_EQ(
      qv::disc::run_discunpack(std::vector<std::string>{"../cd1.iso"}, root / "work", console), 0);
  const SampleDiscLayout layout = plan_sample_disc(options);
  for (int f = 0; f < kSampleFileCount; ++f) {
    const auto written = qv::common::read_file(root / "work" / qv::disc::output_path(f));
    ASSERT_TRUE(written) << f;
    ASSERT_EQ(*written, sample_file_content(layout, f)) << f;
    if (f >= kFirstRoomFile && f < kFirstRoomFile + 3 * kRoomCount) {
      ASSERT_EQ(*written, sample_room_file(f, options.seed)) << f;
    }
  }
  EXPECT_EQ(console.str().find('['), std::string::npos);  // no notes
  fs::remove_all(root);
}

namespace {

// What the scripts of the whole default image hold, counted code by code.
struct ScriptShapes {
  int rooms = 0, empty_rooms = 0, largest_room = 0;
  int blocks = 0, close_last = 0, line_break_last = 0, other_last = 0, empty_blocks = 0;
  int auto_close_then_close = 0, four_new_windows = 0, params_differ = 0;
  int closing_params_all_equal = 0, close_end_markers = 0, empty_room_lines = 0;
  std::set<int> codes;                              // every code seen (not arguments)
  std::map<std::string, std::set<int>> rooms_with;  // decoder-only texts and rare forms
  std::set<int> names, tokens;
  int commas_db = 0, commas_24 = 0, names_seen = 0, tokens_seen = 0;
};

void count_block(std::span<const std::uint8_t> text, int room, ScriptShapes& shapes) {
  ++shapes.blocks;
  int news = 0;
  std::uint8_t last = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const std::uint8_t code = text[at];
    last = code;
    shapes.codes.insert(code);
    const bool argued = qv::script::takes_argument(code) && at + 1 < text.size();
    const int argument = argued ? text[at + 1] : -1;
    news += code == 0x02;
    if (code == 0x06 && at + 2 < text.size() && text[at + 2] == 0x00) {
      ++shapes.auto_close_then_close;
    }
    if (code == 0x68) shapes.rooms_with["<'>"].insert(room);
    if (code == 0x72) shapes.rooms_with["<.>"].insert(room);
    if (code == 0x12 && argument == 0) shapes.rooms_with["<Unknow auto-accent>"].insert(room);
    if (code == 0x12 && argument > 0) {
      ++shapes.tokens_seen, shapes.tokens.insert(argument);
      if (argument == 43) shapes.rooms_with["token 43"].insert(room);
    }
    if (code == 0x08) {
      ++shapes.names_seen, shapes.names.insert(argument);
      if (argument > 43) shapes.rooms_with["name above 43"].insert(room);
    }
    shapes.commas_db += code == 0xDB;
    if (code == 0x24) ++shapes.commas_24, shapes.rooms_with["comma 0x24"].insert(room);
    if (argued) ++at;
  }
  if (text.empty()) {
    ++shapes.empty_blocks;
  } else if (last == 0x00) {
    ++shapes.close_last;
  } else if (last == 0x01) {
    ++shapes.line_break_last;
  } else {
    ++shapes.other_last;
  }
  shapes.four_new_windows += news >= 4;
}

ScriptShapes shapes_of_default_image() {
  ScriptShapes shapes;
  for (int room = 0; room < kRoomCount; ++room) {
    const Bytes script = sample_room_script(room, 1);
    const auto dump = qv::script::dump_room(script, room);
    ++shapes.rooms;
    if (script.size() < qv::script::kSmallestDumpedScript) {
      ++shapes.empty_rooms;
      shapes.empty_room_lines +=
          dump.text == "<Room " + std::to_string(room) + " is empty !!!>\r\n";
      EXPECT_EQ(script[0] | script[1] << 8, 8) << "room " << room;  // one record
      continue;
    }
    const auto table = qv::script::read_record_table(script);
    const auto* records = std::get_if<qv::script::RecordTable>(&table);
    if (records == nullptr) {
      ADD_FAILURE() << "room " << room << ": record table unreadable";
      continue;
    }
    const auto& r = records->records;
    shapes.largest_room = std::max(shapes.largest_room, static_cast<int>(r.size()) - 1);
    for (std::size_t k = 0; k + 1 < r.size(); ++k) {
      const std::size_t from = qv::script::start_offset(r[k]),
                        to = qv::script::start_offset(r[k + 1]);
      EXPECT_LE(from, to) << "room " << room;
      EXPECT_LE(to, script.size()) << "room " << room;
      count_block(std::span(script).subspan(from, to - from), room, shapes);
      shapes.params_differ += r[k][3] != r[k][5];
    }
    const auto& closing = r.back();
    shapes.closing_params_all_equal += std::all_of(closing.begin() + 2, closing.end(),
                                                   [&](std::uint8_t b) { return b == closing[2]; });
    if (qv::script::start_offset(closing) < script.size()) {
      shapes.rooms_with["bytes after closing"].insert(room);
    }
    const std::string& text = *dump.text;
    for (std::size_t at = text.find("<Close><End of block>\r\n"); at != std::string::npos;
         at = text.find("<Close><End of block>\r\n", at + 1)) {
      ++shapes.close_end_markers;
    }
  }
  return shapes;
}

}  // namespace

// Our tools must meet the shapes of the game's own scripts, in realistic shares.
TEST(SampleDisc, ScriptsHoldTheGamesShapesInRealisticShares) {
  ScriptShapes s = shapes_of_default_image();
  const double blocks = s.blocks;
  struct Share {
    const char* what;
    double value, lowest, highest;
  };
  const Share shares[] = {
      {"blocks ending with the close code", s.close_last / blocks, 0.60, 0.80},
      {"blocks ending with a line break", s.line_break_last / blocks, 0.05, 0.35},
      {"blocks ending with another code", s.other_last / blocks, 0.005, 0.10},
      {"empty blocks", s.empty_blocks / blocks, 0.002, 0.05},
      {"blocks with auto close then close", s.auto_close_then_close / blocks, 0.05, 0.30},
      {"block params with p3 != p5", s.params_differ / blocks, 0.50, 1.0},
      {"commas written 0xDB", s.commas_db / double(s.commas_db + s.commas_24), 0.9, 0.9999},
  };
  for (const Share& share : shares) {
    EXPECT_GE(share.value, share.lowest) << share.what;
    EXPECT_LE(share.value, share.highest) << share.what;
  }
  struct Count {
    const char* what;
    std::size_t value, lowest, highest;
  };
  const Count counts[] = {
      {"rooms", std::size_t(s.rooms), 537, 537},
      {"empty rooms", std::size_t(s.empty_rooms), 5, 5},
      {"empty rooms dumped as empty", std::size_t(s.empty_room_lines), 5, 5},
      {"blocks in the largest room", std::size_t(s.largest_room), 220, 400},
      {"dialogues with 4 or more new windows", std::size_t(s.four_new_windows), 30, 1000},
      {"closing records with all params equal", std::size_t(s.closing_params_all_equal), 0, 0},
      {"end markers after <Close> on one line", std::size_t(s.close_end_markers),
       std::size_t(s.close_last), std::size_t(s.close_last)},
      {"rooms with <'>", s.rooms_with["<'>"].size(), 20, 537},
      {"rooms with <.>", s.rooms_with["<.>"].size(), 20, 537},
      {"rooms with <Unknow auto-accent>", s.rooms_with["<Unknow auto-accent>"].size(), 20, 537},
      // The forms the dump text cannot carry back byte for byte: real, so present, but rare.
      {"rooms with comma 0x24", s.rooms_with["comma 0x24"].size(), 1, 30},
      {"rooms with token 43", s.rooms_with["token 43"].size(), 1, 30},
      {"rooms with a name above 43", s.rooms_with["name above 43"].size(), 1, 40},
      {"rooms with bytes after the closing offset", s.rooms_with["bytes after closing"].size(), 1,
       40},
      {"distinct names", s.names.size(), 44, 60},
      {"distinct tokens", s.tokens.size(), 48, 70},
  };
  for (const Count& count : counts) {
    EXPECT_GE(count.value, count.lowest) << count.what;
    EXPECT_LE(count.value, count.highest) << count.what;
  }
  // Names mostly 0..43, tokens 1..48.
  EXPECT_GT(s.names_seen, 500);
  EXPECT_GT(s.tokens_seen, 300);
  // Every code of the text: all below 0x20, the unknown 0x76..0x8B, the chunk codes.
  for (int code = 0x00; code <= 0x8B; ++code) {
    if (code < 0x20 || code >= 0x76) {
      EXPECT_TRUE(s.codes.count(code)) << code;
    }
  }
  int chunks = 0;
  for (int code = 0xA4; code <= 0xFF; ++code) chunks += code != 0xDB && s.codes.count(code);
  EXPECT_GE(chunks, 40);
  int accented = 0;
  for (int code = 0x8C; code <= 0xA3; ++code) accented += s.codes.count(code);
  EXPECT_GE(accented, 5);
}

// Some code archives leave a gap behind the offset table and some hold bytes after their last
// part; the splitter still gives back every part, the script among them.
TEST(SampleDisc, CodeArchivesWithSlackSplitIntoTheirParts) {
  int gaps = 0, tails = 0;
  for (int room = 0; room < kRoomCount; ++room) {
    const Bytes archive = sample_room_file(kFirstRoomFile + 3 * room, 1);
    const std::uint32_t count = u32(archive, 0);
    gaps += u32(archive, 4) > 8 + 4 * count;
    tails += u32(archive, 4 + 4 * count) < archive.size();
    EXPECT_EQ(archive.size() % 8, 0u) << room;
    const auto split = qv::rooms::split_room_archive(archive, "code");
    ASSERT_EQ(split.parts.size(), count) << room;
    EXPECT_TRUE(split.notes.empty()) << room;
    const auto header = qv::script::read_compressed_header(split.parts[8].bytes);
    ASSERT_TRUE(header) << room;
    const Bytes script = sample_room_script(room, 1);
    Bytes unpacked = qv::script::decompress(
        std::span(split.parts[8].bytes).subspan(qv::script::kCompressedHeaderSize),
        header->size_limit);
    ASSERT_GE(unpacked.size(), script.size()) << room;
    unpacked.resize(script.size());
    EXPECT_EQ(unpacked, script) << room;
  }
  EXPECT_GE(gaps, 20);
  EXPECT_GE(tails, 20);
}
