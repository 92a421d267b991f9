#include "formats/pe/authenticode.h"

#include <cstdint>
#include <variant>

#include "formats/byte_reader.h"
#include "formats/der_reader.h"
#include "formats/limits.h"
#include "formats/pe/pe_image.h"

namespace vemdrol {
namespace {

using Offset = ByteOffset;

constexpr Offset winCertificateHeaderSize = 8;
constexpr std::uint16_t pkcsSignedData = 2;  // WIN_CERT_TYPE_PKCS_SIGNED_DATA

// 1.2.840.113549.1.7.2 and 1.3.6.1.4.1.311.2.1.4, as DER object identifier values.
constexpr std::string_view signedDataOid("\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02", 9);
constexpr std::string_view indirectDataOid("\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x04", 10);

using derTag::context0;
using derTag::context1;
using derTag::integer;
using derTag::objectIdentifier;
using derTag::octetString;
using derTag::sequence;
using derTag::set;

}  // namespace

std::optional<EmbeddedSignature> findEmbeddedSignature(std::string_view file) {
  const ByteReader bytes(file);
  const std::variant<PeImage, PeFault> read = PeImage::read(bytes);
  const PeImage* image = std::get_if<PeImage>(&read);
  if (!image || !image->format()) return std::nullopt;
  const std::optional<std::uint32_t> count = image->directoryCount();
  if (!count || *count <= peCertificateDirectory) return std::nullopt;
  const std::optional<PeDataDirectory> directory = image->directory(peCertificateDirectory);
  if (!directory || directory->address == 0 || directory->size == 0) return std::nullopt;

  // The digest leaves out the table and the fields that point to it, so the
  // table must come after them, or the parts left out would overlap. The
  // table's address is a file offset, not an RVA.
  const Offset entry = image->directoryEntry(peCertificateDirectory);
  const Offset checksum = image->checksumField();
  const Offset table = directory->address;
  const std::optional<ByteReader> certificates = bytes.window(table, directory->size);
  if (table < entry + 8 || !certificates) return std::nullopt;
  const auto length = certificates->u32(0);
  const auto type = certificates->u16(6);
  if (!length || !type || *length < winCertificateHeaderSize || *length > certificates->size() ||
      *type != pkcsSignedData) {
    return std::nullopt;
  }

  EmbeddedSignature signature;
  signature.pkcs7 =
      file.substr(table + winCertificateHeaderSize, *length - winCertificateHeaderSize);
  signature.digested = {file.substr(0, checksum), file.substr(checksum + 4, entry - checksum - 4),
                        file.substr(entry + 8, table - entry - 8),
                        file.substr(table + directory->size)};
  return signature;
}

std::optional<AuthenticodeContent> readAuthenticodeContent(std::string_view pkcs7) {
  DerReader outer(pkcs7);
  const std::optional<DerElement> contentInfo = outer.next(sequence);
  if (!contentInfo || contentInfo->whole.size() > maxSignedDataSize) return std::nullopt;
  DerReader info(contentInfo->value);
  const auto type = info.next(objectIdentifier);
  const auto explicitContent = info.next(context0);
  if (!type || type->value != signedDataOid || !explicitContent) return std::nullopt;
  const auto signedDataValue = onlyDerElement(explicitContent->value, sequence);
  if (!signedDataValue) return std::nullopt;

  DerReader signedData(*signedDataValue);
  const auto version = signedData.next(integer);
  const auto digestAlgorithms = signedData.next(set);
  const auto encapsulated = signedData.next(sequence);
  if (!version || !digestAlgorithms || !encapsulated) return std::nullopt;
  DerReader content(encapsulated->value);
  const auto contentType = content.next(objectIdentifier);
  const auto explicitIndirect = content.next(context0);
  if (!contentType || contentType->value != indirectDataOid || !explicitIndirect) {
    return std::nullopt;
  }
  DerReader wrapper(explicitIndirect->value);
  const auto indirect = wrapper.next(sequence);
  if (!indirect || !wrapper.atEnd()) return std::nullopt;
  DerReader indirectData(indirect->value);
  const auto data = indirectData.next(sequence);
  const auto digestInfo = indirectData.next(sequence);
  if (!data || !digestInfo) return std::nullopt;
  DerReader digestParts(digestInfo->value);
  const auto algorithmIdentifier = digestParts.next(sequence);
  const auto digest = digestParts.next(octetString);
  if (!algorithmIdentifier || !digest) return std::nullopt;
  DerReader algorithmParts(algorithmIdentifier->value);
  const auto algorithm = algorithmParts.next(objectIdentifier);
  if (!algorithm) return std::nullopt;

  AuthenticodeContent result{contentInfo->whole, algorithm->whole, digest->value, indirect->value,
                             0};
  if (const auto certificates = signedData.next(context0)) {
    DerReader each(certificates->value);
    while (!each.atEnd()) {
      if (!each.next() || ++result.certificates > maxCertificates) return std::nullopt;
    }
  }
  signedData.next(context1);  // revocation lists, not looked at
  if (!signedData.next(set) || !signedData.atEnd()) return std::nullopt;
  return result;
}

}  // namespace vemdrol
