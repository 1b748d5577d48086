// voltarik-news: the news transfer in a process of its own, started by the window's process with
// the document's address and the fetch's time limit, and the write end of a pipe as its standard
// output. It enters its sandbox, fetches, writes one frame with the outcome and ends. It is an
// internal part of Voltarik, not a program to run by hand.
#include <curl/curl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "news/helper/curl_http_get.h"
#include "news/news_frame.h"
#include "news/helper/news_sandbox.h"

namespace {

// The time limit in milliseconds: 1 to the fetch's own limit.
std::optional<std::chrono::milliseconds> ParseTimeout(std::string_view text) {
  int milliseconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), milliseconds);
  if (error != std::errc() || end != text.data() + text.size() || milliseconds < 1 ||
      milliseconds > voltarik::kNewsTimeout.count()) {
    return std::nullopt;
  }
  return std::chrono::milliseconds(milliseconds);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::optional<voltarik::HttpDocument> document;
  const std::optional<std::chrono::milliseconds> timeout =
      argc == 3 ? ParseTimeout(argv[2]) : std::nullopt;
  // libcurl sets itself up, TLS libraries included, while the process may still read their
  // configuration; from the sandbox on, nothing it does not need for plain HTTP is possible.
  if (timeout && curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK &&
      voltarik::EnterNewsSandbox()) {
    document = voltarik::CurlHttpGet(argv[1], voltarik::HttpLimits{.timeout = *timeout});
  }
  const bool written = WriteAll(STDOUT_FILENO, voltarik::EncodeNewsFrame(document));
  // At once: a name lookup still running is abandoned, not waited for, and nothing of libcurl's
  // or OpenSSL's clean-up runs inside the filter.
  std::_Exit(written ? EXIT_SUCCESS : EXIT_FAILURE);
}
