// Errors inside the core are values. An Error says what went wrong as data:
// the operating system's own error (its number and its description), or a
// fault the program itself found, with what it found it in. No Error carries
// a sentence of the program's own for a fault: the Japanese wording is added
// where an error is shown (files/error_message.h). Result<T> is either a
// value or an Error.
#pragma once

#include <cassert>
#include <cstdint>
#include <utility>
#include <variant>

#include "base/text.h"

namespace vemdrol {

// What went wrong. system is the operating system's error, or a message
// worded above the parsers, whose number and description are shown as they
// are; every other value is one thing the program found wrong itself, worded
// at the display edge.
enum class Fault : std::uint8_t {
  system,

  // A line of one of Wine's registry files (formats/registry/wine_registry.h);
  // the subject is the line's number, from 1.
  notWineRegistry,      // the first line is not the header
  nulCharacter,         // a NUL byte in a line
  valueBeforeKey,       // a value line before any key line
  unreadableLine,       // a line that is neither key, value, option nor comment
  badKeyLine,           // a key line without its "]", or starting with "\"
  keyNameTooLong,       // a key name longer than Wine's server takes
  unknownArchitecture,  // "#arch=" neither win32 nor win64
  badValueLine,         // a value line that does not parse
  valueCutShort,        // a list of bytes that goes on past the file's end

  // A hive file (formats/registry/hive_cells.h).
  notHive,      // no "regf" hive, or its header, bins or cells do not add up
  hiveDamaged,  // the subject is the path of the key where the damage lies ("" the top)
  noSuchKey,    // the subject is the path asked for

  // A package's AppxManifest.xml (formats/apps/appx_manifest.h) and an
  // earlier JSON export (formats/apps/export_json.h); the subject is where
  // reading stopped, in characters of the manifest or bytes of the export.
  badAppxManifest,
  notJsonExport,

  // The program's own memory ran out (its error 7).
  outOfMemory,

  // A file the program reads whole for itself could not be read; the number
  // is the system's (os/posix/errors.h).
  fileMissing,
  readNotPermitted,
  isFolder,
  fileTooLarge,
  systemOutOfMemory,
  otherSystemError,  // worded by its number

  // The target of vemdrol-scan, a system that is not running
  // (offline/target.h); the error's path is the folder or file concerned,
  // and the number and description are the system's where it gave a reason.
  targetMissing,     // nothing at the path, or a folder on the way is missing
  targetIsFile,      // a file given as the target
  folderUnreadable,  // a folder that may not be listed or entered
  notATarget,        // a folder that is neither a Wine prefix nor a Windows installation
  driveCMissing,     // a Wine prefix without its drive_c
  driveCOutside,     // drive_c is a link leading out of the prefix; the subject is where
  badUserName,       // the subject is the name
};

struct Error {
  long number = 0;
  // The system's own description of number, for Fault::system.
  Text description = {};
  Fault fault = Fault::system;
  // What the fault was found in, as the wording names it: a line's number, a
  // key's path. Empty where the fault names nothing.
  Text subject = {};
  // The file or folder of this machine that could not be read, as the
  // wording names it ("ファイル PATH を読み込めません: " and the fault);
  // empty where the error names none.
  Text path = {};
};

// A fault of the program's own, with its number and what it was found in.
inline Error faultError(Fault fault, long number, Text subject = Text()) {
  return Error{number, Text(), fault, std::move(subject)};
}

// Either a T or an Error; the caller must look before it takes, and a
// Result dropped unlooked at does not compile.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::move(value)) {}
  Result(Error error) : state_(std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    assert(ok());
    return std::get<0>(state_);
  }
  const T& value() const& {
    assert(ok());
    return std::get<0>(state_);
  }
  T&& value() && {
    assert(ok());
    return std::get<0>(std::move(state_));
  }
  const Error& error() const {
    assert(!ok());
    return std::get<1>(state_);
  }

 private:
  std::variant<T, Error> state_;
};

// For operations that give nothing back but may fail.
struct Done {};
using Status = Result<Done>;
inline Status success() { return Done{}; }

}  // namespace vemdrol
