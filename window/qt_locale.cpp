#include "window/qt_locale.h"

#include <QTime>

#include "window/qt_text.h"

namespace voltarik {
namespace {

bool IsCLocale(const QLocale& locale) { return locale.language() == QLocale::C; }

}  // namespace

QString WithoutTimeZone(const QString& time_format) {
  QString without_zone;
  bool quoted = false;
  for (const QChar c : time_format) {
    if (c == QLatin1Char('\'')) quoted = !quoted;
    if (!quoted && c == QLatin1Char('t')) continue;
    without_zone.append(c);
  }
  return without_zone.simplified();
}

QString ClockFormat(const QLocale& locale) {
  if (IsCLocale(locale)) return QStringLiteral("H:mm:ss");
  return WithoutTimeZone(locale.timeFormat(QLocale::LongFormat));
}

Locale CoreLocale(const QLocale& locale) {
  const QString separator =
      IsCLocale(locale) ? QStringLiteral(",") : QString(locale.decimalPoint());
  return Locale{
      ToU16String(separator), [locale, format = ClockFormat(locale)](TimeOfDay time) {
        return ToU16String(locale.toString(QTime(time.hour, time.minute, time.second), format));
      }};
}

}  // namespace voltarik
