// The trust store as OpenSSL's certificate verification sees it, parsed only where a chain needs
// it. Parsing every certificate of a system bundle takes OpenSSL 3 about 25 ms, longer than the
// rest of an HTTPS fetch on a near server; verifying one chain needs one or two of them. The
// certificates are found by subject name, as OpenSSL finds them in a hashed folder, but in memory.
#ifndef VOLTARIK_NEWS_HELPER_TRUST_ANCHORS_H_
#define VOLTARIK_NEWS_HELPER_TRUST_ANCHORS_H_

#include <openssl/x509.h>

#include <string>
#include <string_view>
#include <vector>

namespace voltarik {

class TrustAnchors {
 public:
  // `bundle`: PEM certificates; it must outlive this object.
  explicit TrustAnchors(std::string_view bundle) : bundle_(bundle) {}
  ~TrustAnchors();
  TrustAnchors(const TrustAnchors&) = delete;
  TrustAnchors& operator=(const TrustAnchors&) = delete;

  // Makes `store` ask this object for a certificate it does not hold yet; false if it cannot.
  bool ServeStore(X509_STORE* store);

  // Puts every certificate of the bundle named `subject` in `store`: one of them, or nullptr when
  // the bundle has none.
  X509* AddNamed(const X509_NAME* subject, X509_STORE* store);

 private:
  struct Certificate {
    std::string der;
    X509_NAME* subject;
    X509* parsed = nullptr;  // once a chain has needed it
  };
  // Splits the bundle and reads each certificate's subject, once.
  void Index();

  std::string_view bundle_;
  bool indexed_ = false;
  std::vector<Certificate> certificates_;
  X509_LOOKUP_METHOD* method_ = nullptr;
};

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_HELPER_TRUST_ANCHORS_H_
