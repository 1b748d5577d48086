#include "window/qt_locale.h"

#include <QStringList>
#include <QStringView>
#include <QTime>
#include <algorithm>

#include "window/qt_text.h"

namespace voltarik {
namespace {

bool IsCLocale(const QLocale& locale) { return locale.language() == QLocale::C; }

bool IsFieldLetter(QChar c) {
  return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
         (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

bool IsLiteral(const QString& run) {
  return !run.isEmpty() && !IsFieldLetter(run.front()) && run.front() != QLatin1Char('\'');
}

// What separates a time-zone field from the rest of the format.
constexpr QStringView kLeadsToZone = u" ,;([\u00a0\u202f";
constexpr QStringView kClosesZone = u")]";

// `text` without the characters of `set` at its end.
QString Chopped(const QString& text, QStringView set) {
  qsizetype size = text.size();
  while (size > 0 && set.contains(text[size - 1])) --size;
  return text.left(size);
}

// `text` without the characters of `set` at its start.
QString Trimmed(const QString& text, QStringView set) {
  qsizetype start = 0;
  while (start < text.size() && set.contains(text[start])) ++start;
  return text.mid(start);
}

}  // namespace

QString WithoutTimeZone(const QString& time_format) {
  // The format as runs: a field (one unquoted letter repeated), quoted text, or other literal text.
  QStringList runs;
  for (qsizetype i = 0; i < time_format.size();) {
    qsizetype end = i + 1;
    if (time_format[i] == QLatin1Char('\'')) {
      // Up to the closing quote; a doubled quote inside is a quote character.
      while (end < time_format.size() &&
             (time_format[end] != QLatin1Char('\'') ||
              (end + 1 < time_format.size() && time_format[end + 1] == QLatin1Char('\'')))) {
        end += time_format[end] == QLatin1Char('\'') ? 2 : 1;
      }
      end = std::min(end + 1, time_format.size());
    } else if (IsFieldLetter(time_format[i])) {
      while (end < time_format.size() && time_format[end] == time_format[i]) ++end;
    } else {
      while (end < time_format.size() && !IsFieldLetter(time_format[end]) &&
             time_format[end] != QLatin1Char('\'')) {
        ++end;
      }
    }
    runs.append(time_format.mid(i, end - i));
    i = end;
  }

  QStringList kept;
  bool after_zone = false;
  for (const QString& run : runs) {
    if (run.front() == QLatin1Char('t')) {
      // The zone goes with the blank, comma or opening bracket that led up to it, and the
      // closing bracket after it: "H:mm:ss, t" and "H:mm:ss (t)" both give "H:mm:ss".
      if (!kept.isEmpty() && IsLiteral(kept.back())) {
        kept.back() = Chopped(kept.back(), kLeadsToZone);
      }
      after_zone = true;
      continue;
    }
    kept.append(after_zone && IsLiteral(run) ? Trimmed(run, kClosesZone) : run);
    after_zone = false;
  }
  // A zone at either end ("t HH:mm:ss") leaves a blank or comma there.
  if (!kept.isEmpty() && IsLiteral(kept.front()))
    kept.front() = Trimmed(kept.front(), kLeadsToZone);
  if (!kept.isEmpty() && IsLiteral(kept.back())) kept.back() = Chopped(kept.back(), kLeadsToZone);
  return kept.join(QString());
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
