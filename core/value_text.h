// Value texts: every number the meter computes is written out as text and, where a later step
// needs it, read back from that text. This module owns those conversions and the other value rules
// the meter relies on: rounding to a number of decimals, ordinal comparison of texts and the text
// of the time of day. The exact form of every figure on screen follows from these rules.
//
// The locale is a value handed in (the window builds it from the user's settings), and so is the
// clock, so that every result here can be held still in a test.
#ifndef VOLTARIK_CORE_VALUE_TEXT_H_
#define VOLTARIK_CORE_VALUE_TEXT_H_

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace voltarik {

// A local time of day, as a clock reports it.
struct TimeOfDay {
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
};

// The user's number and time conventions.
struct Locale {
  std::u16string decimal_separator;  // u"," under a Czech locale
  // Writes a time of day in the locale's long-time format, e.g. u"14:05:33".
  std::function<std::u16string(const TimeOfDay&)> write_time_of_day;
};

// The local clock of this machine, read through the C++ standard library.
TimeOfDay LocalClock();

// A text that does not read as a number, or a number beyond the double range. Both carry the text
// that was read so that the window can tell the user what it got.
class ValueTextError : public std::runtime_error {
 public:
  ValueTextError(const char* what, std::u16string text)
      : std::runtime_error(what), text_(std::move(text)) {}
  const std::u16string& text() const { return text_; }

 private:
  std::u16string text_;
};

class ConversionError : public ValueTextError {
 public:
  explicit ConversionError(std::u16string text)
      : ValueTextError("text does not read as a number", std::move(text)) {}
};

class OverflowError : public ValueTextError {
 public:
  explicit OverflowError(std::u16string text)
      : ValueTextError("number lies beyond the double range", std::move(text)) {}
};

class ValueText {
 public:
  using Clock = std::function<TimeOfDay()>;

  explicit ValueText(Locale locale, Clock clock = LocalClock);

  // Fifteen significant digits, fixed notation for decimal exponents -4..14, scientific
  // ("5,8E-05", "1E+15") outside that range. `value` must be finite.
  std::u16string NumberToText(double value) const;

  // Strict reading: blanks around the text, an optional sign, digits with at most one decimal
  // separator of the locale, an optional exponent. Throws ConversionError or OverflowError.
  double TextToNumber(std::u16string_view text) const;

  static std::u16string IntegerToText(std::int16_t value);

  // Multiplies by 10^decimals in double arithmetic, rounds that product to the nearest integer
  // (halves to even) and divides back. `decimals` is 0 or more.
  static double RoundHalfEven(double value, int decimals);

  // Ordinal comparison by UTF-16 code units: -1, 0 or 1.
  static int CompareBinary(std::u16string_view a, std::u16string_view b);

  // The clock's time of day in the locale's long-time format.
  std::u16string TimeOfDayText() const;

 private:
  Locale locale_;
  Clock clock_;
};

}  // namespace voltarik

#endif  // VOLTARIK_CORE_VALUE_TEXT_H_
