// SPDX-License-Identifier: GPL-3.0-or-later
// The accent reference table as data: its shape, the cells the translators look up most, and
// that every exception names a real row and column.
#include "dialogue/accent_table.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace qv::dialogue {
namespace {

std::size_t row_of(std::string_view name) {
  const auto rows = accent_rows();
  return static_cast<std::size_t>(std::find(rows.begin(), rows.end(), name) - rows.begin());
}

std::size_t column_of(std::string_view token) {
  const auto columns = accent_columns();
  return static_cast<std::size_t>(
      std::find_if(columns.begin(), columns.end(),
                   [&](const AccentColumn& c) { return c.token == token; }) -
      columns.begin());
}

std::string cell(std::string_view row, std::string_view token) {
  return accent_cell(row_of(row), column_of(token));
}

// The rows whose cells in `token`'s column are not `value`.
std::vector<std::string> rows_differing(std::string_view token, std::string_view value) {
  std::vector<std::string> rows;
  for (std::string_view row : accent_rows()) {
    if (cell(row, token) != value) rows.emplace_back(row);
  }
  return rows;
}

TEST(AccentTable, HasTwentyOneSpeakersAndTwentyNineTokens) {
  ASSERT_EQ(accent_rows().size(), 21u);
  ASSERT_EQ(accent_columns().size(), 30u);
  EXPECT_EQ(accent_rows().front(), "Genérico 1");
  EXPECT_EQ(accent_rows().back(), "Descon. 3");
  EXPECT_EQ(accent_columns()[0].token, "Pers./Cód.");
  EXPECT_EQ(accent_columns()[1].token, "< >");
  EXPECT_EQ(accent_columns().back().token, "<z>");
}

TEST(AccentTable, SpaceColumnIsBlankButForKyborn) {
  EXPECT_EQ(rows_differing("< >", " "), std::vector<std::string>{"Kyborn"});
  EXPECT_EQ(cell("Kyborn", "< >"), "-");
}

TEST(AccentTable, SuffixColumnIsEmptyButForThreeSpeakers) {
  const std::vector<std::string> expected = {"Rootle", "Ulma", "Pemm"};
  EXPECT_EQ(rows_differing("<suffix>", ""), expected);
  EXPECT_EQ(cell("Rootle", "<suffix>"), "-em");
  EXPECT_EQ(cell("Ulma", "<suffix>"), "-um");
  EXPECT_EQ(cell("Pemm", "<suffix>"), "-om");
}

TEST(AccentTable, RootleHasAnEmptyI2ButAnI1) {
  EXPECT_EQ(cell("Rootle", "<i2>"), "");
  EXPECT_EQ(cell("Rootle", "<i1>"), "i");
  EXPECT_EQ(rows_differing("<i2>", "i"), (std::vector<std::string>{"Orbelo", "Rootle"}));
}

TEST(AccentTable, CellsTakeTheirExceptionsAndOtherwiseTheCommonValue) {
  struct Case {
    std::string_view row, token, value;
  };
  for (const Case& c : {Case{"Gribba", "<yo>", "mí"}, Case{"Gribba", "<mí>", "yo"},
                        Case{"Marsel", "<Tavin>", "Herr Tavin"}, Case{"Marsel", "<a>", "ä"},
                        Case{"Rootle", "<Tavin>", "Señor Tavin"}, Case{"Rootle", "<z>", "ç"},
                        Case{"Tumolt", "<h>", "'"}, Case{"Crask/Hoggo", "<id>", "í'"},
                        Case{"Wendor", "<tú>", "CHA"}, Case{"Genérico 2", "<tú>", "tú"},
                        Case{"Descon. 1", "<Tavin>", "Tavin"}, Case{"Zib", "<mí>", "mí"}}) {
    EXPECT_EQ(cell(c.row, c.token), c.value) << c.row << " " << c.token;
  }
}

TEST(AccentTable, ExceptionsNameRealCellsOnceAndDiffer) {
  std::set<std::pair<std::string_view, std::string_view>> seen;
  for (const AccentException& e : accent_exceptions()) {
    ASSERT_LT(row_of(e.row), accent_rows().size()) << e.row;
    const std::size_t column = column_of(e.token);
    ASSERT_LT(column, accent_columns().size()) << e.token;
    ASSERT_GT(column, 0u);
    EXPECT_NE(e.value, accent_columns()[column].common_value) << e.row << " " << e.token;
    EXPECT_TRUE(seen.emplace(e.row, e.token).second) << e.row << " " << e.token;
  }
  EXPECT_EQ(seen.size(), 77u);
  for (std::string_view plain :
       {"Genérico 1", "Genérico 2", "Descon. 1", "Descon. 2", "Descon. 3"}) {
    for (std::size_t c = 1; c < accent_columns().size(); ++c) {
      EXPECT_EQ(accent_cell(row_of(plain), c), accent_columns()[c].common_value);
    }
  }
}

TEST(AccentTable, ColumnCaptionJoinsTheRowsWithLineFeedAndCarriageReturn) {
  const std::string suffix = accent_column_text(column_of("<suffix>"));
  std::string expected;
  for (std::size_t row = 0; row < accent_rows().size(); ++row) {
    if (row > 0) expected += "\n\r";
    expected += cell(accent_rows()[row], "<suffix>");
  }
  EXPECT_EQ(suffix, expected);
  EXPECT_EQ(std::count(suffix.begin(), suffix.end(), '\n'), 20);
  EXPECT_EQ(accent_column_text(0).substr(0, 24), "Genérico 1\n\rGenérico 2");
}

TEST(AccentTable, OutOfRangeCellsAreEmpty) {
  EXPECT_EQ(accent_cell(21, 1), "");
  EXPECT_EQ(accent_cell(0, 30), "");
}

TEST(AccentTable, ColumnsAreNamedAndPlacedLeftToRight) {
  std::set<std::string_view> names;
  int previous_left = -1;
  for (const AccentColumn& c : accent_columns()) {
    EXPECT_TRUE(names.insert(c.heading_name).second) << c.heading_name;
    EXPECT_TRUE(names.insert(c.data_name).second) << c.data_name;
    EXPECT_GT(c.data_left, previous_left) << c.token;
    previous_left = c.data_left;
  }
  const AccentColumn& tavin = accent_columns()[column_of("<Tavin>")];
  EXPECT_EQ(tavin.heading_name, "Label13");
  EXPECT_EQ(tavin.data_name, "Label14");
  EXPECT_EQ(tavin.heading_left, 7635);
  EXPECT_EQ(tavin.heading_width, 705);
  EXPECT_EQ(tavin.data_left, 7500);
  EXPECT_EQ(tavin.data_width, 960);
}

TEST(AccentTable, NotesInOrderWithTheOrangeCentredHeading) {
  const auto notes = accent_notes();
  ASSERT_EQ(notes.size(), 8u);
  EXPECT_EQ(notes[0].text, "Comentarios:");
  EXPECT_FALSE(notes[0].centred);
  EXPECT_EQ(notes[0].width, 5055);
  EXPECT_EQ(notes[1].text, "Comentarios:");
  EXPECT_TRUE(notes[1].heading && notes[1].centred);
  const std::vector<int> tops = {4320, 4680, 5040, 5280, 5520, 5760, 6000, 6360};
  for (std::size_t i = 0; i < notes.size(); ++i) {
    EXPECT_EQ(notes[i].top, tops[i]);
    if (i > 0) {
      EXPECT_TRUE(notes[i].centred);
      EXPECT_EQ(notes[i].width, 11655);
    }
    if (i != 1) {
      EXPECT_FALSE(notes[i].heading);
    }
  }
  EXPECT_NE(notes[4].text.find("la r de \"cara\". <r2>"), std::string_view::npos);
  EXPECT_TRUE(notes[4].text.ends_with("la r de \"caries\"."));
}

}  // namespace
}  // namespace qv::dialogue
