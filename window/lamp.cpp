#include "window/lamp.h"

#include <QPainter>

namespace voltarik {

Lamp::Lamp(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);  // the fill covers every pixel
}

void Lamp::SetColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void Lamp::paintEvent(QPaintEvent* /*event*/) { QPainter(this).fillRect(rect(), color_); }

}  // namespace voltarik
