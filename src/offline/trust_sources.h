// What a Windows system that is not running trusts, as it keeps it: the
// certificates of its machine's root stores, ROOT and AuthRoot (in its
// SOFTWARE hive, Microsoft\SystemCertificates\STORE\Certificates, one key a
// certificate with its serialized certificate in the value "Blob"), and its
// catalogs (Windows\System32\CatRoot\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}
// \*.cat). A Wine prefix keeps no root store. Linux only.
#pragma once

#ifndef _WIN32

#include <string>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "offline/target.h"

namespace vemdrol {

struct TargetCertificate {
  Text where;  // the store and the certificate's key: "ROOT\\CDD4EEAE…"
  std::string blob;
};

struct TargetTrustSources {
  // Whether the target has a root store at all, empty or not.
  bool rootStore = false;
  std::vector<TargetCertificate> roots;
  // Paths in the target's file system, in the order the folder lists them.
  std::vector<Text> catalogs;
};

inline constexpr TextView catalogFolder =
    L"C:\\Windows\\System32\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}";

// An error when the SOFTWARE hive cannot be read where the stores lie
// (hiveDamaged, or why the file could not be read); the caller names it.
Result<TargetTrustSources> findTrustSources(const OfflineTarget& target);

}  // namespace vemdrol

#endif
