// The window's side of the news helper: it starts the sandboxed helper process that does the
// transfer, reads back its one frame and makes sure the helper is gone afterwards. Standard C++
// and POSIX only: no network library is loaded in the window's process.
#ifndef VOLTARIK_NEWS_NEWS_HELPER_PROCESS_H_
#define VOLTARIK_NEWS_NEWS_HELPER_PROCESS_H_

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>

#include "news/http_document.h"

namespace voltarik {

// Past the fetch's own limit, the time the helper may take to answer before it is killed.
inline constexpr std::chrono::milliseconds kHelperMargin{250};

// Where the helper is installed beside the program: found from the program's own executable,
// never through PATH. Empty when the program's location cannot be read.
std::string NewsHelperPath();

// One run of the helper. It starts at construction; the helper gets the address, the time
// limit, the pipe as its standard output, /dev/null for the rest, no other descriptor and, of the
// environment, only kHelperEnvironment; it is killed when the thread that started it ends.
class NewsHelperProcess {
 public:
  NewsHelperProcess(const std::string& helper_path, const std::string& address,
                    std::chrono::milliseconds timeout = kNewsTimeout);
  ~NewsHelperProcess();
  NewsHelperProcess(const NewsHelperProcess&) = delete;
  NewsHelperProcess& operator=(const NewsHelperProcess&) = delete;

  // Waits for the helper's frame until its time limit and the margin have passed since the
  // start (a short while at least, for a frame that waited in the pipe), then kills and reaps the
  // helper. The document, or nothing when the fetch failed or the answer was no well-formed
  // frame: garbage, too long, cut short or late. Answers once; later calls give nothing.
  std::optional<HttpDocument> TakeAnswer();

 private:
  void Stop();

  pid_t pid_ = -1;
  int pipe_ = -1;
  std::chrono::steady_clock::time_point deadline_;
};

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_NEWS_HELPER_PROCESS_H_
