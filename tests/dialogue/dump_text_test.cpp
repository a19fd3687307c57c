// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogue/dump_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/dump.hpp"
#include "tests/support/worked_examples.hpp"
#include "tools/sample_disc/sample_disc.hpp"

namespace qv::dialogue {
namespace {

using Dialogues = std::vector<std::string>;

TEST(LineReader, SplitsAtLineFeedsAndDropsTheCarriageReturnBeforeThem) {
  LineReader lines("a\r\nb\nc\r\r\n\r\nlast");
  std::vector<std::string> seen;
  while (!lines.at_end()) seen.emplace_back(lines.next());
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "c\r", "", "last"}));
  EXPECT_EQ(lines.next(), "");
}

TEST(HeaderLine, RoomAndCountFollowTheThreeTwoOneRule) {
  struct Case {
    const char* line;
    int room;
    int dialogues;
  };
  const Case cases[] = {
      {"<Room 5 with 12 text entries>", 5, 12},  // "5 w" is no number, "5 " is
      {"<Room 12 with 3 text entries>", 12, 3},  // "12 " counts as 12
      {"<Room 536 with 999 text entries>", 536, 999},
      {"<Room 7 with 1>", 7, 1},
      {"<Room 7", 7, -1},  // no "with "
      {"<Room -4 with 2 text entries>", -4, 2},
      {"<Room +4 with 2 text entries>", 4, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto room = read_modified_header(c.line);
    ASSERT_TRUE(std::holds_alternative<int>(room));
    EXPECT_EQ(std::get<int>(room), c.room);
    const auto header = read_source_header(c.line);
    if (c.dialogues < 0) {
      EXPECT_EQ(std::get<DumpProblem>(header), DumpProblem::no_dialogue_count);
    } else {
      ASSERT_TRUE(std::holds_alternative<SourceHeader>(header));
      EXPECT_EQ(std::get<SourceHeader>(header).room, c.room);
      EXPECT_EQ(std::get<SourceHeader>(header).dialogues, c.dialogues);
    }
  }
}

TEST(HeaderLine, RefusesLinesThatGiveNoRoomOrNoUsableCount) {
  struct Case {
    const char* line;
    DumpProblem problem;
  };
  const Case cases[] = {
      {"<room 5 with 2 text entries>", DumpProblem::not_a_dump},
      {"", DumpProblem::not_a_dump},
      {"<Room x with 2 text entries>", DumpProblem::no_room_number},
      {"<Room ", DumpProblem::no_room_number},
      {"<Room 3 is empty !!!>", DumpProblem::no_dialogue_count},
      {"<Room 3 with 0 text entries>", DumpProblem::no_dialogue_count},
      {"<Room 3 with x text entries>", DumpProblem::no_dialogue_count},
      {"<Room 3 with ", DumpProblem::no_dialogue_count},
      {"<Room 3 with 1234 text entries>", DumpProblem::too_many_dialogues},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto header = read_source_header(c.line);
    ASSERT_TRUE(std::holds_alternative<DumpProblem>(header));
    EXPECT_EQ(std::get<DumpProblem>(header), c.problem);
  }
  EXPECT_EQ(std::get<DumpProblem>(read_modified_header("Room 5")), DumpProblem::not_a_dump);
}

TEST(Dialogues, FirstHoldsTheHeaderLinesAndLaterOnesStartAtTheirBlockLine) {
  const auto read = read_dialogues(test::kTwoBlockDump, 2);
  ASSERT_TRUE(std::holds_alternative<Dialogues>(read));
  EXPECT_EQ(std::get<Dialogues>(read), (Dialogues{"<Room 5 with 2 text entries>\r\n"
                                                  "<additional params: 32 0 0 0 0 0 0 0>\r\n"
                                                  "\r\n"
                                                  "<Text block 1><params: 6 1 2 3 4 5>\r\n"
                                                  "Hi<Close>\r\n"
                                                  "<End of block>\r\n",
                                                  "<Text block 2><params: 0 0 0 0 0 0>\r\n"
                                                  "Tavin<Close>\r\n"
                                                  "<End of block>\r\n"}));
}

TEST(Dialogues, AMarkerAfterTheLastTextEndsTheDialogueWithItsLine) {
  const auto read = read_dialogues(test::kRoomFiveDump, 2);
  ASSERT_TRUE(std::holds_alternative<Dialogues>(read));
  Dialogues dialogues = std::get<Dialogues>(read);
  EXPECT_EQ(dialogues, (Dialogues{"<Room 5 with 2 text entries>\r\n"
                                  "<additional params: 33 0 0 0 0 0 0 9>\r\n"
                                  "\r\n"
                                  "<Text block 1><params: 6 1 2 3 4 5>\r\n"
                                  "Hi\r\n"
                                  "Hi<Close><End of block>\r\n",
                                  "<Text block 2><params: 0 0 0 0 0 0>\r\n"
                                  "Tavin<Close><End of block>\r\n"}));
  EXPECT_EQ(write_modified_dump(dialogues), test::kRoomFiveDump);
  // A last line without its line break, as many editors leave it, still ends the dialogue.
  const std::string_view cut = test::kRoomFiveDump.substr(0, test::kRoomFiveDump.size() - 2);
  const auto read_cut = read_dialogues(cut, 2);
  ASSERT_TRUE(std::holds_alternative<Dialogues>(read_cut));
  EXPECT_EQ(std::get<Dialogues>(read_cut), std::get<Dialogues>(read));
}

TEST(Dialogues, LineFeedsAloneReadLikeCrLfAndFewerDialoguesThanTheFileHoldsAreFine) {
  const auto read = read_dialogues("<Room 1 with 1>\na\n<End of block>\n\nb\n<End of block>\n", 1);
  ASSERT_TRUE(std::holds_alternative<Dialogues>(read));
  EXPECT_EQ(std::get<Dialogues>(read), Dialogues{"<Room 1 with 1>\r\na\r\n<End of block>\r\n"});
}

TEST(Dialogues, RefusesTextsThatDoNotHoldTheCountedDialogues) {
  struct Case {
    const char* name;
    std::string_view text;
    int count;
    DumpProblem problem;
    int dialogue;
  };
  const Case cases[] = {
      // Every block whole: the count in the header lines of dialogue 1 is what is wrong.
      {"more dialogues than blocks", test::kTwoBlockDump, 3, DumpProblem::too_few_dialogues, 1},
      {"no end line at all", "<Room 1 with 1>\r\nHi\r\n", 1, DumpProblem::missing_end, 1},
      {"empty file", "", 1, DumpProblem::missing_end, 1},
      {"one block short, after a marker that shares its line",
       "<Room 1 with 2>\nHi<End of block>\n", 2, DumpProblem::too_few_dialogues, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto read = read_dialogues(c.text, c.count);
    ASSERT_TRUE(std::holds_alternative<DialogueProblem>(read));
    EXPECT_EQ(std::get<DialogueProblem>(read).problem, c.problem);
    EXPECT_EQ(std::get<DialogueProblem>(read).dialogue, c.dialogue);
  }
}

TEST(ModifiedDump, AnUnchangedDumpIsWrittenBackByteForByte) {
  auto script = test::kTwoBlockScript;
  script.resize(60, 0);  // long enough to be dumped; the bytes past the last block are ignored
  const auto dump = script::dump_room(script, 5);
  ASSERT_TRUE(dump.text);
  auto read = std::get<Dialogues>(read_dialogues(*dump.text, 2));
  EXPECT_EQ(write_modified_dump(read), *dump.text);
  EXPECT_EQ(read.back(), "<Text block 2><params: 0 0 0 0 0 0>\r\nTavin<Close>\r\n<End of block>");
  // Written again, the trimmed last dialogue gives the same file.
  EXPECT_EQ(write_modified_dump(read), *dump.text);
}

TEST(Comments, SurviveAWriteAndARead) {
  const std::vector<std::string> comments = {"", "first\r\nsecond", "ends with a break\r\n", "x"};
  EXPECT_EQ(write_comments(comments),
            "\r\n<End>\r\nfirst\r\nsecond\r\n<End>\r\nends with a break\r\n\r\n<End>\r\n"
            "x\r\n<End>\r\n");
  EXPECT_EQ(read_comments(write_comments(comments), 4), comments);
}

TEST(Comments, ALineThatReadsLikeTheEndMarkerDoesNotShiftTheCommentsAfterIt) {
  const std::vector<std::string> comments = {"<End>", "a\r\n  <End>\r\nb", "x <End>", "c"};
  EXPECT_EQ(write_comments(comments),
            " <End>\r\n<End>\r\na\r\n   <End>\r\nb\r\n<End>\r\nx <End>\r\n<End>\r\nc\r\n<End>\r\n");
  EXPECT_EQ(read_comments(write_comments(comments), 4), comments);
  EXPECT_TRUE(looks_like_comment_end("<End>"));
  EXPECT_TRUE(looks_like_comment_end("   <End>"));
  EXPECT_FALSE(looks_like_comment_end("<End> "));
  EXPECT_FALSE(looks_like_comment_end("x<End>"));
}

TEST(Comments, EmptyLinesBeforeTheFirstTextAreDropped) {
  EXPECT_EQ(read_comments("\r\n\r\nfirst\r\n\r\nthird\r\n<End>\r\n", 1),
            std::vector<std::string>{"first\r\n\r\nthird"});
}

TEST(Comments, AFreshFileReadsAsEmptyCommentsAndAShortFileLeavesTheRestEmpty) {
  EXPECT_EQ(fresh_comments(2), "<End>\r\n\r\n<End>\r\n\r\n");
  EXPECT_EQ(read_comments(fresh_comments(3), 3), std::vector<std::string>(3));
  EXPECT_EQ(read_comments("one\r\n<End>\r\ntwo", 3), (std::vector<std::string>{"one", "two", ""}));
}

TEST(Paths, DerivedFromTheSourceFileNameBelowTheCurrentFolder) {
  EXPECT_EQ(derived_path("/work/here", kModifiedFolder, "/rooms/5/code/outscript.txt"),
            std::filesystem::path("/work/here/Scripts Modificados/outscript.txt"));
  EXPECT_EQ(room_path("/w", kModifiedFolder, 12, "/x/outscript.txt"),
            std::filesystem::path("/w/Scripts Modificados/Room 12/outscript.txt"));
  EXPECT_EQ(derived_path("/w", kCommentsFolder, "room.txt"),
            std::filesystem::path("/w/Comentarios/room.txt"));
}

TEST(Dialogues, EveryDumpOfTheSampleDiscOpensAndAnUnchangedSaveGivesItBack) {
  int opened = 0;
  for (int room = 0; room < tools::kRoomCount; ++room) {
    SCOPED_TRACE("room " + std::to_string(room));
    const auto dump = script::dump_room(tools::sample_room_script(room, 1), room);
    ASSERT_TRUE(dump.text);
    const auto header = read_source_header(first_line(*dump.text));
    if (!std::holds_alternative<SourceHeader>(header)) {
      // Only the empty-room line and a count of 0 are refused.
      EXPECT_EQ(std::get<DumpProblem>(header), DumpProblem::no_dialogue_count);
      EXPECT_TRUE(dump.text->find(" is empty !!!>") != std::string::npos ||
                  dump.text->find(" with 0 text entries>") != std::string::npos);
      continue;
    }
    auto read = read_dialogues(*dump.text, std::get<SourceHeader>(header).dialogues);
    ASSERT_TRUE(std::holds_alternative<Dialogues>(read));
    EXPECT_EQ(write_modified_dump(std::get<Dialogues>(read)), *dump.text);
    ++opened;
  }
  EXPECT_GE(opened, tools::kRoomCount - 5);
}

}  // namespace
}  // namespace qv::dialogue
