#include "trust/signature_memo.h"

namespace vemdrol {

Result<SignatureFacts> SignatureMemo::signatureOf(TextView path) {
  Text key = foldCase(path);
  if (const auto known = answers_.find(key); known != answers_.end()) return known->second;
  Result<SignatureFacts> answer = inner_.signatureOf(path);
  answers_.emplace(std::move(key), answer);
  return answer;
}

}  // namespace vemdrol
