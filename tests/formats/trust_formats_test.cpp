// The parsers of what offline trust reads: certificate store blobs,
// catalogs, timestamps, DER times, and the root stores' keys in a hive, each
// built here field by field and damaged where a case wants it damaged.
#include <gtest/gtest.h>

#include <variant>

#include "formats/der_reader.h"
#include "formats/limits.h"
#include "formats/registry/hive_cells.h"
#include "formats/trust/catalog.h"
#include "formats/trust/certificate_blob.h"
#include "formats/trust/file_digest.h"
#include "formats/trust/signed_data.h"
#include "registry/hive_builder.h"
#include "signature/signature_files.h"

namespace vemdrol {
namespace {

const std::string sha1Digest(20, '\x11');
const std::string sha256Digest(32, '\x22');

TEST(DerTime, OnlyTheFormsDerAllows) {
  struct Case {
    unsigned tag;
    const char* text;
    std::optional<std::int64_t> seconds;
  };
  const Case cases[] = {
      {derTag::utcTime, "261207120000Z", 1796644800},
      {derTag::utcTime, "491231235959Z", 2524607999},  // the last year read as 20YY
      {derTag::utcTime, "500101000000Z", -631152000},  // the first read as 19YY
      {derTag::generalizedTime, "20240229063015Z", 1709188215},
      {derTag::generalizedTime, "20261207120000.125Z", 1796644800},
      {derTag::generalizedTime, "19691231235959Z", -1},
      {derTag::generalizedTime, "20230229063015Z", std::nullopt},  // no such day
      {derTag::generalizedTime, "20261307120000Z", std::nullopt},
      {derTag::generalizedTime, "20261207240000Z", std::nullopt},
      {derTag::generalizedTime, "20261207120000.Z", std::nullopt},
      {derTag::generalizedTime, "20261207120000", std::nullopt},  // local time
      {derTag::generalizedTime, "20261207120000+0900", std::nullopt},
      {derTag::utcTime, "2612071200Z", std::nullopt},  // without seconds
      {derTag::utcTime, "20261207120000Z", std::nullopt},
      {derTag::octetString, "261207120000Z", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(derTime(DerElement{c.tag, c.text, {}}), c.seconds) << c.text;
  }
}

std::string property(std::uint32_t id, const std::string& data) {
  std::string entry(12, '\0');
  putU32(entry, 0, id);
  putU32(entry, 4, 1);
  putU32(entry, 8, static_cast<std::uint32_t>(data.size()));
  return entry + data;
}

TEST(CertificateBlob, TheCertificateAmongItsProperties) {
  const std::string certificate = der(0x30, "certificate");
  using Answer = std::variant<std::string_view, CertificateBlobFault>;
  struct Case {
    const char* name;
    std::string blob;
    Answer answer;
  };
  std::string many;
  for (std::size_t i = 1; i < maxCertificateBlobProperties; ++i) many += property(3, "h");
  const std::string cut = property(3, "hash") + property(32, certificate);
  const Case cases[] = {
      {"after a hash", property(3, "hash") + property(32, certificate), certificate},
      {"first of two", property(32, certificate) + property(32, "second"), certificate},
      {"empty data", property(32, ""), std::string_view()},
      {"none", property(3, "hash"), CertificateBlobFault::noCertificate},
      {"nothing", "", CertificateBlobFault::noCertificate},
      {"data cut short", cut.substr(0, cut.size() - 1), CertificateBlobFault::cutShort},
      {"header cut short", property(3, "hash") + std::string(11, '\0'),
       CertificateBlobFault::cutShort},
      {"as many as allowed", many + property(32, certificate), certificate},
      {"one too many", many + property(3, "h") + property(32, certificate),
       CertificateBlobFault::tooManyParts},
  };
  for (const Case& c : cases) {
    const Answer answer = certificateInBlob(c.blob);
    EXPECT_EQ(answer.index(), c.answer.index()) << c.name;
    if (answer.index() == c.answer.index()) {
      EXPECT_TRUE(answer == c.answer) << c.name;
    }
  }
  // As long as allowed, and one byte longer.
  const std::string padding = property(3, std::string(maxCertificateBlobSize - 24, 'p'));
  EXPECT_EQ(std::get<std::string_view>(certificateInBlob(padding + property(32, ""))), "");
  EXPECT_EQ(std::get<CertificateBlobFault>(certificateInBlob(padding + property(32, "x"))),
            CertificateBlobFault::tooLarge);
  // A length of 4 GiB less one does not wrap the offset around.
  std::string huge = property(3, "");
  putU32(huge, 8, 0xFFFFFFFF);
  EXPECT_EQ(std::get<CertificateBlobFault>(certificateInBlob(huge + property(32, certificate))),
            CertificateBlobFault::cutShort);
}

// A ContentInfo holding a SignedData of this content.
std::string signedDataOf(const std::string& type, const std::string& content,
                         const std::string& signerInfo = der(0x30, "signer")) {
  const std::string encapsulated =
      der(0x30, der(0x06, type) + (content.empty() ? "" : der(0xA0, content)));
  const std::string body = der(0x02, "\x01") + der(0x31, "") + encapsulated + der(0x31, signerInfo);
  return der(0x30, der(0x06, signedDataOid) + der(0xA0, der(0x30, body)));
}

const std::string ctlOid(oid::certificateTrustList);

std::string utf16(const std::string& ascii) {
  std::string wide;
  for (const char c : ascii) wide += std::string{c, '\0'};
  return wide;
}

std::string hexOf(const std::string& bytes) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (const char c : bytes) {
    hex += digits[static_cast<unsigned char>(c) >> 4];
    hex += digits[static_cast<unsigned char>(c) & 0xF];
  }
  return hex;
}

std::string member(const std::string& tag, const std::string& indirectDigest = "") {
  std::string attributes;
  if (!indirectDigest.empty()) {
    const std::string indirect =
        der(0x30, der(0x30, der(0x06, "\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x0F") + der(0x30, "")) +
                      der(0x30, der(0x30, der(0x06, sha256Oid)) + der(0x04, indirectDigest)));
    attributes = der(0x31, der(0x30, der(0x06, indirectDataOid) + der(0x31, indirect)));
  }
  return der(0x30, der(0x04, tag) + attributes);
}

std::string trustList(const std::string& members) {
  return der(0x30, der(0x30, der(0x06, "\x2B\x06\x01\x04\x01\x82\x37\x0C\x01\x01")) +
                       der(0x04, "identifier") + der(0x17, "261207120000Z") +
                       der(0x30, der(0x06, "\x2B\x06\x01\x04\x01\x82\x37\x0C\x01\x02")) +
                       der(0x30, members) + der(0xA0, der(0x30, "")));
}

std::vector<std::string> digestsOf(const Catalog& catalog) {
  std::vector<std::string> digests;
  for (const CatalogDigest& digest : catalog.digests) digests.emplace_back(digest.view());
  return digests;
}

TEST(CatalogFile, MembersAreNamedByTheirDigestsInEveryForm) {
  const std::string otherDigest(32, '\x33');
  const std::string members =
      member(utf16(hexOf(sha1Digest)) + std::string(2, '\0')) +  // Unicode tag with its NUL
      member(hexOf(sha256Digest)) +                              // ASCII tag
      member(sha1Digest, otherDigest) +                          // raw tag, another inside
      member(sha256Digest, sha256Digest) +                       // the same twice
      member("hello");                                           // nothing to read
  for (const bool inOctets : {false, true}) {
    const std::string list = trustList(members);
    const std::string bytes = signedDataOf(ctlOid, inOctets ? der(0x04, list) : list);
    const auto read = readCatalog(bytes);
    ASSERT_TRUE(std::holds_alternative<Catalog>(read)) << inOctets;
    const Catalog& catalog = std::get<Catalog>(read);
    EXPECT_EQ(digestsOf(catalog), (std::vector<std::string>{sha1Digest, sha256Digest, sha1Digest,
                                                            otherDigest, sha256Digest}));
    EXPECT_EQ(catalog.unreadMembers, 1u);
    // What the signer's messageDigest covers: the list's value, or the
    // octets around it.
    const auto lengthByte = static_cast<unsigned char>(list[1]);
    const std::size_t header = 2 + (lengthByte & 0x80 ? lengthByte & 0x7F : 0);
    const std::string_view covered = catalog.signedData.signedContent;
    EXPECT_EQ(covered, inOctets ? std::string_view(list) : std::string_view(list).substr(header));
  }

  struct Damage {
    const char* name;
    std::string bytes;
    CatalogFault fault;
  };
  const std::string list = trustList(member(sha1Digest));
  const Damage damages[] = {
      {"not DER", "catalog", CatalogFault::notSignedData},
      {"Authenticode", signedDataOf(indirectDataOid, list), CatalogFault::notTrustList},
      {"no signer", signedDataOf(ctlOid, list, ""), CatalogFault::notSignedData},
      {"member not a sequence", signedDataOf(ctlOid, trustList(der(0x04, sha1Digest))),
       CatalogFault::damaged},
      {"member without tag", signedDataOf(ctlOid, trustList(der(0x30, der(0x31, "")))),
       CatalogFault::damaged},
      {"after the list", signedDataOf(ctlOid, trustList("") + der(0x05, "")),
       CatalogFault::notSignedData},
      {"no content", signedDataOf(ctlOid, ""), CatalogFault::damaged},
  };
  for (const Damage& damage : damages) {
    const auto read = readCatalog(damage.bytes);
    ASSERT_TRUE(std::holds_alternative<CatalogFault>(read)) << damage.name;
    EXPECT_EQ(std::get<CatalogFault>(read), damage.fault) << damage.name;
  }
  // Cut anywhere, it is damaged.
  const std::string whole = signedDataOf(ctlOid, list);
  for (std::size_t size = 0; size < whole.size(); ++size) {
    EXPECT_FALSE(std::holds_alternative<Catalog>(readCatalog(whole.substr(0, size)))) << size;
  }
  // As large as allowed, and a byte larger.
  std::string large(maxCatalogSize + 1, '\0');
  EXPECT_EQ(std::get<CatalogFault>(readCatalog(std::string_view(large).substr(1))),
            CatalogFault::notSignedData);
  EXPECT_EQ(std::get<CatalogFault>(readCatalog(large)), CatalogFault::tooLarge);
}

// A SignerInfo with these unauthenticated attributes.
std::string signerInfoWith(const std::string& unauthenticated) {
  return der(0x30, der(0x02, "\x01") + der(0x30, der(0x30, "issuer") + der(0x02, "\x05")) +
                       der(0x30, der(0x06, sha256Oid)) + der(0xA0, der(0x30, "attributes")) +
                       der(0x30, der(0x06, "rsa")) + der(0x04, "signature") +
                       (unauthenticated.empty() ? "" : der(0xA1, unauthenticated)));
}

std::string attribute(std::string_view type, const std::string& value) {
  return der(0x30, der(0x06, std::string(type)) + der(0x31, value));
}

TEST(SignatureTimestamp, ACountersignatureOrATokenGivesItsTime) {
  const std::string imprint(32, '\x44');
  const std::string countersignature =
      der(0x30, der(0x02, "\x01") + der(0x30, der(0x30, "tsa") + der(0x02, "\x07")) +
                    der(0x30, der(0x06, sha256Oid)) +
                    der(0xA0, attribute(oid::signingTime, der(0x17, "261207120000Z")) +
                                  attribute(oid::messageDigest, der(0x04, imprint))) +
                    der(0x30, der(0x06, "rsa")) + der(0x04, "countersigned"));
  const std::string tstInfo =
      der(0x30, der(0x02, "\x01") + der(0x06, "policy") +
                    der(0x30, der(0x30, der(0x06, sha256Oid)) + der(0x04, imprint)) +
                    der(0x02, "\x09") + der(0x18, "20261106120000Z"));
  const std::string token = signedDataOf(std::string(oid::tstInfo), der(0x04, tstInfo));
  struct Case {
    const char* name;
    std::string attributes;
    std::optional<SignatureTimestamp::Kind> kind;
    std::int64_t time;
  };
  const std::int64_t december = 1796644800;
  const std::int64_t november = december - 31 * 86400;
  const Case cases[] = {
      {"countersignature", attribute(oid::countersignature, countersignature),
       SignatureTimestamp::Kind::countersignature, december},
      {"token", attribute(oid::rfc3161Timestamp, token), SignatureTimestamp::Kind::rfc3161,
       november},
      {"both",
       attribute(oid::rfc3161Timestamp, token) + attribute(oid::countersignature, countersignature),
       SignatureTimestamp::Kind::countersignature, december},
      {"a damaged one and a token",
       attribute(oid::countersignature, der(0x30, "damaged")) +
           attribute(oid::rfc3161Timestamp, token),
       SignatureTimestamp::Kind::rfc3161, november},
      {"token of something else",
       attribute(oid::rfc3161Timestamp, signedDataOf(ctlOid, der(0x04, tstInfo))), std::nullopt, 0},
      {"none", "", std::nullopt, 0},
  };
  for (const Case& c : cases) {
    const std::string signer = signerInfoWith(c.attributes);
    const auto parts = readSignerInfo(signer);
    ASSERT_TRUE(parts) << c.name;
    EXPECT_EQ(parts->signature, "signature") << c.name;
    const auto timestamp = readSignatureTimestamp(*parts);
    ASSERT_EQ(timestamp.has_value(), c.kind.has_value()) << c.name;
    if (!timestamp) continue;
    EXPECT_EQ(timestamp->kind, *c.kind) << c.name;
    EXPECT_EQ(timestamp->time, c.time) << c.name;
    EXPECT_EQ(timestamp->imprint, imprint) << c.name;
    EXPECT_EQ(timestamp->imprintAlgorithm, sha256Oid) << c.name;
  }
}

TEST(SignatureTimestamp, AttributesUpToTheirLimit) {
  const std::string wanted = attribute(oid::signingTime, der(0x17, "261207120000Z"));
  std::string others;
  for (std::size_t i = 1; i < maxDerAttributes; ++i) others += attribute("\x2A\x03", "");
  EXPECT_TRUE(derAttribute(others + wanted, oid::signingTime));
  EXPECT_FALSE(derAttribute(others + attribute("\x2A\x03", "") + wanted, oid::signingTime));
  EXPECT_FALSE(derAttribute(wanted.substr(0, wanted.size() - 1), oid::signingTime));
}

TEST(CatalogDigest, LeavesOutWhatASignatureWouldChange) {
  const BuiltPe image = buildPe(PeOptions{});
  const std::string& file = image.bytes;
  const auto parts = catalogDigestedParts(file);
  EXPECT_EQ(parts[0], std::string_view(file).substr(0, image.checksum));
  EXPECT_EQ(parts[1], std::string_view(file).substr(image.checksum + 4,
                                                    image.certificateEntry - image.checksum - 4));
  EXPECT_EQ(parts[2], std::string_view(file).substr(image.certificateEntry + 8));
  // Another file is hashed whole.
  EXPECT_EQ(catalogDigestedParts("plain text")[0], "plain text");
  // A signed one as its signature's digest covers it.
  const BuiltPe signedImage = peWithCertificateTable(true, winCertificate(signedData()));
  const auto signedParts = catalogDigestedParts(signedImage.bytes);
  EXPECT_EQ(signedParts[2].size(), signedImage.certificateTable - signedImage.certificateEntry - 8);
}

TEST(HiveSubkeyValues, EachSubkeysValueInOneReading) {
  const auto blob = [](const std::string& bytes) {
    return RegistryData{registryTypeBinary, bytes};
  };
  HiveKey certificates{L"Certificates",
                       {},
                       {{L"A1", {{L"Blob", blob("first")}}, {}},
                        {L"B2", {{L"Other", blob("x")}}, {}},
                        {L"C3", {{L"", blob("default")}, {L"BLOB", blob("third")}}, {}}}};
  HiveKey root{L"ROOT", {}, {{L"Store", {}, {certificates}}}};
  const std::string hive = buildHive(root).bytes;
  const auto found = findHiveSubkeyValues(hive, L"Store\\Certificates", L"Blob");
  ASSERT_TRUE(found);
  ASSERT_EQ(found.value().size(), 3u);
  EXPECT_EQ(found.value()[0].subkey, L"A1");
  EXPECT_TRUE(found.value()[0].value);
  EXPECT_FALSE(found.value()[1].value);
  EXPECT_EQ(found.value()[2].subkey, L"C3");
  EXPECT_TRUE(found.value()[2].value);
  const auto missing = findHiveSubkeyValues(hive, L"Store\\Nothing", L"Blob");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().fault, Fault::noSuchKey);
  EXPECT_FALSE(findHiveSubkeyValues(hive.substr(0, 100), L"Store", L"Blob"));
}

}  // namespace
}  // namespace vemdrol
