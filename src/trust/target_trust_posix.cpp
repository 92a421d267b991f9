#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <string>
#include <variant>

#include "formats/limits.h"
#include "formats/pe/authenticode.h"
#include "formats/trust/catalog.h"
#include "formats/trust/certificate_blob.h"
#include "formats/trust/file_digest.h"
#include "formats/trust/signed_data.h"
#include "os/posix/openssl_signature.h"
#include "trust/target_trust.h"

namespace vemdrol {

namespace {

using OwnedStore = OpenSslOwned<X509_STORE, X509_STORE_free>;
using OwnedStoreContext = OpenSslOwned<X509_STORE_CTX, X509_STORE_CTX_free>;
using OwnedSignerInfo = OpenSslOwned<PKCS7_SIGNER_INFO, PKCS7_SIGNER_INFO_free>;
using OwnedDigestContext = OpenSslOwned<EVP_MD_CTX, EVP_MD_CTX_free>;

// One digest a catalog lists, with the catalog and how far it can be
// relied on: the index is sorted so that, of the catalogs that list a
// digest, the first is the one whose signature fares best.
struct IndexEntry {
  std::array<unsigned char, 32> digest{};
  std::uint8_t size = 0;
  std::uint8_t rank = 0;
  std::uint32_t catalog = 0;

  std::string_view view() const {
    return std::string_view(reinterpret_cast<const char*>(digest.data()), size);
  }
};

bool indexedBefore(const IndexEntry& a, const IndexEntry& b) {
  if (a.view() != b.view()) return a.view() < b.view();
  return a.rank < b.rank;
}

std::uint8_t rankOf(const SignatureFacts& facts) {
  switch (facts.state) {
    case SignatureState::verified:
      return 0;
    case SignatureState::unverified:
      return 1;
    case SignatureState::failed:
    case SignatureState::notSigned:
      break;
  }
  return 2;
}

STACK_OF(X509) * certificatesOf(PKCS7* pkcs7) {
  return pkcs7 && PKCS7_type_is_signed(pkcs7) && pkcs7->d.sign ? pkcs7->d.sign->cert : nullptr;
}

// Whether the certificate may be used for this (an extended key usage bit
// such as XKU_CODE_SIGN): a certificate that names no extended usage may be
// used for any.
bool mayBeUsedFor(X509* certificate, std::uint32_t usage) {
  if ((X509_get_extension_flags(certificate) & EXFLAG_XKUSAGE) == 0) return true;
  return (X509_get_extended_key_usage(certificate) & (usage | XKU_ANYEKU)) != 0;
}

SignatureFailure failureOfChainError(int error) {
  switch (error) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return SignatureFailure::expired;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
      return SignatureFailure::untrustedRoot;
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_CERT_REJECTED:
    case X509_V_ERR_INVALID_CA:
    case X509_V_ERR_PATH_LENGTH_EXCEEDED:
      return SignatureFailure::untrusted;
    case X509_V_ERR_CERT_SIGNATURE_FAILURE:
      return SignatureFailure::badSignature;
    case X509_V_ERR_CERT_REVOKED:
      return SignatureFailure::revoked;
    case X509_V_ERR_INVALID_PURPOSE:
      return SignatureFailure::wrongUsage;
    default:
      break;
  }
  return SignatureFailure::other;
}

SignatureFacts signedBy(X509* signer, SignatureState state,
                        SignatureFailure failure = SignatureFailure::none, long code = 0) {
  return SignatureFacts{state, certificateSubjectText(signer, NID_commonName), failure, code,
                        certificateSubjectText(signer, NID_organizationName)};
}

SignatureFacts malformed() {
  return SignatureFacts{SignatureState::failed, Text(), SignatureFailure::malformed, 0, Text()};
}

}  // namespace

struct TargetTrust::Parts {
  std::int64_t now = 0;
  OwnedStore store{X509_STORE_new()};
  std::size_t roots = 0;
  std::vector<SignatureFacts> catalogs;
  mutable std::mutex indexMutex;
  mutable std::vector<IndexEntry> index;
  mutable bool sorted = true;

  // X509_V_OK when the chain from leaf through untrusted ends in a root, each
  // certificate valid at time; else OpenSSL's reason.
  int chainError(X509* leaf, STACK_OF(X509) * untrusted, std::int64_t time) const {
    const OwnedStoreContext context(X509_STORE_CTX_new());
    if (!context || !store || !X509_STORE_CTX_init(context.get(), store.get(), leaf, untrusted)) {
      return X509_V_ERR_UNSPECIFIED;
    }
    X509_VERIFY_PARAM* parameters = X509_STORE_CTX_get0_param(context.get());
    X509_VERIFY_PARAM_set_time(parameters, static_cast<time_t>(time));
    // A certificate of the machine's root store is trusted as Windows trusts
    // it, whether it signed itself or not.
    X509_VERIFY_PARAM_set_flags(parameters, X509_V_FLAG_PARTIAL_CHAIN);
    if (X509_verify_cert(context.get()) == 1) return X509_V_OK;
    const int error = X509_STORE_CTX_get_error(context.get());
    return error == X509_V_OK ? X509_V_ERR_UNSPECIFIED : error;
  }

  // Whether the timestamp stamped the signer's signature and verifies by
  // the same roots, at its own time.
  bool timestampHolds(const SignatureTimestamp& timestamp, const SignerInfoParts& signer,
                      PKCS7* primary) const {
    std::string imprint;
    const std::string_view signature = signer.signature;
    if (!digestOf(digestNamedByValue(timestamp.imprintAlgorithm), {&signature, 1}, imprint) ||
        imprint != timestamp.imprint) {
      return false;
    }
    if (timestamp.kind == SignatureTimestamp::Kind::rfc3161) {
      const auto token = readSignedData(timestamp.token, maxSignedDataSize);
      if (!token) return false;
      const SignedDataCheck check = checkSignedData(token->whole, token->signedContent);
      return check.outcome == SignedDataCheck::Outcome::holds &&
             mayBeUsedFor(check.signer, XKU_TIMESTAMP) &&
             chainError(check.signer, certificatesOf(check.pkcs7.get()), timestamp.time) ==
                 X509_V_OK;
    }
    // A countersignature: a SignerInfo over the signer's signature, by a
    // certificate the primary signature carries, signing its attributes
    // as a SET.
    const auto countersigner = readSignerInfo(timestamp.token);
    const unsigned char* der = opensslBytes(timestamp.token);
    const OwnedSignerInfo info(
        d2i_PKCS7_SIGNER_INFO(nullptr, &der, static_cast<long>(timestamp.token.size())));
    STACK_OF(X509)* certificates = certificatesOf(primary);
    if (!countersigner || !info || !info->issuer_and_serial || !certificates) return false;
    X509* certificate = X509_find_by_issuer_and_serial(
        certificates, info->issuer_and_serial->issuer, info->issuer_and_serial->serial);
    const EVP_MD* digest = digestNamedByValue(countersigner->digestAlgorithm);
    if (!certificate || !digest || countersigner->authenticatedAttributes.empty()) return false;
    std::string attributes(countersigner->authenticatedAttributes);
    attributes[0] = static_cast<char>(derTag::set);
    const OwnedDigestContext context(EVP_MD_CTX_new());
    if (!context ||
        EVP_DigestVerifyInit(context.get(), nullptr, digest, nullptr,
                             X509_get0_pubkey(certificate)) != 1 ||
        EVP_DigestVerify(context.get(), opensslBytes(countersigner->signature),
                         countersigner->signature.size(), opensslBytes(attributes),
                         attributes.size()) != 1) {
      return false;
    }
    return mayBeUsedFor(certificate, XKU_TIMESTAMP) &&
           chainError(certificate, certificates, timestamp.time) == X509_V_OK;
  }

  // The facts of a signature whose signer's signature holds over what it
  // signs: its chain judged by the roots.
  SignatureFacts judged(const SignedDataCheck& check, std::string_view signedData,
                        bool rootStore) const {
    if (!rootStore) return signedBy(check.signer, SignatureState::unverified);
    std::int64_t time = now;
    const auto parts = readSignedData(signedData, maxCatalogSize);
    const auto signer = parts ? readSignerInfo(parts->firstSigner) : std::nullopt;
    if (signer) {
      const auto timestamp = readSignatureTimestamp(*signer);
      if (timestamp && timestampHolds(*timestamp, *signer, check.pkcs7.get())) {
        time = timestamp->time;
      }
    }
    if (!mayBeUsedFor(check.signer, XKU_CODE_SIGN)) {
      return signedBy(check.signer, SignatureState::failed, SignatureFailure::wrongUsage);
    }
    const int error = chainError(check.signer, certificatesOf(check.pkcs7.get()), time);
    if (error == X509_V_OK) return signedBy(check.signer, SignatureState::verified);
    const SignatureFailure failure = failureOfChainError(error);
    return signedBy(check.signer, SignatureState::failed, failure,
                    failure == SignatureFailure::other ? error : 0);
  }

  // The facts of the catalog that lists digest, if one does.
  std::optional<SignatureFacts> catalogListing(std::string_view digest) const {
    std::lock_guard lock(indexMutex);
    if (!sorted) {
      std::sort(index.begin(), index.end(), indexedBefore);
      sorted = true;
    }
    IndexEntry wanted;
    std::copy(digest.begin(), digest.end(), wanted.digest.begin());
    wanted.size = static_cast<std::uint8_t>(digest.size());
    const auto found = std::lower_bound(index.begin(), index.end(), wanted, indexedBefore);
    if (found == index.end() || found->view() != digest) return std::nullopt;
    return catalogs[found->catalog];
  }
};

TargetTrust::TargetTrust(std::int64_t now) : parts_(std::make_unique<Parts>()) {
  parts_->now = now;
}
TargetTrust::~TargetTrust() = default;
TargetTrust::TargetTrust(TargetTrust&&) noexcept = default;
TargetTrust& TargetTrust::operator=(TargetTrust&&) noexcept = default;

void TargetTrust::addRoot(TextView where, std::string_view blob,
                          std::vector<TrustWarning>& warnings) {
  const auto certificate = certificateInBlob(blob);
  const std::string_view* der = std::get_if<std::string_view>(&certificate);
  const unsigned char* bytes = der ? opensslBytes(*der) : nullptr;
  const OwnedX509 root(der ? d2i_X509(nullptr, &bytes, static_cast<long>(der->size())) : nullptr);
  // A certificate is one DER element: bytes after it are damage.
  if (!root || bytes != opensslBytes(*der) + der->size() ||
      !X509_STORE_add_cert(parts_->store.get(), root.get())) {
    ERR_clear_error();
    warnings.push_back({TrustWarning::Kind::damagedRoot, Text(where)});
    return;
  }
  ++parts_->roots;
}

std::size_t TargetTrust::rootCount() const { return parts_->roots; }

void TargetTrust::addCatalog(TextView path, std::string_view bytes,
                             std::vector<TrustWarning>& warnings) {
  const auto read = readCatalog(bytes);
  const Catalog* catalog = std::get_if<Catalog>(&read);
  const SignedDataCheck check =
      catalog ? checkSignedData(catalog->signedData.whole, catalog->signedData.signedContent)
              : SignedDataCheck{};
  if (!catalog || check.outcome == SignedDataCheck::Outcome::malformed) {
    ERR_clear_error();
    warnings.push_back({TrustWarning::Kind::damagedCatalog, Text(path)});
    return;
  }
  SignatureFacts facts =
      check.outcome == SignedDataCheck::Outcome::badSignature
          ? signedBy(check.signer, SignatureState::failed, SignatureFailure::badSignature)
          : parts_->judged(check, catalog->signedData.whole, rootStore_);
  ERR_clear_error();
  const auto number = static_cast<std::uint32_t>(parts_->catalogs.size());
  const std::uint8_t rank = rankOf(facts);
  parts_->catalogs.push_back(std::move(facts));
  std::lock_guard lock(parts_->indexMutex);
  for (const CatalogDigest& digest : catalog->digests) {
    // Only the digests this reader computes can ever match.
    if (digest.size != 20 && digest.size != 32) continue;
    IndexEntry entry;
    std::copy(digest.bytes.begin(), digest.bytes.begin() + digest.size, entry.digest.begin());
    entry.size = digest.size;
    entry.rank = rank;
    entry.catalog = number;
    parts_->index.push_back(entry);
  }
  parts_->sorted = false;
}

std::size_t TargetTrust::catalogCount() const { return parts_->catalogs.size(); }

std::size_t TargetTrust::catalogDigestCount() const {
  std::lock_guard lock(parts_->indexMutex);
  return parts_->index.size();
}

SignatureFacts TargetTrust::factsOf(std::string_view file) const {
  const std::optional<EmbeddedSignature> embedded = findEmbeddedSignature(file);
  if (!embedded) {
    if (parts_->catalogs.empty()) return SignatureFacts{};
    const std::array<std::string_view, 4> digested = catalogDigestedParts(file);
    for (const EVP_MD* type : {EVP_sha256(), EVP_sha1()}) {
      std::string digest;
      if (!digestOf(type, digested, digest)) continue;
      if (auto listed = parts_->catalogListing(digest)) return *std::move(listed);
    }
    return SignatureFacts{};
  }
  const std::optional<AuthenticodeContent> content = readAuthenticodeContent(embedded->pkcs7);
  if (!content) return malformed();
  const SignedDataCheck check = checkSignedData(content->signedData, content->signedContent);
  if (check.outcome == SignedDataCheck::Outcome::malformed) return malformed();
  if (check.outcome == SignedDataCheck::Outcome::badSignature) {
    return signedBy(check.signer, SignatureState::failed, SignatureFailure::badSignature);
  }
  std::string digest;
  // A digest that cannot be computed vouches for nothing: the signer's
  // signature alone would let any file wear it.
  if (!digestOf(digestNamedBy(content->digestAlgorithm), embedded->digested, digest)) {
    return signedBy(check.signer, SignatureState::failed, SignatureFailure::malformed);
  }
  if (digest != content->digest) {
    return signedBy(check.signer, SignatureState::failed, SignatureFailure::digestMismatch);
  }
  return parts_->judged(check, content->signedData, rootStore_);
}

namespace {

class TargetSignatureReader final : public SignatureReader {
 public:
  TargetSignatureReader(FileSystem& files, const TargetTrust& trust)
      : files_(files), trust_(trust) {}

  Result<SignatureFacts> signatureOf(TextView path) override {
    const Result<std::string> file = files_.readFile(path);
    if (!file) return file.error();
    SignatureFacts facts = trust_.factsOf(file.value());
    // OpenSSL's complaints about one file mean nothing for the next.
    ERR_clear_error();
    return facts;
  }

 private:
  FileSystem& files_;
  const TargetTrust& trust_;
};

}  // namespace

std::unique_ptr<SignatureReader> makeTargetSignatureReader(FileSystem& files,
                                                           const TargetTrust& trust) {
  return std::make_unique<TargetSignatureReader>(files, trust);
}

}  // namespace vemdrol
