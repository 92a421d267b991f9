#include "base/paths.h"
#include "files/program_files.h"
#include "inventory/builder_passes.h"
#include "inventory/registry_listing.h"

namespace vemdrol::builder {

namespace {

constexpr TextView missingMark = L"無　";
constexpr TextView libraryKeyPrefix = L"ZZZZZZZZZZ";
constexpr TextView openCommand = L"\\shell\\open\\command";

// The creation number as a fixed-width key part. Twelve digits keep every
// key unique and in creation order for any registry a machine can hold; the
// six digits that once sufficed would wrap at a million entries and let a
// type's own entry sort before its extensions, splitting the group.
Text numberKey(long long number) {
  Text digits = Inventory::numberText(number);
  if (digits.size() < 12) digits.insert(0, 12 - digits.size(), L'0');
  return digits;
}

bool isExtensionKey(TextView key) { return equalNoCase(charactersAt(key, 20, 2), L"\\."); }

// Pass five: a sort key in fullPath for every default-value entry, so that
// after the sort each type's entries, and each library's, stand together.
void passFive(Build& build) {
  Inventory& inventory = build.inventory;
  build.forEachFromLast([&](std::size_t at) {
    Text& type = inventory.fileType[at];
    if (!isDefaultValueEntry(inventory, at) && !type.empty()) {
      inventory.remove(at);
    } else if (containsNoCase(type, L"\\CLSID\\")) {
      const Text path = inventory.appName[at];
      const Text folder = directoryOf(path);
      if (startsWithNoCase(path, L"%SystemRoot%") || folder.empty()) {
        inventory.remove(at);
      } else {
        const Text name = path.substr(folder.size());
        // The key that names the library goes with it through the sort, to
        // be the row's source; the type keeps the shorter text it has always
        // had, which the grouping of pass six compares.
        inventory.source[at] = std::move(type);
        type = Text(charactersAt(inventory.source[at], 1, rootPrefixLength)) + L"CLSID\\";
        inventory.fullPath[at] = Text(libraryKeyPrefix) + name + folder + L" \\" +
                                 numberKey(inventory.creationOrder[at]);
      }
    } else {
      Inventory::appendTight(inventory.fullPath[at],
                             L" \\" + numberKey(inventory.creationOrder[at]));
    }
  });
  build.endPass(BuildPass::fifth);
  build.stepsReset();
  build.passesDone(7);
  build.endPass(BuildPass::fifthSorted);
}

// Whether entry key belongs to the type whose key is typeKey: the type's own
// value or a value below it. Comparing whole path components keeps type
// "txt" from claiming the entries of type "txtfile".
bool belongsToType(TextView key, TextView typeKey) {
  if (!startsWithNoCase(key, typeKey)) return false;
  return key.size() == typeKey.size() || key[typeKey.size()] == L'\\';
}

// Pass six: one program entry per group of extensions that share a type with
// an open command, one library entry per library path. Each collect function
// returns the index to go on with.
class PassSix {
 public:
  explicit PassSix(Build& build) : build_(build), inventory_(build.inventory) {}

  void run() {
    std::size_t i = 0;
    while (i < inventory_.size()) {
      const TextView key = inventory_.fileType[i];
      if (isExtensionKey(key) && key.size() - rootPrefixLength <= 6 &&
          !inventory_.appName[i].empty()) {
        i = collectProgram(i);
      } else if (equalNoCase(charactersAt(key, 20, 7), L"\\CLSID\\")) {
        i = collectLibrary(i);
      } else {
        ++i;
        build_.stepReached(static_cast<long long>(i));
      }
    }
  }

 private:
  bool past(std::size_t i) const { return i >= inventory_.size(); }

  // An extension with an empty type name starts no group: every key would
  // "contain" the empty name, and the group would take whatever type sorts
  // next.
  std::size_t collectProgram(std::size_t i) {
    const Text typeName = inventory_.appName[i];
    const Text typeKey = Text(charactersAt(inventory_.fileType[i], 1, rootPrefixLength)) + typeName;
    Text extensions = L"*" + inventory_.fileType[i].substr(rootPrefixLength);
    ++i;
    if (past(i)) return i;
    // Further extensions of the same type; only extension entries join, so a
    // type whose description happens to equal its name is not taken for one.
    while (equalNoCase(inventory_.appName[i], typeName) && isExtensionKey(inventory_.fileType[i])) {
      extensions += L";*" + inventory_.fileType[i].substr(rootPrefixLength);
      ++i;
      if (past(i)) return i;
      build_.stepReached(static_cast<long long>(i));
    }
    if (!belongsToType(inventory_.fileType[i], typeKey)) {
      build_.stepReached(static_cast<long long>(i));
      return i;
    }
    // The type's own default value is its description; a type without one
    // has none, and the entry that stands here is already its command.
    Text description;
    if (equalNoCase(inventory_.fileType[i], typeKey)) {
      description = inventory_.appName[i];
      ++i;
      if (past(i)) return i;
    }
    const Text commandKey = typeKey + Text(openCommand);
    for (;;) {
      if (!belongsToType(inventory_.fileType[i], typeKey)) {
        build_.stepReached(static_cast<long long>(i));
        return i;
      }
      if (equalNoCase(inventory_.fileType[i], commandKey)) break;
      ++i;
      if (past(i)) {
        build_.stepReached(static_cast<long long>(i));
        return i;
      }
    }
    const Text program = exePathOf(inventory_.appName[i]);
    inventory_.append(extensions, typeName, description, program, 0,
                      registryKeyName(inventory_.fileType[i]));
    ++i;
    build_.stepReached(static_cast<long long>(i));
    build_.stepReached(static_cast<long long>(i));
    return i;
  }

  // Of the keys that name one library, the first in the registry's order
  // is its source: the creation numbers sort them so.
  std::size_t collectLibrary(std::size_t i) {
    const Text path = inventory_.appName[i];
    const Text name = path.substr(directoryOf(path).size());
    const Text source = registryKeyName(inventory_.source[i]);
    ++i;
    while (!past(i) && equalNoCase(inventory_.appName[i], path)) {
      ++i;
      if (!past(i)) build_.stepReached(static_cast<long long>(i));
    }
    if (!name.empty()) inventory_.append(name, L"", L"", path, 0, source);
    build_.stepReached(static_cast<long long>(i));
    build_.stepReached(static_cast<long long>(i));
    return i;
  }

  Build& build_;
  Inventory& inventory_;
};

void passSix(Build& build) {
  PassSix(build).run();
  build.stepsReset();
  build.passesDone(8);
  build.endPass(BuildPass::sixth);
}

// Pass seven: only the entries that pass six made, with a program path.
void passSeven(Build& build) {
  Inventory& inventory = build.inventory;
  build.forEachFromLast([&](std::size_t at) {
    if (!(Inventory::numberText(inventory.creationOrder[at]) == L"0" &&
          !inventory.fullPath[at].empty())) {
      inventory.remove(at);
    }
  });
  build.stepsReset();
  build.passesDone(9);
  build.endPass(BuildPass::seventh);
}

// A search that fails finds nothing.
bool programExists(FileSystem& files, TextView path) {
  Result<bool> present = filePresent(files, path);
  return present && present.value();
}

// Pass eight: marks the entries whose program is missing, searching once for
// each run of adjacent entries with the same path.
void passEight(Build& build) {
  Inventory& inventory = build.inventory;
  std::size_t i = 0;
  while (i < inventory.size()) {
    const Text path = inventory.fullPath[i];
    const TextView mark = programExists(build.parts.files, path) ? TextView() : missingMark;
    inventory.fullPath[i].insert(0, mark);
    ++i;
    if (i >= inventory.size()) break;
    build.stepReached(static_cast<long long>(i));
    while (i < inventory.size() && equalNoCase(inventory.fullPath[i], path)) {
      inventory.fullPath[i].insert(0, mark);
      ++i;
      if (i < inventory.size()) build.stepReached(static_cast<long long>(i));
    }
  }
  build.endPass(BuildPass::eighth);
  build.stepsReset();
  build.passesDone(10);
}

// Pass nine: the missing programs go.
void passNine(Build& build) {
  Inventory& inventory = build.inventory;
  build.forEachFromLast([&](std::size_t at) {
    if (charactersAt(inventory.fullPath[at], 1, 2) == missingMark) inventory.remove(at);
  });
  build.endPass(BuildPass::ninth);
  build.stepsReset();
  build.passesReset();
}

}  // namespace

void buildResults(Build& build) {
  passFive(build);
  passSix(build);
  passSeven(build);
  passEight(build);
  passNine(build);
}

}  // namespace vemdrol::builder
