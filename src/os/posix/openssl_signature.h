// What the POSIX signature readers share of OpenSSL: owners for its objects,
// the names of a certificate as Windows gives them, and the check of a PKCS #7
// SignedData's signer that leaves its certificates unjudged. The machine's
// own reader (os/posix/signature.cpp) stops there; the reader of a system
// that is not running (src/trust/) judges the certificates by that system's
// roots. Linux only.
#pragma once

#ifndef _WIN32

#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <memory>
#include <span>
#include <string_view>

#include "base/text.h"

namespace vemdrol {

template <auto release>
struct OpenSslRelease {
  template <class T>
  void operator()(T* pointer) const {
    release(pointer);
  }
};
template <class T, auto release>
using OpenSslOwned = std::unique_ptr<T, OpenSslRelease<release>>;

using OwnedPkcs7 = OpenSslOwned<PKCS7, PKCS7_free>;
using OwnedX509 = OpenSslOwned<X509, X509_free>;

inline const unsigned char* opensslBytes(std::string_view view) {
  return reinterpret_cast<const unsigned char*>(view.data());
}

// The first entry of this kind (NID_commonName, NID_organizationName) of
// the certificate's subject, as CertGetNameStringW gives it: whatever string
// type it is stored as, up to its first NUL; "" when there is none.
Text certificateSubjectText(const X509* certificate, int nid);

// The digest algorithm that the DER element of an object identifier
// (tag, length and value) names; nullptr when OpenSSL knows none.
const EVP_MD* digestNamedBy(std::string_view objectIdentifierElement);
// The same for the identifier's value bytes alone.
const EVP_MD* digestNamedByValue(std::string_view objectIdentifier);

// The digest of the parts one after the other; false when the hasher fails.
bool digestOf(const EVP_MD* type, std::span<const std::string_view> parts, std::string& digest);

struct SignedDataCheck {
  enum class Outcome {
    holds,         // the signer signed signedContent, by the signer's own key
    malformed,     // the SignedData or its signer's certificate cannot be read
    badSignature,  // the signer's signature does not match what it signs
  };
  Outcome outcome = Outcome::malformed;
  OwnedPkcs7 pkcs7;
  // The signer's certificate, among those of pkcs7, which owns it; null when
  // malformed.
  X509* signer = nullptr;
};

// Checks the first signer's signature over its attributes and their
// messageDigest over signedContent (PKCS #7 digests a content's value, so
// it is given apart from the SignedData); the certificates are not judged.
SignedDataCheck checkSignedData(std::string_view signedData, std::string_view signedContent);

}  // namespace vemdrol

#endif
