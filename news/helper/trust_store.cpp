#include "news/helper/trust_store.h"

#include <curl/curl.h>
#include <openssl/rand.h>
#include <openssl/x509.h>

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

namespace voltarik {
namespace {

// Where distributions keep the bundle, as curl's build looks for it: Debian, Ubuntu and Arch;
// Fedora and RHEL; openSUSE; Alpine and the BSDs' ports.
constexpr std::array<const char*, 7> kDistributionBundles = {
    "/etc/ssl/certs/ca-certificates.crt",
    "/etc/pki/tls/certs/ca-bundle.crt",
    "/etc/pki/ca-trust/extracted/pem/tls-ca-bundle.pem",
    "/etc/ssl/ca-bundle.pem",
    "/etc/ssl/cert.pem",
    "/usr/share/ssl/certs/ca-bundle.crt",
    "/usr/local/share/certs/ca-root-nss.crt",
};

// The bundle libcurl was built to use; empty when it has none.
std::string LibcurlBundle() {
  const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(),
                                                                 curl_easy_cleanup);
  const char* path = nullptr;
  if (!easy || curl_easy_getinfo(easy.get(), CURLINFO_CAINFO, &path) != CURLE_OK ||
      path == nullptr) {
    return {};
  }
  return path;
}

// The file at `path` read whole, when it is a regular file of at most kMaxTrustStoreBytes. Anything
// else (a FIFO, a device) could hold the helper up or never end.
std::optional<std::string> ReadBundle(const std::string& path) {
  std::error_code error;
  // An error for anything but a regular file (or a link to one).
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > static_cast<std::uintmax_t>(kMaxTrustStoreBytes)) return std::nullopt;
  std::string bundle(static_cast<std::size_t>(size), '\0');
  std::ifstream file(path, std::ios::binary);
  if (!file.read(bundle.data(), static_cast<std::streamsize>(bundle.size()))) return std::nullopt;
  return bundle;
}

}  // namespace

std::vector<std::string> TrustStorePlaces(const EnvironmentLookup& environment) {
  const char* chosen = environment(X509_get_default_cert_file_env());
  if (chosen != nullptr && *chosen != '\0') return {chosen};
  std::vector<std::string> places;
  for (std::string place : {LibcurlBundle(), std::string(X509_get_default_cert_file())}) {
    if (!place.empty()) places.push_back(std::move(place));
  }
  places.insert(places.end(), kDistributionBundles.begin(), kDistributionBundles.end());
  return places;
}

std::string ReadTrustStore(const std::vector<std::string>& places) {
  for (const std::string& place : places) {
    if (std::optional<std::string> bundle = ReadBundle(place)) return *std::move(bundle);
  }
  return {};
}

std::optional<std::string> PrepareTls(const EnvironmentLookup& environment) {
  // Certificates' dates are compared through gmtime_r, which has glibc read /etc/localtime once,
  // on first use: here, not as a refused read inside the sandbox.
  tzset();
  // Drawing from the public and the private generator seeds the primary one from the kernel and
  // both of this thread's from it.
  unsigned char sample[1];
  if (RAND_status() != 1 || RAND_bytes(sample, 1) != 1 || RAND_priv_bytes(sample, 1) != 1) {
    return std::nullopt;
  }
  return ReadTrustStore(TrustStorePlaces(environment));
}

}  // namespace voltarik
