// Helpers shared by the test suites: readable names for parameterised rows, UTF-8 copies of
// UTF-16 texts for failure messages, and the test process's children.
#ifndef VOLTARIK_TESTS_TEST_SUPPORT_H_
#define VOLTARIK_TESTS_TEST_SUPPORT_H_

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/value_text.h"

namespace voltarik::testing {

// A GoogleTest parameter name made of the letters and digits of a row's description.
inline std::string Slug(std::string_view description) {
  std::string slug;
  for (char c : description) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      slug.push_back(c);
    } else if (!slug.empty() && slug.back() != '_') {
      slug.push_back('_');
    }
  }
  while (!slug.empty() && slug.back() == '_') slug.pop_back();
  return slug;
}

inline std::string Utf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// The test process's children, zombies included: a helper left running or unreaped shows here.
inline int ChildProcessCount() {
  int children = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream list(task.path() / "children");
    for (int pid = 0; list >> pid;) ++children;
  }
  return children;
}

// A Czech locale with a clock held at 14:05:33.
inline ValueText CommaValueText(std::u16string separator = u",") {
  Locale locale{std::move(separator), [](const TimeOfDay& time) {
                  const auto two = [](int n) {
                    return std::u16string{static_cast<char16_t>(u'0' + n / 10),
                                          static_cast<char16_t>(u'0' + n % 10)};
                  };
                  return two(time.hour) + u":" + two(time.minute) + u":" + two(time.second);
                }};
  return ValueText(std::move(locale), [] { return TimeOfDay{14, 5, 33}; });
}

}  // namespace voltarik::testing

#endif  // VOLTARIK_TESTS_TEST_SUPPORT_H_
