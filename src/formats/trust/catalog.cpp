#include "formats/trust/catalog.h"

#include <optional>
#include <string>

#include "formats/limits.h"

namespace vemdrol {

namespace {

std::optional<CatalogDigest> digestOf(std::string_view bytes) {
  if (bytes.size() < minCatalogDigestSize || bytes.size() > maxCatalogDigestSize) {
    return std::nullopt;
  }
  CatalogDigest digest;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    digest.bytes[i] = static_cast<unsigned char>(bytes[i]);
  }
  digest.size = static_cast<std::uint8_t>(bytes.size());
  return digest;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The digits of a tag, as ASCII: each UTF-16LE unit's high byte zero, or
// the bytes themselves.
std::optional<std::string> tagDigits(std::string_view tag) {
  std::string digits;
  const bool wide = tag.size() % 2 == 0 && tag.size() >= 2 && tag[1] == '\0';
  for (std::size_t i = 0; i < tag.size(); i += wide ? 2 : 1) {
    if (wide && tag[i + 1] != '\0') return std::nullopt;
    if (hexValue(tag[i]) < 0) return std::nullopt;
    digits += tag[i];
  }
  // A tag may end in a NUL of its own.
  return digits;
}

std::optional<CatalogDigest> digestOfTag(std::string_view tag) {
  std::string_view text = tag;
  if (text.size() >= 2 && text.substr(text.size() - 2) == std::string_view("\0\0", 2) &&
      text.size() % 2 == 0) {
    text.remove_suffix(2);
  }
  if (const auto digits = tagDigits(text); digits && digits->size() % 2 == 0) {
    std::string bytes;
    for (std::size_t i = 0; i < digits->size(); i += 2) {
      bytes += static_cast<char>(hexValue((*digits)[i]) << 4 | hexValue((*digits)[i + 1]));
    }
    if (auto digest = digestOf(bytes)) return digest;
  }
  // Not text: the digest itself, when it has a digest's length.
  return digestOf(tag);
}

// The digest of an SpcIndirectDataContent { data, DigestInfo {
// AlgorithmIdentifier, OCTET STRING } }.
std::optional<CatalogDigest> indirectDigest(const DerElement& content) {
  if (content.tag != derTag::sequence) return std::nullopt;
  DerReader parts(content.value);
  const auto data = parts.next(derTag::sequence);
  const auto digestInfo = parts.next(derTag::sequence);
  if (!data || !digestInfo) return std::nullopt;
  DerReader digestParts(digestInfo->value);
  const auto algorithm = digestParts.next(derTag::sequence);
  const auto digest = digestParts.next(derTag::octetString);
  if (!algorithm || !digest) return std::nullopt;
  return digestOf(digest->value);
}

bool same(const CatalogDigest& a, const CatalogDigest& b) { return a.view() == b.view(); }

// The trust list's members, into catalog. False when the list does not
// read.
bool readTrustList(std::string_view list, Catalog& catalog) {
  const auto value = onlyDerElement(list, derTag::sequence);
  if (!value) return false;
  DerReader fields(*value);
  fields.next(derTag::integer);                      // version
  if (!fields.next(derTag::sequence)) return false;  // subjectUsage
  fields.next(derTag::octetString);                  // listIdentifier
  fields.next(derTag::integer);                      // sequenceNumber
  const auto thisUpdate = fields.next();
  if (!thisUpdate ||
      (thisUpdate->tag != derTag::utcTime && thisUpdate->tag != derTag::generalizedTime)) {
    return false;
  }
  fields.next(derTag::utcTime);  // nextUpdate, in either form
  fields.next(derTag::generalizedTime);
  if (!fields.next(derTag::sequence)) return false;  // subjectAlgorithm
  if (const auto subjects = fields.next(derTag::sequence)) {
    DerReader each(subjects->value);
    while (!each.atEnd()) {
      const auto subject = each.next(derTag::sequence);
      if (!subject) return false;
      DerReader subjectParts(subject->value);
      const auto identifier = subjectParts.next(derTag::octetString);
      if (!identifier) return false;
      const std::optional<CatalogDigest> tagged = digestOfTag(identifier->value);
      std::optional<CatalogDigest> inside;
      if (const auto attributes = subjectParts.next(derTag::set)) {
        if (const auto indirect = derAttribute(attributes->value, oid::indirectData)) {
          inside = indirectDigest(*indirect);
        }
      }
      if (!subjectParts.atEnd()) return false;
      if (tagged) catalog.digests.push_back(*tagged);
      if (inside && !(tagged && same(*tagged, *inside))) catalog.digests.push_back(*inside);
      if (!tagged && !inside) ++catalog.unreadMembers;
    }
  }
  fields.next(derTag::context0);  // extensions
  return fields.atEnd();
}

}  // namespace

std::variant<Catalog, CatalogFault> readCatalog(std::string_view bytes) {
  if (bytes.size() > maxCatalogSize) return CatalogFault::tooLarge;
  const auto signedData = readSignedData(bytes, maxCatalogSize);
  if (!signedData) return CatalogFault::notSignedData;
  if (signedData->contentType != oid::certificateTrustList) return CatalogFault::notTrustList;
  Catalog catalog;
  catalog.signedData = *signedData;
  // The list as the SignedData's content, or inside an OCTET STRING as CMS
  // writes content.
  std::string_view list = signedData->content;
  DerReader inside(list);
  if (const auto octets = inside.next(derTag::octetString); octets && inside.atEnd()) {
    list = octets->value;
  }
  if (!readTrustList(list, catalog)) return CatalogFault::damaged;
  return catalog;
}

}  // namespace vemdrol
