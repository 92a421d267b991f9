// A security catalog (a ".cat" file): a PKCS #7 SignedData whose content is
// a certificate trust list (1.3.6.1.4.1.311.10.1) of the files it vouches
// for, each named by its digest:
//
//   CertificateTrustList { version OPTIONAL, subjectUsage, listIdentifier
//     OPTIONAL, sequenceNumber OPTIONAL, thisUpdate, nextUpdate OPTIONAL,
//     subjectAlgorithm, trustedSubjects OPTIONAL, [0] extensions OPTIONAL }
//   TrustedSubject { subjectIdentifier OCTET STRING, attributes SET OPTIONAL }
//
// A member's identifier is its tag: the digest itself, or the digest's
// hexadecimal digits as text (UTF-16LE or ASCII), as catalogs of either
// kind name their members. Among a member's attributes, an
// SpcIndirectDataContent (1.3.6.1.4.1.311.2.1.4) holds the digest as well;
// both are taken.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

#include "formats/trust/signed_data.h"

namespace vemdrol {

// A digest as catalogs hold them: SHA-1 (20 bytes) or SHA-256 (32), or
// whatever other length from minCatalogDigestSize to maxCatalogDigestSize.
inline constexpr std::size_t minCatalogDigestSize = 16;
inline constexpr std::size_t maxCatalogDigestSize = 64;
struct CatalogDigest {
  std::array<unsigned char, maxCatalogDigestSize> bytes{};
  std::uint8_t size = 0;

  std::string_view view() const {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), size);
  }
};

struct Catalog {
  SignedDataView signedData;
  // The members' digests in the catalog's order; a member that names the
  // same digest twice gives it once.
  std::vector<CatalogDigest> digests;
  // Members whose tag and attributes name no digest that can be read.
  std::size_t unreadMembers = 0;
};

enum class CatalogFault {
  tooLarge,       // larger than maxCatalogSize (formats/limits.h)
  notSignedData,  // no SignedData, or a damaged one
  notTrustList,   // a SignedData of something else
  damaged,        // the trust list does not read
};

std::variant<Catalog, CatalogFault> readCatalog(std::string_view bytes);

}  // namespace vemdrol
