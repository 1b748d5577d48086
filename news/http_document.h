// What the news transfer hands back, and the limits both sides of the helper's pipe hold to.
#ifndef VOLTARIK_NEWS_HTTP_DOCUMENT_H_
#define VOLTARIK_NEWS_HTTP_DOCUMENT_H_

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace voltarik {

// The whole fetch, from the helper's start to its answer.
inline constexpr std::chrono::milliseconds kNewsTimeout{3000};
// The body after decompression.
inline constexpr std::size_t kMaxNewsBodyBytes = std::size_t{1024} * 1024;
// IANA's longest charset names have 40 characters.
inline constexpr std::size_t kMaxCharsetLength = 40;

struct HttpDocument {
  std::string body;
  // The Content-Type's charset, as the decoding needs it; empty when none was named.
  std::string charset;
  friend bool operator==(const HttpDocument&, const HttpDocument&) = default;
};

// Whether `name` can be a charset's name: 1 to kMaxCharsetLength characters of those RFC 2978
// allows.
inline bool IsCharsetName(std::string_view name) {
  constexpr std::string_view kPunctuation = "!#$%&'+-^_`{}~";
  if (name.empty() || name.size() > kMaxCharsetLength) return false;
  for (const char c : name) {
    const bool alphanumeric =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alphanumeric && kPunctuation.find(c) == std::string_view::npos) return false;
  }
  return true;
}

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HTTP_DOCUMENT_H_
