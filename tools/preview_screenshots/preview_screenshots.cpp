// Writes two pictures: the editor with a three-window dialogue in the preview, and the accent
// reference table. Usage: preview_screenshots PREVIEW.png TABLE.png   (under xvfb-run)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>

#include "common/files.hpp"
#include "editor/form1.hpp"

namespace {

// One dialogue in three message windows, with control tags the preview leaves out and a name
// and an accent token it shows as written.
constexpr std::string_view kSource =
    "<Room 41 with 1 text entries>\r\n"
    "<additional params: 64 0 0 0 0 0 0 0>\r\n"
    "\r\n"
    "<Text block 1><params: 0 0 0 0 0 0>\r\n"
    "<Color 2>Gribba<Color 0>: <Tavin>! Here you are.\r\n"
    "The ferry leaves at dawn.\r\n"
    "<New>\r\n"
    "<Speed 3>Bring the lantern<Delay 20>...\r\n"
    "and the map of the marsh.\r\n"
    "<New>\r\n"
    "We<'re> counting on you.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n";

constexpr std::string_view kTranslation =
    "<Room 41 with 1 text entries>\r\n"
    "<additional params: 64 0 0 0 0 0 0 0>\r\n"
    "\r\n"
    "<Text block 1><params: 0 0 0 0 0 0>\r\n"
    "<Color 2>Gribba<Color 0>: \xA1<Tavin>! Aqu\xED est\xE1s.\r\n"
    "El transbordador sale al alba.\r\n"
    "<New>\r\n"
    "<Speed 3>Trae la linterna<Delay 20>...\r\n"
    "y el mapa de la ci\xE9naga.\r\n"
    "<New>\r\n"
    "Contamos contigo, <Member 1>.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n";

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

// Lets the windows be mapped and painted on the display.
void settle() {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: preview_screenshots PREVIEW.png TABLE.png\n");
    return 2;
  }
  const QString preview_output = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
  const QString table_output = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  QTemporaryDir scratch;
  const std::filesystem::path root = scratch.path().toStdString();
  std::filesystem::create_directories(root / "Scripts Modificados");
  qv::common::write_file(root / "outscript.txt", kSource);
  qv::common::write_file(root / "Scripts Modificados" / "outscript.txt", kTranslation);
  QDir::setCurrent(scratch.path());

  SampleAnswers answers(QString::fromStdString((root / "outscript.txt").string()));
  qv::editor::Form1 window(answers);
  window.show();
  settle();
  window.findChild<QPushButton*>(u"cmdabrirscript"_qs)->click();
  settle();
  if (!window.grab().save(preview_output)) return 1;

  window.findChild<QPushButton*>(u"Command1"_qs)->click();
  settle();
  QWidget* table = window.form2();
  if (table == nullptr || !table->grab().save(table_output)) return 1;
  return 0;
}
