// Readable GoogleTest output for Qt values.
#ifndef VOLTARIK_TESTS_QT_PRINTERS_H_
#define VOLTARIK_TESTS_QT_PRINTERS_H_

#include <QColor>
#include <QRect>
#include <QString>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QColor& color, std::ostream* out) { *out << color.name().toStdString(); }
inline void PrintTo(const QRect& rect, std::ostream* out) {
  *out << rect.x() << ',' << rect.y() << ' ' << rect.width() << 'x' << rect.height();
}
QT_END_NAMESPACE

#endif  // VOLTARIK_TESTS_QT_PRINTERS_H_
