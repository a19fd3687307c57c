// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts (message-box buttons, the open dialog, context menus) in Spanish, as the rest
// of the editor is.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>

#include "editor/dialogs.hpp"

namespace qv::editor {
namespace {

TEST(QtTexts, TheMessageBoxButtonsReadSpanish) {
  if (!install_spanish_qt_texts()) GTEST_SKIP() << "Qt's Spanish translations are not installed";
  QMessageBox box(QMessageBox::Warning, u"Advertencia"_qs, u"¿Guardar?"_qs,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(u'&'), u"Sí"_qs);
  EXPECT_EQ(box.button(QMessageBox::No)->text().remove(u'&'), u"No"_qs);
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(u'&'), u"Cancelar"_qs);
}

}  // namespace
}  // namespace qv::editor
