#include "editor/dialogs.hpp"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

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

}  // namespace qv::editor
