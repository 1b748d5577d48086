#ifndef VOLTARIK_WINDOW_QT_LOCALE_H_
#define VOLTARIK_WINDOW_QT_LOCALE_H_

#include <QLocale>
#include <QString>

#include "core/value_text.h"

namespace voltarik {

// A time format without its time-zone field: every unquoted run of 't' goes, with the blank,
// comma or brackets that set it apart; "'kl'. HH:mm:ss t", "H:mm:ss, tttt" and "H:mm:ss (t)" give
// the time alone. Letters inside quotes are text and stay.
QString WithoutTimeZone(const QString& time_format);

// The locale's long time format without its time-zone field: "H:mm:ss t" gives "H:mm:ss".
// Under the C locale (no locale chosen) it is "H:mm:ss", like the window's own texts.
QString ClockFormat(const QLocale& locale);

// The decimal separator and the clock format of `locale` for the core. Under the C locale the
// separator is the comma, which the window's initial price "2,65" is written with.
Locale CoreLocale(const QLocale& locale);

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_QT_LOCALE_H_
