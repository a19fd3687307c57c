// SPDX-License-Identifier: GPL-3.0-or-later
#include "disc/discunpack.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/files.hpp"
#include "image_builder.hpp"
#include "tests/support/work_tree.hpp"

namespace fs = std::filesystem;
using qv::common::read_file;
using qv::test::ImageBuilder;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr const char* kBanner = "Quorvane File Exctactor\n\n";
constexpr const char* kWarning =
    "Warning:INVALID QUORVANE ISO FILE!!!\nMake sure you are using a Genuine Quorvane CD1 iso.";

std::string directory_lines() {
  std::string lines = "Entering file pointer read sequence\n";
  for (int s = 24; s <= 35; ++s) lines += std::to_string(s) + "\n";
  return lines;
}

class DiscUnpackRun : public qv::test::WorkTree {
 protected:
  int run(std::vector<std::string> args) {
    std::ostringstream console;
    const int status = qv::disc::run_discunpack(args, work(), console);
    console_ = console.str();
    return status;
  }
  fs::path write_image(const Bytes& bytes) {
    const fs::path path = root() / "cd1.iso";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }
  std::optional<Bytes> output(const char* relative) { return read_file(root() / relative); }
  std::size_t entries_in_tree() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& e : fs::recursive_directory_iterator(root())) ++count;
    return count;
  }

  std::string console_;
};

// An image of 200 sectors: file 0 takes sectors 150..161 as in the usual example, file 1 is
// empty, file 2 has slack 255, files 356 and 357 are rooms, file 5616 ends before it starts
// and file 5617 runs to the end of the image; all others are empty.
ImageBuilder small_disc() {
  ImageBuilder image(200);
  image.skip_all_entries();
  std::size_t entry = 0;
  auto add = [&](std::uint32_t lba, std::uint8_t slack) { image.set_entry(entry++, lba, slack); };
  add(150, 2);                              // file 0
  add(162, 0);                              // file 1
  image.set_entry(entry++, 0, 0, 0x4F, 0);  // skipped
  add(162, 255);                            // file 2
  for (int file = 3; file < 5618; ++file) {
    if (file <= 356) {
      add(163, 0);
    } else if (file == 357 || file == 5617) {
      add(170, 1);
    } else {
      add(180, 0);
    }
  }
  add(0x4EFFFF, 0);  // the 5619th entry, replaced by the sector count
  return image;
}

}  // namespace

TEST_F(DiscUnpackRun, WrongArgumentCountPrintsUsage) {
  for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"a", "b"}}) {
    EXPECT_EQ(run(args), 1);
    EXPECT_EQ(console_, std::string(kBanner) + "Usage:\ndiscunpack <filename>\n");
  }
  EXPECT_EQ(entries_in_tree(), 1u);  // only work/
}

TEST_F(DiscUnpackRun, AnImageThatCannotBeOpenedEndsWithStatus1) {
  fs::create_directory(root() / "a_directory");
  for (const char* path : {"../missing.iso", "../a_directory"}) {
    EXPECT_EQ(run({path}), 1);
    EXPECT_EQ(console_, std::string(kBanner) + "Unable to open the cd1.iso file....\n");
  }
  EXPECT_EQ(entries_in_tree(), 2u);
}

TEST_F(DiscUnpackRun, ExtractsEveryFileIntoItsCategory) {
  ImageBuilder image = small_disc();
  write_image(image.bytes());
  ASSERT_EQ(run({"../cd1.iso"}), 0);

  const std::string head = std::string(kBanner) + "Filesize of cd1.iso is 470400 bytes\n" +
                           kWarning + directory_lines() + "Index file generation complete.\n";
  ASSERT_EQ(console_.substr(0, head.size()), head);
  const std::string files = console_.substr(head.size());
  const std::string first_lines =
      "\n150 - 162 : dumped file number 0 Misc"
      "\n162 - 162 : dumped file number 1 Misc"
      "\n162 - 163 : dumped file number 2 Misc"
      "\n163 - 163 : dumped file number 3 Misc\n";
  EXPECT_EQ(files.substr(0, first_lines.size()), first_lines);
  EXPECT_NE(files.find("\n163 - 170 : dumped file number 356 Rooms\n"), std::string::npos);
  EXPECT_NE(files.find("\n170 - 180 : dumped file number 357 Rooms\n"), std::string::npos);
  EXPECT_NE(files.find("\n180 - 180 : dumped file number 1980 Windows frame\n"), std::string::npos);
  EXPECT_NE(files.find("\n180 - 170 : dumped file number 5616 Video\n"), std::string::npos);
  const std::string last = "\n170 - 200 : dumped file number 5617 Video";
  EXPECT_EQ(files.substr(files.size() - last.size()), last);
  EXPECT_EQ(std::count(files.begin(), files.end(), '\n'), 5618);

  // file.tbl: the accepted entries only, the 5619th included.
  const auto table = output("work/file.tbl");
  ASSERT_TRUE(table);
  ASSERT_EQ(table->size(), 5619u * 4);
  EXPECT_EQ(Bytes(table->begin(), table->begin() + 12),
            (Bytes{150, 0, 0, 2, 162, 0, 0, 0, 162, 0, 0, 255}));
  EXPECT_EQ(Bytes(table->end() - 4, table->end()), (Bytes{0xFF, 0xFF, 0x4E, 0}));

  EXPECT_EQ(output("MISC/disk1/0000.out"), image.expected_file(150, 162, 2));
  EXPECT_EQ(output("MISC/disk1/0001.out"), Bytes{});
  EXPECT_EQ(output("MISC/disk1/0002.out"), image.expected_file(162, 163, 255));
  EXPECT_EQ(output("Rooms/disk1/0356.out"), image.expected_file(163, 170, 0));
  EXPECT_EQ(output("V/disk1/5616.out"), Bytes{});
  EXPECT_EQ(output("V/disk1/5617.out"), image.expected_file(170, 200, 1));

  std::size_t files_written = 0;
  for (const auto& category : fs::directory_iterator(root())) {
    if (!fs::is_directory(category.path() / "disk1")) continue;
    for ([[maybe_unused]] const auto& f : fs::directory_iterator(category.path() / "disk1")) {
      ++files_written;
    }
  }
  EXPECT_EQ(files_written, 5618u);
  std::size_t rooms = 0;
  for ([[maybe_unused]] const auto& f : fs::directory_iterator(root() / "Rooms" / "disk1")) ++rooms;
  EXPECT_EQ(rooms, 1611u);
}

TEST_F(DiscUnpackRun, ASecondRunOverwritesAndReusesOtherSpellings) {
  fs::create_directories(root() / "rooms" / "disk1");
  fs::create_directories(root() / "MISC" / "disk1");
  {
    std::ofstream stale(root() / "MISC" / "disk1" / "0001.out");
    stale << "stale content";
  }
  write_image(small_disc().bytes());
  ASSERT_EQ(run({"../cd1.iso"}), 0);
  EXPECT_EQ(output("MISC/disk1/0001.out"), Bytes{});
  EXPECT_FALSE(fs::exists(root() / "Rooms"));
  EXPECT_TRUE(fs::exists(root() / "rooms" / "disk1" / "0356.out"));
}

TEST_F(DiscUnpackRun, GenuineSizeIsDetected) {
  // A sparse image of the expected size whose directory makes every file empty but the last.
  const fs::path path = root() / "cd1.iso";
  {
    ImageBuilder head(36);
    for (std::size_t e = 0; e < 5619; ++e) head.set_entry(e, 313201, 0);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(head.bytes().data()),
              std::streamsize(head.bytes().size()));
  }
  fs::resize_file(path, 736651104);
  ASSERT_EQ(run({"../cd1.iso"}), 0);
  const std::string head = std::string(kBanner) + "Filesize of cd1.iso is 736651104 bytes\n" +
                           "Genuine Quorvane iso detected.\n" + directory_lines() +
                           "Index file generation complete.\n" +
                           "\n313201 - 313201 : dumped file number 0 Misc";
  EXPECT_EQ(console_.substr(0, head.size()), head);
  const std::string last = "\n313201 - 313202 : dumped file number 5617 Video";
  EXPECT_EQ(console_.substr(console_.size() - last.size()), last);
  EXPECT_EQ(output("V/disk1/5617.out"), Bytes(2048, 0));
}

TEST_F(DiscUnpackRun, AShortDirectoryExtractsOnlyTheFilesItDescribes) {
  ImageBuilder image(40);
  image.skip_all_entries();
  image.set_entry(0, 36, 0);
  image.set_entry(1, 38, 0);
  image.set_entry(2, 39, 0);
  write_image(image.bytes());
  EXPECT_EQ(run({"../cd1.iso"}), 0);
  const std::string tail =
      "Index file generation complete.\n"
      "\n36 - 38 : dumped file number 0 Misc"
      "\n38 - 39 : dumped file number 1 Misc"
      "\nThe directory lists too few files: file numbers 2 to 5617 were not extracted.";
  EXPECT_EQ(console_.substr(console_.size() - tail.size()), tail);
  EXPECT_EQ(output("work/file.tbl")->size(), 12u);
  EXPECT_TRUE(output("MISC/disk1/0001.out"));
  EXPECT_FALSE(output("MISC/disk1/0002.out"));
}

TEST_F(DiscUnpackRun, ATruncatedImageWritesNoStaleBytesAndSaysSo) {
  ImageBuilder image = small_disc();
  const Bytes expected_5617 = image.expected_file(170, 185, 1);
  // Cut inside sector 185's user data: the sector count is 185, where file 5617 now ends.
  image.bytes().resize(185 * 2352 + 24 + 100);
  write_image(image.bytes());
  ASSERT_EQ(run({"../cd1.iso"}), 0);
  const std::string last = "\n170 - 185 : dumped file number 5617 Video";
  EXPECT_EQ(console_.substr(console_.size() - last.size()), last);
  EXPECT_EQ(output("V/disk1/5617.out"), expected_5617);

  // A directory entry past the end of the image.
  ImageBuilder cut(40);
  cut.skip_all_entries();
  for (std::size_t e = 0; e < 5619; ++e) cut.set_entry(e, 38, 0);
  cut.set_entry(0, 36, 0);
  cut.set_entry(1, 39, 0);
  cut.set_entry(2, 45, 0);
  cut.bytes().resize(39 * 2352 + 24 + 1000);
  write_image(cut.bytes());
  ASSERT_EQ(run({"../cd1.iso"}), 1);  // a file could not be read whole
  EXPECT_NE(console_.find("\n36 - 39 : dumped file number 0 Misc\n"), std::string::npos);
  EXPECT_NE(console_.find("\n39 - 45 : dumped file number 1 Misc [the image ends inside this "
                          "file: 1000 of 12288 bytes written]\n"),
            std::string::npos);
  EXPECT_EQ(output("MISC/disk1/0001.out"), Bytes(cut.user_data(39), cut.user_data(39) + 1000));
}

TEST_F(DiscUnpackRun, AnOutputThatCannotBeWrittenIsReportedAndFailsTheRun) {
  ImageBuilder image = small_disc();
  write_image(image.bytes());
  // A directory where the file should go blocks it.
  fs::create_directories(root() / "Rooms" / "disk1" / "0356.out");
  EXPECT_EQ(run({"../cd1.iso"}), 1);
  EXPECT_NE(console_.find("\n163 - 170 : dumped file number 356 Rooms [cannot write "
                          "../Rooms/disk1/0356.out: Is a directory]\n"),
            std::string::npos);
  EXPECT_EQ(output("Rooms/disk1/0357.out"), image.expected_file(170, 180, 1));
}
