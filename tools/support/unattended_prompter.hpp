// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The answers of a tool that drives the editor with nobody at the screen: the one dump text to
// open, No to every question, the offered number, and a search text the tool sets; messages go
// to standard error.
#include <cstdio>
#include <optional>
#include <utility>

#include "editor/dialogs.hpp"

namespace qv::tools {

class UnattendedPrompter : public editor::Prompter {
 public:
  explicit UnattendedPrompter(QString file) : file_(std::move(file)) {}
  void show_message(const QString& text, const QString&, editor::MessageIcon) override {
    std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
  }
  editor::Answer ask_yes_no_cancel(const QString&, const QString&, editor::MessageIcon) override {
    return editor::Answer::no;
  }
  QString choose_file(const QString&, const QString&) override { return file_; }
  std::optional<int> ask_number(const QString&, const QString&, int, int, int value) override {
    return value;
  }
  std::optional<QString> ask_text(const QString&, const QString&, const QString&) override {
    return search;
  }
  QString search;

 private:
  QString file_;
};

}  // namespace qv::tools
