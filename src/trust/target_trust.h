// What a Windows system that is not running trusts, and its program files'
// signatures judged by it rather than by this machine: the roots of its own
// machine stores, the catalogs of its own System32\CatRoot. Linux only.
//
// A signature verifies when the signer's chain, through the certificates
// the signature carries, ends in one of the target's roots, each
// certificate valid at the time a timestamp on the signature vouches for
// (when the timestamp itself verifies the same way) or else now, and the
// signer's certificate may sign code. A catalog is judged the same way,
// once, when it is added; a file without a signature of its own is then
// verified through a catalog that lists its digest (SHA-1 or SHA-256,
// computed as an embedded signature's is).
//
// A target without a root store (a Wine prefix) judges nothing: a signature
// whose digest and signer's signature hold is unverified there, as on this
// machine (os/signature.h).
#pragma once

#ifndef _WIN32

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "os/filesystem.h"
#include "os/signature.h"

namespace vemdrol {

// Something of the target's that could not be used, and was passed over.
struct TrustWarning {
  enum class Kind {
    damagedRoot,     // a root store's Blob that holds no certificate that reads
    damagedCatalog,  // a catalog that does not read as one
  };
  Kind kind = Kind::damagedRoot;
  Text where;  // the certificate's key name, or the catalog's path
};

class TargetTrust {
 public:
  // now: the time to judge certificates at when no timestamp says
  // otherwise, in seconds since 1970-01-01 00:00 UTC.
  explicit TargetTrust(std::int64_t now);
  ~TargetTrust();
  TargetTrust(TargetTrust&&) noexcept;
  TargetTrust& operator=(TargetTrust&&) noexcept;

  // The target has a root store (even an empty one): signatures are judged.
  void setHasRootStore() { rootStore_ = true; }
  bool hasRootStore() const { return rootStore_; }

  // A root store's serialized certificate (the value "Blob"); where names it
  // in a warning when it does not read. Roots go before catalogs, which
  // are judged by them.
  void addRoot(TextView where, std::string_view blob, std::vector<TrustWarning>& warnings);
  std::size_t rootCount() const;

  // A catalog's bytes: judged, and its members' digests indexed.
  void addCatalog(TextView path, std::string_view bytes, std::vector<TrustWarning>& warnings);
  std::size_t catalogCount() const;
  std::size_t catalogDigestCount() const;

  // The facts of a file from its bytes.
  SignatureFacts factsOf(std::string_view file) const;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
  bool rootStore_ = false;
};

// A reader of the target's files through files, judged by trust; both must
// outlive it.
std::unique_ptr<SignatureReader> makeTargetSignatureReader(FileSystem& files,
                                                           const TargetTrust& trust);

}  // namespace vemdrol

#endif
