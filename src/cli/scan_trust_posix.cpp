#include "cli/scan_trust.h"
#include "offline/trust_sources.h"

namespace vemdrol {

TargetTrust loadTargetTrust(const OfflineTarget& target, std::int64_t now, const ScanWords& words,
                            const std::function<void(TextView)>& warn) {
  TargetTrust trust(now);
  Result<TargetTrustSources> sources = findTrustSources(target);
  if (!sources) {
    // Judged by nothing rather than by a store read in part: its signatures
    // stay unverified.
    warn(words.rootsUnreadable(sources.error()));
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
      warn(words.catalogUnreadable(path, bytes.error()));
      continue;
    }
    trust.addCatalog(path, bytes.value(), warnings);
  }
  for (const TrustWarning& warning : warnings) {
    switch (warning.kind) {
      case TrustWarning::Kind::damagedRoot:
        warn(words.rootDamaged(warning.where));
        break;
      case TrustWarning::Kind::damagedCatalog:
        warn(words.catalogDamaged(warning.where));
        break;
    }
  }
  return trust;
}

}  // namespace vemdrol
