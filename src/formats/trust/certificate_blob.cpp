#include "formats/trust/certificate_blob.h"

#include <optional>

#include "formats/byte_reader.h"
#include "formats/limits.h"

namespace vemdrol {

std::variant<std::string_view, CertificateBlobFault> certificateInBlob(std::string_view blob) {
  if (blob.size() > maxCertificateBlobSize) return CertificateBlobFault::tooLarge;
  const ByteReader bytes(blob);
  constexpr ByteOffset headerSize = 12;
  std::optional<std::string_view> certificate;
  std::size_t properties = 0;
  for (ByteOffset at = 0; at < bytes.size();) {
    if (++properties > maxCertificateBlobProperties) return CertificateBlobFault::tooManyParts;
    const auto id = bytes.u32(at);
    const auto length = bytes.u32(at + 8);
    if (!id || !length || !bytes.holds(at + headerSize, *length)) {
      return CertificateBlobFault::cutShort;
    }
    if (*id == certificateBlobCertificateProperty && !certificate) {
      certificate = *bytes.view(at + headerSize, *length);
    }
    at += headerSize + *length;
  }
  if (!certificate) return CertificateBlobFault::noCertificate;
  return *certificate;
}

}  // namespace vemdrol
