// Where an HTTPS hop finds the authorities it trusts, as OpenSSL finds them, and what must be done
// for TLS before the helper enters its sandbox.
#ifndef VOLTARIK_NEWS_HELPER_TRUST_STORE_H_
#define VOLTARIK_NEWS_HELPER_TRUST_STORE_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace voltarik {

// Looks a variable of the environment up: its value, or nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// A bundle larger than this is not read: every certificate in it is parsed for each TLS
// connection, inside the fetch's deadline. Debian's whole bundle is about a twentieth of it.
constexpr std::int64_t kMaxTrustStoreBytes = std::int64_t{4} * 1024 * 1024;

struct TrustStore {
  // The certificates of the file SSL_CERT_FILE names (a company's own authority, say), read while
  // the helper may still read the user's files; empty when it names none, or nothing readable.
  std::string bundle;
  // Hashed certificate folders, ':' between them, as CURLOPT_CAPATH and OpenSSL take them:
  // SSL_CERT_DIR's, or else OpenSSL's own (Debian's /etc/ssl/certs). OpenSSL reads a certificate
  // from them by its subject's hash when a chain names it, so they are read inside the sandbox.
  std::string folders;
  // One certificate of the folders, by its hashed name; empty when they hold none. libcurl 8.22
  // and later put their built-in bundle back when they are given none, and OpenSSL would parse
  // every certificate of it for each connection: named in its place, a certificate the folders
  // hold anyway changes nothing of what is trusted.
  std::string folder_certificate;
};

// The file at `path` read whole, when it is a regular file of at most kMaxTrustStoreBytes.
// Anything else (a FIFO, a device) could hold the helper up or never end.
std::optional<std::string> ReadBundle(const std::string& path);

// Everything an HTTPS hop needs from outside the sandbox, in a process that has set libcurl up:
// the trust store the environment points to, OpenSSL's random generators of this thread seeded
// from the kernel, and the time zone loaded. Nothing when the generators cannot be seeded.
std::optional<TrustStore> PrepareTls(const EnvironmentLookup& environment);

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_TRUST_STORE_H_
