// SPDX-License-Identifier: GPL-3.0-or-later
// Times what one key press in the translation box costs on a room of 220 dialogues: storing the
// text, the checks, the width rule, the spelling marks and the preview. Prints the median beside
// the 16 ms budget of one frame.
// Usage: bench_textbench   (offscreen unless QT_QPA_PLATFORM says otherwise)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/files.hpp"
#include "editor/form1.hpp"
#include "tools/support/unattended_prompter.hpp"

namespace {

std::string room_of(int dialogues) {
  std::string text = "<Room 42 with " + std::to_string(dialogues) +
                     " text entries>\r\n<additional params: 64 0 0 0 0 0 0 0>\r\n\r\n";
  for (int i = 1; i <= dialogues; ++i) {
    if (i > 1) text += "\r\n";
    text += "<Text block " + std::to_string(i) + "><params: 0 0 0 0 0 0>\r\n";
    text += "<Color 2>Gribba<Color 0>: <Tavin>! The ferry leaves at dawn,\r\n";
    text += "so bring the lantern and the map.\r\n<New>\r\n";
    text += "We<'re> counting on you, as always.\r\n<Close>\r\n<End of block>\r\n";
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir scratch;
  const std::filesystem::path root = scratch.path().toStdString();
  constexpr int kDialogues = 220;
  qv::common::write_file(root / "outscript.txt", room_of(kDialogues));
  QDir::setCurrent(scratch.path());

  qv::tools::UnattendedPrompter answers(QString::fromStdString((root / "outscript.txt").string()));
  qv::editor::Form1 window(answers);
  window.show();
  QElapsedTimer load;
  load.start();
  window.findChild<QWidget*>(u"cmdabrirscript"_qs)
      ->metaObject()
      ->invokeMethod(window.findChild<QWidget*>(u"cmdabrirscript"_qs), "click");
  const double load_ms = load.nsecsElapsed() / 1e6;
  window.ir_a_dialogo(kDialogues / 2);

  auto* box = window.findChild<QPlainTextEdit*>(u"txtscriptmodificado"_qs);
  QTextCursor cursor = box->textCursor();
  cursor.setPosition(static_cast<int>(box->toPlainText().indexOf(u"<Close>"_qs)));
  box->setTextCursor(cursor);
  std::vector<double> times;
  const QString keys = u"Hola, mundo. Una frase m\u00e1s para el viaje "_qs;
  for (int round = 0; round < 8; ++round) {
    for (const QChar c : keys) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QElapsedTimer timer;
      timer.start();
      QApplication::sendEvent(box, &press);
      times.push_back(timer.nsecsElapsed() / 1e6);
      QApplication::sendEvent(box, &release);
      QApplication::processEvents();
    }
  }
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  const double worst = times.back();
  std::printf(
      "textbench key refresh, %d dialogues, %zu keys: median %.3f ms, slowest %.3f ms; "
      "budget 16 ms; median/budget %.3f\n",
      kDialogues, times.size(), median, worst, median / 16.0);
  std::printf("room load with checks of every dialogue: %.1f ms\n", load_ms);
  return 0;
}
