// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The preview's controls in the main window: three message-window pictures, a transparent
// label over each and the scroll bar for dialogues of more than three windows.
#include <array>
#include <string_view>
#include <vector>

class QFrame;
class QLabel;
class QScrollBar;
class QWidget;

namespace qv::editor {

struct PreviewControls {
  std::array<QLabel*, 3> ventana{};         // the pictures, top to bottom
  std::array<QLabel*, 3> lblvistaprevia{};  // the window texts, one over each picture
  QScrollBar* Scroll = nullptr;
  // A red outline around each picture, shown when its window cannot be shown whole.
  std::array<QFrame*, 3> contorno{};
};

// Creates the controls in `parent` at their places (objects named "ventana(0)" …
// "lblvistaprevia(2)" and "Scroll"); the scroll bar starts disabled at 0.
PreviewControls create_preview_controls(QWidget* parent);

// Shows one refresh of `dialogue`; each caption holds at most the three lines a window shows (code
// page 1252, CR LF line breaks) with the scroll bar's current value, and sets the scroll bar's
// state. Setting its maximum may bring its value down, which refreshes again from the scroll bar's
// change; that nested refresh shows the same.
void show_preview(const PreviewControls& controls, std::string_view dialogue);

// Shows the outline of the pictures whose windows are overfull: `overfull` has one entry per
// window of the dialogue, and the pictures show windows from the scroll bar's value on.
void show_outlines(const PreviewControls& controls, const std::vector<bool>& overfull);

}  // namespace qv::editor
