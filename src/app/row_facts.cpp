#include "app/row_facts.h"

namespace vemdrol {

namespace {

constexpr std::size_t hashDetail = factIndex(Fact::sha256);

Text grouped(std::size_t number) {
  Text digits = std::to_wstring(number);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, L',');
  return digits;
}

}  // namespace

unsigned detailPartOf(std::size_t detail) {
  if (detail == sourceDetail) return 0;
  if (detail >= factCount) return signaturePart;
  return detail == hashDetail ? hashPart : factsPart;
}

unsigned readParts(unsigned parts) { return (parts & hashPart) ? parts | factsPart : parts; }

DetailParts detailPartsToRead(unsigned parts) {
  parts = readParts(parts);
  return DetailParts{(parts & factsPart) != 0, (parts & hashPart) != 0,
                     (parts & signaturePart) != 0};
}

std::optional<TextView> FactsCache::cell(const Text& key, std::size_t detail) const {
  const auto found = files_.find(key);
  if (found == files_.end() || detail >= detailCount) return std::nullopt;
  if ((found->second.known & detailPartOf(detail)) == 0) return std::nullopt;
  return TextView(found->second.details.cells[detail]);
}

bool FactsCache::knows(const Text& key, unsigned parts) const {
  const auto found = files_.find(key);
  return found != files_.end() && (found->second.known & parts) == parts;
}

bool FactsCache::confirmed(const Text& key, unsigned parts) const {
  const auto found = files_.find(key);
  return found != files_.end() &&
         (found->second.known & ~found->second.remembered & parts) == parts;
}

std::optional<SignatureFacts> FactsCache::signature(const Text& key) const {
  const auto found = files_.find(key);
  if (found == files_.end() || (found->second.known & signaturePart) == 0) return std::nullopt;
  return found->second.details.signature;
}

void FactsCache::remember(const Text& key, const SignatureFacts& facts) {
  File& file = files_[key];
  if (file.known & signaturePart) return;
  file.details.cells[factCount] = signerCell(facts);
  file.details.cells[factCount + 1] = signatureStateCell(facts);
  file.details.signature = facts;
  file.known |= signaturePart;
  file.remembered |= signaturePart;
}

unsigned FactsCache::ask(const Text& key, unsigned parts, bool urgent) {
  File& file = files_[key];
  const unsigned known = file.known & ~file.remembered;
  const unsigned missing = parts & ~known & ~(urgent ? file.askedUrgently : file.asked);
  file.asked |= missing;
  if (urgent) file.askedUrgently |= missing;
  return missing;
}

void FactsCache::store(const Text& key, unsigned parts, const RowDetails& details) {
  File& file = files_[key];
  for (std::size_t detail = 0; detail < detailCount; ++detail) {
    if (parts & detailPartOf(detail)) file.details.cells[detail] = details.cells[detail];
  }
  if (parts & signaturePart) file.details.signature = details.signature;
  file.known |= parts;
  file.remembered &= ~parts;
  file.asked &= ~parts;
  file.askedUrgently &= ~parts;
}

void FactsCache::forgetAsked() {
  for (auto& [key, file] : files_) file.asked = file.askedUrgently = 0;
}

void FactsWait::addRow(const Text& key) {
  ++rowsOfFile_[key];
  ++rowsTotal_;
}

void FactsWait::arrived(const Text& key) {
  const auto found = rowsOfFile_.find(key);
  if (found == rowsOfFile_.end()) return;
  rowsDone_ += found->second;
  rowsOfFile_.erase(found);
}

Text factsProgressText(std::size_t done, std::size_t total) {
  return Text(factsProgressStart) + L" " + grouped(done) + L" / " + grouped(total);
}

}  // namespace vemdrol
