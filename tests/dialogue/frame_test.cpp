// SPDX-License-Identifier: GPL-3.0-or-later
// The frame of a dialogue that the editor keeps, and saves that keep a file's link and mode.
#include "dialogue/frame.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/files.hpp"
#include "dialogue/dump_text.hpp"
#include "tests/support/scratch_dir.hpp"

namespace qv::dialogue {
namespace {

constexpr std::string_view kFirst =
    "<Room 5 with 2 text entries>\r\n<additional params: 40 0 0 0 0 0 0 0>\r\n\r\n"
    "<Text block 1><params: 0 0 0 0 0 0>\r\nHola<Close>\r\n<End of block>\r\n";

TEST(Frame, TextMayChangeButNotTheFixedLines) {
  const std::string first(kFirst);
  auto edited = [&](std::string_view from, std::string_view to) {
    std::string text = first;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  struct Case {
    const char* name;
    std::string after;
    bool kept;
  };
  const Case cases[] = {
      {"the text", edited("Hola", "Adi\xF3s\r\ny m\xE1s"), true},
      {"the room line", edited("Room 5", "Room 6"), false},
      {"a line added to the header", edited("\r\n\r\n<Text", "\r\n\r\n\r\n<Text"), false},
      {"the block line", edited("params: 0", "params: 1"), false},
      {"the marker joined to the text", edited("<Close>\r\n<End", "<Close><End"), false},
      {"a second marker", edited("Hola", "Ho\r\n<End of block>\r\nla"), false},
      {"a second block line", edited("Hola", "<Text block 2><params: 0 0 0 0 0 0>\r\nla"), false},
      {"text after the marker", first + "x", false},
      {"a line after the marker", first + "\r\n", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(keeps_frame(first, c.after), c.kept) << c.name;
  }
  // Text that shares its line with the marker stays free; the sharing itself stays.
  const std::string shared = "<Text block 2><params: 0 0 0 0 0 0>\r\nDos<End of block>\r\n";
  EXPECT_TRUE(keeps_frame(shared, "<Text block 2><params: 0 0 0 0 0 0>\r\nTres<End of block>\r\n"));
  EXPECT_FALSE(
      keeps_frame(shared, "<Text block 2><params: 0 0 0 0 0 0>\r\nDos\r\n<End of block>\r\n"));
}

TEST(ReadDialogues, NamesTheDialogueWhereTheDamageIs) {
  const std::string dump =
      std::string(kFirst) +
      "\r\n<Text block 2><params: 0 0 0 0 0 0>\r\nDos<Close>\r\n<End of block>\r\n";
  struct Case {
    const char* name;
    std::string text;
    DumpProblem problem;
    int dialogue;
  };
  std::string damaged_first = dump;
  damaged_first.replace(damaged_first.find("<End of block>"), 14, "<End of blok>");
  std::string count_too_large = dump;
  count_too_large.replace(count_too_large.find("2 text"), 1, "3");
  const Case cases[] = {
      {"the first marker damaged", damaged_first, DumpProblem::missing_end, 1},
      {"the last marker cut off", dump.substr(0, dump.rfind("<End")), DumpProblem::missing_end, 2},
      {"the header counts one more", count_too_large, DumpProblem::too_few_dialogues, 1},
  };
  for (const Case& c : cases) {
    const auto header = std::get<SourceHeader>(read_source_header(first_line(c.text)));
    const auto read = read_dialogues(c.text, header.dialogues);
    ASSERT_TRUE(std::holds_alternative<DialogueProblem>(read)) << c.name;
    EXPECT_EQ(std::get<DialogueProblem>(read).problem, c.problem) << c.name;
    EXPECT_EQ(std::get<DialogueProblem>(read).dialogue, c.dialogue) << c.name;
  }
}

TEST(CountComments, CountsTheLinesThatEndAComment) {
  EXPECT_EQ(count_comments(""), 0u);
  EXPECT_EQ(count_comments(fresh_comments(4)), 4u);
  EXPECT_EQ(count_comments("a\r\n <End>\r\n<End>\r\nb\r\n<End>"), 2u);  // " <End>" is text
}

TEST(SaveFile, WritesThroughALinkAndKeepsTheMode) {
  namespace fs = std::filesystem;
  const fs::path root = test::scratch_dir("qv_dialogue_save_file");
  fs::remove_all(root);
  fs::create_directories(root / "real");
  const fs::path target = root / "real" / "outscript.txt";
  const fs::path link = root / "outscript.txt";
  ASSERT_TRUE(common::write_file(target, "old"));
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("real/outscript.txt", link);

  ASSERT_TRUE(save_file(link, "new"));
  EXPECT_TRUE(fs::is_symlink(link));
  const auto bytes = common::read_file(target);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "new");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::mask,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // No scratch file is left beside the target.
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "real"), fs::directory_iterator()), 1);
  fs::remove_all(root);
}

}  // namespace
}  // namespace qv::dialogue
