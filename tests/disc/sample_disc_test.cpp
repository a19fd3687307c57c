// The sample disc is the input of the sample run and of the chain's tests, so it must hold
// what it promises: a directory that the reader takes apart as planned, room archives in the
// game's layout and scripts that the script tools read back.
#include "tools/sample_disc/sample_disc.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "common/files.hpp"
#include "disc/categories.hpp"
#include "disc/discunpack.hpp"
#include "disc/file_index.hpp"
#include "script/dump.hpp"
#include "script/lzss.hpp"
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
  EXPECT_EQ(u32(archive, 4), 8 + 4 * count);
  EXPECT_EQ(u32(archive, 4 + 4 * count), archive.size());
  return parts;
}

}  // namespace

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

    // Every block ends with a line break, so each end marker stands on a line of its own.
    const auto dump = qv::script::dump_room(script, room);
    ASSERT_TRUE(dump.text);
    const std::string& text = *dump.text;
    std::size_t markers = 0;
    for (std::size_t at = text.find("<End of block>"); at != std::string::npos;
         at = text.find("<End of block>", at + 1)) {
      EXPECT_EQ(text.substr(at - 2, 2), "\r\n") << "room " << room;
      ++markers;
    }
    EXPECT_EQ(markers, std::size_t(script[0] | script[1] << 8) / 8 - 1);
    EXPECT_EQ(text.find("UNKNOWN"), std::string::npos);

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
