// The further columns a row can show beside the five of the inventory: the
// facts of its program file (details/file_facts.h), then who signed it and
// whether the signature holds (os/signature.h), then where the row came
// from, which is the row's own and no file's (ListModel::source). The
// window, the command line's exports and the scanner all take them from
// here, so they name and fill them alike.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "details/file_facts.h"
#include "os/signature.h"

namespace vemdrol {

inline constexpr std::size_t detailCount = factCount + 3;

struct DetailColumn {
  TextView name;
  std::string_view jsonKey;
  bool numeric;
};

inline constexpr std::array<DetailColumn, detailCount> detailColumns{{
    {L"会社名", "company", false},
    {L"製品名", "product", false},
    {L"製品バージョン", "productVersion", false},
    {L"ファイルバージョン", "fileVersion", false},
    {L"完全なバージョン", "fullVersion", false},
    {L"サイズ", "size", true},
    {L"更新日時", "modified", false},
    {L"作成日時", "created", false},
    {L"種別", "machine", false},
    {L"SHA-256", "sha256", false},
    {L"署名者", "signer", false},
    {L"署名の状態", "signature", false},
    {L"登録場所", "source", false},
}};

// The column of the row's source. A DetailReader leaves it empty: whoever
// holds the row fills it.
inline constexpr std::size_t sourceDetail = factCount + 2;

// The cells of the detail columns, with their JSON values (nullopt for
// null) where those differ from the cell.
struct RowDetails {
  std::array<Text, detailCount> cells;
  std::array<std::optional<Text>, detailCount> json;
  // The signature behind the signature columns, for filtering by it;
  // nullopt when it was not read or the file could not be read.
  std::optional<SignatureFacts> signature;
};

// Which of a file's details to read: the facts without the hash, the hash,
// the signature. The hash is read with the facts, which open the file anyway.
// What is not read leaves its cells empty.
struct DetailParts {
  bool facts = true;
  bool hash = true;
  bool signature = true;
};

// Reads the details of program files, each once. Not thread-safe, like the
// fact reader it holds: one reader per thread.
class DetailReader {
 public:
  // signatures may be null: the signature columns then stay empty.
  DetailReader(FileSystem& files, VersionResourceReader& versions, SignatureReader* signatures);

  RowDetails detailsOf(TextView path, bool withHash) {
    return detailsOf(path, DetailParts{true, withHash, true});
  }
  RowDetails detailsOf(TextView path, DetailParts parts);

 private:
  FactReader facts_;
  SignatureReader* signatures_;
};

}  // namespace vemdrol
