// The environment the news helper is given, and nothing else of the program's: what libcurl reads
// for an HTTP or HTTPS transfer, and where OpenSSL is told to find a trust store other than the
// system's. The window's side passes these on; the helper's sandbox opens the ports of the proxies.
#ifndef VOLTARIK_NEWS_HELPER_ENVIRONMENT_H_
#define VOLTARIK_NEWS_HELPER_ENVIRONMENT_H_

namespace voltarik {

enum class HelperVariable {
  kProxy,       // a proxy libcurl may connect through (HTTP_PROXY, in capitals, it ignores)
  kNoProxy,     // hosts reached without a proxy
  kTrustStore,  // OpenSSL's own names for a bundle and a hashed folder of certificates
};

struct PassedVariable {
  const char* name;
  HelperVariable use;
};

inline constexpr PassedVariable kHelperEnvironment[] = {
    {"http_proxy", HelperVariable::kProxy},       {"https_proxy", HelperVariable::kProxy},
    {"HTTPS_PROXY", HelperVariable::kProxy},      {"all_proxy", HelperVariable::kProxy},
    {"ALL_PROXY", HelperVariable::kProxy},        {"no_proxy", HelperVariable::kNoProxy},
    {"NO_PROXY", HelperVariable::kNoProxy},       {"SSL_CERT_FILE", HelperVariable::kTrustStore},
    {"SSL_CERT_DIR", HelperVariable::kTrustStore}};

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_ENVIRONMENT_H_
