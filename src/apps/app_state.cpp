#include "apps/app_state.h"

#include <array>
#include <string>

namespace vemdrol {
namespace {

enum Column : std::size_t {
  name,
  version,
  publisher,
  installDate,
  size,
  location,
  uninstall,
  scope,
  user,
  view,
  kind,
  productCode,
  source,
  hidden,
  columnCount
};

const std::array<TextView, columnCount> columnNames{
    L"name",  L"version", L"publisher", L"installDate", L"size",        L"location", L"uninstall",
    L"scope", L"user",    L"view",      L"kind",        L"productCode", L"source",   L"hidden"};

std::optional<std::uint64_t> numberOf(TextView digits) {
  if (digits.empty() || digits.size() > 20) return std::nullopt;
  std::uint64_t number = 0;
  for (wchar_t c : digits) {
    if (c < L'0' || c > L'9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - L'0');
    if (number > (UINT64_MAX - digit) / 10) return std::nullopt;
    number = number * 10 + digit;
  }
  return number;
}

}  // namespace

StateTable appsStateTable(const std::vector<InstalledApp>& apps) {
  StateTable table;
  table.name = Text(appsTableName);
  for (TextView column : columnNames) table.columns.emplace_back(column);
  table.records.reserve(apps.size());
  for (const InstalledApp& app : apps) {
    table.records.push_back({app.name, app.version, app.publisher, app.installDate,
                             app.size ? std::to_wstring(*app.size) : Text(), app.location,
                             app.uninstall, Text(scopeText(app.scope)), app.user, app.view,
                             Text(kindText(app.kind)), app.productCode, app.source,
                             app.hidden ? L"1" : L"0"});
  }
  return table;
}

std::optional<std::vector<InstalledApp>> appsOfStateTable(const StateTable& table) {
  std::array<std::size_t, columnCount> at{};
  for (std::size_t i = 0; i < columnCount; ++i) {
    const std::optional<std::size_t> column = table.column(columnNames[i]);
    if (!column) return std::nullopt;
    at[i] = *column;
  }
  std::vector<InstalledApp> apps;
  apps.reserve(table.records.size());
  for (const std::vector<Text>& record : table.records) {
    const auto field = [&](Column column) -> const Text& { return record.at(at[column]); };
    InstalledApp app;
    app.name = field(name);
    app.version = field(version);
    app.publisher = field(publisher);
    app.installDate = field(installDate);
    app.size = numberOf(field(size));
    app.location = field(location);
    app.uninstall = field(uninstall);
    app.scope = field(scope) == L"user" ? AppScope::user : AppScope::machine;
    app.user = field(user);
    app.view = field(view);
    app.kind = field(kind) == L"msi"     ? AppKind::msi
               : field(kind) == L"store" ? AppKind::store
                                         : AppKind::other;
    app.productCode = field(productCode);
    app.source = field(source);
    app.hidden = field(hidden) == L"1";
    apps.push_back(std::move(app));
  }
  return apps;
}

}  // namespace vemdrol
