// Writes a picture of the editor window with a sample room loaded, its translation and a comment.
// Usage: textbench_screenshot OUTPUT.png   (under xvfb-run for a real X display)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>

#include "common/files.hpp"
#include "editor/form1.hpp"

namespace {

constexpr std::string_view kSource =
    "<Room 12 with 3 text entries>\r\n"
    "<additional params: 64 0 0 0 0 0 0 0>\r\n"
    "\r\n"
    "<Text block 1><params: 0 0 0 0 0 0>\r\n"
    "<Tavin>! You are late again.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 2><params: 0 0 0 0 0 0>\r\n"
    "The bridge to the north is\r\n"
    "closed until the storm ends.\r\n"
    "<New>\r\n"
    "Ask at the inn if you need a bed.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 3><params: 0 0 0 0 0 0>\r\n"
    "Safe travels.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n";

constexpr std::string_view kTranslation =
    "<Room 12 with 3 text entries>\r\n"
    "<additional params: 64 0 0 0 0 0 0 0>\r\n"
    "\r\n"
    "<Text block 1><params: 0 0 0 0 0 0>\r\n"
    "\xA1<Tavin>! Llegas tarde otra vez.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 2><params: 0 0 0 0 0 0>\r\n"
    "El puente del norte est\xE1\r\n"
    "cerrado hasta que pase la tormenta.\r\n"
    "<New>\r\n"
    "Pregunta en la posada si necesitas cama.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 3><params: 0 0 0 0 0 0>\r\n"
    "Buen viaje.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n";

constexpr std::string_view kComments =
    "\r\n<End>\r\n"
    "\"Posada\" como en la aldea del principio.\r\n<End>\r\n"
    "\r\n<End>\r\n";

class SampleAnswers : public qv::editor::Prompter {
 public:
  explicit SampleAnswers(QString file) : file_(std::move(file)) {}
  void show_message(const QString& text, const QString&, qv::editor::MessageIcon) override {
    std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
  }
  qv::editor::Answer ask_yes_no_cancel(const QString&, const QString&,
                                       qv::editor::MessageIcon) override {
    return qv::editor::Answer::no;
  }
  QString choose_file(const QString&, const QString&) override { return file_; }

 private:
  QString file_;
};

// Lets the window be mapped and painted on the display.
void settle() {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: textbench_screenshot OUTPUT.png\n");
    return 2;
  }
  const QString output = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
  QTemporaryDir scratch;
  const std::filesystem::path root = scratch.path().toStdString();
  std::filesystem::create_directories(root / "Scripts Modificados");
  std::filesystem::create_directories(root / "Comentarios");
  qv::common::write_file(root / "outscript.txt", kSource);
  qv::common::write_file(root / "Scripts Modificados" / "outscript.txt", kTranslation);
  qv::common::write_file(root / "Comentarios" / "outscript.txt", kComments);
  QDir::setCurrent(scratch.path());

  SampleAnswers answers(QString::fromStdString((root / "outscript.txt").string()));
  qv::editor::Form1 window(answers);
  window.show();
  settle();
  window.findChild<QPushButton*>(u"cmdabrirscript"_qs)->click();
  window.findChild<QPushButton*>(u"cmddialogosiguiente"_qs)->click();
  settle();
  if (!window.grab().save(output)) return 1;
  return 0;
}
