#include "compare/app_comparison.h"

#include <deque>
#include <optional>
#include <unordered_map>

namespace vemdrol {
namespace {

constexpr std::size_t nameField = static_cast<std::size_t>(AppField::name);
constexpr std::size_t scopeField = static_cast<std::size_t>(AppField::scope);
constexpr std::size_t sourceField = static_cast<std::size_t>(AppField::source);

// Two texts joined by a character no registry path or name holds.
Text keyOf(const AppTexts& texts, std::size_t field) {
  Text key = foldCase(texts[field]);
  key += L'\0';
  key += foldCase(texts[scopeField]);
  return key;
}

using Waiting = std::unordered_map<Text, std::deque<std::size_t>>;

}  // namespace

std::vector<ComparedApp> compareApps(const std::vector<AppRecord>& newer,
                                     const std::vector<AppRecord>& older) {
  std::vector<std::optional<std::size_t>> partner(newer.size());
  std::vector<bool> taken(older.size(), false);

  // First by key, then what is left by name: each pass pairs the entries
  // waiting under the same text in the order listed.
  for (const std::size_t field : {sourceField, nameField}) {
    Waiting waiting;
    for (std::size_t i = 0; i < older.size(); ++i) {
      if (!taken[i] && !older[i].texts[field].empty()) {
        waiting[keyOf(older[i].texts, field)].push_back(i);
      }
    }
    for (std::size_t i = 0; i < newer.size(); ++i) {
      if (partner[i] || newer[i].texts[field].empty()) continue;
      const auto found = waiting.find(keyOf(newer[i].texts, field));
      if (found == waiting.end() || found->second.empty()) continue;
      partner[i] = found->second.front();
      found->second.pop_front();
      taken[*partner[i]] = true;
    }
  }

  std::vector<ComparedApp> compared;
  compared.reserve(newer.size() + older.size());
  for (std::size_t i = 0; i < newer.size(); ++i) {
    ComparedApp app;
    app.texts = newer[i].texts;
    app.hidden = newer[i].hidden;
    if (!partner[i]) {
      app.change = Change::added;
    } else {
      app.old = older[*partner[i]].texts;
      for (std::size_t field = 0; field < appFieldCount; ++field) {
        // The key was matched ignoring letter case, as the registry names it.
        const bool same = field == sourceField ? equalNoCase(app.texts[field], app.old[field])
                                               : app.texts[field] == app.old[field];
        if (!same) app.changedFields |= 1u << field;
      }
      app.change = app.changedFields == 0 ? Change::same : Change::changed;
    }
    compared.push_back(std::move(app));
  }
  for (std::size_t i = 0; i < older.size(); ++i) {
    if (taken[i]) continue;
    ComparedApp app;
    app.change = Change::removed;
    app.texts = older[i].texts;
    app.hidden = older[i].hidden;
    compared.push_back(std::move(app));
  }
  return compared;
}

Text appChangeText(const ComparedApp& app) {
  return changeWords(app.change, app.changedFields, appFieldCount,
                     [](std::size_t field) { return appFieldColumns()[field].name; });
}

}  // namespace vemdrol
