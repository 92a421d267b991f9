// A target's judge of embedded signatures, with signatures built field by
// field under a throw-away root: the file's digest must be computed and
// match before any chain counts, whatever algorithm the signature names.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <array>
#include <string>
#include <vector>

#include "formats/der_reader.h"
#include "formats/pe/authenticode.h"
#include "posix/throwaway_pki.h"
#include "signature/signature_files.h"
#include "trust/target_trust.h"

namespace vemdrol {
namespace {

const std::int64_t now = secondsSinceEpoch(2026, 12, 7, 12, 0, 0);
constexpr std::int64_t year = 365 * 86400;
constexpr const char* indirectDataType = "1.3.6.1.4.1.311.2.1.4";

// An SpcIndirectDataContent for a PE image whose digest, by the algorithm
// named by the identifier's value bytes, is digest.
std::string indirectData(const std::string& algorithm, const std::string& digest) {
  return der(0x30,
             der(0x30, der(0x06, "\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x0F") + der(0x30, "")) +
                 der(0x30, der(0x30, der(0x06, algorithm) + der(0x05, "")) + der(0x04, digest)));
}

std::string sha256Of(const std::array<std::string_view, 4>& parts) {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  EVP_DigestInit_ex(context, EVP_sha256(), nullptr);
  for (const std::string_view part : parts) EVP_DigestUpdate(context, part.data(), part.size());
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_DigestFinal_ex(context, digest, &size);
  EVP_MD_CTX_free(context);
  return std::string(reinterpret_cast<const char*>(digest), size);
}

TEST(TargetTrust, AFileIsVerifiedOnlyByADigestThatWasComputedAndMatches) {
  ThrowAwayPki pki;
  CertificateRequest rootRequest{"Vemdrol Test Root", "", now - year, now + year, true, ""};
  const TestCertificate root = pki.issue(rootRequest, nullptr);
  const TestCertificate signer = pki.issue(
      {"Microsoft Windows", "Microsoft Corporation", now - year, now + year, false, "codeSigning"},
      &root);
  const auto signedFile = [&](const std::string& algorithm, const std::string& digest) {
    const std::string pkcs7 =
        pki.signedContent(indirectDataType, indirectData(algorithm, digest), signer, {&root});
    return peWithCertificateTable(true, winCertificate(pkcs7)).bytes;
  };
  // What the digest covers does not hold the certificate table: a file
  // signed with any digest tells the right one.
  const std::string placeholder = signedFile(sha256Oid, std::string(32, '\0'));
  const auto embedded = findEmbeddedSignature(placeholder);
  ASSERT_TRUE(embedded);
  const std::string digest = sha256Of(embedded->digested);

  TargetTrust trust(now);
  trust.setHasRootStore();
  std::vector<TrustWarning> warnings;
  trust.addRoot(L"ROOT\\TEST", certificateBlob(root.der()), warnings);
  ASSERT_TRUE(warnings.empty());

  struct Case {
    const char* name;
    std::string algorithm;
    std::string digest;
    SignatureState state;
    SignatureFailure failure;
  };
  const std::string unknownAlgorithm("\x2A\x03\x04\x05", 4);  // 1.2.3.4.5, no digest
  const std::vector<Case> cases = {
      {"the file's digest", sha256Oid, digest, SignatureState::verified, SignatureFailure::none},
      {"another digest", sha256Oid, std::string(32, '\x5A'), SignatureState::failed,
       SignatureFailure::digestMismatch},
      {"an algorithm nothing computes", unknownAlgorithm, digest, SignatureState::failed,
       SignatureFailure::malformed},
  };
  for (const Case& c : cases) {
    const std::string file = signedFile(c.algorithm, c.digest);
    // The same bytes are digested whatever the table holds.
    const auto own = findEmbeddedSignature(file);
    ASSERT_TRUE(own) << c.name;
    ASSERT_EQ(sha256Of(own->digested), digest) << c.name;
    const SignatureFacts facts = trust.factsOf(file);
    EXPECT_EQ(facts.state, c.state) << c.name;
    EXPECT_EQ(facts.failure, c.failure) << c.name;
    EXPECT_EQ(facts.organization, L"Microsoft Corporation") << c.name;
  }
}

}  // namespace
}  // namespace vemdrol
