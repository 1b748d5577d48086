#include "tests/test_certificates.h"

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <stdexcept>

namespace voltarik::testing {
namespace {

using Key = std::unique_ptr<EVP_PKEY, PkeyFree>;
using Certificate = std::unique_ptr<X509, X509Free>;

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("test certificate: ") + what);
}

Key NewKey() {
  Key key(EVP_EC_gen("P-256"));
  Check(key != nullptr, "key");
  return key;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
  Check(extension != nullptr && X509_add_ext(certificate, extension, -1) == 1, "extension");
  X509_EXTENSION_free(extension);
}

// A certificate named `common_name` for `key`, signed by `issuer_key` in the name of `issuer`
// (itself when null); `host` goes in its subjectAltName, and none makes it an authority.
Certificate Make(const std::string& common_name, EVP_PKEY* key, const std::string& host,
                 X509* issuer, EVP_PKEY* issuer_key, std::chrono::seconds not_before,
                 std::chrono::seconds not_after) {
  static long serial = 1;
  Certificate certificate(X509_new());
  X509_NAME* name = X509_get_subject_name(certificate.get());
  Check(X509_set_version(certificate.get(), X509_VERSION_3) == 1 &&
            ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), serial++) == 1 &&
            X509_gmtime_adj(X509_getm_notBefore(certificate.get()), not_before.count()) &&
            X509_gmtime_adj(X509_getm_notAfter(certificate.get()), not_after.count()) &&
            X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                       reinterpret_cast<const unsigned char*>(common_name.c_str()),
                                       -1, -1, 0) == 1 &&
            X509_set_issuer_name(certificate.get(),
                                 issuer == nullptr ? name : X509_get_subject_name(issuer)) == 1 &&
            X509_set_pubkey(certificate.get(), key) == 1,
        "fields");
  X509* signer = issuer == nullptr ? certificate.get() : issuer;
  AddExtension(certificate.get(), signer, NID_subject_key_identifier, "hash");
  AddExtension(certificate.get(), signer, NID_authority_key_identifier, "keyid:always");
  if (host.empty()) {
    AddExtension(certificate.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(certificate.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    const bool address = host.find_first_not_of("0123456789.:") == std::string::npos;
    AddExtension(certificate.get(), signer, NID_subject_alt_name,
                 (address ? "IP:" : "DNS:") + host);
    AddExtension(certificate.get(), signer, NID_ext_key_usage, "serverAuth");
  }
  Check(X509_sign(certificate.get(), issuer_key, EVP_sha256()) > 0, "signature");
  return certificate;
}

// What `write` puts in a memory buffer, as text.
template <typename Write>
std::string Written(Write write) {
  const std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
  Check(bio != nullptr && write(bio.get()) == 1, "PEM");
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return {data, static_cast<std::size_t>(size)};
}

std::string Pem(X509* certificate) {
  return Written([certificate](BIO* bio) { return PEM_write_bio_X509(bio, certificate); });
}

std::string Pem(EVP_PKEY* key) {
  return Written([key](BIO* bio) {
    return PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
  });
}

}  // namespace

TestAuthority::TestAuthority(const std::string& name) : key_(NewKey()) {
  certificate_ = Make(name, key_.get(), "", nullptr, key_.get(), -std::chrono::hours(1),
                      std::chrono::hours(24));
}

std::string TestAuthority::CertificatePem() const { return Pem(certificate_.get()); }

TlsIdentity TestAuthority::Issue(const std::string& host, std::chrono::seconds not_before,
                                 std::chrono::seconds not_after, int extra_chain) const {
  const Key key = NewKey();
  const Certificate certificate =
      Make(host, key.get(), host, certificate_.get(), key_.get(), not_before, not_after);
  TlsIdentity identity{Pem(certificate.get()), Pem(key.get())};
  for (int copy = 0; copy < extra_chain; ++copy) identity.chain += CertificatePem();
  return identity;
}

TlsIdentity SelfSigned(const std::string& host) {
  const Key key = NewKey();
  const Certificate certificate = Make(host, key.get(), host, nullptr, key.get(),
                                       -std::chrono::hours(1), std::chrono::hours(24));
  return {Pem(certificate.get()), Pem(key.get())};
}

}  // namespace voltarik::testing
