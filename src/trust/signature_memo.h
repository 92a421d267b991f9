// A signature reader that asks another once per file, its path's letter
// case ignored: a run that filters by signature and writes the signature
// columns as well reads each file's signature once.
#pragma once

#include <unordered_map>

#include "os/signature.h"

namespace vemdrol {

class SignatureMemo final : public SignatureReader {
 public:
  // inner must outlive the memo.
  explicit SignatureMemo(SignatureReader& inner) : inner_(inner) {}

  Result<SignatureFacts> signatureOf(TextView path) override;

 private:
  SignatureReader& inner_;
  std::unordered_map<Text, Result<SignatureFacts>> answers_;
};

}  // namespace vemdrol
