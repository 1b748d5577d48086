#include "core/value_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

namespace voltarik {
namespace {

constexpr int kSignificantDigits = 15;

// The largest magnitude NumberToText writes: the largest double rounded to 15 digits. It lies a
// little above the largest double itself, yet it must read back, so values up to it read as the
// largest double and only values beyond it overflow.
constexpr std::string_view kLargestWrittenDigits = "179769313486232";
constexpr long long kLargestWrittenExponent = 308;

// Exponents beyond this bound are beyond every double anyway; clamping keeps the arithmetic
// on them from overflowing whatever the user types.
constexpr long long kExponentClamp = 1'000'000'000;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The decimal value of a well-formed text, taken apart: its significant digits without leading or
// trailing zeros, and the power of ten of the first of them.
struct DecimalValue {
  bool negative = false;
  std::string digits;  // empty for zero
  long long exponent = 0;
};

// Reads the digits of `text` from `pos` on into `out`, accepting one `separator` among them.
// Returns the count of digits before the separator.
std::size_t ReadMantissa(std::u16string_view text, std::u16string_view separator, std::size_t& pos,
                         std::string& out) {
  std::size_t integer_digits = std::string::npos;
  while (pos < text.size()) {
    if (IsDigit(text[pos])) {
      out.push_back(static_cast<char>(text[pos]));
      ++pos;
    } else if (!separator.empty() && integer_digits == std::string::npos &&
               text.substr(pos).starts_with(separator)) {
      integer_digits = out.size();
      pos += separator.size();
    } else {
      break;
    }
  }
  return integer_digits == std::string::npos ? out.size() : integer_digits;
}

DecimalValue ParseDecimal(std::u16string_view text, std::u16string_view separator) {
  const std::u16string original(text);
  const std::size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) throw ConversionError(original);
  text = text.substr(first, text.find_last_not_of(u' ') - first + 1);

  DecimalValue value;
  std::size_t pos = 0;
  if (text[pos] == u'+' || text[pos] == u'-') {
    value.negative = text[pos] == u'-';
    ++pos;
  }
  std::string mantissa;
  const std::size_t integer_digits = ReadMantissa(text, separator, pos, mantissa);
  if (mantissa.empty()) throw ConversionError(original);

  long long exponent = 0;
  if (pos < text.size() && (text[pos] == u'E' || text[pos] == u'e')) {
    ++pos;
    bool negative_exponent = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
      negative_exponent = text[pos] == u'-';
      ++pos;
    }
    if (pos == text.size() || !IsDigit(text[pos])) throw ConversionError(original);
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
      exponent = std::min(exponent * 10 + (text[pos] - u'0'), kExponentClamp);
    }
    if (negative_exponent) exponent = -exponent;
  }
  if (pos != text.size()) throw ConversionError(original);

  const std::size_t first_significant = mantissa.find_first_not_of('0');
  if (first_significant == std::string::npos) return value;  // zero
  const std::size_t last_significant = mantissa.find_last_not_of('0');
  value.digits = mantissa.substr(first_significant, last_significant - first_significant + 1);
  value.exponent = static_cast<long long>(integer_digits) -
                   static_cast<long long>(first_significant) - 1 + exponent;
  return value;
}

// Whether d1.d2d3... is at most the largest written mantissa 1.79769313486232.
bool AtMostLargestWritten(const std::string& digits) {
  const std::size_t length = std::max(digits.size(), kLargestWrittenDigits.size());
  std::string padded_value = digits;
  std::string padded_limit(kLargestWrittenDigits);
  padded_value.resize(length, '0');
  padded_limit.resize(length, '0');
  return padded_value <= padded_limit;
}

}  // namespace

TimeOfDay LocalClock() {
  const std::time_t now = std::time(nullptr);
  // Only the event thread reads the clock, and the program's one other thread (the start-up news
  // fetch) has ended before the first tick, so the shared buffer of std::localtime is safe here.
  const std::tm* local = std::localtime(&now);
  if (local == nullptr) return {};
  return {local->tm_hour, local->tm_min, local->tm_sec};
}

ValueText::ValueText(Locale locale, Clock clock)
    : locale_(std::move(locale)), clock_(std::move(clock)) {}

std::u16string ValueText::NumberToText(double value) const {
  if (value == 0) return u"0";

  // Scientific form with 14 fractional digits rounds the exact binary value once, correctly, to
  // 15 significant digits: "-d.ddddddddddddddde+XX". Its exponent is that of the rounded value.
  char buffer[40];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value,
                                     std::chars_format::scientific, kSignificantDigits - 1);
  const std::string_view scientific(buffer, written.ptr - buffer);
  const bool negative = scientific.front() == '-';
  const std::size_t e_pos = scientific.find('e');
  std::string digits;
  for (char c : scientific.substr(negative ? 1 : 0, e_pos - (negative ? 1 : 0))) {
    if (c != '.') digits.push_back(c);
  }
  digits.erase(digits.find_last_not_of('0') + 1);
  int exponent = 0;
  std::from_chars(scientific.data() + e_pos + (scientific[e_pos + 1] == '+' ? 2 : 1),
                  scientific.data() + scientific.size(), exponent);

  std::u16string text;
  if (negative) text.push_back(u'-');
  const auto append_digits = [&text](std::string_view ascii) {
    text.append(ascii.begin(), ascii.end());
  };
  if (exponent < -4 || exponent >= kSignificantDigits) {
    text.push_back(static_cast<char16_t>(digits[0]));
    if (digits.size() > 1) {
      text += locale_.decimal_separator;
      append_digits(std::string_view(digits).substr(1));
    }
    text.push_back(u'E');
    text.push_back(exponent < 0 ? u'-' : u'+');
    const int magnitude = std::abs(exponent);
    if (magnitude < 10) text.push_back(u'0');
    append_digits(std::to_string(magnitude));
  } else if (exponent < 0) {
    text += u'0';
    text += locale_.decimal_separator;
    text.append(static_cast<std::size_t>(-exponent - 1), u'0');
    append_digits(digits);
  } else {
    const auto integer_digits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integer_digits) {
      append_digits(digits);
      text.append(integer_digits - digits.size(), u'0');
    } else {
      append_digits(std::string_view(digits).substr(0, integer_digits));
      text += locale_.decimal_separator;
      append_digits(std::string_view(digits).substr(integer_digits));
    }
  }
  return text;
}

double ValueText::TextToNumber(std::u16string_view text) const {
  const DecimalValue decimal = ParseDecimal(text, locale_.decimal_separator);
  const double zero = decimal.negative ? -0.0 : 0.0;
  if (decimal.digits.empty()) return zero;
  if (decimal.exponent > kLargestWrittenExponent) throw OverflowError(std::u16string(text));
  // Far below the smallest subnormal: the nearest double is zero.
  if (decimal.exponent < -400) return zero;

  // A normalised ASCII copy, "-d.ddde-5", for the correctly rounded standard reader.
  std::string ascii;
  if (decimal.negative) ascii.push_back('-');
  ascii.push_back(decimal.digits[0]);
  if (decimal.digits.size() > 1) {
    ascii.push_back('.');
    ascii.append(decimal.digits, 1);
  }
  ascii.push_back('e');
  ascii += std::to_string(decimal.exponent);

  double result = 0;
  const auto read = std::from_chars(ascii.data(), ascii.data() + ascii.size(), result);
  if (read.ec == std::errc::result_out_of_range) {
    if (decimal.exponent < 0) return zero;
    if (!AtMostLargestWritten(decimal.digits)) throw OverflowError(std::u16string(text));
    const double largest = std::numeric_limits<double>::max();
    return decimal.negative ? -largest : largest;
  }
  return result;
}

std::u16string ValueText::IntegerToText(std::int16_t value) {
  const std::string ascii = std::to_string(value);
  return {ascii.begin(), ascii.end()};
}

double ValueText::RoundHalfEven(double value, int decimals) {
  double scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;  // exact up to 10^22
  const double product = value * scale;
  if (!std::isfinite(product)) return value;  // no digits to drop at this scale
  // The default floating-point rounding mode, which nothing in the program changes, rounds to the
  // nearest integer with halves to even.
  return std::nearbyint(product) / scale;
}

int ValueText::CompareBinary(std::u16string_view a, std::u16string_view b) {
  // char16_t is unsigned, so the standard comparison orders by code unit.
  const int order = a.compare(b);
  return (order > 0) - (order < 0);
}

std::u16string ValueText::TimeOfDayText() const { return locale_.write_time_of_day(clock_()); }

}  // namespace voltarik
