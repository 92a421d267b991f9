// Program files for the signature tests. They are built here unsigned and
// signed at test time on the Linux host by scripts/sign-test-files, with
// throw-away certificates made there and then, so that no key is ever kept;
// the cases are then made from the signed files.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "os/signature.h"
#include "version/pe_builder.h"

namespace vemdrol {

// The signers' common names, as sign.list gives them.
inline constexpr TextView firstSigner = L"Vemdrol テスト署名";
inline constexpr TextView secondSigner = L"Second Test Signer";
// Both signers' organisation (O).
inline constexpr TextView signersOrganization = L"Vemdrol";

// The files to sign, by name, and "sign.list", which tells
// scripts/sign-test-files how: first.exe.unsigned (PE32+) becomes first.exe,
// signed with SHA-256 by firstSigner; second.dll.unsigned (PE32) becomes
// second.dll, signed with SHA-1 by secondSigner; microsoft.exe.unsigned
// becomes microsoft.exe, signed by a throw-away "Microsoft Windows" of
// "Microsoft Corporation". named.exe stays unsigned, Microsoft's by its
// version resource alone.
std::map<std::string, std::string> unsignedSignatureFiles();

// What a case gives on every platform. A signature that holds is
// "unverified" where nothing judges its certificates, and "verified" or
// "failed (untrusted)" where something does: the throw-away root is trusted
// nowhere.
enum class Expected { holds, notSigned, digestMismatch, badSignature };

struct SignatureCase {
  std::string name;
  std::string bytes;
  Text signer;
  Expected expected;
};

// The cases, made from the signed files and the unsigned ones (by name, as
// unsignedSignatureFiles and sign.list name them); none when one of them is
// missing or first.exe carries no signature.
std::vector<SignatureCase> signatureCases(const std::map<std::string, std::string>& files);

// Signatures built field by field: shaped like Authenticode, signed by no
// one, damaged where a test wants them damaged.

// One DER element, its length in the shortest form or in exactly
// lengthBytes bytes.
std::string der(unsigned tag, const std::string& value, int lengthBytes = 0);

inline const std::string signedDataOid("\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02", 9);
inline const std::string indirectDataOid("\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x04", 10);
inline const std::string sha256Oid("\x60\x86\x48\x01\x65\x03\x04\x02\x01", 9);

// The SpcIndirectDataContent of every built signature: its value, and the
// digest and algorithm element in it.
extern const std::string builtDigest;
extern const std::string builtDigestAlgorithm;
extern const std::string builtIndirectData;

// The parts of a built SignedData, each as its DER elements.
struct SignedDataParts {
  std::string contentType = signedDataOid;
  std::string indirectType = indirectDataOid;
  std::string certificates = der(0xA0, der(0x30, "a") + der(0x30, "b"));
  std::string crls;
  std::string signerInfos = der(0x31, der(0x30, "signer"));
  std::string afterSignerInfos;
};

// The ContentInfo holding the SignedData.
std::string signedData(const SignedDataParts& parts = {});

// A WIN_CERTIFICATE holding pkcs7, padded to 8 bytes.
std::string winCertificate(const std::string& pkcs7, std::uint16_t type = 2);

// A program file with table as its certificate table.
BuiltPe peWithCertificateTable(bool pe32Plus, const std::string& table);

}  // namespace vemdrol
