// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's only ways of asking the user something: message boxes and the open dialog. They
// sit behind this interface so that tests can drive the real window and answer every question.
#include <QString>
#include <optional>

class QWidget;

namespace qv::editor {

enum class Answer { yes, no, cancel };
enum class MessageIcon { error, warning };

class Prompter {
 public:
  virtual ~Prompter() = default;

  // A message box with one OK button.
  virtual void show_message(const QString& text, const QString& title, MessageIcon icon) = 0;

  // A message box with the buttons Yes, No and Cancel; closing it counts as Cancel.
  virtual Answer ask_yes_no_cancel(const QString& text, const QString& title, MessageIcon icon) = 0;

  // The open dialog. `filter` is one entry, "description|pattern". Returns the chosen path, or
  // an empty string when the user cancels.
  virtual QString choose_file(const QString& title, const QString& filter) = 0;

  // A whole number between `minimum` and `maximum`, starting at `value`; nothing when the user
  // cancels.
  virtual std::optional<int> ask_number(const QString& title, const QString& label, int minimum,
                                        int maximum, int value) = 0;

  // A line of text, starting as `value`; nothing when the user cancels.
  virtual std::optional<QString> ask_text(const QString& title, const QString& label,
                                          const QString& value) = 0;
};

// Makes Qt's own texts Spanish (message box buttons, the open dialog, the context menus) from
// the qtbase_es translation that Qt ships. False when it is not installed; Qt's English stays.
bool install_spanish_qt_texts();

// A filter entry "description|pattern" in the form the Qt file dialog reads.
QString qt_name_filter(const QString& filter);

// The real boxes and dialog, modal over `parent`.
class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void set_parent(QWidget* parent) { parent_ = parent; }

  void show_message(const QString& text, const QString& title, MessageIcon icon) override;
  Answer ask_yes_no_cancel(const QString& text, const QString& title, MessageIcon icon) override;
  QString choose_file(const QString& title, const QString& filter) override;
  std::optional<int> ask_number(const QString& title, const QString& label, int minimum,
                                int maximum, int value) override;
  std::optional<QString> ask_text(const QString& title, const QString& label,
                                  const QString& value) override;

 private:
  QWidget* parent_;
};

}  // namespace qv::editor
