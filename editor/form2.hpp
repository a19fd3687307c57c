#pragma once
// The accent reference window, shown modeless from the main window's "Lista de MTED" button.
// For now it is the empty window; the table itself is filled in later.
#include <QWidget>

namespace qv::editor {

class Form2 : public QWidget {
  Q_OBJECT

 public:
  explicit Form2(QWidget* parent = nullptr);
};

}  // namespace qv::editor
