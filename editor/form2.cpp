// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/form2.hpp"

#include <QFontMetrics>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

#include "dialogue/accent_table.hpp"
#include "editor/icon.hpp"

namespace qv::editor {

using namespace qv::dialogue;

namespace {

// Layout positions are kept in twips; 15 twips make one pixel.
constexpr int kTwipsPerPixel = 15;

QRect twips(int left, int top, int width, int height) {
  return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
               height / kTwipsPerPixel);
}

QString utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The largest pixel size, from `font`'s own down to a floor, at which `fits` holds. The table
// was drawn for a small bitmap face; wider faces have to shrink to keep rows and columns apart.
template <typename Fits>
QFont fitted_font(QFont font, Fits fits, int kSmallest = 9) {
  int size = QFontInfo(font).pixelSize();
  for (; size > kSmallest; --size) {
    font.setPixelSize(size);
    if (fits(QFontMetrics(font))) return font;
  }
  font.setPixelSize(kSmallest);
  return font;
}

QLabel* make_label(QWidget* parent, std::string_view name, const QString& text, const QRect& at,
                   Qt::Alignment alignment) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(utf8(name));
  label->setGeometry(at);
  label->setAlignment(alignment);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

Form2::Form2(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(u"Form2"_qs);
  setWindowTitle(utf8(kAccentWindowCaption));
  setWindowIcon(textbench_icon());
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(kAccentClientWidth / kTwipsPerPixel, kAccentClientHeight / kTwipsPerPixel);
  // Closing discards the window; the next click on the button builds it afresh.
  setAttribute(Qt::WA_DeleteOnClose);
  build_labels();
  Form_Load();
}

void Form2::build_labels() {
  const auto columns = accent_columns();
  const int rows = static_cast<int>(accent_rows().size());

  // The data's face: small enough that the 21 rows fit the data area and every cell its column.
  const int data_height = kAccentDataHeight / kTwipsPerPixel;
  const QFont table_font = fitted_font(font(), [&](const QFontMetrics& metrics) {
    if (metrics.lineSpacing() * rows > data_height) return false;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      for (int r = 0; r < rows; ++r) {
        const QString cell = utf8(accent_cell(static_cast<std::size_t>(r), c));
        // A pixel of room on each side: glyphs may reach past their advance.
        if (metrics.horizontalAdvance(cell) + 2 > columns[c].data_width / kTwipsPerPixel) {
          return false;
        }
      }
    }
    return true;
  });
  // The headings' face: each token fits above its column and clear of its neighbours' centred
  // tokens (the heading labels overlap), never larger than the data's.
  const QFont heading_font = fitted_font(
      table_font,
      [&](const QFontMetrics& metrics) {
        double previous_right = -1e9;
        for (std::size_t i = 0; i < columns.size(); ++i) {
          const AccentColumn& column = columns[i];
          const int width = metrics.horizontalAdvance(utf8(column.token));
          const double left = column.heading_left / double(kTwipsPerPixel);
          const double box = column.heading_width / double(kTwipsPerPixel);
          if (width > box) return false;
          const double text_left = i == 0 ? left : left + (box - width) / 2;
          if (text_left < previous_right + 2) return false;
          previous_right = text_left + width;
        }
        return true;
      },
      6);
  const auto notes = accent_notes();
  const QFont note_font = fitted_font(font(), [&](const QFontMetrics& metrics) {
    return std::all_of(notes.begin(), notes.end(), [&](const AccentNote& note) {
      return metrics.horizontalAdvance(utf8(note.text)) <= note.width / kTwipsPerPixel &&
             metrics.height() <= kAccentNoteHeight / kTwipsPerPixel + 1;
    });
  });

  for (std::size_t i = 0; i < columns.size(); ++i) {
    const AccentColumn& column = columns[i];
    const Qt::Alignment alignment = i == 0 ? Qt::AlignLeft : Qt::AlignHCenter;
    QLabel* heading = make_label(
        this, column.heading_name, utf8(column.token),
        twips(column.heading_left, kAccentHeadingTop, column.heading_width, kAccentHeadingHeight),
        alignment | Qt::AlignTop);
    heading->setFont(heading_font);
    if (i == 0) {
      QPalette palette = heading->palette();
      palette.setColor(QPalette::WindowText, palette.color(QPalette::Active, QPalette::Highlight));
      heading->setPalette(palette);
    }
    QLabel* data =
        make_label(this, column.data_name, QString(),
                   twips(column.data_left, kAccentDataTop, column.data_width, kAccentDataHeight),
                   alignment | Qt::AlignTop);
    data->setFont(table_font);
  }

  for (const AccentNote& note : notes) {
    QLabel* label = make_label(this, note.name, utf8(note.text),
                               twips(kAccentNoteLeft, note.top, note.width, kAccentNoteHeight),
                               (note.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    QFont letter = note_font;
    if (note.heading || &note == &notes.front()) letter.setBold(true);
    label->setFont(letter);
    if (note.heading) {
      QPalette palette = label->palette();
      palette.setColor(QPalette::WindowText,
                       QColor(kAccentNoteRed, kAccentNoteGreen, kAccentNoteBlue));
      label->setPalette(palette);
    }
  }
}

// Fills the data labels, column by column.
void Form2::Form_Load() {
  const auto columns = accent_columns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (auto* data = findChild<QLabel*>(utf8(columns[i].data_name))) {
      // The table's row break is a line feed and a carriage return; a label would show the
      // carriage return as a blank at the start of every row after the first.
      QString text = utf8(accent_column_text(i));
      text.replace(u"\n\r"_qs, u"\n"_qs);
      data->setText(text);
    }
  }
}

void Form2::showEvent(QShowEvent* event) {
  // Centred on the screen when it first appears; later shows leave it where the user put it.
  if (!centred_) {
    centred_ = true;
    if (const QScreen* screen = this->screen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft() + (pos() - frameGeometry().topLeft()));
    }
  }
  QWidget::showEvent(event);
}

}  // namespace qv::editor
