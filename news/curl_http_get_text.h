#ifndef VOLTARIK_NEWS_CURL_HTTP_GET_TEXT_H_
#define VOLTARIK_NEWS_CURL_HTTP_GET_TEXT_H_

#include <QString>
#include <QtGlobal>
#include <chrono>
#include <optional>

namespace voltarik {

struct HttpLimits {
  // The whole fetch, counted from the call: name lookup, connections, headers and bodies of every
  // hop.
  std::chrono::milliseconds timeout{3000};
  // A longer body (after decompression) is abandoned: the box shows a short note, not whatever a
  // server sends.
  qint64 max_body_bytes = qint64{1024} * 1024;
  // The response headers of every hop together.
  qint64 max_header_bytes = qint64{64} * 1024;
  int max_redirects = 3;
};

// One synchronous HTTP GET of `address` (a host, or host:port, and a path, without a scheme) with
// libcurl, decoded to text. Everything happens in the calling thread and is over when it returns:
// every limit is enforced here, and the connection is closed. Succeeds only with a complete 2xx
// body (204 gives an empty text); follows up to `max_redirects` plain-HTTP redirects, each target
// requested once.
std::optional<QString> CurlHttpGetText(const QString& address, const HttpLimits& limits = {});

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_CURL_HTTP_GET_TEXT_H_
