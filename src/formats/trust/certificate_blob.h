// The serialized certificate Windows keeps for each certificate of a store
// held in the registry (the value "Blob" of a key under
// Microsoft\SystemCertificates\STORE\Certificates): a list of properties,
// each a 32-bit id, a 32-bit reserved field and a 32-bit length, then that
// many bytes, one after the other to the value's end. The certificate itself
// is the property of id 32, in DER.
#pragma once

#include <cstdint>
#include <string_view>
#include <variant>

namespace vemdrol {

inline constexpr std::uint32_t certificateBlobCertificateProperty = 32;

enum class CertificateBlobFault {
  tooLarge,       // longer than maxCertificateBlobSize (formats/limits.h)
  cutShort,       // a property's header or data runs past the end
  tooManyParts,   // more than maxCertificateBlobProperties properties
  noCertificate,  // every property read, none of them the certificate
};

// The certificate's DER bytes as they lie in blob (the first property 32
// when a damaged blob has two); its DER is not checked here.
std::variant<std::string_view, CertificateBlobFault> certificateInBlob(std::string_view blob);

}  // namespace vemdrol
