#include "details/row_details.h"

namespace vemdrol {

namespace {

static_assert([] {
  for (std::size_t i = 0; i < factCount; ++i) {
    if (detailColumns[i].name != factColumns[i].name ||
        detailColumns[i].jsonKey != factColumns[i].jsonKey) {
      return false;
    }
  }
  return true;
}());

constexpr std::size_t signerColumn = factCount;
constexpr std::size_t signatureColumn = factCount + 1;

}  // namespace

DetailReader::DetailReader(FileSystem& files, VersionResourceReader& versions,
                           SignatureReader* signatures)
    : facts_(files, versions), signatures_(signatures) {}

RowDetails DetailReader::detailsOf(TextView path, DetailParts parts) {
  RowDetails details;
  if (parts.facts || parts.hash) {
    const FileFacts facts = facts_.factsOf(path, parts.hash);
    for (std::size_t i = 0; i < factCount; ++i) {
      details.cells[i] = facts.cells[i].text;
      details.json[i] = facts.cells[i].json;
    }
  }
  if (!signatures_ || !parts.signature) return details;
  const Result<SignatureFacts> signature = signatures_->signatureOf(path);
  if (!signature) {
    details.cells[signerColumn] = Text(unavailableText);
    details.cells[signatureColumn] = Text(unavailableText);
    return details;
  }
  details.signature = signature.value();
  details.cells[signerColumn] = signerCell(signature.value());
  if (!signature.value().signer.empty()) details.json[signerColumn] = signature.value().signer;
  details.cells[signatureColumn] = signatureStateCell(signature.value());
  const std::string_view state = signatureJsonValue(signature.value().state);
  details.json[signatureColumn] = Text(state.begin(), state.end());
  return details;
}

}  // namespace vemdrol
