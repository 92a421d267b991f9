#include "inventory/registry_listing.h"

#include <array>
#include <memory>
#include <new>

#include "base/utf16.h"

namespace vemdrol {

namespace {

struct RootName {
  const wchar_t* name;
  RegistryRoot root;
};

constexpr std::array<RootName, 7> rootNames = {{
    {L"HKEY_CLASSES_ROOT", RegistryRoot::classesRoot},
    {L"HKEY_CURRENT_USER", RegistryRoot::currentUser},
    {L"HKEY_LOCAL_MACHINE", RegistryRoot::localMachine},
    {L"HKEY_USERS", RegistryRoot::users},
    {L"HKEY_PERFORMANCE_DATA", RegistryRoot::performanceData},
    {L"HKEY_CURRENT_CONFIG", RegistryRoot::currentConfig},
    {L"HKEY_DYN_DATA", RegistryRoot::dynData},
}};

constexpr wchar_t hexDigits[] = L"0123456789ABCDEF";

void appendHexByte(Text& text, unsigned char byte) {
  text += hexDigits[byte >> 4];
  text += hexDigits[byte & 0x0F];
}

Text dwordText(const std::string& bytes, bool bigEndian) {
  // Missing bytes of a value shorter than four count as zero.
  std::array<unsigned char, 4> b{};
  for (std::size_t i = 0; i < b.size() && i < bytes.size(); ++i) {
    b[i] = static_cast<unsigned char>(bytes[i]);
  }
  const std::uint32_t number = bigEndian ? (std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 |
                                            std::uint32_t{b[2]} << 8 | b[3])
                                         : (std::uint32_t{b[3]} << 24 | std::uint32_t{b[2]} << 16 |
                                            std::uint32_t{b[1]} << 8 | b[0]);
  Text text = L"&H";
  for (int shift = 24; shift >= 0; shift -= 8) {
    appendHexByte(text, static_cast<unsigned char>(number >> shift));
  }
  text += L'(';
  text += std::to_wstring(static_cast<std::int32_t>(number));
  text += L')';
  return text;
}

Error outOfMemory() { return faultError(Fault::outOfMemory, 7); }

}  // namespace

Text registryKeyName(TextView listedKey) {
  TextView root = listedKey.substr(0, rootNameWidth);
  while (!root.empty() && root.back() == L' ') root.remove_suffix(1);
  Text name(root);
  if (listedKey.size() > rootNameWidth) name += listedKey.substr(rootNameWidth);
  return name;
}

Text dataText(const RegistryData& data) {
  Text text;
  switch (data.type) {
    case registryTypeSz:
    case registryTypeExpandSz:
    case registryTypeMultiSz:
      text = fromUtf16Le(data.bytes);
      break;
    case registryTypeDword:
      text = dwordText(data.bytes, false);
      break;
    case registryTypeDwordBigEndian:
      text = dwordText(data.bytes, true);
      break;
    default:
      text.reserve(data.bytes.size() * 3);
      for (char byte : data.bytes) {
        appendHexByte(text, static_cast<unsigned char>(byte));
        text += L' ';
      }
      break;
  }
  const std::size_t nul = text.find(L'\0');
  if (nul != Text::npos) text.resize(nul);
  return text;
}

void RegistryListing::listKey(TextView key, Registry& registry, Inventory& inventory,
                              FailureReport& report) {
  const auto fail = [&](const Error& error) { report.failed(Failure{Procedure::listKey, error}); };
  const auto appendEntry = [&](TextView type, TextView definition, TextView application) {
    ++inventory.creationCounter;
    inventory.append(type, definition, application, key, inventory.creationCounter);
  };

  try {
    std::unique_ptr<RegistryKey> opened;
    const bool bareRoot = key.size() == rootNameWidth;
    if (bareRoot) {
      TextView name = key;
      while (!name.empty() && name.front() == L' ') name.remove_prefix(1);
      while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
      for (const RootName& root : rootNames) {
        if (equalNoCase(name, root.name)) {
          currentRoot_ = static_cast<std::uint32_t>(root.root);
          break;
        }
      }
    }
    // With no root named yet there is nothing to enumerate.
    if (currentRoot_ == 0) return;
    const TextView subKey =
        bareRoot || key.size() <= rootNameWidth + 1 ? TextView() : key.substr(rootNameWidth + 1);
    opened = registry.open(static_cast<RegistryRoot>(currentRoot_), subKey);
    if (!opened) return;

    // The values of a root are not listed, only its subkeys.
    if (!bareRoot) {
      Result<std::optional<RegistryData>> value = opened->defaultValue();
      if (!value) return fail(value.error());
      if (value.value()) appendEntry(key, L"(標準)", dataText(*value.value()));
    }

    Text prefix(key);
    prefix += L'\\';
    for (std::uint32_t index = 0;; ++index) {
      Result<std::optional<Text>> name = opened->subkeyName(index);
      if (!name) return fail(name.error());
      if (!name.value()) break;
      appendEntry(prefix + *name.value(), L"", L"");
    }
  } catch (const std::bad_alloc&) {
    fail(outOfMemory());
  }
}

}  // namespace vemdrol
