// Certificates, signed program files and catalogs made here and now for the
// tests of offline trust: elliptic-curve keys (quick to make) that live in
// memory and, while osslsigncode signs, in a scratch folder that is removed
// with the object. Nothing of it is ever kept.
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "version/pe_builder.h"

namespace vemdrol {

struct TestCertificate {
  std::shared_ptr<X509> certificate;
  std::shared_ptr<EVP_PKEY> key;
  std::string der() const;
  std::string pem() const;
};

struct CertificateRequest {
  std::string commonName;
  std::string organization;  // "" for none
  // Seconds since 1970 UTC.
  std::int64_t notBefore = 0;
  std::int64_t notAfter = 0;
  bool authority = false;
  // Extended key usage, as openssl names it ("codeSigning",
  // "timeStamping"); "" for none.
  std::string usage;
};

class ThrowAwayPki {
 public:
  ThrowAwayPki();
  ~ThrowAwayPki();
  ThrowAwayPki(const ThrowAwayPki&) = delete;
  ThrowAwayPki& operator=(const ThrowAwayPki&) = delete;

  // A self-signed root when issuer is null.
  TestCertificate issue(const CertificateRequest& request, const TestCertificate* issuer) const;

  struct Timestamp {
    const TestCertificate* authority;
    std::vector<const TestCertificate*> chain;  // above the authority
    std::int64_t time;
  };
  // The file signed with Authenticode (SHA-256) by signer, the signature
  // carrying chain as well; with an RFC 3161 timestamp when asked for.
  // nullopt when osslsigncode fails.
  std::optional<std::string> signFile(const std::string& unsignedFile,
                                      const TestCertificate& signer,
                                      const std::vector<const TestCertificate*>& chain,
                                      const std::optional<Timestamp>& timestamp = std::nullopt);

  // A catalog listing the digests (member tags as UTF-16LE hex text, and
  // each digest again in an SpcIndirectDataContent attribute), signed by
  // signer with chain.
  std::string catalog(const std::vector<std::string>& digests, const TestCertificate& signer,
                      const std::vector<const TestCertificate*>& chain) const;

  // A SignedData whose content, of type contentType (an object identifier
  // in dotted form), is the DER element content, signed by signer with
  // chain: an Authenticode signature of any shape a test wants.
  std::string signedContent(const std::string& contentType, const std::string& content,
                            const TestCertificate& signer,
                            const std::vector<const TestCertificate*>& chain) const;

 private:
  std::filesystem::path scratch_;
  int files_ = 0;
};

// The serialized certificate a registry certificate store keeps as "Blob":
// a property or two around the certificate (property 32).
std::string certificateBlob(const std::string& der);

// The SHA-256 Authenticode digest of a program file built without a
// certificate table, as a catalog lists it.
std::string authenticodeSha256(const BuiltPe& file);

}  // namespace vemdrol
