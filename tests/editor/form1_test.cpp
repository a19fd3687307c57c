// The real main window driven through its controls, with every question answered by a script.
#include "editor/form1.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/files.hpp"
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
