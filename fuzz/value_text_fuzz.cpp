// Any bytes as a typed number. Whatever reads must write back through NumberToText and read again
// to the same double; nothing but the two declared errors may escape.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/value_text.h"

namespace {

// The separators of the locales a user may run under, a two-unit one among them.
constexpr std::array<const char16_t*, 4> kSeparators{u",", u".", u"\u066B", u", "};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const voltarik::ValueText value_text(
      voltarik::Locale{kSeparators[data[0] % kSeparators.size()],
                       [](voltarik::TimeOfDay) { return std::u16string(); }});
  // Every other byte is one UTF-16 unit: the ASCII grammar, the no-break space and other
  // Latin-1 letters; pairs introduced by 0xFF reach any unit, surrogates included.
  std::u16string text;
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0xFF && i + 2 < size) {
      text.push_back(static_cast<char16_t>(data[i + 1] << 8 | data[i + 2]));
      i += 2;
    } else {
      text.push_back(data[i]);
    }
  }

  double value = 0;
  try {
    value = value_text.TextToNumber(text);
  } catch (const voltarik::ConversionError&) {
    return 0;
  } catch (const voltarik::OverflowError&) {
    return 0;
  }
  if (!std::isfinite(value)) std::abort();

  const std::u16string written = value_text.NumberToText(value);
  const double read_back = value_text.TextToNumber(written);  // must not throw
  if (value_text.NumberToText(read_back) != written) std::abort();
  if (value_text.TextToNumber(value_text.NumberToText(read_back)) != read_back) std::abort();
  return 0;
}
