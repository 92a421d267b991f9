// Who signed a program file, and whether the signature holds: the file's
// Authenticode signature, embedded in it or, on Windows, in a system catalog.
//
// Windows answers with WinVerifyTrust, chain and trust included. Elsewhere
// there is no trust store to judge the certificates by, so a signature whose
// file digest and signer's signature hold is "unverified" there, never
// "verified"; the signer's name is the same on both. A Windows system that
// is not running is judged by its own roots and catalogs (src/trust/).
#pragma once

#include <memory>
#include <string_view>

#include "base/error.h"
#include "base/text.h"
#include "os/filesystem.h"

namespace vemdrol {

enum class SignatureState {
  verified,    // the platform checked the signature and trusts it
  failed,      // there is a signature, and it does not hold (see SignatureFailure)
  unverified,  // there is a signature the platform cannot judge
  notSigned,   // no signature, embedded or in a catalog
};

// Why a signature failed. The platforms tell more reasons than these; the
// rest keep their error number (SignatureFacts::code).
enum class SignatureFailure {
  none,
  digestMismatch,  // the file is not the one that was signed
  badSignature,    // the signer's signature does not match what it signs
  malformed,       // the signature cannot be read
  untrusted,       // a certificate of the chain is not one the machine trusts
  untrustedRoot,   // the chain ends in a root that is not among the machine's roots
  expired,         // a certificate was out of its validity period
  revoked,         // a certificate was revoked
  wrongUsage,      // a certificate is not for signing code
  other,
};

struct SignatureFacts {
  SignatureState state = SignatureState::notSigned;
  // The subject common name of the signing certificate (the catalog's signer
  // for a file signed in a catalog); empty when there is no signature or its
  // signer is not known.
  Text signer;
  SignatureFailure failure = SignatureFailure::none;  // when failed
  long code = 0;  // the platform's error number, for SignatureFailure::other
  // The subject organisation (O) of the same certificate; empty when it has
  // none or the signer is not known.
  Text organization = {};

  friend bool operator==(const SignatureFacts&, const SignatureFacts&) = default;
};

class SignatureReader {
 public:
  virtual ~SignatureReader() = default;

  // The signature facts of the file at path. Every file that can be read has
  // an answer, a file that is not a program file included (notSigned); an
  // error only when the file cannot be read at all (missing, locked, a path
  // that names no file) or the platform fails on its own.
  virtual Result<SignatureFacts> signatureOf(TextView path) = 0;
};

// The machine's own reader: WinVerifyTrust on Windows (files is not used
// there); elsewhere the file's own bytes, read through files, which must
// outlive the reader.
std::unique_ptr<SignatureReader> makeSystemSignatureReader(FileSystem& files);

// The list's cells and the exported value. 署名者: the signer's name, or
// "署名なし". 署名の状態: "検証済み", "検証失敗 (reason)", "未検証" or
// "署名なし". The exported value: "verified", "failed", "unverified" or
// "unsigned".
Text signerCell(const SignatureFacts& facts);
Text signatureStateCell(const SignatureFacts& facts);
std::string_view signatureJsonValue(SignatureState state);

// The short reason inside the parentheses of "検証失敗 (...)".
Text signatureFailureText(SignatureFailure failure, long code);

}  // namespace vemdrol
