#include "trust/signature_filter.h"

namespace vemdrol {

bool signedByMicrosoft(const SignatureFacts& facts) {
  return facts.state == SignatureState::verified && facts.organization == microsoftOrganization;
}

bool signatureNotVerified(const SignatureFacts& facts) {
  return facts.state != SignatureState::verified;
}

bool filterKeeps(const SignatureFilter& filter, const std::optional<SignatureFacts>& facts) {
  if (!facts) return true;
  if (filter.hideMicrosoft && signedByMicrosoft(*facts)) return false;
  if (filter.unverifiedOnly && !signatureNotVerified(*facts)) return false;
  return true;
}

}  // namespace vemdrol
