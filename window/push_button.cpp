#include "window/push_button.h"

#include <QKeyEvent>

namespace voltarik {

PushButton::PushButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void PushButton::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (enter && modifiers == Qt::NoModifier && !event->isAutoRepeat()) {
    click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

}  // namespace voltarik
