#include "editor/icon.hpp"

#include <QPainter>
#include <QPixmap>

namespace qv::editor {

QIcon textbench_icon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0xF0, 0xF0, 0xF0), 2));
  painter.setBrush(QColor(0x20, 0x30, 0x80));
  painter.drawRoundedRect(QRectF(2, 6, 28, 20), 4, 4);
  painter.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), 2));
  painter.drawLine(QPointF(7, 13), QPointF(25, 13));
  painter.drawLine(QPointF(7, 19), QPointF(19, 19));
  painter.end();
  return QIcon(pixmap);
}

}  // namespace qv::editor
