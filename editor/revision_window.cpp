// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/revision_window.hpp"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "editor/icon.hpp"

namespace qv::editor {

namespace {

QString utf8(const std::string& text) {
  return QString::fromStdString(text);
}

QColor colour_of(DialogueState state) {
  switch (state) {
    case DialogueState::with_errors:
      return QColor(0xC0, 0x00, 0x00);
    case DialogueState::with_warnings:
      return QColor(0xC0, 0x60, 0x00);
    case DialogueState::translated:
      return QColor(0x00, 0x70, 0x00);
    case DialogueState::untranslated:
      break;
  }
  return QColor(0x60, 0x60, 0x60);
}

void fill_row(QTreeWidgetItem* item, int dialogo, const DialogueSummary& resumen,
              const QString& primera_linea) {
  const DialogueState state = state_of(resumen);
  item->setData(0, Qt::DisplayRole, dialogo);
  item->setText(1, utf8(state_name(state)));
  item->setForeground(1, colour_of(state));
  item->setText(2, primera_linea);
}

}  // namespace

Revision::Revision(std::function<void(int)> ir_a, QWidget* parent)
    : QWidget(parent, Qt::Window), ir_a_(std::move(ir_a)) {
  setObjectName(u"Revision"_qs);
  setWindowTitle(u"Revisión"_qs);
  setWindowIcon(textbench_icon());
  resize(560, 480);
  auto* layout = new QVBoxLayout(this);
  cabecera_ = new QLabel(this);
  cabecera_->setObjectName(u"cabecera"_qs);
  lista_ = new QTreeWidget(this);
  lista_->setObjectName(u"lista"_qs);
  lista_->setRootIsDecorated(false);
  lista_->setUniformRowHeights(true);
  lista_->setHeaderLabels({u"Diálogo"_qs, u"Estado"_qs, u"Primera línea"_qs});
  lista_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  lista_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  layout->addWidget(cabecera_);
  layout->addWidget(lista_);
  connect(lista_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    if (ir_a_) ir_a_(item->data(0, Qt::DisplayRole).toInt());
  });
}

void Revision::mostrar(std::span<const DialogueSummary> resumenes,
                       const QStringList& primeras_lineas) {
  lista_->clear();
  QList<QTreeWidgetItem*> filas;
  for (std::size_t i = 0; i < resumenes.size(); ++i) {
    auto* item = new QTreeWidgetItem();
    fill_row(item, static_cast<int>(i) + 1, resumenes[i],
             i < static_cast<std::size_t>(primeras_lineas.size()) ? primeras_lineas[i] : QString());
    filas.append(item);
  }
  lista_->addTopLevelItems(filas);
  cabecera_->setText(utf8(review_heading(resumenes)));
}

void Revision::actualizar(std::span<const DialogueSummary> resumenes, int dialogo,
                          const QString& primera_linea) {
  if (dialogo >= 1 && dialogo <= lista_->topLevelItemCount() &&
      dialogo <= static_cast<int>(resumenes.size())) {
    fill_row(lista_->topLevelItem(dialogo - 1), dialogo, resumenes[dialogo - 1], primera_linea);
  }
  cabecera_->setText(utf8(review_heading(resumenes)));
}

QString Revision::cabecera() const {
  return cabecera_->text();
}

}  // namespace qv::editor
