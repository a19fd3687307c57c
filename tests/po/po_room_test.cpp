// SPDX-License-Identifier: GPL-3.0-or-later
#include "po/po_room.hpp"

#include <gtest/gtest.h>

#include "tests/support/worked_examples.hpp"

namespace qv::po {
namespace {

RoomDialogues source_of(std::string_view dump) {
  auto read = read_source_dump(dump);
  EXPECT_TRUE(std::holds_alternative<RoomDialogues>(read));
  return std::get<RoomDialogues>(read);
}

// Room 5 with a text that ends in a line break, an inline end marker and an empty block.
constexpr std::string_view kRoomFive =
    "<Room 5 with 3 text entries>\r\n"
    "<additional params: 40 0 0 0 0 0 0 9>\r\n"
    "\r\n"
    "<Text block 1><params: 6 1 2 3 4 5>\r\n"
    "Hi\r\n"
    "Hi<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 2><params: 0 0 0 0 0 0>\r\n"
    "Tavin<Close><End of block>\r\n"
    "\r\n"
    "<Text block 3><params: 0 0 0 0 0 0>\r\n"
    "<End of block>\r\n";

TEST(PoRoom, DialogueTextsSplitAndJoinBackExactly) {
  const struct {
    std::string_view dialogue;
    std::string_view head;
    std::string_view text;
  } cases[] = {
      {"<Text block 2><params: 0>\r\nTavin<Close><End of block>\r\n",
       "<Text block 2><params: 0>\r\n", "Tavin<Close>"},
      {"<Text block 1><params: 0>\r\nHi\r\nHi<Close>\r\n<End of block>\r\n",
       "<Text block 1><params: 0>\r\n", "Hi\nHi<Close>\n"},
      {"<Text block 3><params: 0>\r\n<End of block>\r\n", "<Text block 3><params: 0>\r\n", ""},
      {"<Text block 4><params: 0>\r\n\r\nHi<End of block>\r\n", "<Text block 4><params: 0>\r\n",
       "\nHi"},
      {"<Room 5 with 1 text entries>\r\n<additional params: 0>\r\n\r\n<Text block 1><p>\r\n"
       "Hi<End of block>\r\n",
       "<Room 5 with 1 text entries>\r\n<additional params: 0>\r\n\r\n<Text block 1><p>\r\n", "Hi"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dialogue);
    const auto parts = split_dialogue(c.dialogue);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->head, c.head);
    EXPECT_EQ(parts->text, c.text);
    EXPECT_EQ(join_dialogue(parts->head, parts->text), c.dialogue);
  }
  EXPECT_FALSE(split_dialogue("Hi<End of block>\r\n"));
}

TEST(PoRoom, ContextsAreReadOnlyInTheirExactForm) {
  EXPECT_EQ(context_of(5, 12), "room 5, dialogue 12");
  const auto ref = parse_context("room 5, dialogue 12");
  ASSERT_TRUE(ref);
  EXPECT_EQ(ref->room, 5);
  EXPECT_EQ(ref->dialogue, 12);
  for (const char* bad :
       {"", "room 5", "room 5, dialogue ", "room 05, dialogue 1", "room 5, dialogue 1 ",
        "Room 5, dialogue 1", "room -5, dialogue 1", "room 5, dialogue 99999999999"}) {
    EXPECT_FALSE(parse_context(bad)) << bad;
  }
}

TEST(PoRoom, ExportTakesTextsTranslationsCommentsAndMarksLineBreakChangesFuzzy) {
  const RoomDialogues source = source_of(kRoomFive);
  std::string translated(kRoomFive);
  translated.replace(translated.find("Tavin<Close>"), 12, "Tavin\xE9<Close>\r\n");
  const auto translation = std::get<RoomDialogues>(read_translation(translated, source));
  const std::string comments = "Mira\r\n <End>\r\n<End>\r\n\r\n<End>\r\n\r\n<End>\r\n";
  const auto exported = export_room(source, &translation, comments);
  const Export& result = std::get<Export>(exported);
  ASSERT_EQ(result.entries.size(), 2u);  // block 3 has no text
  const PoEntry& first = result.entries[0];
  EXPECT_EQ(first.context, "room 5, dialogue 1");
  EXPECT_EQ(first.id, "Hi\nHi<Close>\n");
  EXPECT_EQ(first.str, "");
  EXPECT_EQ(first.comment, "Mira\n<End>");
  EXPECT_EQ(first.extracted, "params: 6 1 2 3 4 5");
  EXPECT_FALSE(first.fuzzy);
  const PoEntry& second = result.entries[1];
  EXPECT_EQ(second.id, "Tavin<Close>");
  EXPECT_EQ(second.str, "Tavin\xC3\xA9<Close>\n");
  EXPECT_TRUE(second.fuzzy);
  EXPECT_EQ(result.translated, 1);
  EXPECT_EQ(result.fuzzy, 1);
}

TEST(PoRoom, ATranslationOfAnotherRoomOrCutShortIsRefused) {
  const RoomDialogues source = source_of(kRoomFive);
  std::string other(kRoomFive);
  other.replace(6, 1, "6");
  EXPECT_TRUE(std::holds_alternative<Problem>(read_translation(other, source)));
  const std::string_view cut = kRoomFive.substr(0, kRoomFive.rfind("<End of block>"));
  EXPECT_TRUE(std::holds_alternative<Problem>(read_translation(cut, source)));
}

PoEntry entry(int dialogue, std::string id, std::string str, std::size_t line,
              std::string comment = {}) {
  PoEntry e;
  e.context = context_of(5, dialogue);
  e.id = std::move(id);
  e.str = std::move(str);
  e.comment = std::move(comment);
  e.line = line;
  return e;
}

TEST(PoRoom, MergeKeepsWhatEmptyEntriesLeaveAndReplacesOnlyGivenComments) {
  const RoomDialogues source = source_of(kRoomFive);
  std::string earlier(kRoomFive);
  earlier.replace(earlier.find("Hi\r\nHi"), 6, "Hola\r\nHola");
  const auto translation = std::get<RoomDialogues>(read_translation(earlier, source));
  const std::string comments = "del editor\r\n<End>\r\notro\r\n<End>\r\n<End>\r\n";
  std::vector<PoEntry> entries = {entry(1, "Hi\nHi<Close>\n", "", 10),
                                  entry(2, "Tavin<Close>", "Tavin<Close>\n", 15, "nuevo\n<End>")};
  entries[1].fuzzy = true;
  const auto merged = merge_room(entries, source, &translation, comments);
  const Merged& result = std::get<Merged>(merged);
  std::string expected = earlier;
  expected.replace(expected.find("Tavin<Close><End"), 16, "Tavin<Close>\r\n<End");
  EXPECT_EQ(result.translation, expected);
  EXPECT_EQ(result.comments, "del editor\r\n<End>\r\nnuevo\r\n <End>\r\n<End>\r\n\r\n<End>\r\n");
  EXPECT_EQ(result.translated, 1);
  EXPECT_EQ(result.fuzzy, 1);

  // With no files yet: the source dump byte for byte, and the editor's fresh comments file.
  const auto fresh = merge_room({entry(1, "Hi\nHi<Close>\n", "", 10)}, source, nullptr, {});
  EXPECT_EQ(std::get<Merged>(fresh).translation, kRoomFive);
  EXPECT_EQ(std::get<Merged>(fresh).comments, "<End>\r\n\r\n<End>\r\n\r\n<End>\r\n\r\n");
}

TEST(PoRoom, MergeRefusesEachBadEntryWithItsLine) {
  const RoomDialogues source = source_of(kRoomFive);
  const std::string id = "Tavin<Close>";
  const struct {
    PoEntry entry;
    std::string message;
  } cases[] = {
      {entry(4, id, "x", 7), "msgctxt \"room 5, dialogue 4\" names no dialogue of room 5"},
      {entry(0, id, "x", 7), "msgctxt \"room 5, dialogue 0\" names no dialogue of room 5"},
      {entry(2, "Tavin<Close>!", "x", 7), "msgid is not the source text of dialogue 2"},
      {entry(2, id, "a<End of block>b", 7), "msgstr holds \"<End of block>\""},
      {entry(2, id, "a\n<Text block 3>", 7), "msgstr holds a line beginning \"<Text block\""},
      {entry(2, id, "\xC4\x80", 7), "msgstr holds '\xC4\x80' (U+0100)"},
      // In the code page, though the packer may not take them (placing checks that).
      {entry(2, id, "\xE2\x82\xAC\xC2\xA1", 7), ""},
      {entry(2, id, "\xE2\x98\x83", 7), "msgstr holds '\xE2\x98\x83' (U+2603), which code page"},
      {entry(2, id, "a\xC3", 7), "msgstr is not valid UTF-8"},
      {entry(2, id, "a\xC0\x80", 7), "msgstr is not valid UTF-8"},
      {entry(2, id, "a\r\nb", 7), "msgstr holds the control character U+000D"},
      {entry(2, id, "", 7, "\xE2\x98\x83"), "the comment holds"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry.str + c.message);
    const auto merged = merge_room({c.entry}, source, nullptr, {});
    if (c.message.empty()) {
      EXPECT_TRUE(std::holds_alternative<Merged>(merged));
      continue;
    }
    const auto* problems = std::get_if<std::vector<Problem>>(&merged);
    ASSERT_NE(problems, nullptr);
    ASSERT_EQ(problems->size(), 1u);
    EXPECT_EQ(problems->front().line, 7u);
    EXPECT_TRUE(problems->front().message.starts_with(c.message)) << problems->front().message;
  }
  const auto twice = merge_room({entry(2, id, "a", 3), entry(2, id, "b", 9)}, source, nullptr, {});
  const auto& problems = std::get<std::vector<Problem>>(twice);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].line, 9u);
  EXPECT_EQ(problems[0].message, "dialogue 2 has a second entry (the first at line 3)");

  // An empty room gets no files, which the editor could not open anyway.
  const RoomDialogues empty = source_of("<Room 7 is empty !!!>\r\n");
  EXPECT_TRUE(std::holds_alternative<std::vector<Problem>>(merge_room({}, empty, nullptr, {})));
}

TEST(PoRoom, AFileNamesOneRoom) {
  EXPECT_EQ(std::get<int>(room_of({entry(1, "a", "", 3), entry(2, "b", "", 9)})), 5);
  PoEntry other = entry(1, "a", "", 12);
  other.context = "room 6, dialogue 1";
  const auto two = room_of({entry(1, "a", "", 3), other});
  ASSERT_TRUE(std::holds_alternative<std::vector<Problem>>(two));
  EXPECT_EQ(std::get<std::vector<Problem>>(two).front().line, 12u);
  EXPECT_TRUE(std::holds_alternative<std::vector<Problem>>(room_of({})));
}

}  // namespace
}  // namespace qv::po
