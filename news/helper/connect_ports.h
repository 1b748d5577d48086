// The TCP ports a news fetch may connect to, so that the sandbox can refuse every other one: a
// helper taken over by a hostile server then cannot reach a print server, a development server or
// a router's admin page on the user's network.
#ifndef VOLTARIK_NEWS_HELPER_CONNECT_PORTS_H_
#define VOLTARIK_NEWS_HELPER_CONNECT_PORTS_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace voltarik {

// Looks a variable of the environment up: its value, or nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// The ports of `address` (as CurlHttpGet takes it; without a port, 443 for an https:// address and
// 80 for any other), of redirects (80 and 443), of name lookup over TCP (53) and of every proxy the
// environment names for libcurl (the proxy's port; 443 for an https:// proxy and 1080 for any
// other without one), sorted and each once. A proxy libcurl could not parse is left out: it is
// never used.
std::vector<std::uint16_t> NewsConnectPorts(const std::string& address,
                                            const EnvironmentLookup& environment);

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_CONNECT_PORTS_H_
