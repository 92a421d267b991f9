#include "inventory/inventory.h"

#include <algorithm>
#include <numeric>
#include <string>

namespace vemdrol {

void Inventory::grow(long long k) {
  lastIndex_ += k;
  const std::size_t newSize = size();
  resizeFive(newSize);
  version.resize(newSize);
}

void Inventory::resizeFive(std::size_t newSize) {
  fileType.resize(newSize);
  definition.resize(newSize);
  appName.resize(newSize);
  fullPath.resize(newSize);
  creationOrder.resize(newSize);
}

void Inventory::append(TextView type, TextView definitionText, TextView application, TextView path,
                       long long order) {
  grow(1);
  const std::size_t i = static_cast<std::size_t>(lastIndex_);
  fileType[i] = type;
  definition[i] = definitionText;
  appName[i] = application;
  fullPath[i] = path;
  creationOrder[i] = order;
}

void Inventory::remove(std::size_t index) {
  fileType[index].clear();
  definition[index].clear();
  appName[index].clear();
  fullPath[index].clear();
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
  // Every allocation happens before the first entry moves, so running out
  // of memory leaves the inventory as it was.
  std::vector<Text> types, definitions, applications, paths;
  std::vector<long long> orders;
  for (auto* sorted : {&types, &definitions, &applications, &paths}) sorted->reserve(count);
  orders.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t from = order[i];
    types.push_back(std::move(fileType[from]));
    definitions.push_back(std::move(definition[from]));
    applications.push_back(std::move(appName[from]));
    paths.push_back(std::move(fullPath[from]));
    orders.push_back(creationOrder[from]);
  }
  fileType = std::move(types);
  definition = std::move(definitions);
  appName = std::move(applications);
  fullPath = std::move(paths);
  creationOrder = std::move(orders);
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
  cut(version);
}

Text Inventory::numberText(long long number) { return std::to_wstring(number); }

}  // namespace vemdrol
