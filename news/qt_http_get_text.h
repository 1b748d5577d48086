#ifndef VOLTARIK_NEWS_QT_HTTP_GET_TEXT_H_
#define VOLTARIK_NEWS_QT_HTTP_GET_TEXT_H_

#include <QString>
#include <QtGlobal>
#include <chrono>
#include <optional>

namespace voltarik {

struct HttpLimits {
  // The whole fetch: name lookup, connection and transfer.
  std::chrono::milliseconds timeout{3000};
  // A larger body is abandoned: the program shows a short note, not whatever a server sends.
  qint64 max_body_bytes = qint64{1024} * 1024;
  int max_redirects = 3;
};

// One synchronous HTTP GET of `address` (a host, or host:port, and a path, without a scheme),
// decoded to text. Fails on a network error, an HTTP error status, a redirect away from plain
// HTTP, a body over the limit or the time running out. Runs a local event loop that takes no user
// input, so the caller's own timers may fire meanwhile.
std::optional<QString> QtHttpGetText(const QString& address, const HttpLimits& limits = {});

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_QT_HTTP_GET_TEXT_H_
