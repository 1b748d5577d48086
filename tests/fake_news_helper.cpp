// Stands in for the news helper in the tests of the window's side: the address it is given names
// how it misbehaves.
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "news/news_frame.h"

namespace {

void Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (written <= 0) std::_Exit(EXIT_FAILURE);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 4) return EXIT_FAILURE;
  const std::string_view how = argv[1];
  const std::string document =
      voltarik::EncodeNewsFrame(voltarik::HttpDocument{"Verze 2", "windows-1250"});
  if (how == "document") {
    Write(document);
  } else if (how == "garbage") {
    Write("HTTP/1.1 200 OK\r\n\r\nVerze 2");
  } else if (how == "truncated") {
    Write(document.substr(0, document.size() - 1));
  } else if (how == "trailing byte") {
    Write(document + "x");
  } else if (how == "oversized") {
    const std::string huge(voltarik::kMaxNewsFrameBytes, 'x');
    for (int i = 0; i < 4; ++i) Write(huge);
  } else if (how == "silent") {
    pause();
  } else if (how == "closes and stays") {
    Write(document);
    close(STDOUT_FILENO);
    pause();
  } else if (how == "dies halfway") {
    Write(document.substr(0, 12));
    std::abort();
  }
  // "nothing": ends without a word.
  return EXIT_SUCCESS;
}
