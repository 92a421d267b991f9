#include "inventory/inventory.h"

#include <algorithm>
#include <numeric>
#include <string>

namespace vemdrol {

void Inventory::grow(long long k) {
  lastIndex_ += k;
  const std::size_t newSize = size();
  resizeSix(newSize);
  version.resize(newSize);
}

void Inventory::resizeSix(std::size_t newSize) {
  // Half as much again when they must grow, not twice as much: the
  // sequences of a large registry's build take tens of megabytes each, and
  // doubling them would leave most of that empty.
  if (newSize > fileType.capacity()) {
    const std::size_t room = std::max(newSize, fileType.capacity() + fileType.capacity() / 2);
    fileType.reserve(room);
    definition.reserve(room);
    appName.reserve(room);
    fullPath.reserve(room);
    creationOrder.reserve(room);
    source.reserve(room);
    version.reserve(std::max(room, version.size()));
  }
  fileType.resize(newSize);
  definition.resize(newSize);
  appName.resize(newSize);
  fullPath.resize(newSize);
  creationOrder.resize(newSize);
  source.resize(newSize);
}

void Inventory::shrinkSix() {
  fileType.shrink_to_fit();
  definition.shrink_to_fit();
  appName.shrink_to_fit();
  fullPath.shrink_to_fit();
  creationOrder.shrink_to_fit();
  source.shrink_to_fit();
}

void Inventory::append(TextView type, TextView definitionText, TextView application, TextView path,
                       long long order, TextView from) {
  grow(1);
  const std::size_t i = static_cast<std::size_t>(lastIndex_);
  fileType[i] = type;
  definition[i] = definitionText;
  appName[i] = application;
  fullPath[i] = path;
  creationOrder[i] = order;
  source[i] = from;
}

void Inventory::remove(std::size_t index) {
  // The texts' room goes back at once: a build removes most of what it
  // listed, long before the next compaction.
  for (Text* text :
       {&fileType[index], &definition[index], &appName[index], &fullPath[index], &source[index]}) {
    text->clear();
    text->shrink_to_fit();
  }
}

bool Inventory::deleted(std::size_t index) const {
  return fileType[index].empty() && definition[index].empty() && appName[index].empty();
}

void Inventory::sortByFullPath() {
  const std::size_t count = size();
  std::vector<std::size_t> order(count);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
    return compareNoCase(fullPath[a], fullPath[b]) < 0;
  });
  // The entries move into their places along the permutation's cycles, in
  // the sequences they stand in: no second copy of the sequences is ever
  // needed, and moving a text cannot fail.
  for (std::size_t start = 0; start < count; ++start) {
    if (order[start] == start) continue;
    Text type = std::move(fileType[start]);
    Text definitionText = std::move(definition[start]);
    Text application = std::move(appName[start]);
    Text path = std::move(fullPath[start]);
    const long long created = creationOrder[start];
    Text origin = std::move(source[start]);
    std::size_t at = start;
    for (;;) {
      const std::size_t from = order[at];
      order[at] = at;
      if (from == start) break;
      fileType[at] = std::move(fileType[from]);
      definition[at] = std::move(definition[from]);
      appName[at] = std::move(appName[from]);
      fullPath[at] = std::move(fullPath[from]);
      creationOrder[at] = creationOrder[from];
      source[at] = std::move(source[from]);
      at = from;
    }
    fileType[at] = std::move(type);
    definition[at] = std::move(definitionText);
    appName[at] = std::move(application);
    fullPath[at] = std::move(path);
    creationOrder[at] = created;
    source[at] = std::move(origin);
  }
}

void Inventory::keepOnlyFirst() {
  const auto cut = [](auto& sequence) {
    if (sequence.size() > 1) sequence.erase(sequence.begin() + 1, sequence.end());
  };
  cut(fileType);
  cut(definition);
  cut(appName);
  cut(fullPath);
  cut(creationOrder);
  cut(source);
  cut(version);
}

Text Inventory::numberText(long long number) { return std::to_wstring(number); }

void Inventory::appendTight(Text& text, TextView more) {
  // reserve() on the text itself would grow it to twice its old room.
  Text joined;
  joined.reserve(text.size() + more.size());
  joined.append(text).append(more);
  text = std::move(joined);
}

}  // namespace vemdrol
