// The command line of vemdrol-scan, the Linux program that inventories a
// Windows system that is not running:
//   vemdrol-scan [--format csv|tsv|json|html|cnt] [--output FILE] [--user NAME]
//                [--sort COLUMN]... [--details] [--hide-microsoft] [--unverified]
//                [--compare OLD.cnt [--changed]] TARGET
//   vemdrol-scan --compare OLD.cnt --against NEW.cnt [...]
//   vemdrol-scan --apps [--all] [--format ...] [--compare OLD.json [--changed]] TARGET
//   vemdrol-scan --help | --version
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "trust/signature_filter.h"

namespace vemdrol {

// What is wrong with a command line, worded in the run's language by
// cli/scan_words.h.
struct ScanProblem {
  enum class Kind {
    none,
    formatNeedsValue,
    needsFileName,  // the subject is the option
    userNeedsName,
    userNotUtf8,
    sortNeedsColumn,
    sortColumnNotUtf8,
    tooManySorts,
    unknownFormat,  // the subject is the format given
    unknownOption,  // the subject is the argument
    secondTarget,   // the subject is the argument
    needsCompare,   // the subject is the option
    allNeedsApps,
    appsAlone,
    againstWithTarget,
    noTarget,
    signatureFilterNeedsTarget,
    cntFiveColumns,
    detailsNeedTarget,
    unknownSortColumn,  // the subject is the column as given
  };
  Kind kind = Kind::none;
  std::string subject;
};

struct ScanRequest {
  enum class Mode { run, help, version, badCommandLine };
  Mode mode = Mode::run;
  OutputFormat format = OutputFormat::csv;
  std::optional<std::string> output;  // standard output when none
  std::optional<Text> user;
  std::vector<SortRequest> sort;
  bool details = false;
  // --hide-microsoft, --unverified: the rows by their files' signatures.
  SignatureFilter signatureFilter;
  std::optional<std::string> compareWith;
  std::optional<std::string> against;  // a second inventory file instead of a target
  bool changedOnly = false;
  // --apps, --all: the installed applications instead of the program files.
  bool apps = false;
  bool allApps = false;
  std::string target;
  ScanProblem problem;
};

// arguments: argv without the program's own name, as the bytes the shell
// passed (UTF-8).
ScanRequest parseScanArguments(const std::vector<std::string>& arguments);

// The help, in Japanese when japanese, else in English.
std::string scanHelpText(bool japanese);

// Whether the user's locale (LC_ALL, LC_MESSAGES, LANG, the first that is
// set) is Japanese.
bool japaneseLocale(const char* lcAll, const char* lcMessages, const char* lang);

}  // namespace vemdrol
