// Certificates the TLS tests make for themselves, as PEM text: an authority of their own, server
// certificates it vouches for, and certificates nobody vouches for.
#ifndef VOLTARIK_TESTS_TEST_CERTIFICATES_H_
#define VOLTARIK_TESTS_TEST_CERTIFICATES_H_

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <chrono>
#include <memory>
#include <string>

namespace voltarik::testing {

// What a TLS server shows: its certificate and any further ones of its chain, and its key.
struct TlsIdentity {
  std::string chain;
  std::string key;
};

struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct X509Free {
  void operator()(X509* certificate) const { X509_free(certificate); }
};

class TestAuthority {
 public:
  explicit TestAuthority(const std::string& name = "Voltarik test authority");
  // The authority's own certificate: what a client that trusts it loads.
  std::string CertificatePem() const;
  // A server certificate for `host` (a DNS name or an IP address), valid from `not_before` to
  // `not_after`, counted from now; `extra_chain` copies of the authority's certificate follow it.
  TlsIdentity Issue(const std::string& host,
                    std::chrono::seconds not_before = -std::chrono::hours(1),
                    std::chrono::seconds not_after = std::chrono::hours(24),
                    int extra_chain = 0) const;

 private:
  std::unique_ptr<EVP_PKEY, PkeyFree> key_;
  std::unique_ptr<X509, X509Free> certificate_;
};

// A certificate for `host` that signs itself.
TlsIdentity SelfSigned(const std::string& host);

}  // namespace voltarik::testing

#endif  // VOLTARIK_TESTS_TEST_CERTIFICATES_H_
