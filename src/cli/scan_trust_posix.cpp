#include "cli/scan_trust.h"
#include "files/error_message.h"
#include "offline/trust_sources.h"

namespace vemdrol {

TargetTrust loadTargetTrust(const OfflineTarget& target, std::int64_t now,
                            const std::function<void(TextView)>& warn) {
  TargetTrust trust(now);
  Result<TargetTrustSources> sources = findTrustSources(target);
  if (!sources) {
    // Judged by nothing rather than by a store read in part: its signatures
    // stay unverified.
    warn(L"ルート証明書を読めないため、署名を検証しません: " + errorMessage(L"", sources.error()));
    return trust;
  }
  std::vector<TrustWarning> warnings;
  if (sources.value().rootStore) trust.setHasRootStore();
  for (const TargetCertificate& root : sources.value().roots) {
    trust.addRoot(root.where, root.blob, warnings);
  }
  // One catalog in memory at a time: Windows keeps thousands.
  for (const Text& path : sources.value().catalogs) {
    const Result<std::string> bytes = target.files->readFile(path);
    if (!bytes) {
      warn(L"カタログ " + path + L" を読み込めません: " + errorMessage(L"", bytes.error()));
      continue;
    }
    trust.addCatalog(path, bytes.value(), warnings);
  }
  for (const TrustWarning& warning : warnings) {
    switch (warning.kind) {
      case TrustWarning::Kind::damagedRoot:
        warn(L"ルート証明書 " + warning.where + L" は壊れているため使いません");
        break;
      case TrustWarning::Kind::damagedCatalog:
        warn(L"カタログ " + warning.where + L" は壊れているため読み飛ばしました");
        break;
    }
  }
  return trust;
}

}  // namespace vemdrol
