#include "news/helper/curl_http_get.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>
#include <tuple>
#include <utility>

namespace voltarik {
namespace {

using Clock = std::chrono::steady_clock;

struct EasyCleanup {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiCleanup {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;
using MultiHandle = std::unique_ptr<CURLM, MultiCleanup>;

// Lets go of both handles, uncleaned, when it goes out of scope past the deadline.
class LeftPastDeadline {
 public:
  LeftPastDeadline(EasyHandle& easy, MultiHandle& multi, Clock::time_point deadline)
      : easy_(easy), multi_(multi), deadline_(deadline) {}
  LeftPastDeadline(const LeftPastDeadline&) = delete;
  LeftPastDeadline& operator=(const LeftPastDeadline&) = delete;
  ~LeftPastDeadline() {
    if (Clock::now() < deadline_) return;
    std::ignore = easy_.release();
    std::ignore = multi_.release();
  }

 private:
  EasyHandle& easy_;
  MultiHandle& multi_;
  Clock::time_point deadline_;
};

// What the fetch has received, checked against the limits as the bytes arrive: a body without a
// declared length, a chunked one or a decompressed one is only known as it comes.
struct Received {
  const HttpLimits& limits;
  std::int64_t header_bytes;  // over every hop
  std::string body;           // of the present hop
};

// libcurl passes `size` as 1; returning CURL_WRITEFUNC_ERROR ends the transfer.
size_t OnHeader(char* /*data*/, size_t /*size*/, size_t bytes, void* user) {
  auto& received = *static_cast<Received*>(user);
  received.header_bytes += static_cast<std::int64_t>(bytes);
  return received.header_bytes > received.limits.max_header_bytes ? CURL_WRITEFUNC_ERROR : bytes;
}

size_t OnBody(char* data, size_t /*size*/, size_t bytes, void* user) {
  auto& received = *static_cast<Received*>(user);
  if (std::cmp_greater(received.body.size() + bytes, received.limits.max_body_bytes)) {
    return CURL_WRITEFUNC_ERROR;
  }
  received.body.append(data, bytes);
  return bytes;
}

// Runs one request until it ends or the deadline passes; true only for a transfer that libcurl
// completed without error. libcurl's own time-outs count per transfer, so the multi interface
// drives it here against the one deadline of the whole fetch.
bool Perform(CURLM* multi, CURL* easy, Clock::time_point deadline) {
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return false;
  bool completed = false;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) break;
    if (running == 0) {
      int queued = 0;
      const CURLMsg* message = curl_multi_info_read(multi, &queued);
      completed = message != nullptr && message->data.result == CURLE_OK;
      break;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    if (curl_multi_poll(multi, nullptr, 0, static_cast<int>(left.count()), nullptr) != CURLM_OK) {
      break;
    }
  }
  curl_multi_remove_handle(multi, easy);
  return completed;
}

// Servers and https:// proxies are verified against the trust store and only against it: the
// bundle from memory, the folders through OpenSSL's lookup by subject hash. libcurl's own default
// bundle is let go, whose every certificate OpenSSL would parse for each connection; a bundle in
// memory takes the place of the file libcurl is given.
bool SetTlsOptions(CURL* easy, const TrustStore& trust_store) {
  const char* file =
      trust_store.folder_certificate.empty() ? nullptr : trust_store.folder_certificate.c_str();
  bool ok = curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_SSLVERSION, CURL_SSLVERSION_TLSv1_2) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_PROXY_SSLVERSION, CURL_SSLVERSION_TLSv1_2) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_CAINFO, file) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_PROXY_CAINFO, file) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_CAPATH, trust_store.folders.c_str()) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_PROXY_CAPATH, trust_store.folders.c_str()) == CURLE_OK;
  if (ok && !trust_store.bundle.empty()) {
    curl_blob bundle{const_cast<char*>(trust_store.bundle.data()), trust_store.bundle.size(),
                     CURL_BLOB_COPY};
    ok = curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &bundle) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_PROXY_CAINFO_BLOB, &bundle) == CURLE_OK;
  }
  return ok;
}

bool SetOptions(CURL* easy, Received& received, const TrustStore& trust_store) {
  const bool ok =
      curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
      // One document, one request: HTTP/2's machinery would only widen what a server can reach.
      curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1) == CURLE_OK &&
      curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "gzip, deflate") == CURLE_OK &&
      curl_easy_setopt(easy, CURLOPT_USERAGENT, "Voltarik/" VOLTARIK_VERSION) == CURLE_OK &&
      // A declared length over the limit ends the transfer before the body comes.
      curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                       static_cast<curl_off_t>(received.limits.max_body_bytes)) == CURLE_OK &&
      curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader) == CURLE_OK &&
      curl_easy_setopt(easy, CURLOPT_HEADERDATA, &received) == CURLE_OK &&
      curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody) == CURLE_OK &&
      curl_easy_setopt(easy, CURLOPT_WRITEDATA, &received) == CURLE_OK &&
      SetTlsOptions(easy, trust_store);
  // A name lookup still running at the deadline is left to end by itself: cleaning up would
  // otherwise wait for it, past the bound.
  curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
  return ok;
}

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

bool IsHttps(std::string_view url) {
  constexpr std::string_view kScheme = "https://";
  return url.size() >= kScheme.size() && EqualsIgnoringCase(url.substr(0, kScheme.size()), kScheme);
}

}  // namespace

std::string NewsUrl(const std::string& address) {
  return IsHttps(address) ? address : "http://" + address;
}

std::string ContentTypeCharset(std::string_view content_type) {
  // The media type comes first; the parameters follow, each after a semicolon.
  std::size_t end = content_type.find(';');
  while (end != std::string_view::npos) {
    const std::size_t start = end + 1;
    end = content_type.find(';', start);
    const std::string_view parameter = content_type.substr(start, end - start);
    const std::size_t equals = parameter.find('=');
    if (equals == std::string_view::npos ||
        !EqualsIgnoringCase(Trimmed(parameter.substr(0, equals)), "charset")) {
      continue;
    }
    std::string_view value = Trimmed(parameter.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (value.empty()) continue;
    return IsCharsetName(value) ? std::string(value) : std::string();
  }
  return {};
}

std::optional<HttpDocument> CurlHttpGet(const std::string& address, const TrustStore& trust_store,
                                        const HttpLimits& limits) {
  const Clock::time_point deadline = Clock::now() + limits.timeout;
  // The first easy handle sets libcurl up for the process. The multi handle keeps the
  // connections; cleaning it up on return closes them.
  EasyHandle easy(curl_easy_init());
  MultiHandle multi(curl_multi_init());
  // A name lookup still running at the deadline would hold their clean-up until it ends:
  // libcurl 8.22 and later wait for their resolver threads whatever CURLOPT_QUICK_EXIT says.
  // Past the deadline they are left to the end of the process, which follows at once.
  const LeftPastDeadline leave_past_deadline(easy, multi, deadline);
  Received received{limits, 0, {}};
  if (!multi || !easy || !SetOptions(easy.get(), received, trust_store)) {
    return std::nullopt;
  }

  // Redirects are followed here, not by libcurl, so that every hop gets only the time left and
  // each target is asked for once. Once a hop is HTTPS, libcurl is let speak nothing else.
  std::string url = NewsUrl(address);
  bool https_only = false;
  std::set<std::string> requested;
  for (int hop = 0;; ++hop) {
    https_only = https_only || IsHttps(url);
    if (!requested.insert(url).second) return std::nullopt;
    received.body.clear();
    if (curl_easy_setopt(easy.get(), CURLOPT_PROTOCOLS_STR, https_only ? "https" : "http,https") !=
            CURLE_OK ||
        curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str()) != CURLE_OK ||
        !Perform(multi.get(), easy.get(), deadline)) {
      return std::nullopt;
    }
    long status = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status >= 200 && status <= 299) {
      const char* content_type = nullptr;
      curl_easy_getinfo(easy.get(), CURLINFO_CONTENT_TYPE, &content_type);
      return HttpDocument{std::move(received.body), content_type == nullptr
                                                        ? std::string()
                                                        : ContentTypeCharset(content_type)};
    }
    // Only a 3xx response with a Location is a redirect (libcurl 8.22 and later also name the
    // target of any other status that carries one); anything else that is not 2xx is a failure.
    const char* location = nullptr;
    curl_easy_getinfo(easy.get(), CURLINFO_REDIRECT_URL, &location);
    if (status < 300 || status > 399 || location == nullptr || hop == limits.max_redirects) {
      return std::nullopt;
    }
    url = location;
  }
}

}  // namespace voltarik
