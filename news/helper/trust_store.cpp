#include "news/helper/trust_store.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <optional>
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

struct EasyCleanup {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

// The bundle libcurl was built to use; empty when it has none.
std::string LibcurlBundle() {
  const std::unique_ptr<CURL, EasyCleanup> easy(curl_easy_init());
  const char* path = nullptr;
  if (!easy || curl_easy_getinfo(easy.get(), CURLINFO_CAINFO, &path) != CURLE_OK ||
      path == nullptr) {
    return {};
  }
  return path;
}

// The file at `path` read whole, when it is a regular file of at most kMaxTrustStoreBytes.
std::optional<std::string> ReadBundle(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> bundle;
  struct stat status = {};
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= kMaxTrustStoreBytes) {
    std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t got = 0;
    ssize_t read_now = 1;
    while (got < bytes.size() && read_now > 0) {
      read_now = read(fd, bytes.data() + got, bytes.size() - got);
      if (read_now > 0) got += static_cast<std::size_t>(read_now);
    }
    if (got == bytes.size()) bundle = std::move(bytes);
  }
  close(fd);
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
  // Drawing from the public and the private generator seeds the primary one from the kernel and
  // both of this thread's from it.
  unsigned char sample[1];
  if (RAND_status() != 1 || RAND_bytes(sample, 1) != 1 || RAND_priv_bytes(sample, 1) != 1) {
    return std::nullopt;
  }
  return ReadTrustStore(TrustStorePlaces(environment));
}

}  // namespace voltarik
