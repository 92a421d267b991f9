#include "details/file_facts.h"

#include <array>
#include <span>
#include <string>
#include <utility>

#include "formats/byte_reader.h"
#include "formats/pe/pe_image.h"
#include "version/version_strings.h"

namespace vemdrol {
namespace {

// Enough for the DOS header and, in nearly every file, the NT headers.
constexpr std::size_t headSize = 4096;

// The facts that come from the file's bytes rather than its folder entry.
constexpr std::array<Fact, 7> contentFacts{
    Fact::company,     Fact::product, Fact::productVersion, Fact::fileVersion,
    Fact::fullVersion, Fact::machine, Fact::sha256};

Text digits(long long value, std::size_t width) {
  Text text = std::to_wstring(value);
  if (text.size() < width) text.insert(0, width - text.size(), L'0');
  return text;
}

FactCell valueCell(Text text) {
  std::optional<Text> json = text;
  return {FactState::value, std::move(text), std::move(json)};
}

Text hex4(std::uint16_t value) {
  static constexpr wchar_t digits[] = L"0123456789ABCDEF";
  Text text(4, L'0');
  for (int i = 3; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = digits[value & 0xF];
  return text;
}

FactCell unavailableCell() { return {FactState::unavailable, Text(unavailableText), std::nullopt}; }

FactCell timeCell(std::optional<FileTime> time) {
  if (!time) return {FactState::value, Text(), std::nullopt};
  const std::optional<LocalTime> local = localTimeOf(*time);
  if (!local) return unavailableCell();
  return {FactState::value, timeCellText(*local), timeIsoText(*local)};
}

}  // namespace

Text timeCellText(const LocalTime& time) {
  return digits(time.year, 4) + L"/" + digits(time.month, 2) + L"/" + digits(time.day, 2) + L" " +
         digits(time.hour, 2) + L":" + digits(time.minute, 2) + L":" + digits(time.second, 2);
}

Text timeIsoText(const LocalTime& time) {
  const int offset = time.offsetMinutes < 0 ? -time.offsetMinutes : time.offsetMinutes;
  return digits(time.year, 4) + L"-" + digits(time.month, 2) + L"-" + digits(time.day, 2) + L"T" +
         digits(time.hour, 2) + L":" + digits(time.minute, 2) + L":" + digits(time.second, 2) +
         (time.offsetMinutes < 0 ? L"-" : L"+") + digits(offset / 60, 2) + L":" +
         digits(offset % 60, 2);
}

Text fullVersionText(const FixedFileVersion& version) {
  return std::to_wstring(version.fileVersionMS >> 16) + L"." +
         std::to_wstring(version.fileVersionMS & 0xFFFF) + L"." +
         std::to_wstring(version.fileVersionLS >> 16) + L"." +
         std::to_wstring(version.fileVersionLS & 0xFFFF);
}

Text machineText(const PeMachine& machine) {
  if (machine.kind == PeMachine::Kind::notPe) return Text(notPeText);
  if (machine.kind == PeMachine::Kind::truncated) return Text();
  Text text;
  switch (machine.machine) {
    case 0x014C:
      text = L"x86";
      break;
    case 0x8664:
      text = L"x64";
      break;
    case 0xAA64:
      text = L"ARM64";
      break;
    case 0x01C0:
    case 0x01C2:
    case 0x01C4:
      text = L"ARM";
      break;
    case 0x0200:
      text = L"IA64";
      break;
    default:
      text = L"不明 (0x" + hex4(machine.machine) + L")";
      break;
  }
  if (machine.dotNet) text += L" .NET";
  return text;
}

FactReader::FactReader(FileSystem& files, VersionResourceReader& versions)
    : files_(files), versions_(versions) {}

FileFacts FactReader::factsOf(TextView path, bool withHash) {
  Text key = foldCase(path);
  if (const auto found = cache_.find(key); found != cache_.end()) {
    if (withHash && found->second[Fact::sha256].state == FactState::notAsked) {
      readHash(path, found->second);
    }
    return found->second;
  }
  FileFacts facts;
  readSizeAndTimes(path, facts);
  readContent(path, withHash, facts);
  return cache_.emplace(std::move(key), std::move(facts)).first->second;
}

void FactReader::readSizeAndTimes(TextView path, FileFacts& facts) {
  const Result<FileInfo> info = files_.fileInfo(path);
  if (!info) {
    for (const Fact fact : {Fact::size, Fact::modified, Fact::created}) {
      facts[fact] = unavailableCell();
    }
    return;
  }
  facts.size = info.value().size;
  facts[Fact::size] = valueCell(std::to_wstring(info.value().size));
  facts[Fact::modified] = timeCell(info.value().lastWrite);
  facts[Fact::created] = timeCell(info.value().creation);
  if (facts[Fact::modified].json) facts.modified = info.value().lastWrite;
  if (facts[Fact::created].json) facts.created = info.value().creation;
}

void FactReader::readContent(TextView path, bool withHash, FileFacts& facts) {
  Result<std::unique_ptr<FileReader>> opened = files_.openForReading(path);
  if (!opened) {
    // Gone, or held by another process: the version API could not read it
    // either, and an empty version cell would claim it has no version.
    for (const Fact fact : contentFacts) facts[fact] = unavailableCell();
    return;
  }
  FileReader& file = *opened.value();
  if (buffer_.empty()) buffer_.resize(chunkSize);

  // With the hash, the head is the first piece of the hash's reading.
  const std::size_t wanted = withHash ? buffer_.size() : headSize;
  const Result<std::size_t> head = file.readAt(0, std::span(buffer_).first(wanted));
  if (!head) {
    facts[Fact::machine] = unavailableCell();
    facts[Fact::sha256] = unavailableCell();
  } else {
    const std::string_view bytes(buffer_.data(), head.value());
    const bool wholeFile = head.value() < wanted;
    facts[Fact::machine] = machineCell(file, bytes, wholeFile);
    if (withHash) {
      const std::optional<Text> hash = hashOf(file, head.value());
      facts[Fact::sha256] = hash ? valueCell(*hash) : unavailableCell();
    }
  }
  // Closed before the version API opens the file by its name.
  opened.value().reset();
  readVersionFacts(path, facts);
}

FactCell FactReader::machineCell(FileReader& file, std::string_view head, bool wholeFile) {
  const std::optional<std::uint32_t> nt = PeImage::ntHeadersOffset(ByteReader(head));
  if (!nt) return valueCell(machineText(PeMachine{}));
  std::array<char, peNtHeadersSize> ntBuffer;
  std::string_view ntBytes;
  if (wholeFile || std::uint64_t{*nt} + peNtHeadersSize <= head.size()) {
    if (*nt < head.size()) ntBytes = head.substr(*nt);
  } else {
    // Headers placed far into the file are read where they are.
    const Result<std::size_t> got = file.readAt(*nt, ntBuffer);
    if (!got) return unavailableCell();
    ntBytes = std::string_view(ntBuffer.data(), got.value());
  }
  const PeMachine machine = peMachineFromNtHeaders(ntBytes);
  if (machine.kind == PeMachine::Kind::truncated) return unavailableCell();
  return valueCell(machineText(machine));
}

std::optional<Text> FactReader::hashOf(FileReader& file, std::size_t firstPiece) {
  if (!hasher_) {
    Result<std::unique_ptr<Sha256>> made = Sha256::make();
    if (!made) return std::nullopt;
    hasher_ = std::move(made).value();
  }
  // A failure leaves the hasher part-way through this file; the next file
  // gets a new one.
  const auto fail = [&]() -> std::optional<Text> {
    hasher_.reset();
    return std::nullopt;
  };
  std::uint64_t offset = 0;
  std::size_t got = firstPiece;
  for (;;) {
    if (!hasher_->add(std::string_view(buffer_.data(), got))) return fail();
    offset += got;
    // readAt fills the buffer unless the file ends.
    if (got < buffer_.size()) break;
    const Result<std::size_t> next = file.readAt(offset, buffer_);
    if (!next) return fail();
    got = next.value();
  }
  const Result<Sha256Digest> digest = hasher_->finish();
  if (!digest) return fail();
  return sha256Text(digest.value());
}

void FactReader::readHash(TextView path, FileFacts& facts) {
  Result<std::unique_ptr<FileReader>> opened = files_.openForReading(path);
  if (!opened) {
    facts[Fact::sha256] = unavailableCell();
    return;
  }
  if (buffer_.empty()) buffer_.resize(chunkSize);
  const Result<std::size_t> first = opened.value()->readAt(0, buffer_);
  const std::optional<Text> hash =
      first ? hashOf(*opened.value(), first.value()) : std::optional<Text>();
  facts[Fact::sha256] = hash ? valueCell(*hash) : unavailableCell();
}

void FactReader::readVersionFacts(TextView path, FileFacts& facts) {
  const Result<std::optional<VersionResource>> resource = versions_.versionResourceOf(path);
  if (!resource) {
    for (const Fact fact : {Fact::company, Fact::product, Fact::productVersion, Fact::fileVersion,
                            Fact::fullVersion}) {
      facts[fact] = unavailableCell();
    }
    return;
  }
  if (!resource.value()) {
    for (const Fact fact : {Fact::company, Fact::product, Fact::productVersion, Fact::fileVersion,
                            Fact::fullVersion}) {
      facts[fact] = valueCell(Text());
    }
    return;
  }
  // The string table the list's description and copyright come from.
  const VersionResource& block = *resource.value();
  const std::vector<Translation> translations = block.translations();
  const Text prefix = stringTablePrefix(translations.empty() ? Translation{} : translations[0]);
  const auto text = [&](const wchar_t* key) {
    return valueCell(block.stringValue(prefix + key).value_or(Text()));
  };
  facts[Fact::company] = text(L"CompanyName");
  facts[Fact::product] = text(L"ProductName");
  facts[Fact::productVersion] = text(L"ProductVersion");
  facts[Fact::fileVersion] = text(L"FileVersion");
  const std::optional<FixedFileVersion> fixed = block.fixedFileVersion();
  facts[Fact::fullVersion] = valueCell(fixed ? fullVersionText(*fixed) : Text());
}

}  // namespace vemdrol
