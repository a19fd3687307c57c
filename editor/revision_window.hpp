// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Revisión": every dialogue of the room with its state and the first line of its translation.
// Modeless; a click on a row takes the main window to that dialogue.
#include <QWidget>
#include <functional>
#include <span>

#include "editor/revision.hpp"

class QLabel;
class QTreeWidget;

namespace qv::editor {

class Revision : public QWidget {
  Q_OBJECT

 public:
  explicit Revision(std::function<void(int)> ir_a, QWidget* parent = nullptr);

  // Fills the list afresh: one row per dialogue, numbered from 1.
  void mostrar(std::span<const DialogueSummary> resumenes, const QStringList& primeras_lineas);
  // Updates one row (dialogue from 1) and the head.
  void actualizar(std::span<const DialogueSummary> resumenes, int dialogo,
                  const QString& primera_linea);

  QString cabecera() const;
  QTreeWidget* lista() const { return lista_; }

 private:
  QLabel* cabecera_ = nullptr;
  QTreeWidget* lista_ = nullptr;
  std::function<void(int)> ir_a_;
};

}  // namespace qv::editor
