// Signatures from the program file's own bytes, with OpenSSL for the PKCS #7
// SignedData and the digests. There is no trust store here to judge the
// certificates by, so a signature that holds is "unverified"; what can be
// checked is checked: that the file is the one that was signed (the
// Authenticode digest) and that the signer signed that digest.
#include "os/signature.h"

#include <openssl/err.h>
#include <openssl/objects.h>

#include <string>

#include "formats/pe/authenticode.h"
#include "os/posix/openssl_signature.h"

namespace vemdrol {
namespace {

SignatureFacts failed(SignatureFailure failure, Text signer = Text(), Text organization = Text()) {
  return SignatureFacts{SignatureState::failed, std::move(signer), failure, 0,
                        std::move(organization)};
}

SignatureFacts factsOf(std::string_view file) {
  const std::optional<EmbeddedSignature> embedded = findEmbeddedSignature(file);
  if (!embedded) return SignatureFacts{};
  const std::optional<AuthenticodeContent> content = readAuthenticodeContent(embedded->pkcs7);
  if (!content) return failed(SignatureFailure::malformed);

  // First the signer's signature over its attributes, and their
  // messageDigest over the SpcIndirectDataContent that holds the file digest
  // and its algorithm; then that digest against the file.
  const SignedDataCheck check = checkSignedData(content->signedData, content->signedContent);
  if (check.outcome == SignedDataCheck::Outcome::malformed) {
    return failed(SignatureFailure::malformed);
  }
  Text signer = certificateSubjectText(check.signer, NID_commonName);
  Text organization = certificateSubjectText(check.signer, NID_organizationName);
  if (check.outcome == SignedDataCheck::Outcome::badSignature) {
    return failed(SignatureFailure::badSignature, std::move(signer), std::move(organization));
  }
  std::string digest;
  // A digest algorithm OpenSSL does not know leaves the file unchecked;
  // unverified says no more than that.
  if (digestOf(digestNamedBy(content->digestAlgorithm), embedded->digested, digest) &&
      digest != content->digest) {
    return failed(SignatureFailure::digestMismatch, std::move(signer), std::move(organization));
  }
  return SignatureFacts{SignatureState::unverified, std::move(signer), SignatureFailure::none, 0,
                        std::move(organization)};
}

class PosixSignatureReader final : public SignatureReader {
 public:
  explicit PosixSignatureReader(FileSystem& files) : files_(files) {}

  Result<SignatureFacts> signatureOf(TextView path) override {
    const Result<std::string> file = files_.readFile(path);
    if (!file) return file.error();
    SignatureFacts facts = factsOf(file.value());
    // OpenSSL keeps its complaints about a damaged signature in a queue of
    // the thread's; they mean nothing for the next file.
    ERR_clear_error();
    return facts;
  }

 private:
  FileSystem& files_;
};

}  // namespace

std::unique_ptr<SignatureReader> makeSystemSignatureReader(FileSystem& files) {
  return std::make_unique<PosixSignatureReader>(files);
}

}  // namespace vemdrol
