#include "core/value_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <limits>
#include <ostream>
#include <random>
#include <string>

#include "tests/test_support.h"

namespace voltarik::testing {
namespace {

constexpr double kLargest = std::numeric_limits<double>::max();
constexpr double kSmallestSubnormal = std::numeric_limits<double>::denorm_min();

// ---- NumberToText ----

struct WriteCase {
  const char* name;
  double value;
  std::u16string expected;
  friend void PrintTo(const WriteCase& row, std::ostream* out) { *out << row.name; }
};

class NumberToTextTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(NumberToTextTest, WritesFifteenSignificantDigits) {
  const ValueText value_text = CommaValueText();
  EXPECT_EQ(Utf8(value_text.NumberToText(GetParam().value)), Utf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Values, NumberToTextTest,
    ::testing::Values(
        WriteCase{"zero", 0.0, u"0"}, WriteCase{"negative zero", -0.0, u"0"},
        WriteCase{"whole watts", 140, u"140"}, WriteCase{"a fraction", 0.14, u"0,14"},
        WriteCase{"dropped fifteenth zero", 210.0 / 230, u"0,91304347826087"},
        WriteCase{"exponent minus four stays fixed", 0.000117, u"0,000117"},
        WriteCase{"exponent minus five goes scientific", 0.000058, u"5,8E-05"},
        WriteCase{"one second at 210 W", 210.0 / 1000 / 3600, u"5,83333333333333E-05"},
        WriteCase{"one second at 550 W", 550.0 / 1000 / 3600, u"0,000152777777777778"},
        WriteCase{"single digit mantissa", 1e-05, u"1E-05"},
        WriteCase{"exponent fifteen", 1e15, u"1E+15"},
        WriteCase{"fifteen integer digits", 123456789012345, u"123456789012345"},
        WriteCase{"rounding carries into exponent fifteen", 999999999999999.9, u"1E+15"},
        WriteCase{"rounding carries into exponent minus four", 0.00009999999999999999, u"0,0001"},
        WriteCase{"eighteen digits round", 123456789012345678.0, u"1,23456789012346E+17"},
        WriteCase{"negative", -2.65, u"-2,65"},
        WriteCase{"negative scientific", -0.000058, u"-5,8E-05"},
        WriteCase{"largest double", kLargest, u"1,79769313486232E+308"},
        WriteCase{"negative largest double", -kLargest, u"-1,79769313486232E+308"},
        WriteCase{"smallest normal", std::numeric_limits<double>::min(), u"2,2250738585072E-308"},
        WriteCase{"smallest subnormal", kSmallestSubnormal, u"4,94065645841247E-324"},
        WriteCase{"three digit exponent", 1.5e-100, u"1,5E-100"},
        WriteCase{"two digit exponent needs no padding", 2.5e-10, u"2,5E-10"}),
    [](const auto& info) { return Slug(info.param.name); });

TEST(NumberToTextLocaleTest, UsesTheLocaleSeparator) {
  EXPECT_EQ(Utf8(CommaValueText(u".").NumberToText(2.65)), "2.65");
  EXPECT_EQ(Utf8(CommaValueText(u".").NumberToText(0.000058)), "5.8E-05");
}

// ---- TextToNumber ----

struct ReadCase {
  const char* name;
  std::u16string text;
  double expected;
  friend void PrintTo(const ReadCase& row, std::ostream* out) { *out << row.name; }
};

class TextToNumberTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(TextToNumberTest, ReadsTheNearestDouble) {
  const double read = CommaValueText().TextToNumber(GetParam().text);
  EXPECT_EQ(read, GetParam().expected);
  EXPECT_EQ(std::signbit(read), std::signbit(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextToNumberTest,
    ::testing::Values(
        ReadCase{"price", u"2,65", 2.65}, ReadCase{"blanks around", u"  2,65 ", 2.65},
        ReadCase{"scientific", u"3,9E-05", 0.000039}, ReadCase{"lower case exponent", u"1e3", 1000},
        ReadCase{"exponent plus", u"1E+3", 1000}, ReadCase{"negative", u"-2,65", -2.65},
        ReadCase{"plus sign", u"+7", 7}, ReadCase{"leading separator", u",5", 0.5},
        ReadCase{"trailing separator", u"5,", 5}, ReadCase{"leading zeros", u"007", 7},
        ReadCase{"zero", u"0", 0}, ReadCase{"negative zero", u"-0", -0.0},
        ReadCase{"zero with exponent", u"0E999", 0},
        ReadCase{"separator then exponent", u"0,1E1", 1},
        ReadCase{"many digits and small exponent", u"100000000000000000000000E-24", 0.1},
        ReadCase{"tiny exponent and many zeros", u"0,000000001E+9", 1},
        ReadCase{"written back 210 W second", u"5,83333333333333E-05", 5.83333333333333e-05},
        ReadCase{"underflow to zero", u"1E-400", 0},
        ReadCase{"negative underflow keeps sign", u"-2E-324", -0.0},
        ReadCase{"nearest subnormal", u"3E-324", kSmallestSubnormal},
        ReadCase{"huge negative exponent", u"1E-99999999999999999999", 0},
        ReadCase{"largest written reads as largest double", u"1,79769313486232E+308", kLargest},
        ReadCase{"negative largest written", u"-1,79769313486232E+308", -kLargest},
        ReadCase{"largest double digits", u"1,7976931348623157E308", kLargest}),
    [](const auto& info) { return Slug(info.param.name); });

struct RejectCase {
  const char* name;
  std::u16string text;
  bool overflow;  // OverflowError rather than ConversionError
  friend void PrintTo(const RejectCase& row, std::ostream* out) { *out << row.name; }
};

class TextToNumberRejectTest : public ::testing::TestWithParam<RejectCase> {};

TEST_P(TextToNumberRejectTest, FailsWithTheDeclaredErrorCarryingTheText) {
  const ValueText value_text = CommaValueText();
  try {
    value_text.TextToNumber(GetParam().text);
    FAIL() << "read a number from [" << Utf8(GetParam().text) << "]";
  } catch (const OverflowError& error) {
    EXPECT_TRUE(GetParam().overflow) << "overflow instead of conversion error";
    EXPECT_EQ(error.text(), GetParam().text);
  } catch (const ConversionError& error) {
    EXPECT_FALSE(GetParam().overflow) << "conversion error instead of overflow";
    EXPECT_EQ(error.text(), GetParam().text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextToNumberRejectTest,
    ::testing::Values(
        RejectCase{"empty", u"", false}, RejectCase{"only blanks", u"   ", false},
        RejectCase{"letters", u"abc", false}, RejectCase{"point in a comma locale", u"2.65", false},
        RejectCase{"grouping blank", u"1 000", false},
        RejectCase{"grouping point", u"1.000,5", false},
        RejectCase{"no break space grouping", u"1\u00A0000", false},
        RejectCase{"two separators", u"1,2,3", false}, RejectCase{"trailing sign", u"2,65-", false},
        RejectCase{"parentheses", u"(5)", false}, RejectCase{"currency after", u"5 Kč", false},
        RejectCase{"currency before", u"Kč5", false}, RejectCase{"hex prefix", u"0x1A", false},
        RejectCase{"basic hex prefix", u"&H1A", false},
        RejectCase{"basic octal prefix", u"&O17", false},
        RejectCase{"exponent without mantissa", u"E5", false},
        RejectCase{"separator alone", u",", false}, RejectCase{"sign alone", u"-", false},
        RejectCase{"exponent without digits", u"1E", false},
        RejectCase{"exponent sign without digits", u"1E+", false},
        RejectCase{"fractional exponent", u"1E5,5", false}, RejectCase{"two signs", u"+-1", false},
        RejectCase{"tab before", u"\t5", false},
        RejectCase{"no break space after", u"5\u00A0", false},
        RejectCase{"arabic indic digit", u"\u0663", false},
        RejectCase{"blank inside", u"1 2", false}, RejectCase{"infinity", u"inf", false},
        RejectCase{"infinity word", u"Infinity", false}, RejectCase{"nan", u"nan", false},
        RejectCase{"beyond double range", u"1E400", true},
        RejectCase{"negative beyond range", u"-1E400", true},
        RejectCase{"just above largest written", u"1,79769313486233E+308", true},
        RejectCase{"first power of ten above the range", u"1E+309", true},
        RejectCase{"huge exponent", u"1E99999999999999999999", true}),
    [](const auto& info) { return Slug(info.param.name); });

TEST(TextToNumberLocaleTest, PointLocaleRejectsTheCommaPrice) {
  const ValueText point = CommaValueText(u".");
  EXPECT_THROW(point.TextToNumber(u"2,65"), ConversionError);
  EXPECT_EQ(point.TextToNumber(u"2.65"), 2.65);
}

TEST(TextToNumberLocaleTest, BothErrorsShareOneBase) {
  const ValueText value_text = CommaValueText();
  EXPECT_THROW(value_text.TextToNumber(u"x"), ValueTextError);
  EXPECT_THROW(value_text.TextToNumber(u"1E999"), ValueTextError);
}

// ---- Round trip ----

// What a text reads as: the 15-digit decimal value, correctly rounded to a double.
double FifteenDigitValue(double value) {
  char buffer[40];
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  double read = 0;
  const auto parsed = std::from_chars(buffer, written.ptr, read);
  if (parsed.ec != std::errc()) return std::copysign(kLargest, value);  // above the largest double
  return read;
}

void ExpectRoundTrip(const ValueText& value_text, double value) {
  const std::u16string text = value_text.NumberToText(value);
  double read = 0;
  ASSERT_NO_THROW(read = value_text.TextToNumber(text)) << Utf8(text);
  EXPECT_EQ(read, value == 0 ? 0 : FifteenDigitValue(value)) << Utf8(text);
  EXPECT_EQ(value_text.NumberToText(read), text) << Utf8(text);
}

TEST(RoundTripTest, EveryWrittenTextReadsBack) {
  const ValueText comma = CommaValueText();
  const ValueText point = CommaValueText(u".");
  for (double value : {0.0, 1.0, -1.0, 0.1, 1e-5, 9.99999999999999e-5, 1e15, 1e22, kLargest,
                       -kLargest, kSmallestSubnormal, std::numeric_limits<double>::min()}) {
    ExpectRoundTrip(comma, value);
    ExpectRoundTrip(point, value);
  }
  std::mt19937_64 random(20261207);
  std::uniform_real_distribution<double> everyday(-1e6, 1e6);
  for (int i = 0; i < 100000; ++i) {
    double any = std::bit_cast<double>(random());  // every exponent, subnormals included
    if (!std::isfinite(any)) any = everyday(random);
    ExpectRoundTrip(comma, any);
    ExpectRoundTrip(comma, everyday(random));
    if (::testing::Test::HasFailure()) return;
  }
}

// ---- IntegerToText, RoundHalfEven, CompareBinary, TimeOfDayText ----

TEST(IntegerToTextTest, WritesPlainDigits) {
  EXPECT_EQ(ValueText::IntegerToText(350), u"350");
  EXPECT_EQ(ValueText::IntegerToText(6), u"6");
  EXPECT_EQ(ValueText::IntegerToText(0), u"0");
  EXPECT_EQ(ValueText::IntegerToText(-32768), u"-32768");
  EXPECT_EQ(ValueText::IntegerToText(32767), u"32767");
}

struct RoundCase {
  const char* name;
  double value;
  int decimals;
  double expected;
  friend void PrintTo(const RoundCase& row, std::ostream* out) { *out << row.name; }
};

class RoundHalfEvenTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundHalfEvenTest, RoundsTheDoubleProduct) {
  EXPECT_EQ(ValueText::RoundHalfEven(GetParam().value, GetParam().decimals), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundHalfEvenTest,
    ::testing::Values(RoundCase{"current to cents", 0.91304347826087, 2, 0.91},
                      RoundCase{"exact half down to even", 0.125, 2, 0.12},
                      RoundCase{"exact half up to even", 0.375, 2, 0.38},
                      RoundCase{"whole half down", 2.5, 0, 2},
                      RoundCase{"whole half up", 3.5, 0, 4},
                      RoundCase{"negative half to even", -2.5, 0, -2},
                      RoundCase{"below half", 0.4999999, 0, 0},
                      RoundCase{"one tick of energy", 5.83333333333333e-05, 6, 0.000058},
                      RoundCase{"product beyond range keeps the value", 1e305, 6, 1e305}),
    [](const auto& info) { return Slug(info.param.name); });

struct CompareCase {
  const char* name;
  std::u16string a;
  std::u16string b;
  int expected;
  friend void PrintTo(const CompareCase& row, std::ostream* out) { *out << row.name; }
};

class CompareBinaryTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareBinaryTest, OrdersByCodeUnits) {
  EXPECT_EQ(ValueText::CompareBinary(GetParam().a, GetParam().b), GetParam().expected);
  EXPECT_EQ(ValueText::CompareBinary(GetParam().b, GetParam().a), -GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CompareBinaryTest,
    ::testing::Values(CompareCase{"seven after six", u"7", u"6", 1},
                      CompareCase{"sixty after six", u"60", u"6", 1},
                      CompareCase{"letters after six", u"abc", u"6", 1},
                      CompareCase{"capital after six", u"A", u"6", 1},
                      CompareCase{"ten before six", u"10", u"6", -1},
                      CompareCase{"blank before digits", u" 7", u"6", -1},
                      CompareCase{"empty before six", u"", u"6", -1},
                      CompareCase{"equal", u"6", u"6", 0}, CompareCase{"both empty", u"", u"", 0},
                      CompareCase{"no case folding", u"a", u"B", 1},
                      CompareCase{"czech letter after ascii", u"č", u"z", 1},
                      CompareCase{"astral before private use", u"\U0001F600", u"\uE000", -1},
                      CompareCase{"astral before last bmp unit", u"\U0001F600", u"\uFFFF", -1},
                      CompareCase{"astral after below surrogates", u"\U0001F600", u"\uD7FF", 1}),
    [](const auto& info) { return Slug(info.param.name); });

TEST(LocalClockTest, ReadsTheLocalTimeOfDay) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::time_t before = std::time(nullptr);
    const TimeOfDay clock = LocalClock();
    if (std::time(nullptr) != before) continue;  // a second passed meanwhile: read again
    const std::tm local = *std::localtime(&before);
    EXPECT_EQ(clock.hour, local.tm_hour);
    EXPECT_EQ(clock.minute, local.tm_min);
    EXPECT_EQ(clock.second, local.tm_sec);
    return;
  }
  FAIL() << "the clock never held still for a second";
}

TEST(TimeOfDayTextTest, FormatsTheInjectedClockWithTheLocale) {
  EXPECT_EQ(CommaValueText().TimeOfDayText(), u"14:05:33");
}

}  // namespace
}  // namespace voltarik::testing
