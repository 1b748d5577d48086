// The news transfer itself, over libcurl. It runs only inside the sandboxed helper process, never
// in the window's process, and works in bytes: decoding the text is the window's business.
#ifndef VOLTARIK_NEWS_HELPER_CURL_HTTP_GET_H_
#define VOLTARIK_NEWS_HELPER_CURL_HTTP_GET_H_

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "news/helper/trust_store.h"
#include "news/http_document.h"

namespace voltarik {

struct HttpLimits {
  // The whole fetch, counted from the call: name lookup, connections, headers and bodies of every
  // hop.
  std::chrono::milliseconds timeout = kNewsTimeout;
  // A longer body (after decompression) is abandoned: the box shows a short note, not whatever a
  // server sends.
  std::int64_t max_body_bytes = kMaxNewsBodyBytes;
  // The response headers of every hop together.
  std::int64_t max_header_bytes = std::int64_t{64} * 1024;
  int max_redirects = 3;
};

// The charset parameter of a Content-Type value, unquoted; empty when there is none, or when it
// is no charset name at all (too long, or with characters no name has).
std::string ContentTypeCharset(std::string_view content_type);

// The URL of `address`: an address that begins with "https://" as it is, any other (a host, or
// host:port, and a path) over plain HTTP.
std::string NewsUrl(const std::string& address);

// One synchronous GET of NewsUrl(`address`). Everything happens in the calling thread and every
// limit is enforced here. When it returns the connection is closed, except after a fetch that ran
// to its deadline: its connection and any name lookup still running are then left to the end of
// the process, which must follow at once.
// Succeeds only with a complete 2xx body (204 gives an empty one); follows up to `max_redirects`
// redirects, each target requested once: from HTTP to HTTP or HTTPS, and from HTTPS only to
// HTTPS. An HTTPS server, and an https:// proxy, must show a certificate that `trust_store` vouches
// for, for the host asked for, over TLS 1.2 or later.
std::optional<HttpDocument> CurlHttpGet(const std::string& address, const TrustStore& trust_store,
                                        const HttpLimits& limits = {});

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_CURL_HTTP_GET_H_
