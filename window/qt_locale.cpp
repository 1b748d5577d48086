#include "window/qt_locale.h"

#include <QStringView>
#include <QTime>

#include "window/qt_text.h"

namespace voltarik {
namespace {

bool IsCLocale(const QLocale& locale) { return locale.language() == QLocale::C; }

// What separates a time-zone field from the rest of the format.
constexpr QStringView kLeadsToZone = u" ,;([\u00a0\u202f";
constexpr QStringView kClosesZone = u")]";

void ChopEnd(QString& text, QStringView set) {
  while (!text.isEmpty() && set.contains(text.back())) text.chop(1);
}

void ChopStart(QString& text, QStringView set) {
  while (!text.isEmpty() && set.contains(text.front())) text.remove(0, 1);
}

}  // namespace

QString WithoutTimeZone(const QString& time_format) {
  const QChar quote = QLatin1Char('\'');
  QString without_zone;
  bool after_zone = false;
  for (qsizetype i = 0; i < time_format.size(); ++i) {
    const QChar c = time_format[i];
    if (c == QLatin1Char('t')) {
      // The zone goes with the blank, comma or opening bracket that leads up to it, and the
      // closing bracket after it: "H:mm:ss, t" and "H:mm:ss (t)" both give "H:mm:ss".
      ChopEnd(without_zone, kLeadsToZone);
      after_zone = true;
      continue;
    }
    if (after_zone && kClosesZone.contains(c)) continue;
    after_zone = false;
    without_zone += c;
    if (c == quote) {
      // Quoted text stays as it stands, up to its closing quote: a 't' in it is a letter. A
      // doubled quote closes and reopens it, which keeps the same letters inside.
      const qsizetype close = time_format.indexOf(quote, i + 1);
      const qsizetype end = close < 0 ? time_format.size() : close + 1;
      without_zone += QStringView(time_format).sliced(i + 1, end - i - 1);
      i = end - 1;
    }
  }
  // A zone first ("t HH:mm:ss") leaves a blank or comma at the start.
  ChopStart(without_zone, kLeadsToZone);
  return without_zone;
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
