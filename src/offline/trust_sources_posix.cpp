#include "offline/hive.h"
#include "offline/trust_sources.h"

namespace vemdrol {

namespace {

constexpr TextView softwareHive = L"C:\\Windows\\System32\\config\\SOFTWARE";

bool isCatalogName(TextView name) {
  constexpr TextView extension = L".cat";
  return name.size() > extension.size() &&
         equalNoCase(name.substr(name.size() - extension.size()), extension);
}

}  // namespace

Result<TargetTrustSources> findTrustSources(const OfflineTarget& target) {
  TargetTrustSources sources;
  if (target.kind == TargetKind::windowsInstallation) {
    const Result<std::string> software = target.files->nativePath(softwareHive);
    if (!software) return software.error();
    for (const TextView store : {TextView(L"ROOT"), TextView(L"AuthRoot")}) {
      const Text key = L"Microsoft\\SystemCertificates\\" + Text(store) + L"\\Certificates";
      Result<std::vector<NamedHiveValue>> blobs =
          readHiveSubkeyValues(software.value(), key, L"Blob");
      if (!blobs && blobs.error().fault == Fault::noSuchKey) continue;
      if (!blobs) return blobs.error();
      sources.rootStore = true;
      for (NamedHiveValue& blob : blobs.value()) {
        sources.roots.push_back(
            {Text(store) + L"\\" + std::move(blob.subkey), std::move(blob.data.bytes)});
      }
    }
  }
  // A target without the folder has no catalogs.
  Result<std::vector<Text>> names = target.files->listFiles(catalogFolder);
  if (names) {
    for (const Text& name : names.value()) {
      if (isCatalogName(name)) sources.catalogs.push_back(Text(catalogFolder) + L"\\" + name);
    }
  }
  return sources;
}

}  // namespace vemdrol
