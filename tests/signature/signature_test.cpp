// The cells, and the certificate table and SignedData read from the bytes.
#include "os/signature.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats/pe/authenticode.h"
#include "signature/signature_files.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

bool hasSignature(const std::string& file) { return findEmbeddedSignature(file).has_value(); }

TEST(SignatureCells, ShowSignerStateAndExportedValue) {
  const SignatureFacts changed{SignatureState::failed, L"Example",
                               SignatureFailure::digestMismatch};
  EXPECT_EQ(signerCell(changed), L"Example");
  EXPECT_EQ(signatureStateCell(changed), L"検証失敗 (ハッシュ不一致)");
  EXPECT_EQ(signatureStateCell({SignatureState::failed, L"", SignatureFailure::other, 0x7A}),
            L"検証失敗 (エラー 0x0000007A)");
  EXPECT_EQ(signatureStateCell({SignatureState::verified, L"", SignatureFailure::none, 0}),
            L"検証済み");
  EXPECT_EQ(signatureStateCell({SignatureState::unverified, L"", SignatureFailure::none, 0}),
            L"未検証");
  EXPECT_EQ(signerCell({}), L"署名なし");
  EXPECT_EQ(signatureStateCell({}), L"署名なし");
  EXPECT_EQ(signatureJsonValue(SignatureState::verified), "verified");
  EXPECT_EQ(signatureJsonValue(SignatureState::failed), "failed");
  EXPECT_EQ(signatureJsonValue(SignatureState::unverified), "unverified");
  EXPECT_EQ(signatureJsonValue(SignatureState::notSigned), "unsigned");
}

TEST(EmbeddedSignature, IsTheFirstCertificateTableEntryAndTheRestIsDigested) {
  const std::string pkcs7 = signedData();
  for (bool pe32Plus : {false, true}) {
    const BuiltPe image =
        peWithCertificateTable(pe32Plus, winCertificate(pkcs7) + winCertificate("second"));
    const std::string& file = image.bytes;
    const auto found = findEmbeddedSignature(file);
    ASSERT_TRUE(found) << pe32Plus;
    EXPECT_EQ(found->pkcs7.data(), file.data() + image.certificateTable + 8);
    EXPECT_EQ(found->pkcs7, pkcs7);

    // Everything but the checksum, the table's directory entry and the table.
    const std::size_t tableEnd = file.size();
    const std::vector<std::pair<std::size_t, std::size_t>> expected = {
        {0, image.checksum},
        {image.checksum + 4, image.certificateEntry},
        {image.certificateEntry + 8, image.certificateTable},
        {tableEnd, tableEnd}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(found->digested[i].data(), file.data() + expected[i].first) << i;
      EXPECT_EQ(found->digested[i].size(), expected[i].second - expected[i].first) << i;
    }
  }

  // Bytes after the table are digested too.
  BuiltPe image = peWithCertificateTable(true, winCertificate(pkcs7));
  image.bytes += "trailing";
  const auto found = findEmbeddedSignature(image.bytes);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->digested[3], "trailing");
}

TEST(EmbeddedSignature, TableAndEntryMustFitExactly) {
  const std::string entry = winCertificate(signedData());
  const BuiltPe image = peWithCertificateTable(true, entry);
  const std::string& file = image.bytes;
  ASSERT_TRUE(hasSignature(file));
  auto withU32 = [&](std::size_t at, std::uint32_t value) {
    std::string changed = file;
    putU32(changed, at, value);
    return changed;
  };
  const auto table = static_cast<std::uint32_t>(image.certificateTable);
  const auto size = static_cast<std::uint32_t>(entry.size());
  const std::size_t sizeField = image.certificateEntry + 4;

  // The table's end at the file's end, one byte past it, far past it.
  EXPECT_TRUE(hasSignature(withU32(sizeField, size)));
  EXPECT_FALSE(hasSignature(withU32(sizeField, size + 1)));
  EXPECT_FALSE(hasSignature(withU32(image.certificateEntry, 0xFFFFFFF8u)));
  EXPECT_FALSE(hasSignature(withU32(sizeField, 0)));
  // The entry's length: the whole table, one past it, its bare header, one
  // short of that.
  EXPECT_TRUE(hasSignature(withU32(table, size)));
  EXPECT_FALSE(hasSignature(withU32(table, size + 1)));
  EXPECT_TRUE(findEmbeddedSignature(withU32(table, 8))->pkcs7.empty());
  EXPECT_FALSE(hasSignature(withU32(table, 7)));
  // Only PKCS #7 signed data counts.
  std::string x509 = file;
  putU16(x509, table + 6, 1);
  EXPECT_FALSE(hasSignature(x509));
  // The table may start right after its directory entry, not within it.
  for (const std::uint32_t start : {image.certificateEntry + 8, image.certificateEntry + 7}) {
    std::string early = withU32(image.certificateEntry, start);
    putU32(early, sizeField, table + size - start);
    putU32(early, start, 8);
    putU16(early, start + 6, 2);
    EXPECT_EQ(hasSignature(early), start == image.certificateEntry + 8);
  }
  // Data directory 4 must be one of the directories.
  const std::size_t countField = image.certificateEntry - 4 * 8 - 4;
  EXPECT_TRUE(hasSignature(withU32(countField, 5)));
  EXPECT_FALSE(hasSignature(withU32(countField, 4)));
}

TEST(AuthenticodeContent, ReadsTheDigestAndWhatTheSignerSigned) {
  const std::string data = signedData();
  const std::string padded = data + std::string(5, '\0');
  const auto content = readAuthenticodeContent(padded);
  ASSERT_TRUE(content);
  EXPECT_EQ(content->signedData, data);
  EXPECT_EQ(content->digestAlgorithm, builtDigestAlgorithm);
  EXPECT_EQ(content->digest, builtDigest);
  EXPECT_EQ(content->signedContent, builtIndirectData);
  EXPECT_EQ(content->certificates, 2u);

  SignedDataParts none;
  none.certificates.clear();
  none.crls = der(0xA1, "revoked");
  EXPECT_EQ(readAuthenticodeContent(signedData(none))->certificates, 0u);

  // Every part is needed, in its place.
  SignedDataParts otherType;
  otherType.contentType[8] = 1;  // 1.2.840.113549.1.7.1, plain data
  SignedDataParts otherContent;
  otherContent.indirectType.back() = 0x0F;
  SignedDataParts noSigners;
  noSigners.signerInfos.clear();
  SignedDataParts extra;
  extra.afterSignerInfos = der(0x31, "");
  for (const auto& parts : {otherType, otherContent, noSigners, extra}) {
    EXPECT_FALSE(readAuthenticodeContent(signedData(parts)));
  }
  // Cut anywhere, it is damaged.
  for (std::size_t size = 0; size < data.size(); ++size) {
    EXPECT_FALSE(readAuthenticodeContent(data.substr(0, size))) << size;
  }
}

TEST(AuthenticodeContent, LengthsAndCountsAtTheirLimits) {
  // Lengths in four bytes, and in five.
  const std::string data = signedData();
  const auto lengthByte = static_cast<unsigned char>(data[1]);
  const std::string body = data.substr(2 + (lengthByte & 0x80 ? lengthByte & 0x7F : 0));
  EXPECT_TRUE(readAuthenticodeContent(der(0x30, body, 4)));
  EXPECT_FALSE(readAuthenticodeContent(der(0x30, body, 5)));
  // An indefinite length, and a length one past the bytes there are.
  EXPECT_FALSE(readAuthenticodeContent(std::string("\x30\x80", 2) + body + std::string(2, '\0')));
  const std::string over = der(0x30, body + "x");
  EXPECT_TRUE(readAuthenticodeContent(over));
  EXPECT_FALSE(readAuthenticodeContent(over.substr(0, over.size() - 1)));
  EXPECT_FALSE(readAuthenticodeContent(std::string("\x3F\x01\x00", 3)));

  // As many certificates as allowed, and one more.
  auto withCertificates = [](std::size_t count) {
    std::string certificates;
    for (std::size_t i = 0; i < count; ++i) certificates += der(0x30, "c");
    SignedDataParts parts;
    parts.certificates = der(0xA0, certificates);
    return signedData(parts);
  };
  EXPECT_EQ(readAuthenticodeContent(withCertificates(maxCertificates))->certificates,
            maxCertificates);
  EXPECT_FALSE(readAuthenticodeContent(withCertificates(maxCertificates + 1)));

  // As large as allowed, and one byte more: one large certificate fills it.
  auto withCertificateOf = [](std::size_t size) {
    SignedDataParts parts;
    parts.certificates = der(0xA0, der(0x30, std::string(size, 'c')));
    return signedData(parts);
  };
  // Near the limit every length takes three bytes, so sizes grow one by one.
  const std::size_t guess = maxSignedDataSize - 100;
  const std::size_t fitting = guess + (maxSignedDataSize - withCertificateOf(guess).size());
  ASSERT_EQ(withCertificateOf(fitting).size(), maxSignedDataSize);
  EXPECT_TRUE(readAuthenticodeContent(withCertificateOf(fitting)));
  EXPECT_FALSE(readAuthenticodeContent(withCertificateOf(fitting + 1)));
}

// Writes the files scripts/sign-test-files signs into the folder
// VEMDROL_SIGNATURE_FILES names; the Windows build's tests start it this way
// before signing (CMakeLists.txt).
TEST(SignatureFiles, DISABLED_WriteUnsigned) {
  const char* folder = std::getenv("VEMDROL_SIGNATURE_FILES");
  ASSERT_NE(folder, nullptr) << "set VEMDROL_SIGNATURE_FILES";
  std::filesystem::create_directories(folder);
  for (const auto& [name, bytes] : unsignedSignatureFiles()) {
    std::ofstream file(std::string(folder) + "/" + name, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(file.good()) << name;
  }
}

}  // namespace
}  // namespace vemdrol
