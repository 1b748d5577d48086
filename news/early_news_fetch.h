#ifndef VOLTARIK_NEWS_EARLY_NEWS_FETCH_H_
#define VOLTARIK_NEWS_EARLY_NEWS_FETCH_H_

#include <QString>
#include <chrono>
#include <optional>
#include <string>

#include "news/http_document.h"
#include "news/news_helper_process.h"

namespace voltarik {

// An HttpGetText through the news helper at `helper_path`: the helper fetches, this process
// decodes the bytes it hands back.
std::optional<QString> HelperHttpGetText(const std::string& helper_path, const QString& address,
                                         std::chrono::milliseconds timeout = kNewsTimeout);

// Starts the news helper at once, so that waiting for the network overlaps with building the
// window; the window's start-up takes the result when it needs it, and the window is still shown
// only after the fetch has ended. The helper is gone once the result is taken, or when this
// object goes.
class EarlyNewsFetch {
 public:
  EarlyNewsFetch(QString address, std::string helper_path);

  // An HttpGetText: for the address started early, the first call waits for that transfer and
  // hands over its result; any other call fetches by itself.
  std::optional<QString> Take(const QString& address);

 private:
  QString address_;
  std::string helper_path_;
  std::optional<NewsHelperProcess> helper_;
};

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_EARLY_NEWS_FETCH_H_
