// The confinement the news helper enters before it reads a byte from the network. What reaches
// the helper from a server can then at most spoil its own answer: it cannot start a program,
// trace or signal another process, change another's limits, write or create a file, read more
// than name lookup and certificate verification read, reach a local socket, or connect to a TCP
// port a fetch never needs. news_sandbox.cpp states all it may do, layer by layer; landlock.cpp and
// file_view.cpp carry out the file layer, where the kernel offers Landlock and where it does not.
#ifndef VOLTARIK_NEWS_HELPER_NEWS_SANDBOX_H_
#define VOLTARIK_NEWS_HELPER_NEWS_SANDBOX_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "news/helper/trust_store.h"

namespace voltarik {

// The ports a fetch of `address` (as CurlHttpGet takes it; without a port, 443 for an https://
// address and 80 for any other) may connect to: the address's, those of redirects (80 and 443), of
// name lookup over TCP (53) and of every proxy the environment names for libcurl (the proxy's
// port; 443 for an https:// proxy and 1080 for any other without one), sorted and each once. A
// proxy libcurl could not parse is left out: it is never used.
std::vector<std::uint16_t> NewsConnectPorts(const std::string& address,
                                            const EnvironmentLookup& environment);

// Confines the calling process for good, as news_sandbox.cpp states: TCP connections only to
// `connect_ports` where Landlock offers network rules; files read only of name lookup, the
// library folders and the hashed certificate folders in `certificate_folders` (':' between them,
// as TrustStore::folders has them). Call it before any thread starts: the filter binds the calling
// thread and those it starts later. False when any layer could not be put in place; the process
// must then not go on to the network.
bool EnterNewsSandbox(std::span<const std::uint16_t> connect_ports,
                      const std::string& certificate_folders);

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_NEWS_SANDBOX_H_
