#include "news/helper/connect_ports.h"

#include <curl/curl.h>

#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include "news/helper/curl_http_get.h"

namespace voltarik {
namespace {

constexpr std::uint16_t kHttpPort = 80;
constexpr std::uint16_t kHttpsPort = 443;
constexpr std::uint16_t kNameLookupPort = 53;

struct UrlCleanup {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct TextFree {
  void operator()(char* text) const { curl_free(text); }
};

// libcurl's variables for an HTTP or HTTPS transfer; no_proxy only narrows them.
constexpr const char* kProxyVariables[] = {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                           "ALL_PROXY"};

// The port libcurl connects to for `url`, parsed as libcurl parses it; `default_port` when the
// text names none.
std::optional<std::uint16_t> PortOf(const std::string& url,
                                    std::uint16_t (*default_port)(std::string_view scheme)) {
  const std::unique_ptr<CURLU, UrlCleanup> parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
                     CURLUE_OK) {
    return std::nullopt;
  }
  char* text = nullptr;
  if (curl_url_get(parsed.get(), CURLUPART_PORT, &text, 0) == CURLUE_OK) {
    const std::unique_ptr<char, TextFree> port(text);
    return static_cast<std::uint16_t>(std::stoul(port.get()));
  }
  if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &text, 0) != CURLUE_OK) return std::nullopt;
  const std::unique_ptr<char, TextFree> scheme(text);
  return default_port(scheme.get());
}

// An address without a port is reached on 80 or 443, which are on the list anyway.
std::uint16_t AddressDefaultPort(std::string_view /*scheme*/) { return kHttpPort; }

std::uint16_t ProxyDefaultPort(std::string_view scheme) {
  return scheme == "https" ? kHttpsPort : std::uint16_t{1080};
}

}  // namespace

std::vector<std::uint16_t> NewsConnectPorts(const std::string& address,
                                            const EnvironmentLookup& environment) {
  std::set<std::uint16_t> ports = {kNameLookupPort, kHttpPort, kHttpsPort};
  if (const auto port = PortOf(NewsUrl(address), AddressDefaultPort)) ports.insert(*port);
  for (const char* name : kProxyVariables) {
    const char* proxy = environment(name);
    if (proxy == nullptr || *proxy == '\0') continue;
    // libcurl takes a proxy written without a scheme as an HTTP proxy.
    const std::string_view text(proxy);
    const std::string url = text.find("://") == std::string_view::npos
                                ? "http://" + std::string(text)
                                : std::string(text);
    if (const auto port = PortOf(url, ProxyDefaultPort)) ports.insert(*port);
  }
  return {ports.begin(), ports.end()};
}

}  // namespace voltarik
