// SPDX-License-Identifier: GPL-3.0-or-later
#include "rooms/archive.hpp"

#include <gtest/gtest.h>

#include "archive_builder.hpp"

using namespace qv::rooms;
using qv::test::archive_of;
using qv::test::put_u32;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::vector<std::string> names_of(const SplitArchive& split) {
  std::vector<std::string> names;
  for (const auto& part : split.parts) names.push_back(part.name);
  return names;
}

// Part p holds ten bytes, the fifth of which is `decision[p]`.
Bytes archive_with_decision_bytes(const std::vector<std::uint8_t>& decision) {
  std::vector<Bytes> parts;
  for (std::uint8_t d : decision) parts.push_back({0x10, 0, 0, 0, d, 7, 7, 7, 7, 7});
  return archive_of(parts);
}

}  // namespace

TEST(SplitRoomArchive, SizeAndPartCountBoundaries) {
  Bytes archive(29, 0);
  EXPECT_FALSE(split_room_archive(archive, "code").split);
  archive.push_back(0);  // 30 bytes, part count 0
  EXPECT_TRUE(split_room_archive(archive, "code").split);
  EXPECT_TRUE(split_room_archive(archive, "code").parts.empty());
  archive[0] = archive[1] = archive[2] = archive[3] = 0xFF;  // part count -1: no offset is read
  const SplitArchive negative = split_room_archive(archive, "code");
  EXPECT_TRUE(negative.split);
  EXPECT_TRUE(negative.parts.empty());
  EXPECT_TRUE(negative.notes.empty());
}

TEST(SplitRoomArchive, PartNamesDependOnKindExactly) {
  const Bytes archive = archive_with_decision_bytes({0, 1, 2, 8, 9, 1, 0, 0, 0, 1});
  EXPECT_EQ(
      names_of(split_room_archive(archive, "code")),
      (std::vector<std::string>{"0", "1palette", "2", "3", "4", "5", "6", "7", "8script", "9"}));
  EXPECT_EQ(names_of(split_room_archive(archive, "Code")),
            (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
  EXPECT_EQ(names_of(split_room_archive(archive, "GFX")),
            (std::vector<std::string>{"0.tim", "1.raw", "2.tim", "3.tim", "4.tim", "5.raw", "6.tim",
                                      "7.tim", "8.tim", "9.raw"}));
  EXPECT_EQ(names_of(split_room_archive(archive_of({Bytes(10, 1), Bytes(10, 2)}), "code")),
            (std::vector<std::string>{"0", "1palette"}));
}

TEST(SplitRoomArchive, PartsAreCopiedByteForByte) {
  const Bytes archive = archive_of({{1, 2, 3}, {}, {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}});
  const SplitArchive split = split_room_archive(archive, "unknown");
  ASSERT_EQ(split.parts.size(), 3u);
  EXPECT_EQ(split.parts[0].bytes, (Bytes{1, 2, 3}));
  EXPECT_TRUE(split.parts[1].bytes.empty());
  EXPECT_EQ(split.parts[2].bytes.size(), 12u);
  EXPECT_TRUE(split.notes.empty());
}

TEST(SplitRoomArchive, SlackAroundThePartsIsLeftOut) {
  // A gap behind the offset table and bytes after the last offset, as some code archives hold.
  const std::vector<Bytes> parts = {{1, 2, 3}, {}, Bytes(40, 7)};
  const Bytes archive = qv::rooms::build_room_archive(
      parts, {.after_table = Bytes(12, 0xEE), .after_last_part = {9, 9, 9, 9, 9}});
  EXPECT_EQ(archive.size(), 4 + 16 + 12 + 43 + 5u);
  EXPECT_EQ(archive[4], 32);  // part 0 starts after the gap
  const SplitArchive split = split_room_archive(archive, "code");
  ASSERT_EQ(split.parts.size(), 3u);
  for (std::size_t p = 0; p < parts.size(); ++p) EXPECT_EQ(split.parts[p].bytes, parts[p]) << p;
  EXPECT_TRUE(split.notes.empty());
}

TEST(SplitRoomArchive, DecisionByteIsReadWhereThePreviousStepLeftTheArchive) {
  // Two parts behind a 4-byte gap after the offset table (which ends at 16): part 0 is bytes
  // 20..29, part 1 bytes 30..39. Part 0's decision byte is read at 16 + 4, its own byte 0;
  // part 1's at the end of part 0 + 4, its own byte 4.
  Bytes archive;
  put_u32(archive, 2);
  put_u32(archive, 20);
  put_u32(archive, 30);
  put_u32(archive, 40);
  archive.resize(40, 0);
  archive[20] = 1;
  archive[34] = 1;
  EXPECT_EQ(names_of(split_room_archive(archive, "GFX")),
            (std::vector<std::string>{"0.raw", "1.raw"}));
  archive[20] = 0;
  archive[24] = 1;  // byte 4 of part 0 is not where its decision byte is read
  EXPECT_EQ(names_of(split_room_archive(archive, "GFX")),
            (std::vector<std::string>{"0.tim", "1.raw"}));

  // Part 0 runs backwards (30 down to 20) and is written empty; part 1's decision byte is
  // still read at part 0's end offset 20, plus 4.
  Bytes backwards;
  put_u32(backwards, 2);
  put_u32(backwards, 30);
  put_u32(backwards, 20);
  put_u32(backwards, 40);
  backwards.resize(40, 0);
  backwards[24] = 1;
  EXPECT_EQ(names_of(split_room_archive(backwards, "GFX")),
            (std::vector<std::string>{"0.tim", "1.raw"}));
  backwards[24] = 0;
  backwards[34] = 1;  // where the empty part 0 started, plus 4: not read
  EXPECT_EQ(names_of(split_room_archive(backwards, "GFX")),
            (std::vector<std::string>{"0.tim", "1.tim"}));
}

TEST(SplitRoomArchive, DecisionByteMayLieBeyondItsOwnPart) {
  // Gap-free parts of 2, 6 and 4 bytes after a table ending at 20. Part 0's decision byte is
  // byte 2 of part 1; part 2's would be at 32, the end of the archive, and cannot be read.
  const Bytes archive = archive_of({{0, 0}, {0, 0, 1, 0, 0, 0}, {1, 1, 1, 1}});
  ASSERT_EQ(archive.size(), 32u);
  EXPECT_EQ(names_of(split_room_archive(archive, "GFX")),
            (std::vector<std::string>{"0.raw", "1.tim", "2.tim"}));
}

TEST(SplitRoomArchive, PartCountLimit) {
  const struct {
    std::uint32_t part_count;
    bool refused;
  } cases[] = {{503, false}, {504, true}, {0x7FFFFFFF, true}};
  for (const auto& c : cases) {
    Bytes archive = archive_of(std::vector<Bytes>(503, Bytes{}));
    archive[0] = static_cast<std::uint8_t>(c.part_count);
    archive[1] = static_cast<std::uint8_t>(c.part_count >> 8);
    archive[2] = static_cast<std::uint8_t>(c.part_count >> 16);
    archive[3] = static_cast<std::uint8_t>(c.part_count >> 24);
    const SplitArchive split = split_room_archive(archive, "GFX");
    EXPECT_TRUE(split.split) << c.part_count;
    EXPECT_EQ(split.parts.size(), c.refused ? 0u : 503u) << c.part_count;
    EXPECT_EQ(split.notes.size(), c.refused ? 1u : 0u) << c.part_count;
  }
}

TEST(SplitRoomArchive, MalformedArchivesNeverCopyOutsideTheArchive) {
  Bytes too_many;
  put_u32(too_many, 504);
  too_many.resize(64, 0);
  const SplitArchive refused = split_room_archive(too_many, "code");
  EXPECT_TRUE(refused.parts.empty());
  ASSERT_EQ(refused.notes.size(), 1u);
  EXPECT_NE(refused.notes[0].find("504"), std::string::npos);

  Bytes archive = archive_of({Bytes(10, 1), Bytes(10, 2), Bytes(10, 3)});
  put_u32(archive, 0);  // padding, so the archive holds 60 bytes
  // Part 1 runs backwards, part 2 past the end.
  archive[8] = 30;
  archive[12] = 20;
  archive[16] = 200;
  const SplitArchive split = split_room_archive(archive, "code");
  ASSERT_EQ(split.parts.size(), 3u);
  EXPECT_EQ(split.parts[0].bytes.size(), 10u);
  EXPECT_TRUE(split.parts[1].bytes.empty());
  EXPECT_EQ(split.parts[2].bytes.size(), archive.size() - 20);
  EXPECT_EQ(split.notes.size(), 2u);

  // An offset table cut short by the end of the file: missing offsets read as the end.
  Bytes short_table;
  put_u32(short_table, 40);
  for (int i = 0; i < 7; ++i) put_u32(short_table, 32);
  const SplitArchive cut = split_room_archive(short_table, "GFX");
  EXPECT_EQ(cut.parts.size(), 40u);
  for (const auto& part : cut.parts) EXPECT_TRUE(part.bytes.empty());
  EXPECT_FALSE(cut.notes.empty());
}

TEST(ConvertRoomPalettes, OneTablePerWhole512Bytes) {
  for (const auto& [size, tables] : {std::pair{511u, 0u}, {512u, 1u}, {1000u, 1u}, {1024u, 2u}}) {
    EXPECT_EQ(convert_room_palettes(Bytes(size, 0)).size(), tables) << size;
  }
}

TEST(ConvertRoomPalettes, ComponentsAreFiveBitsTimesEight) {
  Bytes palette(512, 0);
  const Bytes words = {0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C, 0xFF, 0x7F, 0x00, 0x80, 0x21, 0x04};
  std::copy(words.begin(), words.end(), palette.begin());
  const auto table = convert_room_palettes(palette).at(0);
  const Bytes expected = {248, 0, 0, 0, 248, 0, 0, 0, 248, 248, 248, 248, 0, 0, 0, 8, 8, 8};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), table.begin()));
  EXPECT_EQ(table[767], 0);
}

TEST(ReplaceRoomPart, IsTheArchiveBuiltAgainWithTheNewPartAndPaddedToWholeUnits) {
  // The archive the builder makes from the same parts and slack, padded, is the expected one:
  // nothing moves but what follows the part, and nothing is put between parts.
  struct Case {
    const char* what;
    std::size_t parts;
    std::size_t old_length;
    std::size_t new_length;
    ArchiveSlack slack;
  };
  const Case cases[] = {
      {"part 8 grows", 12, 11, 4000, {}},
      {"part 8 shrinks by more than a sector", 12, 5000, 7, {}},
      {"part 8 is the last part", 9, 11, 13, {}},
      {"part 8 is the last part and shrinks", 9, 3000, 1, {}},
      {"a gap behind the offset table", 12, 11, 21, {{9, 9, 9, 9, 9}, {}}},
      {"bytes after the last part", 10, 11, 3, {{}, {0xA5, 0xA5, 0xA5}}},
      {"part 8 emptied, slack on both sides", 9, 40, 0, {{1, 2}, {3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Bytes> parts;
    for (std::size_t p = 0; p < c.parts; ++p)
      parts.push_back(Bytes(p + 3, static_cast<std::uint8_t>(p)));
    parts[8] = Bytes(c.old_length, 0x88);
    const Bytes archive = build_room_archive(parts, c.slack);
    const Bytes script(c.new_length, 0xCC);

    const ReplacedArchive replaced = replace_room_part(archive, 8, script, 8);
    ASSERT_FALSE(replaced.refusal) << *replaced.refusal;
    parts[8] = script;
    Bytes want = build_room_archive(parts, c.slack);
    want.resize((want.size() + 7) / 8 * 8, 0);
    EXPECT_EQ(replaced.bytes, want);
    EXPECT_EQ(replace_room_part(archive, 8, script).bytes.size(),
              archive.size() - c.old_length + c.new_length);
  }
}

TEST(ReplaceRoomPart, RefusesArchivesItCannotRebuildFaithfully) {
  const Bytes good = build_room_archive(std::vector<Bytes>(10, Bytes(5, 1)));
  auto with_word = [&good](std::size_t at, std::uint32_t value) {
    Bytes archive = good;
    for (int b = 0; b < 4; ++b) archive[at + b] = static_cast<std::uint8_t>(value >> (8 * b));
    return archive;
  };
  auto offset_slot = [](std::size_t slot) { return 4 + slot * 4; };
  struct Case {
    Bytes archive;
    const char* reason;
  };
  const Case cases[] = {
      {Bytes(3, 0), "its archive cannot be read"},
      {build_room_archive(std::vector<Bytes>(8, Bytes(4, 2))),
       "its archive has 8 parts, not 9 to 503"},
      {with_word(0, 0xFFFFFFFF), "its archive has -1 parts, not 9 to 503"},
      {with_word(0, 504), "its archive has 504 parts, not 9 to 503"},
      {with_word(0, 400), "its archive's offset table runs past its end"},
      {with_word(offset_slot(5), 50), "its archive's offsets decrease"},
      {with_word(offset_slot(0), 8), "its archive's offsets point inside its offset table"},
      {with_word(offset_slot(10), static_cast<std::uint32_t>(good.size() + 1)),
       "its archive's offsets point past its end"},
  };
  for (const Case& c : cases) {
    const ReplacedArchive replaced = replace_room_part(c.archive, 8, Bytes(6, 0xCC), 8);
    ASSERT_TRUE(replaced.refusal) << c.reason;
    EXPECT_EQ(*replaced.refusal, c.reason);
    EXPECT_TRUE(replaced.bytes.empty()) << c.reason;
  }
  // 503 parts are still taken.
  const Bytes most = build_room_archive(std::vector<Bytes>(503, Bytes(1, 3)));
  EXPECT_FALSE(replace_room_part(most, 8, Bytes(2, 0xCC), 8).refusal);
}
