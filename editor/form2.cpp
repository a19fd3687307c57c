#include "editor/form2.hpp"

#include "editor/icon.hpp"

namespace qv::editor {

Form2::Form2(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(u"Form2"_qs);
  setWindowTitle(u"Lista de MTED"_qs);
  setWindowIcon(textbench_icon());
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  // Client area of 11775 x 6720 twips.
  setFixedSize(785, 448);
  setAttribute(Qt::WA_DeleteOnClose);
}

}  // namespace qv::editor
