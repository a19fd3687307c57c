// SPDX-License-Identifier: GPL-3.0-or-later
// The real main window driven through its controls, with every question answered by a script.
#include "editor/form1.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/files.hpp"
#include "editor/revision_window.hpp"
#include "script/dump.hpp"
#include "tests/support/scratch_dir.hpp"
#include "tests/support/worked_examples.hpp"

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace qv::editor {

using namespace qv::dialogue;
namespace {

namespace fs = std::filesystem;

// `dump` with `typed` before its first "<Close>" (after `from`), where the fixture types.
std::string typed(std::string dump, std::string_view typed, std::size_t from = 0) {
  dump.insert(dump.find("<Close>", from), typed);
  return dump;
}
QString typed(QString shown, const QString& typed) {
  shown.insert(shown.indexOf(u"<Close>"_qs), typed);
  return shown;
}

struct Message {
  QString text;
  QString title;
  MessageIcon icon;
};

struct OpenDialog {
  QString title;
  QString filter;
};

class ScriptedPrompter : public Prompter {
 public:
  void show_message(const QString& text, const QString& title, MessageIcon icon) override {
    messages.push_back({text, title, icon});
  }
  Answer ask_yes_no_cancel(const QString& text, const QString& title, MessageIcon icon) override {
    questions.push_back({text, title, icon});
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text.toStdString();
      return Answer::cancel;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  QString choose_file(const QString& title, const QString& filter) override {
    dialogs.push_back({title, filter});
    if (files.empty()) {
      ADD_FAILURE() << "unexpected open dialog";
      return {};
    }
    const QString file = files.front();
    files.pop_front();
    return file;
  }

  std::optional<int> ask_number(const QString& title, const QString&, int minimum, int maximum,
                                int) override {
    questions.push_back({title, QString(), MessageIcon::warning});
    ranges.push_back({minimum, maximum});
    if (numbers.empty()) {
      ADD_FAILURE() << "unexpected number asked";
      return std::nullopt;
    }
    const auto number = numbers.front();
    numbers.pop_front();
    return number;
  }
  std::optional<QString> ask_text(const QString& title, const QString&, const QString&) override {
    questions.push_back({title, QString(), MessageIcon::warning});
    if (texts.empty()) {
      ADD_FAILURE() << "unexpected text asked";
      return std::nullopt;
    }
    const auto text = texts.front();
    texts.pop_front();
    return text;
  }

  std::vector<Message> messages;
  std::vector<Message> questions;
  std::deque<std::optional<int>> numbers;
  std::vector<std::pair<int, int>> ranges;
  std::deque<std::optional<QString>> texts;
  std::vector<OpenDialog> dialogs;
  std::deque<Answer> answers;
  std::deque<QString> files;
};

// Three dialogues of room 5; the first holds a letter outside ASCII (0xF1).
constexpr std::string_view kThreeDialogues =
    "<Room 5 with 3 text entries>\r\n"
    "<additional params: 40 0 0 0 0 0 0 0>\r\n"
    "\r\n"
    "<Text block 1><params: 0 0 0 0 0 0>\r\n"
    "A\xF1o<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 2><params: 0 0 0 0 0 0>\r\n"
    "Dos<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 3><params: 0 0 0 0 0 0>\r\n"
    "Tres<Close>\r\n"
    "<End of block>\r\n";

const QString kFirstShown = QString::fromUtf8(
    "<Room 5 with 3 text entries>\n<additional params: 40 0 0 0 0 0 0 0>\n\n"
    "<Text block 1><params: 0 0 0 0 0 0>\nAño<Close>\n<End of block>\n");
const QString kSecondShown =
    u"<Text block 2><params: 0 0 0 0 0 0>\nDos<Close>\n<End of block>\n"_qs;
const QString kThirdShown =
    u"<Text block 3><params: 0 0 0 0 0 0>\nTres<Close>\n<End of block>\n"_qs;

constexpr std::string_view kOneDialogue =
    "<Room 9 with 1 text entries>\r\n"
    "<additional params: 16 0 0 0 0 0 0 0>\r\n"
    "\r\n"
    "<Text block 1><params: 0 0 0 0 0 0>\r\n"
    "Solo<Close>\r\n"
    "<End of block>\r\n";

const QString kQuestion = QString::fromUtf8(
    "Se han hecho cambios en el texto que no se han guardado.\r\n¿Desea guardarlos?");

class EditorWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = qv::test::scratch_dir(std::string("qv_editor_") + info->test_suite_name() + "_" +
                                  info->name());
    fs::remove_all(root_);
    fs::create_directories(work());
    fs::create_directories(root_ / "rooms");
    previous_dir_ = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(work().string()));
    open_window();
  }

  void TearDown() override {
    form_.reset();
    QDir::setCurrent(previous_dir_);
    fs::remove_all(root_);
  }

  void open_window() {
    form_ = std::make_unique<Form1>(prompter_);
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }

  fs::path root() const { return root_; }
  fs::path work() const { return root_ / "work"; }
  fs::path modified_path(int room = 5) const {
    return work() / "Scripts Modificados" / ("Room " + std::to_string(room)) / "outscript.txt";
  }
  fs::path comments_path(int room = 5) const {
    return work() / "Comentarios" / ("Room " + std::to_string(room)) / "outscript.txt";
  }

  fs::path write_source(std::string_view text, const std::string& name = "outscript.txt") {
    const fs::path path = root_ / "rooms" / name;
    EXPECT_TRUE(common::write_file(path, text));
    return path;
  }

  static std::string file(const fs::path& path) {
    const auto bytes = common::read_file(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
  }

  void load(const fs::path& source) {
    prompter_.files.push_back(QString::fromStdString(source.string()));
    click("cmdabrirscript");
  }

  template <typename Widget = QWidget>
  Widget* control(const char* name) const {
    auto* widget = form_->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QPushButton* button(const char* name) const { return control<QPushButton>(name); }
  QPlainTextEdit* box(const char* name) const { return control<QPlainTextEdit>(name); }
  QString shown(const char* name) const { return box(name)->toPlainText(); }
  QString panel(int number) const {
    return control<QLabel>(number == 1 ? "Panel1" : "Panel2")->text();
  }

  void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
  // An access key; the button it reaches clicks itself a moment later.
  void alt(Qt::Key key) {
    QTest::keyClick(form_.get(), key, Qt::AltModifier);
    QTest::qWait(200);
  }
  // Characters typed one key press each, as the keyboard sends them. In the translation box they
  // go where the text is, before its first "<Close>".
  void type(const char* name, const QString& text) {
    if (std::string_view(name) == "txtscriptmodificado") {
      QTextCursor cursor = box(name)->textCursor();
      cursor.setPosition(static_cast<int>(shown(name).indexOf(u"<Close>"_qs)));
      box(name)->setTextCursor(cursor);
    }
    for (const QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QApplication::sendEvent(box(name), &press);
      QApplication::sendEvent(box(name), &release);
    }
  }
  void press_return(const char* name) { QTest::keyClick(box(name), Qt::Key_Return); }

  std::vector<bool> navigation() const {
    return {button("cmddialogoanterior")->isEnabled(), button("cmddialogosiguiente")->isEnabled()};
  }

  ScriptedPrompter prompter_;
  std::unique_ptr<Form1> form_;

 private:
  fs::path root_;
  QString previous_dir_;
};

TEST_F(EditorWindow, StartsWithItsCaptionsPlacesAndStates) {
  EXPECT_EQ(form_->windowTitle(), u"Editor de scripts del Quorvane"_qs);
  EXPECT_EQ(form_->size(), QSize(665, 443));
  EXPECT_FALSE(form_->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(form_->windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});

  struct Expected {
    const char* name;
    QString caption;
    QRect geometry;
    bool enabled;
  };
  const Expected buttons[] = {
      {"cmddialogoanterior", QString::fromUtf8("<<< Diálogo &Anterior"), {8, 328, 153, 25}, false},
      {"cmddialogosiguiente",
       QString::fromUtf8("&Siguiente Diálogo >>>"),
       {168, 328, 153, 25},
       false},
      {"cmdabrirscript", u"&Cargar los scripts"_qs, {32, 384, 145, 25}, true},
      {"cmdguardarscript", u"&Guardar los cambios"_qs, {200, 384, 145, 25}, false},
      {"Command1", u"Lista de MTED"_qs, {368, 384, 145, 25}, true},
      {"cmdabrirmodificado", u"Abrir Script &Modificado"_qs, {288, 464, 137, 25}, false},
  };
  for (const Expected& e : buttons) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(button(e.name)->text(), e.caption);
    EXPECT_EQ(button(e.name)->geometry(), e.geometry);
    EXPECT_EQ(button(e.name)->isEnabled(), e.enabled);
  }
  const Expected frames[] = {
      {"Frame1", u"Script original"_qs, {8, 8, 313, 113}, true},
      {"Frame2", u"Script modificado"_qs, {8, 128, 313, 113}, true},
      {"Frame4", u"Comentarios del Script"_qs, {8, 248, 313, 73}, true},
      {"Frame3", QString(), {16, 368, 641, 49}, true},
  };
  for (const Expected& e : frames) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(control<QGroupBox>(e.name)->title(), e.caption);
    EXPECT_EQ(control<QGroupBox>(e.name)->geometry(), e.geometry);
  }
  const Expected boxes[] = {
      {"txtscriptoriginal", QString(), {8, 16, 297, 89}, true},
      {"txtscriptmodificado", QString(), {8, 16, 297, 89}, true},
      {"txtcomentario", QString(), {8, 16, 297, 49}, true},
  };
  for (const Expected& e : boxes) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(box(e.name)->geometry(), e.geometry);
    EXPECT_TRUE(box(e.name)->isReadOnly());
    EXPECT_TRUE(shown(e.name).isEmpty());
    EXPECT_EQ(box(e.name)->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  }
  EXPECT_EQ(box("txtscriptoriginal")->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
  EXPECT_EQ(box("txtscriptoriginal")->parentWidget()->objectName(), u"Frame1"_qs);
  EXPECT_EQ(box("txtcomentario")->parentWidget()->objectName(), u"Frame4"_qs);

  auto* check = control<QCheckBox>("chkdesaauto");
  EXPECT_EQ(check->text(), QString::fromUtf8("G&uardar cambios automáticamente"));
  EXPECT_EQ(check->geometry(), QRect(536, 378, 105, 33));
  EXPECT_TRUE(check->isChecked());

  auto* bar = control<QStatusBar>("statusbar");
  EXPECT_EQ(bar->geometry().bottom(), 442);
  EXPECT_EQ(bar->geometry().width(), 665);
  EXPECT_GT(bar->geometry().top(), 368 + 49);  // below the button row
  EXPECT_EQ(bar->findChildren<QLabel*>().size(), 2);

  // Alt+M reaches nothing while the button is disabled.
  alt(Qt::Key_M);
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(EditorWindow, LoadingWithoutATranslationShowsTheSourceTwiceAndCreatesBothFolders) {
  load(write_source(kThreeDialogues));

  EXPECT_TRUE(prompter_.messages.empty());
  ASSERT_EQ(prompter_.dialogs.size(), 1u);
  EXPECT_EQ(prompter_.dialogs[0].title, u"Abrir Script original..."_qs);
  EXPECT_EQ(prompter_.dialogs[0].filter, u"Scripts originales del Quorvane (.txt)|*.txt"_qs);

  EXPECT_EQ(shown("txtscriptoriginal"), kFirstShown);
  EXPECT_EQ(shown("txtscriptmodificado"), kFirstShown);
  EXPECT_EQ(shown("txtcomentario"), QString());
  EXPECT_FALSE(box("txtscriptmodificado")->isReadOnly());
  EXPECT_FALSE(box("txtcomentario")->isReadOnly());
  EXPECT_TRUE(box("txtscriptoriginal")->isReadOnly());
  EXPECT_EQ(panel(1), QString::fromUtf8("Room número 5"));
  EXPECT_EQ(panel(2), QString::fromUtf8("Diálogo número 1 de 3"));
  EXPECT_EQ(navigation(), (std::vector<bool>{false, true}));
  EXPECT_TRUE(button("cmdguardarscript")->isEnabled());
  EXPECT_TRUE(button("cmdabrirmodificado")->isEnabled());

  EXPECT_TRUE(fs::is_directory(work() / "Scripts Modificados"));
  EXPECT_FALSE(fs::exists(modified_path()));
  // Created fresh, then rewritten at once when the translation is looked for.
  EXPECT_EQ(file(comments_path()), "\r\n<End>\r\n\r\n<End>\r\n\r\n<End>\r\n");
}

TEST_F(EditorWindow, ARoomWithOneDialogueCannotMove) {
  load(write_source(kOneDialogue));
  EXPECT_EQ(panel(2), QString::fromUtf8("Diálogo número 1 de 1"));
  EXPECT_EQ(navigation(), (std::vector<bool>{false, false}));
}

TEST_F(EditorWindow, NavigationEnablesTheWayBackAndStopsAtBothEnds) {
  load(write_source(kThreeDialogues));

  click("cmddialogosiguiente");
  EXPECT_EQ(navigation(), (std::vector<bool>{true, true}));
  EXPECT_EQ(panel(2), QString::fromUtf8("Diálogo número 2 de 3"));
  EXPECT_EQ(shown("txtscriptoriginal"), kSecondShown);
  EXPECT_EQ(shown("txtscriptmodificado"), kSecondShown);

  click("cmddialogosiguiente");
  EXPECT_EQ(navigation(), (std::vector<bool>{true, false}));
  EXPECT_EQ(shown("txtscriptoriginal"), kThirdShown);

  click("cmddialogoanterior");
  EXPECT_EQ(navigation(), (std::vector<bool>{true, true}));
  click("cmddialogoanterior");
  EXPECT_EQ(navigation(), (std::vector<bool>{false, true}));
  EXPECT_EQ(panel(2), QString::fromUtf8("Diálogo número 1 de 3"));
  EXPECT_EQ(shown("txtscriptmodificado"), kFirstShown);

  // Access keys move too.
  alt(Qt::Key_S);
  EXPECT_EQ(panel(2), QString::fromUtf8("Diálogo número 2 de 3"));
  alt(Qt::Key_A);
  EXPECT_EQ(panel(2), QString::fromUtf8("Diálogo número 1 de 3"));
}

TEST_F(EditorWindow, WithAutoSaveEveryMoveWritesTheTranslation) {
  load(write_source(kThreeDialogues));
  type("txtscriptmodificado", u"Ñ"_qs);
  EXPECT_FALSE(fs::exists(modified_path()));

  click("cmddialogosiguiente");
  EXPECT_EQ(file(modified_path()), typed(std::string(kThreeDialogues), "\xD1"));
  EXPECT_FALSE(fs::exists(fs::path(modified_path()) += ".partial"));

  // Saved, so closing asks nothing.
  EXPECT_TRUE(form_->close());
  EXPECT_TRUE(prompter_.questions.empty());
}

TEST_F(EditorWindow, WithoutAutoSaveNothingIsWrittenUntilSave) {
  load(write_source(kThreeDialogues));
  alt(Qt::Key_U);  // the check box's access key
  EXPECT_FALSE(control<QCheckBox>("chkdesaauto")->isChecked());

  type("txtscriptmodificado", u"x"_qs);
  click("cmddialogosiguiente");
  click("cmddialogoanterior");
  EXPECT_FALSE(fs::exists(modified_path()));
  EXPECT_EQ(shown("txtscriptmodificado"), typed(kFirstShown, u"x"_qs));

  click("cmdguardarscript");
  EXPECT_EQ(file(modified_path()), typed(std::string(kThreeDialogues), "x"));
  EXPECT_TRUE(form_->close());
  EXPECT_TRUE(prompter_.questions.empty());
}

TEST_F(EditorWindow, AnUnchangedPairIsSavedByteForByte) {
  auto script = test::kTwoBlockScript;
  script.resize(60, 0);  // long enough to be dumped; the bytes past the last block are ignored
  // Blocks that end with a line break, and blocks whose marker follows their last text.
  for (const auto& original : {script, test::kRoomFiveScript}) {
    const auto dump = script::dump_room(original, 5);
    ASSERT_TRUE(dump.text);
    fs::remove(modified_path());
    load(write_source(*dump.text));
    click("cmdguardarscript");
    EXPECT_EQ(file(modified_path()), *dump.text);

    // Read back as the translation and saved again, still the same bytes.
    alt(Qt::Key_M);
    click("cmddialogosiguiente");
    EXPECT_EQ(file(modified_path()), *dump.text);
    EXPECT_TRUE(prompter_.messages.empty());
  }
}

// The unsaved-changes question on close, with auto-save off.
class CloseQuestion : public EditorWindow, public ::testing::WithParamInterface<Answer> {};

TEST_P(CloseQuestion, EachAnswerDoesItsPart) {
  load(write_source(kThreeDialogues));
  control<QCheckBox>("chkdesaauto")->setChecked(false);
  const std::string comments_after_load = file(comments_path());
  type("txtscriptmodificado", u"x"_qs);
  type("txtcomentario", u"nota"_qs);
  click("cmddialogosiguiente");

  prompter_.answers = {GetParam()};
  const bool closed = form_->close();

  ASSERT_EQ(prompter_.questions.size(), 1u);
  EXPECT_EQ(prompter_.questions[0].text, kQuestion);
  EXPECT_EQ(prompter_.questions[0].title, u"Advertencia"_qs);
  EXPECT_EQ(prompter_.questions[0].icon, MessageIcon::warning);
  const std::string with_note = "nota\r\n<End>\r\n\r\n<End>\r\n\r\n<End>\r\n";
  switch (GetParam()) {
    case Answer::yes:
      EXPECT_TRUE(closed);
      EXPECT_EQ(file(modified_path()), typed(std::string(kThreeDialogues), "x"));
      EXPECT_EQ(file(comments_path()), with_note);  // kept on this way out too
      break;
    case Answer::no:
      EXPECT_TRUE(closed);
      EXPECT_FALSE(fs::exists(modified_path()));
      EXPECT_EQ(file(comments_path()), with_note);
      break;
    case Answer::cancel:
      EXPECT_FALSE(closed);
      EXPECT_TRUE(form_->isVisible());
      EXPECT_FALSE(fs::exists(modified_path()));
      EXPECT_EQ(file(comments_path()), comments_after_load);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, CloseQuestion,
                         ::testing::Values(Answer::yes, Answer::no, Answer::cancel));

TEST_F(EditorWindow, TheLoadQuestionSavesAndStopsGoesOnOrCancels) {
  const fs::path source = write_source(kThreeDialogues);
  const fs::path other = write_source(kOneDialogue, "other.txt");
  load(source);
  control<QCheckBox>("chkdesaauto")->setChecked(false);

  // Yes: saved, and no open dialog this time.
  type("txtscriptmodificado", u"a"_qs);
  prompter_.answers = {Answer::yes};
  click("cmdabrirscript");
  EXPECT_EQ(prompter_.dialogs.size(), 1u);
  EXPECT_EQ(file(modified_path()), typed(std::string(kThreeDialogues), "a"));
  EXPECT_EQ(panel(1), QString::fromUtf8("Room número 5"));

  // Cancel: nothing happens.
  type("txtscriptmodificado", u"b"_qs);
  prompter_.answers = {Answer::cancel};
  click("cmdabrirscript");
  EXPECT_EQ(prompter_.dialogs.size(), 1u);
  EXPECT_EQ(file(modified_path()), typed(std::string(kThreeDialogues), "a"));
  EXPECT_TRUE(shown("txtscriptmodificado").contains(QString::fromUtf8("Añoab<Close>")));

  // No: the change is dropped and the other dump is loaded.
  prompter_.answers = {Answer::no};
  load(other);
  EXPECT_EQ(prompter_.dialogs.size(), 2u);
  EXPECT_EQ(prompter_.questions.size(), 3u);
  EXPECT_EQ(panel(1), QString::fromUtf8("Room número 9"));
  EXPECT_EQ(file(modified_path()), typed(std::string(kThreeDialogues), "a"));
  EXPECT_TRUE(form_->close());  // nothing left unsaved
  EXPECT_EQ(prompter_.questions.size(), 3u);
}

TEST_F(EditorWindow, TheHiddenReopenButtonAnswersAltMAndAsksFirst) {
  load(write_source(kThreeDialogues));
  control<QCheckBox>("chkdesaauto")->setChecked(false);
  EXPECT_GT(button("cmdabrirmodificado")->y(), 443 - 1);  // out of sight

  std::string translated(kThreeDialogues);
  translated.replace(translated.find("Dos"), 3, "Deux");
  ASSERT_TRUE(common::write_file(modified_path(), translated));
  click("cmddialogosiguiente");
  alt(Qt::Key_M);
  EXPECT_EQ(shown("txtscriptmodificado"),
            u"<Text block 2><params: 0 0 0 0 0 0>\nDeux<Close>\n<End of block>\n"_qs);
  EXPECT_EQ(shown("txtscriptoriginal"), kSecondShown);

  // Cancel keeps the typed text; No reads the file again; Yes saves and reads nothing.
  type("txtscriptmodificado", u"z"_qs);
  prompter_.answers = {Answer::cancel};
  alt(Qt::Key_M);
  EXPECT_TRUE(shown("txtscriptmodificado").contains(u"Deuxz<Close>"_qs));
  EXPECT_EQ(file(modified_path()), translated);

  prompter_.answers = {Answer::no};
  alt(Qt::Key_M);
  EXPECT_TRUE(shown("txtscriptmodificado").startsWith(u"<Text block 2>"_qs));

  type("txtscriptmodificado", u"y"_qs);
  prompter_.answers = {Answer::yes};
  alt(Qt::Key_M);
  EXPECT_EQ(prompter_.questions.size(), 3u);
  const std::string saved = typed(translated, "y", translated.find("<Text block 2>"));
  EXPECT_EQ(file(modified_path()), saved);
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(EditorWindow, ATranslationOfAnotherRoomIsRefusedAndLeftAlone) {
  std::string other_room(kThreeDialogues);
  other_room.replace(0, 7, "<Room 6");
  fs::create_directories(modified_path().parent_path());
  ASSERT_TRUE(common::write_file(modified_path(), other_room));

  load(write_source(kThreeDialogues));
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text,
            QString::fromUtf8("El script modificado no parece corresponder al script original, "
                              "asegúrese de elegir el apropiado."));
  EXPECT_EQ(prompter_.messages[0].title,
            QString::fromUtf8("Error, los scripts no coinciden en el número de la Room"));
  EXPECT_EQ(prompter_.messages[0].icon, MessageIcon::warning);
  EXPECT_EQ(shown("txtscriptmodificado"), kFirstShown);

  // Neither auto-save nor Save writes the source text over it.
  click("cmddialogosiguiente");
  click("cmdguardarscript");
  EXPECT_EQ(file(modified_path()), other_room);
  ASSERT_EQ(prompter_.messages.size(), 3u);
  EXPECT_EQ(prompter_.messages[1].title, u"Error"_qs);
  EXPECT_TRUE(prompter_.messages[1].text.startsWith(
      QString::fromUtf8("El script modificado que ya existe no corresponde a este script")));

  // Once it is moved away, saving works again.
  fs::rename(modified_path(), work() / "moved.txt");
  click("cmdguardarscript");
  EXPECT_EQ(file(modified_path()), kThreeDialogues);
}

TEST_F(EditorWindow, ATranslationThatIsNoDumpIsRefused) {
  fs::create_directories(modified_path().parent_path());
  ASSERT_TRUE(common::write_file(modified_path(), "hola\r\n"));
  load(write_source(kThreeDialogues));
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text,
            u"Parece que el script modificado no es un script del Quorvane."_qs);
  EXPECT_EQ(prompter_.messages[0].title, u"Error"_qs);
  EXPECT_EQ(prompter_.messages[0].icon, MessageIcon::warning);
  EXPECT_EQ(shown("txtscriptmodificado"), kFirstShown);
}

TEST_F(EditorWindow, ASourceThatCannotBeReadLeavesThePairOnShow) {
  load(write_source(kThreeDialogues));
  click("cmddialogosiguiente");
  ASSERT_TRUE(prompter_.messages.empty());

  struct Case {
    const char* name;
    std::string text;  // "" for a file that is not there
    QString message;
    MessageIcon icon;
  };
  const Case cases[] = {
      {"missing file", "", u"No se puede acceder al archivo"_qs, MessageIcon::error},
      {"not a dump", "hola\r\n", u"Parece que no es un script del Quorvane."_qs,
       MessageIcon::warning},
      {"empty room", "<Room 3 is empty !!!>\r\n",
       QString::fromUtf8("La primera línea del script original no indica cuántos diálogos tiene "
                         "el script (\"with \" y un número mayor que 0)."),
       MessageIcon::warning},
      {"no room number", "<Room x with 1 text entries>\r\n",
       QString::fromUtf8(
           "La primera línea del script original no lleva el número de la Room tras \"<Room \"."),
       MessageIcon::warning},
      {"count of 0", "<Room 3 with 0 text entries>\r\n<additional params: 8 0 0 0 0 0 0 0>\r\n",
       QString::fromUtf8("La primera línea del script original no indica cuántos diálogos tiene "
                         "el script (\"with \" y un número mayor que 0)."),
       MessageIcon::warning},
      {"count past three digits", "<Room 3 with 1000 text entries>\r\n",
       QString::fromUtf8("La primera línea del script original indica más de 999 diálogos, y el "
                         "editor no puede leer tantos."),
       MessageIcon::warning},
      {"fewer blocks than counted",
       std::string(kThreeDialogues).replace(kThreeDialogues.find("3 text"), 1, "4"),
       QString::fromUtf8("La primera línea del script original indica más diálogos de los que "
                         "tiene el archivo (diálogo 1)."),
       MessageIcon::warning},
      // The damage is named where it is, not where reading ran out.
      {"a damaged marker in dialogue 1",
       std::string(kThreeDialogues)
           .replace(kThreeDialogues.find("<End of block>"), 14, "<End of blok>"),
       QString::fromUtf8("El script original no se puede leer como una lista de diálogos: falta "
                         "el <End of block> del diálogo 1."),
       MessageIcon::warning},
      {"the last marker cut off",
       std::string(kThreeDialogues).substr(0, kThreeDialogues.rfind("<End of block>")),
       QString::fromUtf8("El script original no se puede leer como una lista de diálogos: falta "
                         "el <End of block> del diálogo 3."),
       MessageIcon::warning},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prompter_.messages.clear();
    const std::string name = "bad" + std::to_string(++number) + ".txt";
    const fs::path path =
        c.text.empty() ? fs::path("/nonexistent/dir/x.txt") : write_source(c.text, name);
    load(path);
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(prompter_.messages[0].text, c.message);
    EXPECT_EQ(prompter_.messages[0].title, u"Error"_qs);
    EXPECT_EQ(prompter_.messages[0].icon, c.icon);
    EXPECT_EQ(shown("txtscriptoriginal"), kSecondShown);
    EXPECT_EQ(panel(1), QString::fromUtf8("Room número 5"));
    EXPECT_EQ(panel(2), QString::fromUtf8("Diálogo número 2 de 3"));
    EXPECT_EQ(navigation(), (std::vector<bool>{true, true}));
    EXPECT_FALSE(fs::exists(work() / "Comentarios" / name));
  }
  // The pair on show still works as before.
  click("cmddialogosiguiente");
  EXPECT_EQ(shown("txtscriptoriginal"), kThirdShown);
}

TEST_F(EditorWindow, CommentsOfTwoLinesSurviveAndALeadingEmptyLineIsLost) {
  const fs::path source = write_source(kThreeDialogues);
  load(source);
  type("txtcomentario", u"primera"_qs);
  press_return("txtcomentario");
  type("txtcomentario", u"segunda"_qs);
  click("cmddialogosiguiente");
  press_return("txtcomentario");
  type("txtcomentario", QString::fromUtf8("después"));
  click("cmddialogoanterior");
  EXPECT_EQ(shown("txtcomentario"), u"primera\nsegunda"_qs);
  ASSERT_TRUE(form_->close());
  EXPECT_EQ(file(comments_path()),
            "primera\r\nsegunda\r\n<End>\r\n\r\ndespu\xE9s\r\n<End>\r\n\r\n<End>\r\n");

  open_window();
  load(source);
  EXPECT_EQ(shown("txtcomentario"), u"primera\nsegunda"_qs);
  click("cmddialogosiguiente");
  EXPECT_EQ(shown("txtcomentario"), QString::fromUtf8("después"));
}

TEST_F(EditorWindow, CommentsThatCannotBeWrittenStayInMemory) {
  fs::create_directories(comments_path());  // a folder where the file should be
  load(write_source(kThreeDialogues));
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].title, u"Error"_qs);
  EXPECT_EQ(prompter_.messages[0].icon, MessageIcon::error);
  EXPECT_EQ(prompter_.messages[0].text,
            QString::fromUtf8("No se pueden guardar los comentarios en el archivo:\r\n%1\r\n"
                              "Los comentarios siguen en el editor y se guardarán en el próximo "
                              "intento.")
                .arg(QString::fromStdString(comments_path().string())));

  type("txtcomentario", u"nota"_qs);
  click("cmddialogosiguiente");
  click("cmddialogoanterior");
  EXPECT_EQ(shown("txtcomentario"), u"nota"_qs);
  EXPECT_EQ(prompter_.messages.size(), 1u);
  EXPECT_TRUE(fs::is_directory(comments_path()));
}

TEST_F(EditorWindow, ASaveThatFailsKeepsTheWindowOpenOnYes) {
  fs::create_directories(modified_path());  // a folder where the file should be
  load(write_source(kThreeDialogues));
  control<QCheckBox>("chkdesaauto")->setChecked(false);
  type("txtscriptmodificado", u"x"_qs);

  click("cmdguardarscript");
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text, u"No se puede acceder al archivo"_qs);
  EXPECT_EQ(prompter_.messages[0].title, u"Error"_qs);
  EXPECT_EQ(prompter_.messages[0].icon, MessageIcon::error);

  prompter_.answers = {Answer::yes};
  EXPECT_FALSE(form_->close());
  EXPECT_TRUE(form_->isVisible());
  EXPECT_EQ(prompter_.messages.size(), 2u);
}

TEST_F(EditorWindow, KeysCountAsChangesOnlyOnceTheTranslationIsEditable) {
  type("txtscriptmodificado", u"x"_qs);
  EXPECT_TRUE(form_->close());  // no question before a load
  open_window();

  load(write_source(kThreeDialogues));
  control<QCheckBox>("chkdesaauto")->setChecked(false);
  QTextCursor cursor = box("txtscriptmodificado")->textCursor();
  cursor.setPosition(static_cast<int>(kFirstShown.indexOf(u"o<Close>"_qs)));
  box("txtscriptmodificado")->setTextCursor(cursor);
  QTest::keyClick(box("txtscriptmodificado"), Qt::Key_Delete);
  EXPECT_EQ(shown("txtscriptmodificado"),
            QString(kFirstShown).replace(QString::fromUtf8("Año<"), QString::fromUtf8("Añ<")));
  prompter_.answers = {Answer::cancel};
  EXPECT_FALSE(form_->close());
  EXPECT_EQ(prompter_.questions.size(), 1u);
}

TEST(OpenDialogFilter, ShowsTheDescriptionAndMatchesThePattern) {
  EXPECT_EQ(qt_name_filter(u"Scripts originales del Quorvane (.txt)|*.txt"_qs),
            u"Scripts originales del Quorvane (.txt) (*.txt)"_qs);
}

TEST_F(EditorWindow, TheAccentTableButtonShowsOneWindowThatClosesWithTheEditor) {
  click("Command1");
  QPointer<QWidget> table = form_->form2();
  ASSERT_TRUE(table);
  EXPECT_EQ(table->windowTitle(), u"Lista de MTED"_qs);
  EXPECT_TRUE(table->isVisible());
  EXPECT_EQ(table->windowIcon().pixmap(32).toImage(), form_->windowIcon().pixmap(32).toImage());
  click("Command1");
  EXPECT_EQ(form_->form2(), table.data());

  EXPECT_TRUE(form_->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(table);
}

}  // namespace
}  // namespace qv::editor

namespace qv::editor {
namespace {

// Room 9 under the same file name as room 5.
constexpr std::string_view kRoomNine =
    "<Room 9 with 2 text entries>\r\n"
    "<additional params: 40 0 0 0 0 0 0 0>\r\n"
    "\r\n"
    "<Text block 1><params: 0 0 0 0 0 0>\r\n"
    "Nueve<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 2><params: 0 0 0 0 0 0>\r\n"
    "Diez<Close>\r\n"
    "<End of block>\r\n";

class EditorRooms : public EditorWindow {
 protected:
  fs::path source_in(const std::string& folder, std::string_view text) {
    fs::create_directories(root() / "rooms" / folder);
    const fs::path path = root() / "rooms" / folder / "outscript.txt";
    EXPECT_TRUE(common::write_file(path, text));
    return path;
  }
  fs::path flat(const char* folder) const { return work() / folder / "outscript.txt"; }
  QString tip() const { return control<QStatusBar>("statusbar")->currentMessage(); }
  // Lets a refused edit be put back.
  static void settle() { QCoreApplication::processEvents(); }
};

TEST_F(EditorRooms, TwoRoomsOfTheSameFileNameKeepTheirOwnTranslationAndComments) {
  const fs::path five = source_in("a", kThreeDialogues);
  const fs::path nine = source_in("b", kRoomNine);
  load(five);
  type("txtscriptmodificado", u"x"_qs);
  type("txtcomentario", u"nota cinco"_qs);
  click("cmdguardarscript");
  load(nine);
  type("txtscriptmodificado", u"y"_qs);
  type("txtcomentario", u"nota nueve"_qs);
  click("cmdguardarscript");

  EXPECT_EQ(file(modified_path(5)), typed(std::string(kThreeDialogues), "x"));
  EXPECT_EQ(file(modified_path(9)), typed(std::string(kRoomNine), "y"));
  EXPECT_EQ(file(comments_path(5)), "nota cinco\r\n<End>\r\n\r\n<End>\r\n\r\n<End>\r\n");
  EXPECT_EQ(file(comments_path(9)), "nota nueve\r\n<End>\r\n\r\n<End>\r\n");
  EXPECT_FALSE(fs::exists(flat("Scripts Modificados")));
  EXPECT_FALSE(fs::exists(flat("Comentarios")));

  load(five);
  EXPECT_EQ(shown("txtscriptmodificado"), typed(kFirstShown, u"x"_qs));
  EXPECT_EQ(shown("txtcomentario"), u"nota cinco"_qs);
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(EditorRooms, ARoomStartsFromTheOldSharedFilesOnlyWhenTheyAreItsOwn) {
  const std::string old_translation = typed(std::string(kThreeDialogues), "vieja");
  const std::string three_comments = "uno\r\n<End>\r\ndos\r\n<End>\r\n\r\n<End>\r\n";
  fs::create_directories(flat("Scripts Modificados").parent_path());
  fs::create_directories(flat("Comentarios").parent_path());
  ASSERT_TRUE(common::write_file(flat("Scripts Modificados"), old_translation));
  ASSERT_TRUE(common::write_file(flat("Comentarios"), three_comments));

  load(source_in("a", kThreeDialogues));
  EXPECT_EQ(shown("txtscriptmodificado"), typed(kFirstShown, u"vieja"_qs));
  EXPECT_EQ(shown("txtcomentario"), u"uno"_qs);
  type("txtcomentario", u"!"_qs);
  click("cmdguardarscript");
  EXPECT_EQ(file(modified_path(5)), old_translation);
  // The shared files are never written again.
  EXPECT_EQ(file(flat("Scripts Modificados")), old_translation);
  EXPECT_EQ(file(flat("Comentarios")), three_comments);

  // Room 9 has two dialogues: neither the translation of room 5 nor its three comments fit.
  load(source_in("b", kRoomNine));
  EXPECT_EQ(shown("txtscriptmodificado").contains(u"Nueve<Close>"_qs), true);
  EXPECT_EQ(shown("txtcomentario"), QString());
  EXPECT_EQ(tip(),
            QString::fromUtf8("Comentarios antiguos no usados: no corresponden a esta Room"));
  EXPECT_EQ(file(comments_path(9)), "\r\n<End>\r\n\r\n<End>\r\n");
}

TEST_F(EditorRooms, TheFrameOfADialogueRefusesEveryEdit) {
  load(source_in("a", kThreeDialogues));
  control<QCheckBox>("chkdesaauto")->setChecked(false);
  QPlainTextEdit* translation = box("txtscriptmodificado");
  struct Case {
    const char* name;
    QString at;  // the edit happens just before this text (an empty text: at the end)
    Qt::Key key;
  };
  const Case cases[] = {
      {"typing into the room line", u"<Room"_qs, Qt::Key_X},
      {"typing into the params line", u"40 0"_qs, Qt::Key_X},
      {"a line break in the header", u"<Text block 1>"_qs, Qt::Key_Return},
      {"typing into the block line", u"params"_qs, Qt::Key_X},
      {"joining the text to the block line", QString::fromUtf8("Año"), Qt::Key_Backspace},
      {"deleting the marker", u"<End of block>"_qs, Qt::Key_Delete},
      {"joining the marker to the text", u"<End of block>"_qs, Qt::Key_Backspace},
      {"typing into the marker", u"block>"_qs, Qt::Key_X},
      {"the stray Enter after the marker", QString(), Qt::Key_Return},
      {"typing after the marker", QString(), Qt::Key_X},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTextCursor cursor = translation->textCursor();
    cursor.setPosition(c.at.isEmpty() ? static_cast<int>(kFirstShown.size())
                                      : static_cast<int>(kFirstShown.indexOf(c.at)));
    translation->setTextCursor(cursor);
    QTest::keyClick(translation, c.key);
    settle();
    EXPECT_EQ(shown("txtscriptmodificado"), kFirstShown);
    EXPECT_TRUE(tip().contains(u"no se pueden cambiar"_qs)) << tip().toStdString();
  }
  // Tab moves the focus instead of typing.
  translation->setFocus();
  QTest::keyClick(translation, Qt::Key_Tab);
  EXPECT_EQ(shown("txtscriptmodificado"), kFirstShown);
  // Nothing was changed, so closing asks nothing.
  EXPECT_TRUE(form_->close());
}

TEST_F(EditorRooms, TextBesideTheMarkerStaysEditable) {
  std::string shared(kThreeDialogues);
  shared.replace(shared.find("Dos<Close>\r\n<End of block>"), 26, "Dos<Close><End of block>");
  load(source_in("a", shared));
  click("cmddialogosiguiente");
  type("txtscriptmodificado", u"s"_qs);
  settle();
  EXPECT_EQ(shown("txtscriptmodificado"),
            u"<Text block 2><params: 0 0 0 0 0 0>\nDoss<Close><End of block>\n"_qs);
}

TEST_F(EditorRooms, CharactersTheGameCannotHoldAreRefusedInBothBoxes) {
  load(source_in("a", kThreeDialogues));
  control<QCheckBox>("chkdesaauto")->setChecked(false);
  for (const char* name : {"txtscriptmodificado", "txtcomentario"}) {
    SCOPED_TRACE(name);
    const QString before = shown(name);
    type(name, QString::fromUtf8("€ok"));  // the euro sign is in the code page
    QApplication::clipboard()->setText(QString::fromUtf8("ž→"));
    box(name)->paste();
    settle();
    EXPECT_FALSE(shown(name).contains(QString::fromUtf8("→")));
    EXPECT_TRUE(shown(name).contains(QString::fromUtf8("€ok")));
    EXPECT_TRUE(tip().contains(QString::fromUtf8("«→»"))) << tip().toStdString();
  }
}

TEST_F(EditorRooms, APasteThroughTheClipboardMarksTheChange) {
  load(source_in("a", kThreeDialogues));
  control<QCheckBox>("chkdesaauto")->setChecked(false);
  QTextCursor cursor = box("txtscriptmodificado")->textCursor();
  cursor.setPosition(static_cast<int>(kFirstShown.indexOf(u"<Close>"_qs)));
  box("txtscriptmodificado")->setTextCursor(cursor);
  QApplication::clipboard()->setText(u" pegado"_qs);
  box("txtscriptmodificado")->paste();  // what the menu and the mouse do
  settle();
  prompter_.answers = {Answer::cancel};
  EXPECT_FALSE(form_->close());
  EXPECT_EQ(prompter_.questions.size(), 1u);
}

TEST_F(EditorRooms, NoThenACancelledOpenDialogKeepsTheChangesMarked) {
  load(source_in("a", kThreeDialogues));
  control<QCheckBox>("chkdesaauto")->setChecked(false);
  type("txtscriptmodificado", u"x"_qs);
  prompter_.answers = {Answer::no};
  prompter_.files.push_back(QString());  // the open dialog cancelled
  click("cmdabrirscript");
  prompter_.answers = {Answer::cancel};
  EXPECT_FALSE(form_->close());
  EXPECT_EQ(prompter_.questions.size(), 2u);
}

TEST_F(EditorRooms, EverySaveWritesTheComments) {
  load(source_in("a", kThreeDialogues));
  type("txtcomentario", u"nota"_qs);
  click("cmddialogosiguiente");  // auto-save
  EXPECT_EQ(file(comments_path()), "nota\r\n<End>\r\n\r\n<End>\r\n\r\n<End>\r\n");
}

TEST_F(EditorRooms, CommentsThatCannotBeWrittenAreAskedForAtClose) {
  // A file standing where the comments folder must be created.
  ASSERT_TRUE(common::write_file(work() / "Comentarios", "no soy una carpeta"));
  load(source_in("a", kThreeDialogues));
  ASSERT_FALSE(prompter_.messages.empty());  // told at once
  type("txtcomentario", u"nota"_qs);

  prompter_.answers = {Answer::no};
  EXPECT_FALSE(form_->close());
  ASSERT_EQ(prompter_.questions.size(), 1u);
  EXPECT_TRUE(prompter_.questions[0].text.contains(u"perder los comentarios"_qs));
  EXPECT_EQ(shown("txtcomentario"), u"nota"_qs);

  prompter_.answers = {Answer::yes};
  EXPECT_TRUE(form_->close());
}

// Dialogue 1 clean, 2 with a tag the packer refuses, 3 with a line wider than the window.
constexpr std::string_view kChecked =
    "<Room 5 with 3 text entries>\r\n"
    "<additional params: 40 0 0 0 0 0 0 0>\r\n"
    "\r\n"
    "<Text block 1><params: 0 0 0 0 0 0>\r\n"
    "Buen viaje<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 2><params: 0 0 0 0 0 0>\r\n"
    "Dos <Nonsense 7> tres<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 3><params: 0 0 0 0 0 0>\r\n"
    "Una linea tan larga que no cabe de ninguna manera en la ventana del juego<Close>\r\n"
    "<End of block>\r\n";

TEST_F(EditorRooms, ChecksMarkTheTranslationAndF8GoesRoundThem) {
  load(source_in("a", kChecked));
  EXPECT_TRUE(form_->marcas().empty());
  auto f8 = [&](Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(form_.get(), Qt::Key_F8, modifiers);
    return form_->findChild<QLabel*>(u"Panel2"_qs)->text();
  };
  EXPECT_EQ(f8(), QString::fromUtf8("Diálogo número 2 de 3"));
  ASSERT_FALSE(form_->marcas().empty());
  const Mark& tag = form_->marcas().front();
  EXPECT_EQ(tag.kind, MarkKind::error);
  EXPECT_EQ(shown("txtscriptmodificado")
                .mid(static_cast<int>(tag.begin), static_cast<int>(tag.end - tag.begin)),
            u"<Nonsense 7>"_qs);
  EXPECT_FALSE(form_->aviso_en(static_cast<int>(tag.begin)).isEmpty());
  ASSERT_EQ(box("txtscriptmodificado")->extraSelections().size(), 1);
  EXPECT_EQ(box("txtscriptmodificado")->extraSelections()[0].format.underlineStyle(),
            QTextCharFormat::WaveUnderline);

  EXPECT_EQ(f8(), QString::fromUtf8("Diálogo número 3 de 3"));
  ASSERT_EQ(form_->marcas().size(), 1u);
  EXPECT_EQ(form_->marcas()[0].kind, MarkKind::warning);
  EXPECT_TRUE(form_->aviso_en(static_cast<int>(form_->marcas()[0].begin)).contains(u"3480"_qs));
  EXPECT_TRUE(control<QFrame>("contorno(0)")->isVisibleTo(form_.get()));

  EXPECT_EQ(f8(), QString::fromUtf8("Diálogo número 2 de 3"));  // round the room
  EXPECT_EQ(f8(Qt::ShiftModifier), QString::fromUtf8("Diálogo número 3 de 3"));
  EXPECT_FALSE(control<QFrame>("contorno(1)")->isVisibleTo(form_.get()));
}

TEST_F(EditorRooms, F8WithoutWarningsSaysSo) {
  load(source_in("a", kThreeDialogues));
  QTest::keyClick(form_.get(), Qt::Key_F8);
  EXPECT_EQ(tip(), QString::fromUtf8("Ningún diálogo con avisos"));
  EXPECT_EQ(panel(2), QString::fromUtf8("Diálogo número 1 de 3"));
}

TEST_F(EditorRooms, TheReviewCountsTheRoomAndTakesTheWindowThere) {
  std::string translation(kChecked);
  translation.replace(translation.find("Buen viaje"), 10, "Hola");
  fs::create_directories(modified_path().parent_path());
  ASSERT_TRUE(common::write_file(modified_path(), translation));
  load(source_in("a", kChecked));

  QTest::keyClick(form_.get(), Qt::Key_R, Qt::ControlModifier);
  auto* review = qobject_cast<Revision*>(form_->revision());
  ASSERT_NE(review, nullptr);
  EXPECT_EQ(review->cabecera(),
            QString::fromUtf8("1 de 3 diálogos traducidos · 1 con errores · 1 con avisos"));
  QTreeWidget* list = review->lista();
  ASSERT_EQ(list->topLevelItemCount(), 3);
  const QStringList states = {u"traducido"_qs, u"con errores"_qs, u"con avisos"_qs};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list->topLevelItem(i)->text(0), QString::number(i + 1));
    EXPECT_EQ(list->topLevelItem(i)->text(1), states[i]);
  }
  EXPECT_EQ(list->topLevelItem(0)->text(2), u"Hola<Close>"_qs);

  // A fixed dialogue updates the head as it is typed.
  emit list->itemClicked(list->topLevelItem(1), 0);
  EXPECT_EQ(panel(2), QString::fromUtf8("Diálogo número 2 de 3"));
  QTextCursor cursor = box("txtscriptmodificado")->textCursor();
  const QString text = shown("txtscriptmodificado");
  cursor.setPosition(static_cast<int>(text.indexOf(u"<Nonsense"_qs)));
  cursor.setPosition(static_cast<int>(text.indexOf(u" tres"_qs)), QTextCursor::KeepAnchor);
  box("txtscriptmodificado")->setTextCursor(cursor);
  QTest::keyClick(box("txtscriptmodificado"), Qt::Key_Delete);
  // Still a warning: the tag of the source is missing now.
  EXPECT_EQ(review->cabecera(),
            QString::fromUtf8("2 de 3 diálogos traducidos · 0 con errores · 2 con avisos"));
  EXPECT_EQ(list->topLevelItem(1)->text(1), u"con avisos"_qs);
}

TEST_F(EditorRooms, GoToAndSearchReachTheDialogueAndSelectTheMatch) {
  load(source_in("a", kThreeDialogues));
  type("txtcomentario", u"Revisar la TRES"_qs);
  prompter_.numbers = {3};
  QTest::keyClick(form_.get(), Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(panel(2), QString::fromUtf8("Diálogo número 3 de 3"));
  EXPECT_EQ(prompter_.ranges.back(), (std::pair<int, int>(1, 3)));

  // Case does not count. From the translation on show: its "Tres", the comment of dialogue 1
  // (round the room), then the source of dialogue 3.
  prompter_.texts = {u"tres"_qs};
  QTest::keyClick(form_.get(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(box("txtscriptmodificado")->textCursor().selectedText(), u"Tres"_qs);
  QTest::keyClick(form_.get(), Qt::Key_F3);
  EXPECT_EQ(panel(2), QString::fromUtf8("Diálogo número 1 de 3"));
  EXPECT_EQ(box("txtcomentario")->textCursor().selectedText(), u"TRES"_qs);
  QTest::keyClick(form_.get(), Qt::Key_F3);
  EXPECT_EQ(panel(2), QString::fromUtf8("Diálogo número 3 de 3"));
  EXPECT_EQ(box("txtscriptoriginal")->textCursor().selectedText(), u"Tres"_qs);
}

TEST_F(EditorRooms, SpellingMarksWordsOffersSuggestionsAndLearnsWords) {
  load(source_in("a", kChecked));
  ASSERT_TRUE(form_->usar_diccionario(fs::path(QV_TEST_DATA) / "pequeno.aff"));
  EXPECT_TRUE(form_->marcas().empty());  // "Buen viaje" is in the tiny dictionary

  QTextCursor cursor = box("txtscriptmodificado")->textCursor();
  cursor.setPosition(static_cast<int>(kFirstShown.indexOf(u"<Room"_qs)));
  cursor.setPosition(static_cast<int>(shown("txtscriptmodificado").indexOf(u"<Close>"_qs)));
  box("txtscriptmodificado")->setTextCursor(cursor);
  for (const char* text : {" mundoo", " Tavin", " dijo<a>"})
    type("txtscriptmodificado", QString::fromLatin1(text));
  settle();
  // A character name and a word with a token are skipped.
  std::vector<Mark> spelling;
  for (const Mark& m : form_->marcas()) {
    if (m.kind == MarkKind::spelling) spelling.push_back(m);
  }
  ASSERT_EQ(spelling.size(), 1u);
  const Mark wrong = spelling[0];
  EXPECT_EQ(wrong.kind, MarkKind::spelling);
  EXPECT_EQ(shown("txtscriptmodificado").mid(static_cast<int>(wrong.begin), 6), u"mundoo"_qs);

  std::unique_ptr<QMenu> menu(form_->menu_contextual(static_cast<int>(wrong.begin) + 1));
  QStringList entries;
  for (QAction* action : menu->actions()) entries.append(action->text());
  EXPECT_EQ(entries.first(), u"mundo"_qs);
  EXPECT_TRUE(entries.contains(QString::fromUtf8("Añadir al diccionario")));
  EXPECT_TRUE(entries.contains(u"Ignorar"_qs));
  menu->actions()[entries.indexOf(QString::fromUtf8("Añadir al diccionario"))]->trigger();
  for (const Mark& m : form_->marcas()) EXPECT_NE(m.kind, MarkKind::spelling) << m.message;
  EXPECT_EQ(file(work() / "Diccionario personal.dic"), "mundoo\n");
}

}  // namespace
}  // namespace qv::editor
