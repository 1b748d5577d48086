#include "window/separator_line.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace voltarik {
namespace {

QAccessibleInterface* SeparatorAccessible(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String(SeparatorLine::staticMetaObject.className())) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Separator);
}

}  // namespace

SeparatorLine::SeparatorLine(QWidget* parent) : QFrame(parent) {
  // Once for the application, before a screen reader can ask for any line.
  static const bool installed = [] {
    QAccessible::installFactory(SeparatorAccessible);
    return true;
  }();
  Q_UNUSED(installed);
  setFrameShape(QFrame::HLine);
  setFrameShadow(QFrame::Plain);
}

}  // namespace voltarik
