// Signatures from the program file's own bytes, with OpenSSL for the PKCS #7
// SignedData and the digests. There is no trust store here to judge the
// certificates by, so a signature that holds is "unverified"; what can be
// checked is checked: that the file is the one that was signed (the
// Authenticode digest) and that the signer signed that digest.
#include "os/signature.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <cstring>
#include <memory>
#include <string>

#include "formats/pe/authenticode.h"

namespace vemdrol {
namespace {

template <auto release>
struct Releaser {
  template <class T>
  void operator()(T* pointer) const {
    release(pointer);
  }
};
template <class T, auto release>
using Owned = std::unique_ptr<T, Releaser<release>>;

void freeCertificateStack(STACK_OF(X509) * stack) { sk_X509_free(stack); }
void freeBytes(unsigned char* bytes) { OPENSSL_free(bytes); }

using OwnedPkcs7 = Owned<PKCS7, PKCS7_free>;
using OwnedBio = Owned<BIO, BIO_free_all>;
using OwnedObject = Owned<ASN1_OBJECT, ASN1_OBJECT_free>;
using OwnedDigest = Owned<EVP_MD_CTX, EVP_MD_CTX_free>;
using OwnedString = Owned<ASN1_STRING, ASN1_STRING_free>;
using OwnedSigners = Owned<STACK_OF(X509), freeCertificateStack>;
using OwnedBytes = Owned<unsigned char, freeBytes>;

const unsigned char* bytesOf(std::string_view view) {
  return reinterpret_cast<const unsigned char*>(view.data());
}

// The first common name of the certificate's subject, as CertGetNameStringW
// gives it: whatever string type it is stored as, up to its first NUL.
Text commonNameOf(X509* certificate) {
  const X509_NAME* subject = X509_get_subject_name(certificate);
  const int index = subject ? X509_NAME_get_index_by_NID(subject, NID_commonName, -1) : -1;
  if (index < 0) return Text();
  const ASN1_STRING* value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index));
  unsigned char* utf8 = nullptr;
  const int utf8Length = value ? ASN1_STRING_to_UTF8(&utf8, value) : -1;
  const OwnedBytes ownedUtf8(utf8);
  if (utf8Length < 0) return Text();
  // UTF-32BE: one code point in four bytes, whatever the width of wchar_t.
  ASN1_STRING* wide = nullptr;
  if (ASN1_mbstring_copy(&wide, utf8, utf8Length, MBSTRING_UTF8, B_ASN1_UNIVERSALSTRING) < 0) {
    return Text();
  }
  const OwnedString ownedWide(wide);
  const unsigned char* units = ASN1_STRING_get0_data(wide);
  Text name;
  for (int i = 0; i + 3 < ASN1_STRING_length(wide); i += 4) {
    const auto code = std::uint32_t{units[i]} << 24 | std::uint32_t{units[i + 1]} << 16 |
                      std::uint32_t{units[i + 2]} << 8 | units[i + 3];
    if (code == 0) break;
    if (sizeof(wchar_t) == 2 && code > 0xFFFF) {
      name += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
      name += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      name += static_cast<wchar_t>(code);
    }
  }
  return name;
}

enum class DigestCheck { matches, differs, unknownAlgorithm };

DigestCheck checkFileDigest(const EmbeddedSignature& embedded, const AuthenticodeContent& content) {
  const unsigned char* algorithm = bytesOf(content.digestAlgorithm);
  const OwnedObject object(
      d2i_ASN1_OBJECT(nullptr, &algorithm, static_cast<long>(content.digestAlgorithm.size())));
  const EVP_MD* type = object ? EVP_get_digestbyobj(object.get()) : nullptr;
  if (type == nullptr) return DigestCheck::unknownAlgorithm;
  const OwnedDigest context(EVP_MD_CTX_new());
  if (!context || !EVP_DigestInit_ex(context.get(), type, nullptr)) {
    return DigestCheck::unknownAlgorithm;
  }
  for (const std::string_view part : embedded.digested) {
    if (!EVP_DigestUpdate(context.get(), part.data(), part.size())) {
      return DigestCheck::unknownAlgorithm;
    }
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!EVP_DigestFinal_ex(context.get(), digest, &length)) return DigestCheck::unknownAlgorithm;
  const bool same =
      length == content.digest.size() && std::memcmp(digest, content.digest.data(), length) == 0;
  return same ? DigestCheck::matches : DigestCheck::differs;
}

SignatureFacts failed(SignatureFailure failure, Text signer = Text()) {
  return SignatureFacts{SignatureState::failed, std::move(signer), failure, 0};
}

SignatureFacts factsOf(std::string_view file) {
  const std::optional<EmbeddedSignature> embedded = findEmbeddedSignature(file);
  if (!embedded) return SignatureFacts{};
  const std::optional<AuthenticodeContent> content = readAuthenticodeContent(embedded->pkcs7);
  if (!content) return failed(SignatureFailure::malformed);

  const unsigned char* der = bytesOf(content->signedData);
  const OwnedPkcs7 pkcs7(d2i_PKCS7(nullptr, &der, static_cast<long>(content->signedData.size())));
  if (!pkcs7 || !PKCS7_type_is_signed(pkcs7.get())) return failed(SignatureFailure::malformed);
  const OwnedSigners signers(PKCS7_get0_signers(pkcs7.get(), nullptr, 0));
  if (!signers || sk_X509_num(signers.get()) < 1) return failed(SignatureFailure::malformed);
  Text signer = commonNameOf(sk_X509_value(signers.get(), 0));

  // First the signer's signature over its attributes, and their
  // messageDigest over the SpcIndirectDataContent that holds the file digest
  // and its algorithm (the certificates themselves are not judged:
  // PKCS7_NOVERIFY); then that digest against the file.
  // Read through a buffer: PKCS7_verify copies a memory BIO it is given into
  // one of its own, which it loses when a digest the SignedData names is
  // unknown (OpenSSL 3.0).
  BIO* memory = BIO_new_mem_buf(content->signedContent.data(),
                                static_cast<int>(content->signedContent.size()));
  BIO* buffer = memory ? BIO_new(BIO_f_buffer()) : nullptr;
  if (buffer == nullptr) BIO_free(memory);
  const OwnedBio signedContent(buffer ? BIO_push(buffer, memory) : nullptr);
  if (!signedContent || PKCS7_verify(pkcs7.get(), nullptr, nullptr, signedContent.get(), nullptr,
                                     PKCS7_NOVERIFY | PKCS7_BINARY) != 1) {
    return failed(SignatureFailure::badSignature, std::move(signer));
  }
  if (checkFileDigest(*embedded, *content) == DigestCheck::differs) {
    return failed(SignatureFailure::digestMismatch, std::move(signer));
  }
  // A digest algorithm OpenSSL does not know leaves the file unchecked;
  // unverified says no more than that.
  return SignatureFacts{SignatureState::unverified, std::move(signer), SignatureFailure::none, 0};
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
