// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/preview_controls.hpp"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <string>

#include "common/cp1252.hpp"
#include "dialogue/preview.hpp"

// The pictures live in a static library, so their resource is registered by hand; the macro has
// to stand outside any namespace.
static void register_preview_pictures() {
  Q_INIT_RESOURCE(textbench);
}

namespace qv::editor {

using namespace qv::dialogue;

namespace {

// Layout positions are kept in twips; 15 twips make one pixel.
QRect twips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

constexpr std::array<int, 3> kWindowTops = {240, 2040, 3840};
constexpr std::array<int, 3> kWindowWidths = {4200, 4215, 4215};
constexpr int kWindowLeft = 5280;
constexpr int kWindowHeight = 1455;
// Each label starts 360 twips right of and below its picture's corner, and reaches past the
// window's right edge so that only the text's own line breaks break it.
constexpr int kLabelInset = 360;
constexpr int kLabelWidth = 9999;
constexpr int kLabelHeight = 855;

// The labels hold three lines whatever the font: the game cuts further lines off.
QString caption(const std::string& window) {
  const auto starts = window_line_starts(window);
  const std::string shown =
      starts.size() > kWindowLines ? window.substr(0, starts[kWindowLines] - 2) : window;
  QString text = QString::fromStdString(common::cp1252_to_utf8(shown));
  text.replace(u"\r\n"_qs, u"\n"_qs);
  return text;
}

}  // namespace

PreviewControls create_preview_controls(QWidget* parent) {
  register_preview_pictures();
  const QPixmap picture(u":/textbench/ventana.gif"_qs);
  // The game's face; where it is not installed the platform picks its substitute.
  QFont letter(u"Quorvane"_qs, 9, QFont::Normal);
  letter.setStyleHint(QFont::SansSerif);

  PreviewControls controls;
  for (int i = 0; i < 3; ++i) {
    auto* ventana = new QLabel(parent);
    ventana->setObjectName(u"ventana(%1)"_qs.arg(i));
    ventana->setGeometry(twips(kWindowLeft, kWindowTops[i], kWindowWidths[i], kWindowHeight));
    ventana->setScaledContents(true);
    ventana->setPixmap(picture);
    controls.ventana[i] = ventana;
  }
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(parent);
    label->setObjectName(u"lblvistaprevia(%1)"_qs.arg(i));
    label->setGeometry(
        twips(kWindowLeft + kLabelInset, kWindowTops[i] + kLabelInset, kLabelWidth, kLabelHeight));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(letter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    label->setAutoFillBackground(false);
    label->setAttribute(Qt::WA_TranslucentBackground);
    // Drawn over the pictures but never in the way of the scroll bar's clicks.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    controls.lblvistaprevia[i] = label;
  }
  for (int i = 0; i < 3; ++i) {
    auto* outline = new QFrame(parent);
    outline->setObjectName(u"contorno(%1)"_qs.arg(i));
    outline->setGeometry(controls.ventana[i]->geometry().adjusted(-2, -2, 2, 2));
    outline->setStyleSheet(u"QFrame { border: 2px solid #e00000; background: transparent; }"_qs);
    outline->setAttribute(Qt::WA_TransparentForMouseEvents);
    outline->hide();
    controls.contorno[i] = outline;
  }
  controls.Scroll = new QScrollBar(Qt::Vertical, parent);
  controls.Scroll->setObjectName(u"Scroll"_qs);
  controls.Scroll->setGeometry(twips(9600, 240, 255, 5055));
  controls.Scroll->setRange(0, 0);
  controls.Scroll->setSingleStep(1);
  controls.Scroll->setPageStep(1);
  controls.Scroll->setEnabled(false);
  // The labels reach across it; it must stay on top of them.
  controls.Scroll->raise();
  return controls;
}

void show_preview(const PreviewControls& controls, std::string_view dialogue) {
  const PreviewState state = refresh_preview(dialogue, controls.Scroll->value());
  controls.Scroll->setEnabled(state.scroll_enabled);
  if (state.scroll_enabled) controls.Scroll->setMaximum(state.scroll_maximum);
  for (std::size_t i = 0; i < state.captions.size(); ++i) {
    controls.lblvistaprevia[i]->setText(caption(state.captions[i]));
  }
}

void show_outlines(const PreviewControls& controls, const std::vector<bool>& overfull) {
  const int first = controls.Scroll->isEnabled() ? controls.Scroll->value() : 0;
  for (std::size_t i = 0; i < controls.contorno.size(); ++i) {
    const std::size_t window = static_cast<std::size_t>(first) + i;
    controls.contorno[i]->setVisible(window < overfull.size() && overfull[window]);
  }
}

}  // namespace qv::editor
