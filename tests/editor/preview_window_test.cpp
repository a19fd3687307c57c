// SPDX-License-Identifier: GPL-3.0-or-later
// The preview in the main window: the pictures and labels in place, and the refresh wired to the
// translation box and the scroll bar.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <deque>
#include <filesystem>
#include <memory>

#include "common/files.hpp"
#include "editor/form1.hpp"
#include "editor/form2.hpp"
#include "tests/support/scratch_dir.hpp"

namespace qv::editor {

using namespace qv::dialogue;
namespace {

namespace fs = std::filesystem;

class FilePrompter : public Prompter {
 public:
  void show_message(const QString& text, const QString&, MessageIcon) override {
    ADD_FAILURE() << "unexpected message: " << text.toStdString();
  }
  Answer ask_yes_no_cancel(const QString& text, const QString&, MessageIcon) override {
    ADD_FAILURE() << "unexpected question: " << text.toStdString();
    return Answer::cancel;
  }
  QString choose_file(const QString&, const QString&) override { return file; }
  std::optional<int> ask_number(const QString&, const QString&, int, int, int) override {
    ADD_FAILURE() << "unexpected number asked";
    return std::nullopt;
  }
  std::optional<QString> ask_text(const QString&, const QString&, const QString&) override {
    ADD_FAILURE() << "unexpected text asked";
    return std::nullopt;
  }
  QString file;
};

// Dialogue 1 with four windows, dialogue 2 with one and a control tag.
constexpr std::string_view kDump =
    "<Room 7 with 2 text entries>\r\n"
    "<additional params: 40 0 0 0 0 0 0 0>\r\n"
    "\r\n"
    "<Text block 1><params: 0 0 0 0 0 0>\r\n"
    "Uno\r\n<New>\r\nDos\r\n<New>\r\nTres\r\n<New>\r\nCuatro\r\n<Close>\r\n"
    "<End of block>\r\n"
    "\r\n"
    "<Text block 2><params: 0 0 0 0 0 0>\r\n"
    "<Color 3>Ma\xF1\x61na<Speed 2>\r\n<Close>\r\n"
    "<End of block>\r\n";

class PreviewWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = qv::test::scratch_dir(std::string("qv_preview_") +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
    previous_dir_ = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(root_.string()));
    ASSERT_TRUE(common::write_file(root_ / "outscript.txt", kDump));
    prompter_.file = QString::fromStdString((root_ / "outscript.txt").string());
    form_ = std::make_unique<Form1>(prompter_);
    form_->show();
  }
  void TearDown() override {
    form_.reset();
    QDir::setCurrent(previous_dir_);
    fs::remove_all(root_);
  }

  template <typename Widget>
  Widget* control(const QString& name) const {
    auto* widget = form_->findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
  }
  QStringList captions() const {
    QStringList texts;
    for (int i = 0; i < 3; ++i) texts << control<QLabel>(u"lblvistaprevia(%1)"_qs.arg(i))->text();
    return texts;
  }
  QScrollBar* scroll() const { return control<QScrollBar>(u"Scroll"_qs); }
  void click(const QString& name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }

  FilePrompter prompter_;
  std::unique_ptr<Form1> form_;

 private:
  fs::path root_;
  QString previous_dir_;
};

TEST_F(PreviewWindow, ControlsStandInPlaceWithThePicture) {
  const QRect pictures[] = {{352, 16, 280, 97}, {352, 136, 281, 97}, {352, 256, 281, 97}};
  const QRect labels[] = {{376, 40, 666, 57}, {376, 160, 666, 57}, {376, 280, 666, 57}};
  for (int i = 0; i < 3; ++i) {
    auto* ventana = control<QLabel>(u"ventana(%1)"_qs.arg(i));
    auto* label = control<QLabel>(u"lblvistaprevia(%1)"_qs.arg(i));
    ASSERT_TRUE(ventana && label);
    EXPECT_EQ(ventana->geometry(), pictures[i]);
    EXPECT_TRUE(ventana->hasScaledContents());
    EXPECT_EQ(ventana->pixmap().size(), QSize(280, 97));
    EXPECT_EQ(label->geometry(), labels[i]);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(label->font().family(), u"Quorvane"_qs);
    EXPECT_EQ(label->font().pointSize(), 9);
    EXPECT_EQ(label->font().weight(), QFont::Normal);
    EXPECT_FALSE(label->autoFillBackground());
  }
  EXPECT_EQ(scroll()->geometry(), QRect(640, 16, 17, 337));
  EXPECT_EQ(scroll()->orientation(), Qt::Vertical);
}

// The shipped picture keeps the shape the layout was drawn for: 280 x 97 pixels at 15 twips a
// pixel, with a global colour table of 64 entries.
TEST_F(PreviewWindow, TheWindowPictureIsAGif89aOf280By97With64Colours) {
  QFile file(u":/textbench/ventana.gif"_qs);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray head = file.read(13);
  ASSERT_EQ(head.size(), 13);
  EXPECT_EQ(head.left(6), QByteArray("GIF89a"));
  const auto byte = [&](int i) { return static_cast<unsigned char>(head[i]); };
  EXPECT_EQ(byte(6) | byte(7) << 8, 280);
  EXPECT_EQ(byte(8) | byte(9) << 8, 97);
  EXPECT_TRUE(byte(10) & 0x80);           // a global colour table follows
  EXPECT_EQ(2 << (byte(10) & 0x07), 64);  // of 64 entries
}

TEST_F(PreviewWindow, NothingIsShownBeforeTheFirstLoad) {
  scroll()->setEnabled(true);
  scroll()->setMaximum(5);
  scroll()->setValue(3);
  EXPECT_EQ(captions(), QStringList({"", "", ""}));
}

TEST_F(PreviewWindow, FollowsTheScrollBarAndTheTranslationBox) {
  click(u"cmdabrirscript"_qs);
  EXPECT_EQ(captions(), QStringList({"Uno\n", "Dos\n", "Tres\n"}));
  EXPECT_TRUE(scroll()->isEnabled());
  EXPECT_EQ(scroll()->maximum(), 1);
  EXPECT_EQ(scroll()->value(), 0);

  scroll()->setValue(1);
  EXPECT_EQ(captions(), QStringList({"Dos\n", "Tres\n", "Cuatro\n"}));

  // Typing away a window brings the scroll bar's value down with its maximum.
  auto* box = control<QPlainTextEdit>(u"txtscriptmodificado"_qs);
  QString text = box->toPlainText();
  text.replace(u"Dos\n<New>\n"_qs, QString());
  box->setPlainText(text);
  EXPECT_FALSE(scroll()->isEnabled());
  EXPECT_EQ(captions(), QStringList({"Uno\n", "Tres\n", "Cuatro\n"}));
}

TEST_F(PreviewWindow, AWindowOfMoreThanThreeLinesShowsThreeAndIsOutlined) {
  click(u"cmdabrirscript"_qs);
  auto* outline = control<QFrame>(u"contorno(0)"_qs);
  EXPECT_FALSE(outline->isVisible());
  auto* box = control<QPlainTextEdit>(u"txtscriptmodificado"_qs);
  QString text = box->toPlainText();
  text.replace(u"Uno\n"_qs, u"Uno\ndos\ntres\ncuatro\n"_qs);
  box->setPlainText(text);
  EXPECT_TRUE(outline->isVisible());
  EXPECT_FALSE(control<QFrame>(u"contorno(1)"_qs)->isVisible());
  const QString shown = control<QLabel>(u"lblvistaprevia(0)"_qs)->text();
  EXPECT_LE(shown.count(u'\n'), 3) << shown.toStdString();
  EXPECT_TRUE(shown.startsWith(u"Uno\ndos\ntres"_qs)) << shown.toStdString();
  EXPECT_FALSE(shown.contains(u"cuatro"_qs)) << shown.toStdString();
}

TEST_F(PreviewWindow, TheNextDialogueStartsAtTheTopWithoutControlTags) {
  click(u"cmdabrirscript"_qs);
  scroll()->setValue(1);
  click(u"cmddialogosiguiente"_qs);
  EXPECT_EQ(scroll()->value(), 0);
  EXPECT_FALSE(scroll()->isEnabled());
  EXPECT_EQ(captions(), QStringList({QString::fromUtf8("Mañana\n"), "", ""}));
}

int open_accent_tables() {
  int count = 0;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (qobject_cast<Form2*>(window) && window->isVisible()) ++count;
  }
  return count;
}

TEST_F(PreviewWindow, TheAccentTableOpensOnceAndAfreshAfterClosing) {
  click(u"Command1"_qs);
  click(u"Command1"_qs);
  EXPECT_EQ(open_accent_tables(), 1);
  QPointer<QWidget> first = form_->form2();
  ASSERT_TRUE(first);

  first->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(first);
  click(u"Command1"_qs);
  EXPECT_EQ(open_accent_tables(), 1);
  EXPECT_NE(form_->form2(), nullptr);
  EXPECT_TRUE(form_->form2()->isVisible());
}

}  // namespace
}  // namespace qv::editor
