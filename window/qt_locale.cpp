#include "window/qt_locale.h"

#include <QStringList>
#include <QStringView>
#include <QTime>
#include <algorithm>

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
  const QChar zone = QLatin1Char('t');
  // The format as runs: quoted text, a time-zone field (unquoted 't' repeated), or the rest.
  QStringList runs;
  for (qsizetype i = 0; i < time_format.size();) {
    qsizetype end = i + 1;
    if (time_format[i] == quote) {
      // Up to the closing quote; a doubled quote inside is a quote character.
      while (end < time_format.size() &&
             (time_format[end] != quote ||
              (end + 1 < time_format.size() && time_format[end + 1] == quote))) {
        end += time_format[end] == quote ? 2 : 1;
      }
      end = std::min(end + 1, time_format.size());
    } else if (time_format[i] == zone) {
      while (end < time_format.size() && time_format[end] == zone) ++end;
    } else {
      while (end < time_format.size() && time_format[end] != quote && time_format[end] != zone) {
        ++end;
      }
    }
    runs.append(time_format.mid(i, end - i));
    i = end;
  }

  // The zone goes with the blank, comma or opening bracket that leads up to it, and the closing
  // bracket after it: "H:mm:ss, t" and "H:mm:ss (t)" both give "H:mm:ss". Quoted text ends in a
  // quote, which none of these is, so it stays whole.
  QString without_zone;
  bool after_zone = false;
  for (QString& run : runs) {
    if (run.front() == zone) {
      ChopEnd(without_zone, kLeadsToZone);
      after_zone = true;
      continue;
    }
    if (after_zone) ChopStart(run, kClosesZone);
    without_zone += run;
    after_zone = false;
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
