// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogue/accent_table.hpp"

#include <array>

namespace qv::dialogue {

namespace {

constexpr std::array<std::string_view, 21> kRows = {
    "Genérico 1", "Genérico 2", "Gribba", "Zib",         "Orbelo",       "Verdan",    "Tumolt",
    "Wendor",     "Descon. 1",  "Scalyn", "Gavro",       "Pilva/Lorvek", "Marsel",    "Savine",
    "Rootle",     "Kyborn",     "Ulma",   "Crask/Hoggo", "Pemm",         "Descon. 2", "Descon. 3"};

// A column whose heading stands where its data label does.
constexpr AccentColumn column(std::string_view token, std::string_view common,
                              std::string_view heading, std::string_view data, int left,
                              int width) {
  return AccentColumn{token, common, heading, data, left, width, left, width};
}

// A column whose heading has a place of its own.
constexpr AccentColumn column(std::string_view token, std::string_view common,
                              std::string_view heading, int heading_left, int heading_width,
                              std::string_view data, int left, int width) {
  return AccentColumn{token, common, heading, data, heading_left, heading_width, left, width};
}

constexpr std::array<AccentColumn, 30> kColumns = {
    column("Pers./Cód.", "", "Label1", 0, 855, "Label228", 0, 975),
    column("< >", " ", "Label2", 840, 450, "Label55", 960, 195),
    column("<a>", "a", "Label3", "Label84", 1155, 450),
    column("<ad>", "ad", "Label6", "Label113", 1500, 450),
    column("<d>", "d", "Label11", "Label134", 1890, 450),
    column("<e>", "e", "Label10", "Label155", 2235, 450),
    column("<es>", "es", "Label19", "Label176", 2595, 450),
    column("<f>", "f", "Label9", 2925, 450, "Label197", 2970, 345),
    column("<h>", "h", "Label7", "Label218", 3270, 450),
    column("<i1>", "i", "Label8", "Label239", 3615, 450),
    column("<i2>", "i", "Label32", "Label31", 3975, 405),
    column("<id>", "id", "Label34", "Label33", 4320, 405),
    column("<l>", "l", "Label5", "Label166", 4590, 450),
    column("<mí>", "mí", "Label16", "Label103", 4935, 450),
    column("<no>", "no", "Label18", "Label104", 5325, 450),
    column("<o>", "o", "Label17", "Label124", 5730, 405),
    column("<r1>", "r", "Label4", "Label125", 6075, 450),
    column("<r2>", "r", "Label26", "Label126", 6435, 450),
    column("<s1>", "s", "Label29", "Label208", 6795, 450),
    column("<s2>", "s", "Label28", "Label209", 7185, 450),
    column("<Tavin>", "Tavin", "Label13", 7635, 705, "Label14", 7500, 960),
    column("<sí>", "sí", "Label24", "Label187", 8355, 450),
    column("<suffix>", "", "Label20", "Label30", 8760, 600),
    column("<t>", "t", "Label27", "Label92", 9315, 450),
    column("<tú>", "tú", "Label12", "Label210", 9645, 450),
    column("<u>", "u", "Label23", "Label82", 10005, 450),
    column("<v>", "v", "Label21", "Label188", 10350, 450),
    column("<x>", "x", "Label22", "Label83", 10695, 405),
    column("<yo>", "yo", "Label15", "Label145", 11055, 405),
    column("<z>", "z", "Label25", "Label105", 11445, 375),
};

constexpr AccentException kExceptions[] = {
    {"Gribba", "<l>", "r"},
    {"Gribba", "<mí>", "yo"},
    {"Gribba", "<Tavin>", "Tavinypu"},
    {"Gribba", "<yo>", "mí"},
    {"Zib", "<l>", "w"},
    {"Zib", "<r1>", "w"},
    {"Zib", "<r2>", "w"},
    {"Zib", "<Tavin>", "Tavinykins"},
    {"Zib", "<v>", "f"},
    {"Orbelo", "<a>", "aa"},
    {"Orbelo", "<ad>", "aad"},
    {"Orbelo", "<e>", "ee"},
    {"Orbelo", "<es>", "ees"},
    {"Orbelo", "<i1>", "ii"},
    {"Orbelo", "<i2>", "ii"},
    {"Orbelo", "<id>", "iid"},
    {"Orbelo", "<no>", "noo"},
    {"Orbelo", "<o>", "oo"},
    {"Orbelo", "<u>", "uu"},
    {"Verdan", "<f>", "ph"},
    {"Verdan", "<Tavin>", "Tavinypi"},
    {"Verdan", "<t>", "th"},
    {"Verdan", "<tú>", "thú"},
    {"Tumolt", "<ad>", "a"},
    {"Tumolt", "<h>", "'"},
    {"Tumolt", "<id>", "í"},
    {"Tumolt", "<Tavin>", "Tavin-us"},
    {"Tumolt", "<z>", "v"},
    {"Wendor", "<ad>", "a"},
    {"Wendor", "<id>", "í"},
    {"Wendor", "<tú>", "CHA"},
    {"Scalyn", "<r1>", "rrr"},
    {"Scalyn", "<r2>", "rrr"},
    {"Gavro", "<f>", "ff"},
    {"Gavro", "<z>", "f"},
    {"Pilva/Lorvek", "<ad>", "add"},
    {"Pilva/Lorvek", "<d>", "dd"},
    {"Pilva/Lorvek", "<es>", "est"},
    {"Pilva/Lorvek", "<id>", "idd"},
    {"Pilva/Lorvek", "<no>", "non"},
    {"Pilva/Lorvek", "<r1>", "g"},
    {"Pilva/Lorvek", "<r2>", "gu"},
    {"Pilva/Lorvek", "<s1>", "z"},
    {"Pilva/Lorvek", "<s2>", "c"},
    {"Pilva/Lorvek", "<sí>", "oui"},
    {"Pilva/Lorvek", "<yo>", "je"},
    {"Marsel", "<a>", "ä"},
    {"Marsel", "<ad>", "äd"},
    {"Marsel", "<no>", "nö"},
    {"Marsel", "<o>", "ö"},
    {"Marsel", "<r1>", "g"},
    {"Marsel", "<r2>", "gu"},
    {"Marsel", "<Tavin>", "Herr Tavin"},
    {"Marsel", "<sí>", "jä"},
    {"Marsel", "<u>", "ü"},
    {"Savine", "<r1>", "g"},
    {"Savine", "<r2>", "gu"},
    {"Savine", "<sí>", "dä"},
    {"Savine", "<v>", "f"},
    {"Rootle", "<i2>", ""},
    {"Rootle", "<Tavin>", "Señor Tavin"},
    {"Rootle", "<suffix>", "-em"},
    {"Rootle", "<tú>", "vos"},
    {"Rootle", "<z>", "ç"},
    {"Kyborn", "< >", "-"},
    {"Kyborn", "<Tavin>", "El-Tavin"},
    {"Ulma", "<suffix>", "-um"},
    {"Crask/Hoggo", "<ad>", "a'"},
    {"Crask/Hoggo", "<es>", "e'"},
    {"Crask/Hoggo", "<id>", "í'"},
    {"Crask/Hoggo", "<s1>", "'"},
    {"Crask/Hoggo", "<s2>", "'"},
    {"Crask/Hoggo", "<x>", "'"},
    {"Pemm", "<no>", "noo"},
    {"Pemm", "<o>", "oo"},
    {"Pemm", "<Tavin>", "Tavin-om"},
    {"Pemm", "<suffix>", "-om"},
};

constexpr std::array<AccentNote, 8> kNotes = {{
    {"Comentarios:", "Nota1", 4320, 5055, false, false},
    {"Comentarios:", "Nota2", 4680, 11655, true, true},
    {"<ad> e <id> deben utilizarse sólo en caso de participios (terminaciones en -ido o -ado).",
     "Nota3", 5040, 11655, true, false},
    {"<i1> corresponde a la vocal, mientras <i2> es usada en los verbos terminados en -éis, "
     "-áis, -ois, etc.",
     "Nota4", 5280, 11655, true, false},
    {"<r1> se utiliza ante a, o, u. Sólo para los sonidos como la r de \"cara\". <r2> se usa "
     "sólo ante e, i. Sólo para los sonidos como la r de \"caries\".",
     "Nota5", 5520, 11655, true, false},
    {"<s1> se utiliza ante a, o, u, consonante o al final de palabra. <s2> se usa sólo ante e, "
     "i.",
     "Nota6", 5760, 11655, true, false},
    {"<suffix> consiste en una partícula que se añade sólo al final de los verbos.", "Nota7", 6000,
     11655, true, false},
    {"Las casillas en blanco significan que no hay ningún carácter, excepto en el caso de la "
     "columna < >, donde indican espacios.",
     "Nota8", 6360, 11655, true, false},
}};

}  // namespace

std::span<const std::string_view> accent_rows() {
  return kRows;
}

std::span<const AccentColumn> accent_columns() {
  return kColumns;
}

std::span<const AccentException> accent_exceptions() {
  return kExceptions;
}

std::span<const AccentNote> accent_notes() {
  return kNotes;
}

std::string accent_cell(std::size_t row, std::size_t column) {
  if (row >= kRows.size() || column >= kColumns.size()) return {};
  if (column == 0) return std::string(kRows[row]);
  const AccentColumn& col = kColumns[column];
  for (const AccentException& e : accent_exceptions()) {
    if (e.row == kRows[row] && e.token == col.token) return std::string(e.value);
  }
  return std::string(col.common_value);
}

std::string accent_column_text(std::size_t column) {
  std::string text;
  for (std::size_t row = 0; row < kRows.size(); ++row) {
    if (row > 0) text += kAccentCellBreak;
    text += accent_cell(row, column);
  }
  return text;
}

}  // namespace qv::dialogue
