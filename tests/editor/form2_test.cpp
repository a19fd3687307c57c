// SPDX-License-Identifier: GPL-3.0-or-later
// The accent reference window built from the table data: names, captions, places and colours.
#include "editor/form2.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <memory>

#include "dialogue/accent_table.hpp"

namespace qv::editor {

using namespace qv::dialogue;
namespace {

QString utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class AccentWindow : public ::testing::Test {
 protected:
  QLabel* label(std::string_view name) const {
    auto* found = form_->findChild<QLabel*>(utf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  std::unique_ptr<Form2> form_ = std::make_unique<Form2>();
};

TEST_F(AccentWindow, IsAFixedWindowWithoutMaximiseOrMinimise) {
  EXPECT_EQ(form_->windowTitle(), u"Lista de MTED"_qs);
  EXPECT_EQ(form_->size(), QSize(785, 448));
  EXPECT_FALSE(form_->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(form_->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(form_->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(form_->windowIcon().isNull());
}

TEST_F(AccentWindow, EachColumnHasItsHeadingAndDataLabel) {
  const auto columns = accent_columns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const AccentColumn& column = columns[i];
    QLabel* heading = label(column.heading_name);
    QLabel* data = label(column.data_name);
    ASSERT_TRUE(heading && data);
    EXPECT_EQ(heading->text(), utf8(column.token));
    EXPECT_EQ(data->text(), utf8(accent_column_text(i)).replace(u"\n\r"_qs, u"\n"_qs))
        << column.token;
    EXPECT_FALSE(data->text().contains(u'\r')) << column.token;
    EXPECT_EQ(heading->geometry(),
              QRect(column.heading_left / 15, 8, column.heading_width / 15, 17));
    EXPECT_EQ(data->geometry(), QRect(column.data_left / 15, 24, column.data_width / 15, 281));
    const Qt::Alignment horizontal = i == 0 ? Qt::AlignLeft : Qt::AlignHCenter;
    EXPECT_EQ(heading->alignment() & Qt::AlignHorizontal_Mask, horizontal) << column.token;
    EXPECT_EQ(data->alignment() & Qt::AlignHorizontal_Mask, horizontal) << column.token;
  }
}

TEST_F(AccentWindow, ShowsTheCellsTheTranslatorsLookUp) {
  EXPECT_EQ(label("Label1")->text(), QString::fromUtf8("Pers./Cód."));
  EXPECT_TRUE(label("Label228")->text().startsWith(QString::fromUtf8("Genérico 1\nGenérico 2")));
  EXPECT_EQ(label("Label2")->text(), u"< >"_qs);
  EXPECT_EQ(label("Label55")->text().count(u'-'), 1);
  EXPECT_EQ(label("Label30")->text().split(u'\n').filter(u"-"_qs),
            QStringList({u"-em"_qs, u"-um"_qs, u"-om"_qs}));
  const QStringList i2 = label("Label31")->text().split(u'\n');
  ASSERT_EQ(i2.size(), 21);
  EXPECT_EQ(i2[14], QString());
  EXPECT_EQ(label("Label239")->text().split(u'\n')[14], u"i"_qs);
}

TEST_F(AccentWindow, TheSpeakersHeadingTakesTheTitleBarColour) {
  EXPECT_EQ(label("Label1")->palette().color(QPalette::WindowText),
            QApplication::palette().color(QPalette::Active, QPalette::Highlight));
}

TEST_F(AccentWindow, NotesStandUnderTheTableWithTheOrangeCentredHeading) {
  const auto notes = accent_notes();
  for (const AccentNote& note : notes) {
    QLabel* line = label(note.name);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text(), utf8(note.text));
    EXPECT_EQ(line->geometry(), QRect(8, note.top / 15, note.width / 15, 17));
    EXPECT_EQ(line->alignment() & Qt::AlignHorizontal_Mask,
              note.centred ? Qt::AlignHCenter : Qt::AlignLeft);
  }
  EXPECT_EQ(label(notes[1].name)->palette().color(QPalette::WindowText), QColor(0xC0, 0x40, 0x00));
  EXPECT_EQ(label(notes[0].name)->palette().color(QPalette::WindowText),
            QApplication::palette().color(QPalette::WindowText));
  EXPECT_EQ(label(notes[4].name)->text(),
            QString::fromUtf8("<r1> se utiliza ante a, o, u. Sólo para los sonidos como la r de "
                              "\"cara\". <r2> se usa sólo ante e, i. Sólo para los sonidos como "
                              "la r de \"caries\"."));
}

TEST_F(AccentWindow, HeadingsStayClearOfEachOther) {
  const auto columns = accent_columns();
  int previous_right = -1000;
  for (std::size_t i = 1; i < columns.size(); ++i) {
    QLabel* heading = label(columns[i].heading_name);
    const int width = QFontMetrics(heading->font()).horizontalAdvance(heading->text());
    const int left = heading->x() + (heading->width() - width) / 2;
    EXPECT_GT(left, previous_right) << columns[i].token;
    previous_right = left + width;
  }
}

TEST_F(AccentWindow, TheTableFitsItsDataArea) {
  // Every row of a column must be on show: 21 lines within the label's height.
  const QLabel* speakers = label("Label228");
  const QFontMetrics metrics(speakers->font());
  EXPECT_LE(metrics.lineSpacing() * 21, speakers->height());
}

}  // namespace
}  // namespace qv::editor
