#include "version/version_memo.h"

#include <utility>

#include "version/version_number.h"

namespace vemdrol {
namespace {

// Gives the one answer already read, so that WVerNumber and WVerINformation
// work on it exactly as they work on a file.
class OneAnswer final : public VersionResourceReader {
 public:
  explicit OneAnswer(std::optional<VersionResource> answer) : answer_(std::move(answer)) {}
  Result<std::optional<VersionResource>> versionResourceOf(TextView) override { return answer_; }

 private:
  std::optional<VersionResource> answer_;
};

}  // namespace

Result<Text> VersionMemo::number(TextView path) {
  Text folded = foldCase(path);
  if (auto found = numbers_.find(folded); found != numbers_.end()) return found->second;
  lastPath_.clear();
  Result<std::optional<VersionResource>> answer = versions_.versionResourceOf(path);
  if (!answer) return answer.error();
  OneAnswer read(std::move(answer).value());
  Result<Text> number = WVerNumber(read, path);
  if (!number) return number;
  lastStrings_ = WVerINformation(read, path, skipList_);
  lastPath_ = folded;
  numbers_.emplace(std::move(folded), number.value());
  return number;
}

VersionStrings VersionMemo::strings(TextView path) {
  if (!lastPath_.empty() && foldCase(path) == lastPath_) return lastStrings_;
  return WVerINformation(versions_, path, skipList_);
}

}  // namespace vemdrol
