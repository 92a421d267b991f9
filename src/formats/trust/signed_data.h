// The parts of a PKCS #7 SignedData that judging a signature offline needs,
// read from the bytes of an Authenticode signature, a catalog or a
// timestamp token:
//
//   ContentInfo { signedData OID, [0] SignedData { version,
//     digestAlgorithms, ContentInfo { type, [0] content OPTIONAL },
//     [0] certificates OPTIONAL, [1] crls OPTIONAL, signerInfos } }
//   SignerInfo { version, issuerAndSerialNumber, digestAlgorithm,
//     [0] authenticatedAttributes OPTIONAL, digestEncryptionAlgorithm,
//     encryptedDigest, [1] unauthenticatedAttributes OPTIONAL }
//
// Nothing is judged here: OpenSSL checks the signatures and certificates
// (src/trust/). What is read is where the parts lie, every element within
// its parent, as deep as these structures go and no deeper.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "formats/der_reader.h"

namespace vemdrol {

struct SignedDataView {
  // The ContentInfo: one DER element, without whatever follows it.
  std::string_view whole;
  // The object identifier of the content's type, its value bytes.
  std::string_view contentType;
  // What the signer's messageDigest attribute is the digest of: the value
  // of the content's element without its tag and length (for content in an
  // OCTET STRING, its octets), as PKCS #7 digests it. Empty when the
  // SignedData carries no content.
  std::string_view signedContent;
  // The content's element inside the [0] that holds it.
  std::string_view content;
  // The first SignerInfo, whole; a SignedData without one is damaged.
  std::string_view firstSigner;
  std::size_t certificates = 0;
};

// The SignedData at the start of bytes (padding after it is passed over);
// nullopt when it is no SignedData, is damaged, is larger than maxSize or
// holds more than maxCertificates certificates (formats/limits.h).
std::optional<SignedDataView> readSignedData(std::string_view bytes, std::size_t maxSize);

struct SignerInfoParts {
  // The value bytes of the digest algorithm's object identifier.
  std::string_view digestAlgorithm;
  // The [0] element of the authenticated attributes, whole; empty when
  // there are none.
  std::string_view authenticatedAttributes;
  // The signature's bytes: the encryptedDigest's octets.
  std::string_view signature;
  // The value of the [1] element: the unauthenticated attributes one after
  // the other; empty when there are none.
  std::string_view unauthenticatedAttributes;
};

std::optional<SignerInfoParts> readSignerInfo(std::string_view signerInfo);

// The first value of the attribute with this object identifier (its value
// bytes) among attributes, one Attribute { type, SET OF value } after the
// other: the value's element, whole. nullopt when there is none, or when
// the attributes do not read or are more than maxDerAttributes.
std::optional<DerElement> derAttribute(std::string_view attributes, std::string_view oid);

// Object identifiers, as the value bytes of their DER elements.
namespace oid {
inline constexpr std::string_view signedData("\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02", 9);
inline constexpr std::string_view messageDigest("\x2A\x86\x48\x86\xF7\x0D\x01\x09\x04", 9);
inline constexpr std::string_view signingTime("\x2A\x86\x48\x86\xF7\x0D\x01\x09\x05", 9);
inline constexpr std::string_view countersignature("\x2A\x86\x48\x86\xF7\x0D\x01\x09\x06", 9);
inline constexpr std::string_view tstInfo("\x2A\x86\x48\x86\xF7\x0D\x01\x09\x10\x01\x04", 11);
inline constexpr std::string_view rfc3161Timestamp("\x2B\x06\x01\x04\x01\x82\x37\x03\x03\x01", 10);
inline constexpr std::string_view indirectData("\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x04", 10);
inline constexpr std::string_view certificateTrustList("\x2B\x06\x01\x04\x01\x82\x37\x0A\x01", 9);
}  // namespace oid

// The timestamp on a signer's signature: a countersignature (PKCS #9,
// whose signingTime is the time) or an RFC 3161 token (whose TSTInfo's
// genTime is), in the signer's unauthenticated attributes.
struct SignatureTimestamp {
  enum class Kind { countersignature, rfc3161 };
  Kind kind = Kind::countersignature;
  std::int64_t time = 0;  // seconds since 1970-01-01 00:00 UTC
  // The countersignature's SignerInfo, or the token's ContentInfo, whole.
  std::string_view token;
  // The digest the timestamp says it stamped (of the signer's signature),
  // and the value bytes of its algorithm's object identifier.
  std::string_view imprintAlgorithm;
  std::string_view imprint;
};

// The first timestamp of the signer's that reads; nullopt when it has none
// that does.
std::optional<SignatureTimestamp> readSignatureTimestamp(const SignerInfoParts& signer);

}  // namespace vemdrol
