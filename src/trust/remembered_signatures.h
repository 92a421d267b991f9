// The signatures verified in earlier runs, each with the size and last
// write time its file had then, kept in the state file beside the
// inventory (a table of its own, "signatures") so that a start verifies
// again only the files that changed since. Safe to use from several
// threads: the window's and the one that verifies.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "base/text.h"
#include "formats/state/state_file.h"
#include "os/filesystem.h"
#include "os/signature.h"

namespace vemdrol {

inline constexpr TextView signatureTableName = L"signatures";

// What a file was when its signature was verified.
struct FileStamp {
  std::uint64_t size = 0;
  FileTime lastWrite = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

class RememberedSignatures {
 public:
  // The facts verified for the file at path while it had this stamp.
  std::optional<SignatureFacts> recall(TextView path, const FileStamp& stamp) const;
  void remember(TextView path, const FileStamp& stamp, const SignatureFacts& facts);

  // Every file's facts, whatever its stamp: what the window shows at start
  // until the files are looked at again.
  std::vector<std::pair<Text, SignatureFacts>> all() const;
  // Forgets every file but these, so that the table holds the files of the
  // list and not every file that was ever in it.
  void keepOnly(const std::vector<Text>& paths);
  std::size_t size() const;
  // Whether anything was remembered since the last table was made.
  bool changed() const;

  // The table for the state file; and the store as one read back says,
  // in place of what it held: a record that does not read is passed over
  // (a later program's values, or damage), as is a table without the
  // columns.
  StateTable table();
  void load(const StateTable& table);

 private:
  struct Entry {
    Text path;
    FileStamp stamp;
    SignatureFacts facts;
  };
  mutable std::mutex mutex_;
  std::unordered_map<Text, Entry> entries_;  // by folded path
  bool changed_ = false;
};

// A reader that answers from remembered for a file whose size and last write
// time are as they were, and asks inner, remembering its answer, for any
// other. Both must outlive it.
class RememberingSignatureReader final : public SignatureReader {
 public:
  RememberingSignatureReader(FileSystem& files, SignatureReader& inner,
                             RememberedSignatures& remembered)
      : files_(files), inner_(inner), remembered_(remembered) {}

  Result<SignatureFacts> signatureOf(TextView path) override;

 private:
  FileSystem& files_;
  SignatureReader& inner_;
  RememberedSignatures& remembered_;
};

}  // namespace vemdrol
