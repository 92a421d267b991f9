// Finding the Authenticode signature embedded in a program file, without the
// Windows API: the certificate table of a PE file, its first entry, and the
// parts of the PKCS #7 SignedData in it that the file digest depends on.
//
// Every file is treated as hostile: each offset and length is checked
// against the file or the element it lies in before it is used (the PE
// headers by formats/pe/pe_image.h), and what does not add up is no
// signature (the table) or a damaged one (the DER).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "formats/limits.h"

namespace vemdrol {

struct EmbeddedSignature {
  // bCertificate of the certificate table's first WIN_CERTIFICATE: a PKCS #7
  // SignedData, possibly followed by the padding to 8 bytes.
  std::string_view pkcs7;
  // What the file's Authenticode digest covers, in this order: the whole
  // file without the checksum field, the certificate table's data directory
  // entry and the certificate table itself. Bytes after the last section,
  // before the table or after it, are covered like any others.
  std::array<std::string_view, 4> digested;
};

// The signature of a PE32 or PE32+ file; nullopt when the file is not such a
// file, has no certificate table (data directory 4, a file offset), or the
// table does not lie within the file after the headers that point to it, or
// its first entry is not a PKCS_SIGNED_DATA entry (type 2) of at least its
// own 8-byte header and no longer than the table. Windows reads such files
// as unsigned too.
std::optional<EmbeddedSignature> findEmbeddedSignature(std::string_view file);

struct AuthenticodeContent {
  // The ContentInfo that holds the SignedData: one DER element, without the
  // padding after it.
  std::string_view signedData;
  // The DER element (tag, length, value) of the file digest's algorithm
  // identifier in SpcIndirectDataContent, and the digest itself.
  std::string_view digestAlgorithm;
  std::string_view digest;
  // The value of SpcIndirectDataContent without its tag and length: what the
  // signer's messageDigest attribute is the digest of.
  std::string_view signedContent;
  std::size_t certificates = 0;
};

// Walks the SignedData in pkcs7 down to its SpcIndirectDataContent and
// counts its certificates: ContentInfo { signedData OID, [0] SignedData {
// version, digestAlgorithms, ContentInfo { SPC_INDIRECT_DATA OID, [0]
// SpcIndirectDataContent { data, DigestInfo { AlgorithmIdentifier, OCTET
// STRING } } }, [0] certificates OPTIONAL, [1] crls OPTIONAL, signerInfos }
// }. Definite lengths of at most four bytes only, every element within its
// parent. nullopt when the structure is not that or over the bounds
// (maxSignedDataSize, maxCertificates: formats/limits.h).
std::optional<AuthenticodeContent> readAuthenticodeContent(std::string_view pkcs7);

}  // namespace vemdrol
