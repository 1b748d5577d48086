#ifndef VOLTARIK_NEWS_EARLY_NEWS_FETCH_H_
#define VOLTARIK_NEWS_EARLY_NEWS_FETCH_H_

#include <QString>
#include <optional>
#include <thread>

#include "news/news_fetch.h"

namespace voltarik {

// Starts the news transfer at once on a thread of its own, so that waiting for the network
// overlaps with building the window; the window's start-up takes the result when it needs it, and
// the window is still shown only after the fetch has ended. The thread is over once the result
// is taken, or when this object goes.
class EarlyNewsFetch {
 public:
  EarlyNewsFetch(QString address, HttpGetText http_get_text);
  ~EarlyNewsFetch();
  EarlyNewsFetch(const EarlyNewsFetch&) = delete;
  EarlyNewsFetch& operator=(const EarlyNewsFetch&) = delete;

  // An HttpGetText: for the address started early, the first call waits for that transfer and
  // hands over its result; any other call fetches by itself.
  std::optional<QString> Take(const QString& address);

 private:
  QString address_;
  HttpGetText http_get_text_;
  std::optional<QString> result_;
  std::thread thread_;  // last: it starts when everything it touches is in place
};

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_EARLY_NEWS_FETCH_H_
