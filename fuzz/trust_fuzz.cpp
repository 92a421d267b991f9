// Feeds damaged certificate store blobs, catalogs, signatures and hives to
// the readers of offline trust. The input's first byte picks what it
// damages: 0 the input itself, whole, to every reader; 1 a catalog, 2 a
// serialized certificate, 3 a signer with both kinds of timestamp, 4 a
// SOFTWARE hive's root store, each built here (no binary seed is kept),
// where each five bytes after the first write one byte (the last) at an
// offset (the first four, modulo the size). Nothing may crash or hang,
// every view must lie within its bytes, and the judge of signatures must
// never call anything verified that no root vouches for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

#include "formats/limits.h"
#include "formats/registry/hive_cells.h"
#include "formats/trust/catalog.h"
#include "formats/trust/certificate_blob.h"
#include "formats/trust/file_digest.h"
#include "formats/trust/signed_data.h"
#include "registry/hive_builder.h"
#include "trust/target_trust.h"

namespace {

using vemdrol::derTag::context0;
using vemdrol::derTag::context1;
using vemdrol::derTag::octetString;
using vemdrol::derTag::sequence;
using vemdrol::derTag::set;

void check(bool condition) {
  if (!condition) std::abort();
}

bool within(std::string_view part, std::string_view whole) {
  return part.empty() ||
         (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

std::string element(unsigned tag, const std::string& value) {
  std::string header(1, static_cast<char>(tag));
  if (value.size() < 0x80) {
    header += static_cast<char>(value.size());
  } else {
    header += '\x82';
    header += static_cast<char>(value.size() >> 8);
    header += static_cast<char>(value.size() & 0xFF);
  }
  return header + value;
}

std::string oidElement(std::string_view oid) { return element(0x06, std::string(oid)); }

std::string attribute(std::string_view oid, const std::string& value) {
  return element(sequence, oidElement(oid) + element(set, value));
}

std::string signedDataOf(std::string_view type, const std::string& content,
                         const std::string& signerInfo) {
  const std::string body = element(0x02, "\x01") + element(set, "") +
                           element(sequence, oidElement(type) + element(context0, content)) +
                           element(context0, element(sequence, "certificate")) +
                           element(set, signerInfo);
  return element(sequence,
                 oidElement(vemdrol::oid::signedData) + element(context0, element(sequence, body)));
}

const std::string sha256("\x60\x86\x48\x01\x65\x03\x04\x02\x01", 9);

std::string signerInfoWith(const std::string& unauthenticated) {
  return element(sequence,
                 element(0x02, "\x01") + element(sequence, element(sequence, "i")) +
                     element(sequence, element(0x06, sha256)) +
                     element(context0, attribute(vemdrol::oid::messageDigest,
                                                 element(octetString, std::string(32, 'd')))) +
                     element(sequence, element(0x06, "r")) + element(octetString, "signature") +
                     element(context1, unauthenticated));
}

const std::string& baseCatalog() {
  static const std::string bytes = [] {
    std::string members;
    for (int i = 0; i < 4; ++i) {
      std::string tag;
      for (int k = 0; k < 40; ++k) tag += std::string{"0123456789ABCDEF"[(i + k) % 16], '\0'};
      const std::string indirect = element(
          sequence, element(sequence, element(0x06, "p")) +
                        element(sequence, element(sequence, element(0x06, sha256)) +
                                              element(octetString, std::string(32, 'a' + i))));
      members +=
          element(sequence, element(octetString, tag) +
                                element(set, attribute(vemdrol::oid::indirectData, indirect)));
    }
    const std::string list =
        element(sequence, element(sequence, element(0x06, "c")) + element(octetString, "id") +
                              element(0x17, "261207120000Z") +
                              element(sequence, element(0x06, "m")) + element(sequence, members));
    return signedDataOf(vemdrol::oid::certificateTrustList, list, signerInfoWith(""));
  }();
  return bytes;
}

const std::string& baseBlob() {
  static const std::string bytes = [] {
    const auto property = [](std::uint32_t id, const std::string& data) {
      std::string entry(12, '\0');
      entry[0] = static_cast<char>(id);
      entry[4] = 1;
      entry[8] = static_cast<char>(data.size() & 0xFF);
      entry[9] = static_cast<char>(data.size() >> 8);
      return entry + data;
    };
    return property(3, std::string(20, 'h')) +
           property(32, element(sequence, element(sequence, "tbs") + element(0x03, "\0s")));
  }();
  return bytes;
}

const std::string& baseSigner() {
  static const std::string bytes = [] {
    const std::string countersignature = element(
        sequence,
        element(0x02, "\x01") + element(sequence, element(sequence, "t")) +
            element(sequence, element(0x06, sha256)) +
            element(context0, attribute(vemdrol::oid::signingTime, element(0x17, "261207120000Z")) +
                                  attribute(vemdrol::oid::messageDigest,
                                            element(octetString, std::string(32, 'i')))) +
            element(sequence, element(0x06, "r")) + element(octetString, "c"));
    const std::string tstInfo =
        element(sequence, element(0x02, "\x01") + element(0x06, "p") +
                              element(sequence, element(sequence, element(0x06, sha256)) +
                                                    element(octetString, std::string(32, 'i'))) +
                              element(0x02, "\x05") + element(0x18, "20261207120000.5Z"));
    const std::string token =
        signedDataOf(vemdrol::oid::tstInfo, element(octetString, tstInfo), signerInfoWith(""));
    return signerInfoWith(attribute(vemdrol::oid::countersignature, countersignature) +
                          attribute(vemdrol::oid::rfc3161Timestamp, token));
  }();
  return bytes;
}

const std::string& baseHive() {
  static const std::string bytes = [] {
    using vemdrol::HiveKey;
    HiveKey certificates{L"Certificates", {}, {}};
    for (int i = 0; i < 5; ++i) {
      certificates.subkeys.push_back(
          {L"C" + std::to_wstring(i),
           {{L"Blob", vemdrol::RegistryData{vemdrol::registryTypeBinary, std::string(i, 'b')}}},
           {}});
    }
    HiveKey root{L"ROOT", {}, {{L"Store", {}, {certificates}}}};
    return vemdrol::buildHive(root).bytes;
  }();
  return bytes;
}

std::string damaged(const std::string& base, const std::uint8_t* data, std::size_t size) {
  std::string bytes = base;
  for (std::size_t i = 0; i + 5 <= size; i += 5) {
    const std::uint32_t at = std::uint32_t{data[i]} | std::uint32_t{data[i + 1]} << 8 |
                             std::uint32_t{data[i + 2]} << 16 | std::uint32_t{data[i + 3]} << 24;
    bytes[at % bytes.size()] = static_cast<char>(data[i + 4]);
  }
  return bytes;
}

void readBlob(std::string_view bytes) {
  const auto certificate = vemdrol::certificateInBlob(bytes);
  if (const auto* der = std::get_if<std::string_view>(&certificate)) check(within(*der, bytes));
}

void readCatalog(std::string_view bytes) {
  const auto read = vemdrol::readCatalog(bytes);
  if (const auto* catalog = std::get_if<vemdrol::Catalog>(&read)) {
    check(within(catalog->signedData.whole, bytes));
    check(within(catalog->signedData.signedContent, catalog->signedData.whole));
    check(catalog->digests.size() <= bytes.size() / 16);
    for (const vemdrol::CatalogDigest& digest : catalog->digests) {
      check(digest.size >= vemdrol::minCatalogDigestSize &&
            digest.size <= vemdrol::maxCatalogDigestSize);
    }
  }
}

void readSigner(std::string_view bytes) {
  const auto signer = vemdrol::readSignerInfo(bytes);
  if (!signer) return;
  check(within(signer->signature, bytes) && within(signer->unauthenticatedAttributes, bytes));
  if (const auto timestamp = vemdrol::readSignatureTimestamp(*signer)) {
    check(within(timestamp->token, bytes) && within(timestamp->imprint, bytes));
  }
}

void readHive(std::string_view bytes) {
  const auto found = vemdrol::findHiveSubkeyValues(bytes, L"Store\\Certificates", L"Blob");
  if (!found) return;
  for (const vemdrol::HiveSubkeyValue& value : found.value()) {
    if (value.value) check(value.value->at < bytes.size());
  }
}

// The judge, with a root store that holds no root: whatever it reads, no
// signature may verify.
void judge(std::string_view bytes) {
  static vemdrol::TargetTrust* trust = [] {
    auto* made = new vemdrol::TargetTrust(1796644800);
    made->setHasRootStore();
    return made;
  }();
  std::vector<vemdrol::TrustWarning> warnings;
  vemdrol::TargetTrust fresh(1796644800);
  fresh.setHasRootStore();
  fresh.addRoot(L"fuzz", bytes, warnings);
  fresh.addCatalog(L"fuzz.cat", bytes, warnings);
  check(fresh.catalogCount() + warnings.size() >= 1);
  for (const auto& parts : vemdrol::catalogDigestedParts(bytes)) check(within(parts, bytes));
  const vemdrol::SignatureFacts facts = trust->factsOf(bytes);
  check(facts.state != vemdrol::SignatureState::verified &&
        facts.state != vemdrol::SignatureState::unverified);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0] % 5;
  ++data;
  --size;
  switch (mode) {
    case 0: {
      const std::string bytes(reinterpret_cast<const char*>(data), size);
      readBlob(bytes);
      readCatalog(bytes);
      readSigner(bytes);
      judge(bytes);
      break;
    }
    case 1: {
      const std::string bytes = damaged(baseCatalog(), data, size);
      readCatalog(bytes);
      judge(bytes);
      break;
    }
    case 2:
      readBlob(damaged(baseBlob(), data, size));
      break;
    case 3:
      readSigner(damaged(baseSigner(), data, size));
      break;
    case 4:
      readHive(damaged(baseHive(), data, size));
      break;
  }
  return 0;
}
