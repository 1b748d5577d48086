#include "window/lamp.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

namespace voltarik {
namespace {

// Screen readers meet a lamp as a label: a named thing with no text to edit or press.
QAccessibleInterface* LampAccessibility(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String("voltarik::Lamp") || object == nullptr) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StaticText);
}

}  // namespace

Lamp::Lamp(QWidget* parent) : QWidget(parent) {
  static const bool factory_installed = [] {
    QAccessible::installFactory(LampAccessibility);
    return true;
  }();
  Q_UNUSED(factory_installed);
  setAttribute(Qt::WA_OpaquePaintEvent);  // the fill covers every pixel
}

void Lamp::SetColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void Lamp::paintEvent(QPaintEvent* /*event*/) { QPainter(this).fillRect(rect(), color_); }

}  // namespace voltarik
