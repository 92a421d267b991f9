#include "inventory/builder.h"

#include <array>
#include <new>

#include "inventory/builder_passes.h"
#include "inventory/pass_end.h"

namespace vemdrol {

namespace builder {

void Build::endPass(BuildPass pass) { vemdrol::endPass(pass, inventory, parts.report); }

TextView charactersAt(TextView text, std::size_t first, std::size_t count) {
  if (first == 0 || first > text.size()) return {};
  return text.substr(first - 1, count);
}

namespace {

constexpr std::array<const wchar_t*, 4> paddedRoots = {
    L"HKEY_CLASSES_ROOT  ", L"HKEY_CURRENT_USER  ", L"HKEY_LOCAL_MACHINE ", L"HKEY_CURRENT_CONFIG"};

void start(Build& build) {
  Inventory& inventory = build.inventory;
  build.passesReset();
  build.stepsReset();
  build.parts.report.onBuild(BuildStarted{});
  const auto first = static_cast<std::size_t>(inventory.lastIndex() + 1);
  // Four roots and one empty entry, which the first pass-end step drops.
  inventory.grow(5);
  inventory.creationCounter = 0;
  for (std::size_t r = 0; r < paddedRoots.size(); ++r) {
    const std::size_t i = first + r;
    inventory.fileType[i] = paddedRoots[r];
    inventory.definition[i].clear();
    inventory.appName[i].clear();
    inventory.fullPath[i] = paddedRoots[r];
    inventory.creationOrder[i] = inventory.creationCounter;
    if (r + 1 < paddedRoots.size()) ++inventory.creationCounter;
  }
  build.passesDone(2);
}

void listKey(Build& build, std::size_t i) {
  // A copy: the listing appends entries and may move the one it came from.
  const Text key = build.inventory.fileType[i];
  build.parts.listing.listKey(key, build.parts.registry, build.inventory, build.parts.report);
}

// Pass one: the keys directly below the root.
void passOne(Build& build) {
  listKey(build, 0);
  build.endPass(BuildPass::first);
  build.passesDone(3);
}

// Pass two: the default value and subkeys of every first-level key.
void passTwo(Build& build) {
  Inventory& inventory = build.inventory;
  build.forEachFromFirst([&](std::size_t at) {
    if (!equalNoCase(inventory.fileType[at], inventory.fullPath[at])) listKey(build, at);
  });
  build.endPass(BuildPass::second);
  build.stepsReset();
  build.passesDone(4);
}

// Pass three: keys become the keys that hold the wanted values, extension
// values point at their type's key, everything else goes.
void passThree(Build& build) {
  Inventory& inventory = build.inventory;
  build.forEachFromLast([&](std::size_t at) {
    Text& type = inventory.fileType[at];
    if (!isDefaultValueEntry(inventory, at)) {
      if (endsWithNoCase(type, L"\\shell")) {
        Inventory::appendTight(type, L"\\open\\command");
        inventory.definition[at].clear();
        inventory.appName[at].clear();
      } else if (equalNoCase(charactersAt(type, 20, 7), L"\\CLSID\\")) {
        Inventory::appendTight(type, L"\\InprocServer32");
        inventory.definition[at].clear();
        inventory.appName[at].clear();
      } else {
        inventory.remove(at);
      }
    } else if (equalNoCase(charactersAt(type, 20, 2), L"\\.")) {
      inventory.fullPath[at] =
          Text(charactersAt(type, 1, rootPrefixLength)) + inventory.appName[at];
    }
  });
  build.endPass(BuildPass::third);
  build.stepsReset();
  build.passesDone(5);
}

// Pass four: the open commands and the library paths.
void passFour(Build& build) {
  Inventory& inventory = build.inventory;
  build.forEachFromFirst([&](std::size_t at) {
    if (!inventory.fileType[at].empty() && !isDefaultValueEntry(inventory, at)) {
      listKey(build, at);
      // The key's own entry has served: the fifth pass drops every entry
      // that is no default value, and a large registry's build needs the
      // room for what the listing appends now.
      inventory.remove(at);
    }
  });
  build.endPass(BuildPass::fourth);
  build.stepsReset();
  build.passesDone(6);
}

}  // namespace

void collectFromRegistry(Build& build) {
  start(build);
  passOne(build);
  passTwo(build);
  passThree(build);
  passFour(build);
}

}  // namespace builder

Status buildInventory(Inventory& inventory, BuilderParts& parts) {
  builder::Build build{inventory, parts};
  Status done = success();
  try {
    builder::collectFromRegistry(build);
    if (parts.registryDone) parts.registryDone();
    builder::buildResults(build);
  } catch (const std::bad_alloc&) {
    // Running out of memory is the failure the passes can meet; the build
    // ends with the entries it has.
    const Error error = faultError(Fault::outOfMemory, 7);
    parts.report.failed(Failure{Procedure::buildInventory, error});
    done = error;
  }
  // The final block, reached after the last pass or after a failure.
  parts.report.onBuild(BuildFinishing{});
  endPass(BuildPass::closing, inventory, parts.report);
  parts.report.onBuild(BuildEnded{});
  return done;
}

}  // namespace vemdrol
