// voltarik-news: the news transfer in a process of its own, started by the window's process with
// the document's address, the fetch's time limit and the window's process ID, and the write end of
// a pipe as its standard output. It enters its sandbox, fetches, writes one frame with the outcome
// and ends. It is an internal part of Voltarik, not a program to run by hand.
#include <curl/curl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "news/helper/curl_http_get.h"
#include "news/helper/news_sandbox.h"
#include "news/helper/trust_store.h"
#include "news/news_frame.h"

namespace {

// A whole decimal number from `minimum` to `maximum`.
std::optional<long> ParseNumber(std::string_view text, long minimum, long maximum) {
  long number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < minimum ||
      number > maximum) {
    return std::nullopt;
  }
  return number;
}

// Dies with the thread that started it, also when the window's process is killed, and ends at
// once if that already happened before it could ask: its parent is then another process.
bool DieWithParent(const char* parent) {
  const std::optional<long> pid = ParseNumber(parent, 1, std::numeric_limits<pid_t>::max());
  return prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 && pid && getppid() == *pid;
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
  if (argc != 4 || !DieWithParent(argv[3])) std::_Exit(EXIT_FAILURE);
  std::optional<voltarik::HttpDocument> document;
  const std::optional<long> timeout = ParseNumber(argv[2], 1, voltarik::kNewsTimeout.count());
  // libcurl sets itself up, OpenSSL included, and the trust store is read and the random
  // generator seeded, while the process may still read files; from the sandbox on, nothing the
  // transfer does not need is possible.
  if (timeout && curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {
    const std::optional<voltarik::TrustStore> trust_store = voltarik::PrepareTls(std::getenv);
    if (trust_store && voltarik::EnterNewsSandbox(voltarik::NewsConnectPorts(argv[1], std::getenv),
                                                  trust_store->folders)) {
      document = voltarik::CurlHttpGet(
          argv[1], *trust_store,
          voltarik::HttpLimits{.timeout = std::chrono::milliseconds(*timeout)});
    }
  }
  const bool written = WriteAll(STDOUT_FILENO, voltarik::EncodeNewsFrame(document));
  // At once: a name lookup still running is abandoned, not waited for, and nothing of libcurl's
  // or OpenSSL's clean-up runs inside the filter.
  std::_Exit(written ? EXIT_SUCCESS : EXIT_FAILURE);
}
