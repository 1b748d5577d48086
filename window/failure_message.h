#ifndef VOLTARIK_WINDOW_FAILURE_MESSAGE_H_
#define VOLTARIK_WINDOW_FAILURE_MESSAGE_H_

#include <QString>

#include "core/value_text.h"

namespace voltarik {

inline constexpr const char* kFailureTitle = "Voltarik - chyba";

// The Czech message shown when a metering tick fails: which box, the text read, how to write a
// price under the user's locale (`decimal_separator`) when it is not a number, and that measuring
// was stopped with the total kept. The only failures a user can cause come from the price.
QString FailureMessage(const ValueTextError& error, const QString& decimal_separator);

}  // namespace voltarik

#endif  // VOLTARIK_WINDOW_FAILURE_MESSAGE_H_
