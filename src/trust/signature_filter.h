// Which rows a list shows when the user filters by signature: Microsoft's
// own files hidden, or only the files whose signature cannot be relied on.
//
// A file is Microsoft's only when a signature verifies and the certificate
// that made it (for a file signed through a catalog, the catalog's) names
// Microsoft Corporation as its subject's organisation. Its version resource
// may say what it likes: a company name there costs nothing to write.
#pragma once

#include <optional>

#include "base/text.h"
#include "os/signature.h"

namespace vemdrol {

inline constexpr TextView microsoftOrganization = L"Microsoft Corporation";

// A verified signature whose signer's organisation is Microsoft's.
bool signedByMicrosoft(const SignatureFacts& facts);

// No signature that verifies: none at all, one that fails, or one the
// platform could not judge.
bool signatureNotVerified(const SignatureFacts& facts);

struct SignatureFilter {
  bool hideMicrosoft = false;
  bool unverifiedOnly = false;

  bool any() const { return hideMicrosoft || unverifiedOnly; }
  friend bool operator==(const SignatureFilter&, const SignatureFilter&) = default;
};

// Whether a row whose file has these facts shows. facts nullopt: the file's
// signature is not known (not read yet, or the file cannot be read), and
// the row shows, so that no row goes for want of an answer.
bool filterKeeps(const SignatureFilter& filter, const std::optional<SignatureFacts>& facts);

}  // namespace vemdrol
