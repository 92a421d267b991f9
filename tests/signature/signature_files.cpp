#include "signature/signature_files.h"

#include <cstdint>

#include "formats/pe/authenticode.h"

namespace vemdrol {
namespace {

std::uint32_t u32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// File offsets of the checksum and of data directory 4 in a PE file built
// here.
struct PeFields {
  std::size_t checksum = 0;
  std::size_t certificateEntry = 0;
};

PeFields fieldsOf(const std::string& bytes) {
  const std::size_t optional = u32At(bytes, 0x3C) + 24;
  const bool pe32Plus = (u32At(bytes, optional) & 0xFFFF) == 0x20B;
  return {optional + 64, optional + (pe32Plus ? 112 : 96) + 8 * 4};
}

}  // namespace

std::map<std::string, std::string> unsignedSignatureFiles() {
  ProgramVersion first = fileVersion(1, 2, 3, 4);
  first.description = L"署名のテスト";
  ProgramVersion second = fileVersion(5, 6, 7, 8);
  second.legalCopyright = L"© Vemdrol";
  PeOptions pe32;
  pe32.pe32Plus = false;
  pe32.languages.push_back({0x0409, versionBlock(second)});

  // A file that only claims to be Microsoft's, in its version resource.
  const VersionNode strings =
      stringTableNode(L"040904B0", {stringNode(L"CompanyName", L"Microsoft Corporation"),
                                    stringNode(L"FileDescription", L"Claims to be Microsoft's")});
  const std::string claims = serialize(
      versionInfoNode(fixedFileInfo(0x000A0000, 0),
                      {stringFileInfoNode({strings}), varFileInfoNode({{0x0409, 0x04B0}})}));

  return {
      {"first.exe.unsigned", peWithVersionBlock(versionBlock(first))},
      {"second.dll.unsigned", buildPe(pe32).bytes},
      {"microsoft.exe.unsigned", peWithVersionBlock(versionBlock(fileVersion(10, 0, 0, 1)))},
      {"named.exe", peWithVersionBlock(claims)},
      // The subjects are UTF-8; the common names are firstSigner and
      // secondSigner, the second one neither first nor last of its name.
      {"sign.list",
       "first.exe.unsigned\tfirst.exe\tsha256\t/CN=Vemdrol テスト署名/O=Vemdrol\n"
       "second.dll.unsigned\tsecond.dll\tsha1\t/C=JP/O=Vemdrol/CN=Second Test Signer/OU=Tests\n"
       "microsoft.exe.unsigned\tmicrosoft.exe\tsha256\t/CN=Microsoft Windows/O=Microsoft "
       "Corporation\n"},
  };
}

std::vector<SignatureCase> signatureCases(const std::map<std::string, std::string>& files) {
  for (const char* name :
       {"first.exe", "second.dll", "first.exe.unsigned", "second.dll.unsigned"}) {
    if (files.count(name) == 0 || files.at(name).size() < 0x400) return {};
  }
  const std::string& first = files.at("first.exe");
  const auto embedded = findEmbeddedSignature(first);
  const auto content = embedded ? readAuthenticodeContent(embedded->pkcs7) : std::nullopt;
  if (!content) return {};
  const Text one(firstSigner);
  const Text two(secondSigner);
  const auto [checksum, entry] = fieldsOf(first);
  const std::uint32_t table = u32At(first, entry);
  const std::uint32_t tableSize = u32At(first, entry + 4);

  std::vector<SignatureCase> cases;
  cases.push_back({"first.exe", first, one, Expected::holds});
  cases.push_back({"second.dll", files.at("second.dll"), two, Expected::holds});

  // The checksum is left out of the digest, the byte after it is not.
  std::string changed = first;
  putU32(changed, checksum, 0x12345678);
  cases.push_back({"checksum.exe", changed, one, Expected::holds});
  changed = first;
  changed[checksum + 4] = static_cast<char>(changed[checksum + 4] ^ 1);
  cases.push_back({"afterChecksum.exe", changed, one, Expected::digestMismatch});
  // One byte of the version resource, inside the section.
  changed = first;
  changed[0x300] = static_cast<char>(changed[0x300] ^ 0x20);
  cases.push_back({"changed.exe", changed, one, Expected::digestMismatch});

  // The second file with the first one's signature.
  std::string spliced = files.at("second.dll.unsigned");
  spliced.resize((spliced.size() + 7) / 8 * 8, '\0');
  const std::size_t splicedEntry = fieldsOf(spliced).certificateEntry;
  putU32(spliced, splicedEntry, static_cast<std::uint32_t>(spliced.size()));
  putU32(spliced, splicedEntry + 4, tableSize);
  spliced += first.substr(table, tableSize);
  cases.push_back({"spliced.dll", spliced, one, Expected::digestMismatch});

  // The signer's signature itself, a byte near its end.
  changed = first;
  const std::size_t signatureEnd =
      static_cast<std::size_t>(content->signedData.data() - first.data()) +
      content->signedData.size();
  changed[signatureEnd - 10] = static_cast<char>(changed[signatureEnd - 10] ^ 1);
  cases.push_back({"forged.exe", changed, one, Expected::badSignature});

  cases.push_back({"unsigned.exe", files.at("first.exe.unsigned"), Text(), Expected::notSigned});
  // A table that reaches past the end of the file, and a first entry longer
  // than the table.
  changed = first;
  putU32(changed, entry + 4, tableSize + 8);
  cases.push_back({"pastEnd.exe", changed, Text(), Expected::notSigned});
  changed = first;
  putU32(changed, table, tableSize + 8);
  cases.push_back({"longEntry.exe", changed, Text(), Expected::notSigned});
  return cases;
}

std::string der(unsigned tag, const std::string& value, int lengthBytes) {
  std::string header(1, static_cast<char>(tag));
  const std::size_t size = value.size();
  if (lengthBytes == 0 && size < 0x80) {
    header += static_cast<char>(size);
    return header + value;
  }
  if (lengthBytes == 0) {
    for (std::size_t rest = size; rest != 0; rest >>= 8) ++lengthBytes;
  }
  header += static_cast<char>(0x80 | lengthBytes);
  for (int i = lengthBytes - 1; i >= 0; --i) header += static_cast<char>(size >> (8 * i) & 0xFF);
  return header + value;
}

const std::string builtDigest(32, '\x5A');
const std::string builtDigestAlgorithm = der(0x06, sha256Oid);
// SpcPeImageData's type, then the digest information.
const std::string builtIndirectData =
    der(0x30, der(0x06, "\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x0F") + der(0x30, "")) +
    der(0x30, der(0x30, builtDigestAlgorithm + der(0x05, "")) + der(0x04, builtDigest));

std::string signedData(const SignedDataParts& parts) {
  const std::string encapsulated =
      der(0x30, der(0x06, parts.indirectType) + der(0xA0, der(0x30, builtIndirectData)));
  const std::string body = der(0x02, "\x01") + der(0x31, der(0x30, der(0x06, sha256Oid))) +
                           encapsulated + parts.certificates + parts.crls + parts.signerInfos +
                           parts.afterSignerInfos;
  return der(0x30, der(0x06, parts.contentType) + der(0xA0, der(0x30, body)));
}

std::string winCertificate(const std::string& pkcs7, std::uint16_t type) {
  std::string entry(8, '\0');
  putU32(entry, 0, static_cast<std::uint32_t>(8 + pkcs7.size()));
  putU16(entry, 4, 0x0200);
  putU16(entry, 6, type);
  entry += pkcs7;
  entry.resize((entry.size() + 7) / 8 * 8, '\0');
  return entry;
}

BuiltPe peWithCertificateTable(bool pe32Plus, const std::string& table) {
  PeOptions options;
  options.pe32Plus = pe32Plus;
  options.languages.push_back({0x0411, versionBlock(fileVersion(1, 0, 0, 1))});
  options.certificateTable = table;
  return buildPe(options);
}

}  // namespace vemdrol
