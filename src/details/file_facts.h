// The facts of a program file that the list, the exports and the scanner can
// show beside the five inventory columns: who made the file, which build it
// is, for which machine, when it changed, and its SHA-256 to tell it from any
// other. Each fact is a column of its own; factColumns names them for all
// who show them.
//
// Every cell is one of three things: the fact (which may be an empty text,
// such as the company of a file without a version resource), "取得できません"
// when the file could not be asked (it vanished since the scan, another
// process holds it locked, a read failed, or its PE headers are cut off), or
// empty when nobody asked for it (the hash, until it is wanted). A fact that
// cannot be had leaves the others alone: a locked file still has its size
// and times.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/text.h"
#include "formats/pe/machine.h"
#include "os/filesystem.h"
#include "os/local_time.h"
#include "os/sha256.h"
#include "os/version_resource.h"

namespace vemdrol {

enum class Fact : std::uint8_t {
  company,         // CompanyName
  product,         // ProductName
  productVersion,  // ProductVersion
  fileVersion,     // FileVersion, the string
  fullVersion,     // the fixed block's four numbers
  size,
  modified,
  created,
  machine,
  sha256,
};
inline constexpr std::size_t factCount = 10;

struct FactColumn {
  Fact fact;
  TextView name;             // the column's name in the list
  std::string_view jsonKey;  // the key in JSON exports
  bool numeric;              // sorted as a number, a number in JSON
};

// In the order of Fact.
inline constexpr std::array<FactColumn, factCount> factColumns{{
    {Fact::company, L"会社名", "company", false},
    {Fact::product, L"製品名", "product", false},
    {Fact::productVersion, L"製品バージョン", "productVersion", false},
    {Fact::fileVersion, L"ファイルバージョン", "fileVersion", false},
    {Fact::fullVersion, L"完全なバージョン", "fullVersion", false},
    {Fact::size, L"サイズ", "size", true},
    {Fact::modified, L"更新日時", "modified", false},
    {Fact::created, L"作成日時", "created", false},
    {Fact::machine, L"種別", "machine", false},
    {Fact::sha256, L"SHA-256", "sha256", false},
}};

inline constexpr std::size_t factIndex(Fact fact) { return static_cast<std::size_t>(fact); }
inline constexpr const FactColumn& factColumn(Fact fact) { return factColumns[factIndex(fact)]; }

// factColumn looks a fact up by its place, so each must stand at its own.
static_assert([] {
  for (std::size_t i = 0; i < factCount; ++i) {
    if (factIndex(factColumns[i].fact) != i) return false;
  }
  return true;
}());

inline constexpr TextView unavailableText = L"取得できません";

enum class FactState : std::uint8_t {
  value,        // the fact; text may be "" (no such string, no creation time kept)
  unavailable,  // the file could not be asked: the cell shows unavailableText
  notAsked,     // the hash, when it was not asked for: the cell is empty
};

struct FactCell {
  FactState state = FactState::notAsked;
  Text text;  // the cell as the list shows it
  // The value for JSON, nullopt for null: the texts as they are ("" for
  // none), the size as its decimal digits, the times in ISO 8601 with the
  // local offset. A time the file system does not keep, and every fact that
  // is unavailable or not asked for, is null.
  std::optional<Text> json;

  friend bool operator==(const FactCell&, const FactCell&) = default;
};

struct FileFacts {
  std::array<FactCell, factCount> cells;

  // The same facts as numbers, for sorting; nullopt where the cell has none.
  std::optional<std::uint64_t> size;
  std::optional<FileTime> modified;  // UTC
  std::optional<FileTime> created;   // UTC

  const FactCell& operator[](Fact fact) const { return cells[factIndex(fact)]; }
  FactCell& operator[](Fact fact) { return cells[factIndex(fact)]; }
};

// "2026/12/07 20:28:15", as the cells show times.
Text timeCellText(const LocalTime& time);
// "2026-12-07T20:28:15+09:00"; the offset is never written as "Z".
Text timeIsoText(const LocalTime& time);
// "6.0.2900.5512"
Text fullVersionText(const FixedFileVersion& version);

// The text of the 種別 cell: "x86", "x64", "ARM64", "ARM", "IA64" or, for
// another machine number, "不明 (0x" and its four hex digits ")"; each with
// " .NET" after it for a .NET assembly. notPeText for a file that is no PE
// file; "" for a truncated one, whose type cannot be told.
inline constexpr TextView notPeText = L"PE ファイルではありません";
Text machineText(const PeMachine& machine);

// Reads the facts of program files, each file once per run.
//
// Not thread-safe: its cache and hasher are its own. A worker thread takes
// a reader of its own; readers on several threads may share the system's
// FileSystem and VersionResourceReader, which keep no state between calls
// (a MemoryFileSystem must not change while they read).
class FactReader {
 public:
  // Read in pieces of this size, and the file's head as the first piece.
  static constexpr std::size_t chunkSize = std::size_t{256} << 10;

  // files and versions must outlive the reader. versions is the reader the
  // list's version columns use, so the two agree: the Windows version API on
  // Windows, the file's own bytes elsewhere (where a file over 256 MiB has
  // no version resource).
  FactReader(FileSystem& files, VersionResourceReader& versions);

  // The facts of the file at path; with its SHA-256 when withHash, which
  // reads the whole file, else the hash's cell is notAsked. Paths that differ
  // only in letter case name the same file and are read once; a file read
  // without its hash is opened again only for the hash.
  FileFacts factsOf(TextView path, bool withHash);

  // Forgets what was read, for the next run.
  void clear() { cache_.clear(); }

 private:
  void readSizeAndTimes(TextView path, FileFacts& facts);
  // The facts taken from the file's bytes; with the hash when withHash.
  void readContent(TextView path, bool withHash, FileFacts& facts);
  // head: the file's first bytes; wholeFile when they are all of it.
  FactCell machineCell(FileReader& file, std::string_view head, bool wholeFile);
  // The hash of the file whose first firstPiece bytes are in buffer_,
  // reading on from there; nullopt when a read or the hasher failed.
  std::optional<Text> hashOf(FileReader& file, std::size_t firstPiece);
  void readHash(TextView path, FileFacts& facts);
  void readVersionFacts(TextView path, FileFacts& facts);

  FileSystem& files_;
  VersionResourceReader& versions_;
  std::unique_ptr<Sha256> hasher_;  // made at the first hash
  std::vector<char> buffer_;
  std::unordered_map<Text, FileFacts> cache_;  // by folded path
};

}  // namespace vemdrol
