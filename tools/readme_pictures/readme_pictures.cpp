// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the README's pictures of textbench: the window with a room loaded, the preview of a
// three-window dialogue, and the accent reference table.
// Usage: readme_pictures FOLDER   (under xvfb-run for a real X display)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

#include "common/files.hpp"
#include "editor/form1.hpp"
#include "tools/support/unattended_prompter.hpp"

namespace {

// A room of three dialogues, its translation and one comment.
constexpr std::string_view kLoadedSource =
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

constexpr std::string_view kLoadedTranslation =
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

constexpr std::string_view kLoadedComments =
    "\r\n<End>\r\n"
    "\"Posada\" como en la aldea del principio.\r\n<End>\r\n"
    "\r\n<End>\r\n";

// One dialogue in three message windows, with control tags the preview leaves out and a name
// and an accent token it shows as written.
constexpr std::string_view kPreviewSource =
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

constexpr std::string_view kPreviewTranslation =
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

// A room whose translation has a tag the packer refuses, a line too wide for its window, a
// window of four lines and a misspelt word.
constexpr std::string_view kMarksSource =
    "<Room 30 with 3 text entries>\r\n"
    "<additional params: 64 0 0 0 0 0 0 0>\r\n"
    "\r\n"
    "<Text block 1><params: 0 0 0 0 0 0>\r\n"
    "The lighthouse keeper is asleep.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 2><params: 0 0 0 0 0 0>\r\n"
    "Wake him up and ask\r\n"
    "about the boat.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 3><params: 0 0 0 0 0 0>\r\n"
    "Good luck.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n";

constexpr std::string_view kMarksTranslation =
    "<Room 30 with 3 text entries>\r\n"
    "<additional params: 64 0 0 0 0 0 0 0>\r\n"
    "\r\n"
    "<Text block 1><params: 0 0 0 0 0 0>\r\n"
    "El farero est\xE1 dormido.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 2><params: 0 0 0 0 0 0>\r\n"
    "Despi\xE9rtalo <Bold> y preg\xFAntale por la barca\r\n"
    "que esta amarrada en el muelle del norte, junto al faro.\r\n"
    "Dile que vienes\r\n"
    "de parte del alcalde.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 3><params: 0 0 0 0 0 0>\r\n"
    "Buena suerte.\r\n"
    "<Close>\r\n"
    "<End of block>\r\n";

// Lets the window be mapped and painted on the display.
void settle() {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

// A scratch folder that holds a source dump, its translation and its comments as the editor
// finds them, and is the current directory while the window is open.
class Room {
 public:
  Room(std::string_view source, std::string_view translation, std::string_view comments) {
    const std::filesystem::path root = scratch_.path().toStdString();
    std::filesystem::create_directories(root / "Scripts Modificados");
    std::filesystem::create_directories(root / "Comentarios");
    qv::common::write_file(root / "outscript.txt", source);
    qv::common::write_file(root / "Scripts Modificados" / "outscript.txt", translation);
    if (!comments.empty()) qv::common::write_file(root / "Comentarios" / "outscript.txt", comments);
    QDir::setCurrent(scratch_.path());
    answers_ = std::make_unique<qv::tools::UnattendedPrompter>(
        QString::fromStdString((root / "outscript.txt").string()));
    window_ = std::make_unique<qv::editor::Form1>(*answers_);
    window_->show();
    settle();
    click(u"cmdabrirscript"_qs);
  }
  void click(const QString& button) {
    window_->findChild<QPushButton*>(button)->click();
    settle();
  }
  qv::editor::Form1& window() { return *window_; }
  void set_search(const QString& text) { answers_->search = text; }

 private:
  QTemporaryDir scratch_;
  std::unique_ptr<qv::tools::UnattendedPrompter> answers_;
  std::unique_ptr<qv::editor::Form1> window_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  qv::editor::install_spanish_qt_texts();
  if (argc != 2) {
    std::fprintf(stderr, "usage: readme_pictures FOLDER\n");
    return 2;
  }
  const QDir folder(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
  {
    Room room(kLoadedSource, kLoadedTranslation, kLoadedComments);
    room.click(u"cmddialogosiguiente"_qs);
    if (!room.window().grab().save(folder.filePath(u"textbench-loaded.png"_qs))) return 1;
  }
  {
    Room room(kMarksSource, kMarksTranslation, {});
    room.window().siguiente_con_avisos(+1);
    settle();
    if (!room.window().grab().save(folder.filePath(u"marks.png"_qs))) return 1;
    room.window().abrir_revision();
    settle();
    QWidget* review = room.window().revision();
    if (review == nullptr || !review->grab().save(folder.filePath(u"review.png"_qs))) return 1;
    review->close();
    room.set_search(u"FARO"_qs);
    room.window().buscar();
    settle();
    if (!room.window().grab().save(folder.filePath(u"search.png"_qs))) return 1;
  }
  Room room(kPreviewSource, kPreviewTranslation, {});
  if (!room.window().grab().save(folder.filePath(u"preview.png"_qs))) return 1;
  room.click(u"Command1"_qs);
  QWidget* table = room.window().form2();
  if (table == nullptr || !table->grab().save(folder.filePath(u"accent-table.png"_qs))) return 1;
  return 0;
}
