// What an HTTPS hop needs from outside the sandbox, taken before the helper enters it: the
// certificate authorities it verifies servers against, and OpenSSL's random generator seeded.
// Inside the sandbox no trust store is readable and no new source of randomness is opened.
#ifndef VOLTARIK_NEWS_HELPER_TRUST_STORE_H_
#define VOLTARIK_NEWS_HELPER_TRUST_STORE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "news/helper/connect_ports.h"

namespace voltarik {

// A bundle larger than this is not read: every certificate in it is parsed on the first HTTPS
// hop, inside the fetch's deadline. Debian's bundle is about a twentieth of it.
constexpr std::int64_t kMaxTrustStoreBytes = std::int64_t{4} * 1024 * 1024;

// Where the system's libcurl and OpenSSL look for the bundle of trusted certificates, in their
// order: the file SSL_CERT_FILE names, alone when it is set, as OpenSSL takes it; otherwise
// libcurl's built-in bundle, OpenSSL's default file and the places other distributions keep it.
std::vector<std::string> TrustStorePlaces(const EnvironmentLookup& environment);

// The first of `places` that is a regular file of at most kMaxTrustStoreBytes, read whole; empty
// when none is, and then no HTTPS server can be verified.
std::string ReadTrustStore(const std::vector<std::string>& places);

// Everything an HTTPS hop needs from outside the sandbox, in a process that has set libcurl up:
// the trust store the environment points to, read, OpenSSL's random generators of this thread
// seeded from the kernel, and the time zone loaded. Nothing when the generators cannot be seeded.
std::optional<std::string> PrepareTls(const EnvironmentLookup& environment);

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_TRUST_STORE_H_
