// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The accent reference window "Lista de MTED": what each speaker makes of each accent token,
// with the translators' notes. Shown modeless from the main window's button; it has no
// commands and changes nothing.
#include <QWidget>

namespace qv::editor {

class Form2 : public QWidget {
  Q_OBJECT

 public:
  explicit Form2(QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void build_labels();
  void Form_Load();
  bool centred_ = false;
};

}  // namespace qv::editor
