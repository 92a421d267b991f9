#include "os/posix/openssl_signature.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/objects.h>

#include <cstdint>
#include <string>

namespace vemdrol {

namespace {

void freeCertificateStack(STACK_OF(X509) * stack) { sk_X509_free(stack); }
void freeBytes(unsigned char* bytes) { OPENSSL_free(bytes); }

using OwnedBio = OpenSslOwned<BIO, BIO_free_all>;
using OwnedObject = OpenSslOwned<ASN1_OBJECT, ASN1_OBJECT_free>;
using OwnedDigest = OpenSslOwned<EVP_MD_CTX, EVP_MD_CTX_free>;
using OwnedString = OpenSslOwned<ASN1_STRING, ASN1_STRING_free>;
using OwnedSigners = OpenSslOwned<STACK_OF(X509), freeCertificateStack>;
using OwnedBytes = OpenSslOwned<unsigned char, freeBytes>;

}  // namespace

Text certificateSubjectText(const X509* certificate, int nid) {
  const X509_NAME* subject = certificate ? X509_get_subject_name(certificate) : nullptr;
  const int index = subject ? X509_NAME_get_index_by_NID(subject, nid, -1) : -1;
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

const EVP_MD* digestNamedBy(std::string_view objectIdentifierElement) {
  const unsigned char* der = opensslBytes(objectIdentifierElement);
  const OwnedObject object(
      d2i_ASN1_OBJECT(nullptr, &der, static_cast<long>(objectIdentifierElement.size())));
  return object ? EVP_get_digestbyobj(object.get()) : nullptr;
}

const EVP_MD* digestNamedByValue(std::string_view objectIdentifier) {
  // Short identifiers only: every digest's is a dozen bytes.
  if (objectIdentifier.size() > 127) return nullptr;
  std::string element(1, '\x06');
  element += static_cast<char>(objectIdentifier.size());
  element += objectIdentifier;
  return digestNamedBy(element);
}

bool digestOf(const EVP_MD* type, std::span<const std::string_view> parts, std::string& digest) {
  const OwnedDigest context(EVP_MD_CTX_new());
  if (!type || !context || !EVP_DigestInit_ex(context.get(), type, nullptr)) return false;
  for (const std::string_view part : parts) {
    if (!EVP_DigestUpdate(context.get(), part.data(), part.size())) return false;
  }
  unsigned char bytes[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!EVP_DigestFinal_ex(context.get(), bytes, &length)) return false;
  digest.assign(reinterpret_cast<const char*>(bytes), length);
  return true;
}

SignedDataCheck checkSignedData(std::string_view signedData, std::string_view signedContent) {
  SignedDataCheck check;
  const unsigned char* der = opensslBytes(signedData);
  check.pkcs7.reset(d2i_PKCS7(nullptr, &der, static_cast<long>(signedData.size())));
  if (!check.pkcs7 || !PKCS7_type_is_signed(check.pkcs7.get())) return check;
  const OwnedSigners signers(PKCS7_get0_signers(check.pkcs7.get(), nullptr, 0));
  if (!signers || sk_X509_num(signers.get()) < 1) return check;
  check.signer = sk_X509_value(signers.get(), 0);

  // Read through a buffer: PKCS7_verify copies a memory BIO it is given into
  // one of its own, which it loses when a digest the SignedData names is
  // unknown (OpenSSL 3.0).
  BIO* memory = BIO_new_mem_buf(signedContent.data(), static_cast<int>(signedContent.size()));
  BIO* buffer = memory ? BIO_new(BIO_f_buffer()) : nullptr;
  if (buffer == nullptr) BIO_free(memory);
  const OwnedBio content(buffer ? BIO_push(buffer, memory) : nullptr);
  const bool holds = content && PKCS7_verify(check.pkcs7.get(), nullptr, nullptr, content.get(),
                                             nullptr, PKCS7_NOVERIFY | PKCS7_BINARY) == 1;
  check.outcome = holds ? SignedDataCheck::Outcome::holds : SignedDataCheck::Outcome::badSignature;
  return check;
}

}  // namespace vemdrol
