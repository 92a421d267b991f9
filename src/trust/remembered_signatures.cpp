#include "trust/remembered_signatures.h"

#include <array>
#include <charconv>
#include <string>
#include <unordered_set>

#include "base/utf8.h"

namespace vemdrol {

namespace {

// The columns, in the order they are written.
constexpr std::array<TextView, 8> columnNames{L"path",   L"size",         L"lastWrite", L"state",
                                              L"signer", L"organization", L"failure",   L"code"};

constexpr std::array<std::pair<SignatureState, TextView>, 4> stateNames{{
    {SignatureState::verified, L"verified"},
    {SignatureState::failed, L"failed"},
    {SignatureState::unverified, L"unverified"},
    {SignatureState::notSigned, L"unsigned"},
}};

constexpr std::array<std::pair<SignatureFailure, TextView>, 10> failureNames{{
    {SignatureFailure::none, L""},
    {SignatureFailure::digestMismatch, L"digestMismatch"},
    {SignatureFailure::badSignature, L"badSignature"},
    {SignatureFailure::malformed, L"malformed"},
    {SignatureFailure::untrusted, L"untrusted"},
    {SignatureFailure::untrustedRoot, L"untrustedRoot"},
    {SignatureFailure::expired, L"expired"},
    {SignatureFailure::revoked, L"revoked"},
    {SignatureFailure::wrongUsage, L"wrongUsage"},
    {SignatureFailure::other, L"other"},
}};

template <class Value, std::size_t count>
std::optional<Value> valueNamed(const std::array<std::pair<Value, TextView>, count>& names,
                                TextView name) {
  for (const auto& [value, candidate] : names) {
    if (candidate == name) return value;
  }
  return std::nullopt;
}

template <class Value, std::size_t count>
Text nameOf(const std::array<std::pair<Value, TextView>, count>& names, Value value) {
  for (const auto& [candidate, name] : names) {
    if (candidate == value) return Text(name);
  }
  return Text();
}

template <class Number>
std::optional<Number> numberOf(TextView text) {
  std::string digits;
  for (const wchar_t c : text) {
    if (c > 0x7F) return std::nullopt;
    digits += static_cast<char>(c);
  }
  Number value{};
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<SignatureFacts> RememberedSignatures::recall(TextView path,
                                                           const FileStamp& stamp) const {
  std::lock_guard lock(mutex_);
  const auto found = entries_.find(foldCase(path));
  if (found == entries_.end() || !(found->second.stamp == stamp)) return std::nullopt;
  return found->second.facts;
}

void RememberedSignatures::remember(TextView path, const FileStamp& stamp,
                                    const SignatureFacts& facts) {
  std::lock_guard lock(mutex_);
  Entry& entry = entries_[foldCase(path)];
  if (entry.path == path && entry.stamp == stamp && entry.facts == facts) return;
  entry = Entry{Text(path), stamp, facts};
  changed_ = true;
}

void RememberedSignatures::keepOnly(const std::vector<Text>& paths) {
  std::unordered_set<Text> kept;
  kept.reserve(paths.size());
  for (const Text& path : paths) kept.insert(foldCase(path));
  std::lock_guard lock(mutex_);
  const std::size_t before = entries_.size();
  std::erase_if(entries_, [&kept](const auto& entry) { return !kept.contains(entry.first); });
  if (entries_.size() != before) changed_ = true;
}

std::vector<std::pair<Text, SignatureFacts>> RememberedSignatures::all() const {
  std::lock_guard lock(mutex_);
  std::vector<std::pair<Text, SignatureFacts>> facts;
  facts.reserve(entries_.size());
  for (const auto& [key, entry] : entries_) facts.emplace_back(entry.path, entry.facts);
  return facts;
}

std::size_t RememberedSignatures::size() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

bool RememberedSignatures::changed() const {
  std::lock_guard lock(mutex_);
  return changed_;
}

StateTable RememberedSignatures::table() {
  std::lock_guard lock(mutex_);
  StateTable table{Text(signatureTableName), {columnNames.begin(), columnNames.end()}, {}};
  table.records.reserve(entries_.size());
  for (const auto& [key, entry] : entries_) {
    const SignatureFacts& facts = entry.facts;
    table.records.push_back({entry.path, std::to_wstring(entry.stamp.size),
                             std::to_wstring(entry.stamp.lastWrite),
                             nameOf(stateNames, facts.state), facts.signer, facts.organization,
                             nameOf(failureNames, facts.failure), std::to_wstring(facts.code)});
  }
  changed_ = false;
  return table;
}

void RememberedSignatures::load(const StateTable& table) {
  std::unordered_map<Text, Entry> entries;
  std::array<std::size_t, columnNames.size()> at{};
  bool columns = true;
  for (std::size_t i = 0; i < columnNames.size() && columns; ++i) {
    const std::optional<std::size_t> column = table.column(columnNames[i]);
    columns = column.has_value();
    if (column) at[i] = *column;
  }
  for (std::size_t i = 0; columns && i < table.records.size(); ++i) {
    const std::vector<Text>& record = table.records[i];
    const auto field = [&](std::size_t column) -> const Text& { return record[at[column]]; };
    const auto size = numberOf<std::uint64_t>(field(1));
    const auto lastWrite = numberOf<std::uint64_t>(field(2));
    const auto state = valueNamed(stateNames, field(3));
    const auto failure = valueNamed(failureNames, field(6));
    const auto code = numberOf<long>(field(7));
    if (field(0).empty() || !size || !lastWrite || !state || !failure || !code) continue;
    entries[foldCase(field(0))] =
        Entry{field(0), FileStamp{*size, *lastWrite},
              SignatureFacts{*state, field(4), *failure, *code, field(5)}};
  }
  std::lock_guard lock(mutex_);
  entries_ = std::move(entries);
  changed_ = false;
}

Result<SignatureFacts> RememberingSignatureReader::signatureOf(TextView path) {
  const Result<FileInfo> info = files_.fileInfo(path);
  // A file that keeps no last write time cannot be told unchanged.
  const std::optional<FileStamp> stamp =
      info && info.value().lastWrite
          ? std::optional(FileStamp{info.value().size, *info.value().lastWrite})
          : std::nullopt;
  if (stamp) {
    if (auto known = remembered_.recall(path, *stamp)) return *std::move(known);
  }
  Result<SignatureFacts> facts = inner_.signatureOf(path);
  if (facts && stamp) remembered_.remember(path, *stamp, facts.value());
  return facts;
}

}  // namespace vemdrol
