// Conversions between the core's UTF-16 texts and Qt's strings, which hold the same code units.
#ifndef VOLTARIK_WINDOW_QT_TEXT_H_
#define VOLTARIK_WINDOW_QT_TEXT_H_

#include <QString>
#include <string>
#include <string_view>

namespace voltarik {

inline QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline std::u16string ToU16String(const QString& text) { return text.toStdU16String(); }

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_QT_TEXT_H_
