#pragma once
// The window's only ways of asking the user something: message boxes and the open dialog. They
// sit behind this interface so that tests can drive the real window and answer every question.
#include <QString>

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
};

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

 private:
  QWidget* parent_;
};

}  // namespace qv::editor
