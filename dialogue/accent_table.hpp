// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The accent reference table: what each speaker makes of each accent token, with the notes the
// translators read under it and where the window puts every piece. All of it is data, walked by
// the window code and by the tests; texts are UTF-8.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace qv::dialogue {

// A place in the window, in twips (15 per pixel).
struct TwipRect {
  int left;
  int top;
  int width;
  int height;
};

// One column of the table: the speakers' names (token empty) or one accent token.
struct AccentColumn {
  std::string_view token;         // the heading's text; the speakers' heading is "Pers./Cód."
  std::string_view common_value;  // what every row shows unless an exception says otherwise
  std::string_view heading_name;  // object name of the heading label
  std::string_view data_name;     // object name of the label holding the column's cells
  int heading_left;               // the heading's Left and Width (twips)
  int heading_width;
  int data_left;  // the data label's Left and Width (twips)
  int data_width;
};

// A cell whose value differs from its column's common value.
struct AccentException {
  std::string_view row;
  std::string_view token;
  std::string_view value;
};

// One line of the notes under the table.
struct AccentNote {
  std::string_view text;
  std::string_view name;  // object name of its label
  int top;                // twips
  int width;              // twips
  bool centred;
  bool heading;  // shown in the dark orange of the notes' heading
};

inline constexpr std::string_view kAccentWindowCaption = "Lista de MTED";
inline constexpr int kAccentClientWidth = 11775;  // twips
inline constexpr int kAccentClientHeight = 6720;
inline constexpr int kAccentHeadingTop = 120;
inline constexpr int kAccentHeadingHeight = 255;
inline constexpr int kAccentDataTop = 360;
inline constexpr int kAccentDataHeight = 4215;
inline constexpr int kAccentNoteLeft = 120;
inline constexpr int kAccentNoteHeight = 255;
// The notes' heading colour (red, green, blue).
inline constexpr unsigned char kAccentNoteRed = 0xC0;
inline constexpr unsigned char kAccentNoteGreen = 0x40;
inline constexpr unsigned char kAccentNoteBlue = 0x00;
// What joins a column's cells into its label's caption: a line feed, then a carriage return.
inline constexpr std::string_view kAccentCellBreak = "\n\r";

// The 21 speakers, top to bottom.
std::span<const std::string_view> accent_rows();
// The 30 columns, left to right: the speakers' names first, then the 29 tokens.
std::span<const AccentColumn> accent_columns();
std::span<const AccentException> accent_exceptions();
// The eight note lines, top to bottom.
std::span<const AccentNote> accent_notes();

// The cell of row `row` (0..20) in column `column` (0..29; column 0 is the speaker's name).
// Out-of-range indices give an empty cell.
std::string accent_cell(std::size_t row, std::size_t column);

// A column's caption: its 21 cells joined by `kAccentCellBreak`.
std::string accent_column_text(std::size_t column);

}  // namespace qv::dialogue
