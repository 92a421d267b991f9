// What vemdrol-scan says, in the one language of its run: Japanese under a
// Japanese locale, English otherwise. Its command-line problems, errors,
// warnings and closing lines are all worded here, so that no line of a run
// comes out in the other language. The Japanese of an error is the one
// wording of files/error_message.h, as the window shows it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "cli/scan_command.h"

namespace vemdrol {

class ScanWords {
 public:
  explicit ScanWords(bool japanese) : japanese_(japanese) {}

  bool japanese() const { return japanese_; }

  // An error as files/error_message.h words it, or in English: the
  // system's own description as it is, the program's faults in words.
  Text error(const Error& error) const;

  // A bad command line, and the line after it that points to the help.
  Text problem(const ScanProblem& problem) const;
  Text seeHelp() const;

  // The scan could not finish.
  Text scanFailed(const Error& error) const;
  // A program file of the target that could not be read, by its path on the
  // target and on this machine; its row stays as the scan made it.
  Text unreadableFile(TextView path, TextView native, const Error& error) const;
  // The closing line: how many such files there were (more than none).
  Text unreadableCount(std::size_t files) const;

  // The target's trust, for judging signatures: its root stores could not
  // be read (nothing is verified), a catalog could not be read, a root
  // certificate or a catalog is damaged (each passed over).
  Text rootsUnreadable(const Error& error) const;
  Text catalogUnreadable(TextView path, const Error& error) const;
  Text rootDamaged(TextView where) const;
  Text catalogDamaged(TextView where) const;

  // The output file's name, or the file itself.
  Text outputNameNotUtf8() const;
  Text cannotWrite(TextView path, const Error& error) const;

  // The earlier list of a comparison, in English: in Japanese the
  // comparison's own message is said as it is (compare/comparison.h,
  // cli/apps_output.h). It could not be read, and why; or some of its
  // lines are damaged, at most maxLines of them named, "…" for the rest.
  static Text olderUnreadable(TextView path, TextView why);
  static Text olderDamaged(TextView path, std::size_t damagedLines,
                           const std::vector<std::size_t>& lines, std::size_t maxLines);

 private:
  bool japanese_;
};

}  // namespace vemdrol
