// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/dialogs.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

namespace qv::editor {

namespace {

QMessageBox::Icon box_icon(MessageIcon icon) {
  return icon == MessageIcon::error ? QMessageBox::Critical : QMessageBox::Warning;
}

// Message texts keep CR LF between their lines; a label shows a line feed alone.
QString shown_text(QString text) {
  return text.replace(u"\r\n"_qs, u"\n"_qs);
}

}  // namespace

bool install_spanish_qt_texts() {
  static QTranslator* texts = nullptr;
  if (texts) return true;
  const QLocale spanish(QLocale::Spanish, QLocale::Spain);
  QLocale::setDefault(spanish);
  auto* loaded = new QTranslator(QCoreApplication::instance());
  if (!loaded->load(spanish, u"qtbase"_qs, u"_"_qs,
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete loaded;
    return false;
  }
  QCoreApplication::installTranslator(loaded);
  texts = loaded;
  return true;
}

QString qt_name_filter(const QString& filter) {
  const qsizetype bar = filter.indexOf(u'|');
  if (bar < 0) return filter;
  return filter.left(bar) + u" ("_qs + filter.mid(bar + 1) + u")"_qs;
}

void QtPrompter::show_message(const QString& text, const QString& title, MessageIcon icon) {
  QMessageBox box(box_icon(icon), title, shown_text(text), QMessageBox::Ok, parent_);
  box.exec();
}

Answer QtPrompter::ask_yes_no_cancel(const QString& text, const QString& title, MessageIcon icon) {
  QMessageBox box(box_icon(icon), title, shown_text(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::yes;
    case QMessageBox::No:
      return Answer::no;
    default:
      return Answer::cancel;
  }
}

QString QtPrompter::choose_file(const QString& title, const QString& filter) {
  // The description alone is shown, as the filter entry reads.
  return QFileDialog::getOpenFileName(parent_, title, QDir::currentPath(), qt_name_filter(filter),
                                      nullptr, QFileDialog::HideNameFilterDetails);
}

std::optional<int> QtPrompter::ask_number(const QString& title, const QString& label, int minimum,
                                          int maximum, int value) {
  bool ok = false;
  const int number = QInputDialog::getInt(parent_, title, label, value, minimum, maximum, 1, &ok);
  if (!ok) return std::nullopt;
  return number;
}

std::optional<QString> QtPrompter::ask_text(const QString& title, const QString& label,
                                            const QString& value) {
  bool ok = false;
  const QString text = QInputDialog::getText(parent_, title, label, QLineEdit::Normal, value, &ok);
  if (!ok) return std::nullopt;
  return text;
}

}  // namespace qv::editor
