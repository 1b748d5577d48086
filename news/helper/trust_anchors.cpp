#include "news/helper/trust_anchors.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/pem.h>

#include <cstring>
#include <memory>

namespace voltarik {
namespace {

// Steps over one DER element at `at`, or into it when `enter`; false on malformed input.
bool Step(const unsigned char*& at, const unsigned char* end, bool enter) {
  long length = 0;
  int tag = 0;
  int tag_class = 0;
  const unsigned char* content = at;
  if ((ASN1_get_object(&content, &length, &tag, &tag_class, end - at) & 0x80) != 0) return false;
  at = enter ? content : content + length;
  return true;
}

// The subject of a DER certificate, read without parsing the rest (its public key above all):
// Certificate { TBSCertificate { [0] version, serial, signature, issuer, validity, subject ...
X509_NAME* SubjectOf(const std::string& der) {
  const auto* at = reinterpret_cast<const unsigned char*>(der.data());
  const unsigned char* end = at + der.size();
  if (!Step(at, end, true) || !Step(at, end, true)) return nullptr;
  if (at < end && *at == 0xa0 && !Step(at, end, false)) return nullptr;
  for (int skipped = 0; skipped < 4; ++skipped) {
    if (!Step(at, end, false)) return nullptr;
  }
  return d2i_X509_NAME(nullptr, &at, end - at);
}

int GetBySubject(X509_LOOKUP* lookup, X509_LOOKUP_TYPE type, const X509_NAME* name,
                 X509_OBJECT* result) {
  auto* anchors = static_cast<TrustAnchors*>(X509_LOOKUP_get_method_data(lookup));
  if (type != X509_LU_X509 || anchors == nullptr) return 0;
  X509* found = anchors->AddNamed(name, X509_LOOKUP_get_store(lookup));
  return found != nullptr && X509_OBJECT_set1_X509(result, found) == 1 ? 1 : 0;
}

}  // namespace

TrustAnchors::~TrustAnchors() {
  for (Certificate& certificate : certificates_) {
    X509_NAME_free(certificate.subject);
    X509_free(certificate.parsed);
  }
  X509_LOOKUP_meth_free(method_);
}

bool TrustAnchors::ServeStore(X509_STORE* store) {
  if (method_ == nullptr) {
    method_ = X509_LOOKUP_meth_new("voltarik trust store");
    if (method_ == nullptr || X509_LOOKUP_meth_set_get_by_subject(method_, GetBySubject) != 1) {
      return false;
    }
  }
  X509_LOOKUP* lookup = X509_STORE_add_lookup(store, method_);
  return lookup != nullptr && X509_LOOKUP_set_method_data(lookup, this) == 1;
}

X509* TrustAnchors::AddNamed(const X509_NAME* subject, X509_STORE* store) {
  Index();
  X509* found = nullptr;
  for (Certificate& certificate : certificates_) {
    if (certificate.subject == nullptr || X509_NAME_cmp(certificate.subject, subject) != 0) {
      continue;
    }
    if (certificate.parsed == nullptr) {
      const auto* der = reinterpret_cast<const unsigned char*>(certificate.der.data());
      certificate.parsed = d2i_X509(nullptr, &der, static_cast<long>(certificate.der.size()));
    }
    // Each connection of a fetch has a store of its own; one that holds it already keeps it.
    if (certificate.parsed != nullptr && X509_STORE_add_cert(store, certificate.parsed) == 1) {
      found = certificate.parsed;
    }
  }
  ERR_clear_error();
  return found;
}

void TrustAnchors::Index() {
  if (indexed_) return;
  indexed_ = true;
  const std::unique_ptr<BIO, decltype(&BIO_free)> bio(
      BIO_new_mem_buf(bundle_.data(), static_cast<int>(bundle_.size())), BIO_free);
  char* type = nullptr;
  char* header = nullptr;
  unsigned char* data = nullptr;
  long length = 0;
  while (bio && PEM_read_bio(bio.get(), &type, &header, &data, &length) == 1) {
    if (std::strcmp(type, PEM_STRING_X509) == 0 || std::strcmp(type, PEM_STRING_X509_OLD) == 0) {
      std::string der(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
      X509_NAME* subject = SubjectOf(der);
      certificates_.push_back({std::move(der), subject});
    }
    OPENSSL_free(type);
    OPENSSL_free(header);
    OPENSSL_free(data);
  }
  // The end of the bundle reads as an error.
  ERR_clear_error();
}

}  // namespace voltarik
