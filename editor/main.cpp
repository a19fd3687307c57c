// SPDX-License-Identifier: GPL-3.0-or-later
// textbench: the translator's editor over a source dump, its translation and its comments.
#include <QApplication>

#include "editor/dialogs.hpp"
#include "editor/form1.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  qv::editor::install_spanish_qt_texts();
  qv::editor::QtPrompter prompter;
  qv::editor::Form1 window(prompter);
  prompter.set_parent(&window);
  window.show();
  return app.exec();
}
