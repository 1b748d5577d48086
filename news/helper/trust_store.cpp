#include "news/helper/trust_store.h"

#include <openssl/rand.h>
#include <openssl/x509.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

namespace voltarik {

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

namespace {

// The first file of `folders` (':' between them) named as OpenSSL names a certificate in a hashed
// folder: eight hexadecimal digits, a dot and a number.
std::string HashedCertificate(std::string_view folders) {
  while (!folders.empty()) {
    const std::size_t colon = folders.find(':');
    const std::filesystem::path folder(folders.substr(0, colon));
    folders.remove_prefix(colon == std::string_view::npos ? folders.size() : colon + 1);
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
      const std::string name = entry->path().filename().string();
      if (name.size() >= 10 && name[8] == '.' && name.find_first_not_of("0123456789abcdef") == 8 &&
          name.find_first_not_of("0123456789", 9) == std::string::npos) {
        return entry->path().string();
      }
    }
  }
  return {};
}

}  // namespace

std::optional<TrustStore> PrepareTls(const EnvironmentLookup& environment) {
  // Certificates' dates are compared through gmtime_r, which has glibc read /etc/localtime once,
  // on first use: here, not as a refused read inside the sandbox.
  tzset();
  // Drawing from the public and the private generator seeds the primary one from the kernel and
  // both of this thread's from it.
  unsigned char sample[1];
  if (RAND_status() != 1 || RAND_bytes(sample, 1) != 1 || RAND_priv_bytes(sample, 1) != 1) {
    return std::nullopt;
  }
  TrustStore store;
  // OpenSSL's default file, which SSL_CERT_FILE replaces, is left out: on Debian it is a bundle of
  // the certificates the hashed folder holds, and every one of them would be parsed for each
  // connection.
  const char* bundle = environment(X509_get_default_cert_file_env());
  if (bundle != nullptr && *bundle != '\0') store.bundle = ReadBundle(bundle).value_or("");
  const char* folders = environment(X509_get_default_cert_dir_env());
  store.folders = folders != nullptr && *folders != '\0' ? folders : X509_get_default_cert_dir();
  store.folder_certificate = HashedCertificate(store.folders);
  return store;
}

}  // namespace voltarik
