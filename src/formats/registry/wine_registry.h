// Wine's registry files: system.reg (HKEY_LOCAL_MACHINE), user.reg
// (HKEY_CURRENT_USER) and userdef.reg in a Wine prefix, the text that Wine's
// server writes and reads back at start-up:
//
//   WINE REGISTRY Version 2
//   ;; All keys relative to \\Machine
//
//   #arch=win64
//
//   [Software\\Classes\\.txt] 1700000000
//   #time=1d9f2c3a4b5c6d7
//   @="txtfile"
//   "Content Type"="text/plain"
//   "Flags"=dword:00000001
//   "Data"=hex:01,02,\   (the list goes on in the next line)
//     03,04
//
// Names and strings are escaped as in C ("\\", "\"", "\n", "\x30b3", octal
// "\0"), every character beyond ASCII as "\x" and its hexadecimal code.
// String values carry their terminating NUL; "str(2):" is an expandable
// string, "str(7):" a multi-string, "hex(N):" raw bytes of type N (in
// hexadecimal), and only hexadecimal lists go on over lines ending in "\".
// Keys follow each other in no particular order; a key named twice is one
// key.
//
// The reader takes every file Wine writes, and of hand-made files what
// Wine's loader takes, with one difference: a line that Wine's loader would
// report and pass over (a malformed key or value, a value before any key, an
// unknown line) makes the whole read fail here, naming the line, so that a
// damaged file is never taken for a complete one. Wine's loader refuses a
// file whose first line is not the header, or whose "#arch=" is neither
// win32 nor win64; so does the reader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "formats/registry/registry_tree.h"

namespace vemdrol {

class WineRegistrySink {
 public:
  virtual ~WineRegistrySink() = default;

  // A key line, with the key's names below the file's root ([] is the root
  // itself). Returns whether the lines that follow it are wanted; those of a
  // key that is not wanted are passed over unread.
  virtual bool key(const std::vector<std::u16string_view>& names) = 0;
  // The key is a symbolic link ("#link"); its target is its value
  // "SymbolicLinkValue".
  virtual void link() = 0;
  // A value of the key; name "" is the default value. String data comes as
  // stored, UTF-16LE with its terminating NUL.
  virtual void value(std::u16string_view name, std::uint32_t type, std::string_view data) = 0;
};

// Reads a whole file. The error's fault says what is wrong (one of the
// faults of a line, base/error.h), its number and its subject the line, from
// 1.
Status readWineRegistry(std::string_view bytes, WineRegistrySink& sink);

// Key paths below a file's top ("Software\Microsoft\Windows", "\"-separated,
// letter case ignored, a name "*" standing for every subkey) whose keys a
// reader keeps
// whole: every key below them with every value, the named ones too. The
// keys above them are kept as the way there, without values.
using KeptSubtrees = std::vector<Text>;

// What a scan needs of system.reg.
struct WineMachine {
  // HKLM\Software\Classes, listed in Wine's order, with its links.
  RegistryTree classes;
  // HKLM\System\CurrentControlSet\Control\ComputerName\ComputerName, value
  // "ComputerName" (through the link CurrentControlSet may be); empty when
  // there is none.
  Text computerName;
  // The subtrees asked for, the tree's top HKEY_LOCAL_MACHINE, listed in
  // Wine's order; empty when none were asked for.
  RegistryTree subtrees;
};

Result<WineMachine> readWineMachine(std::string_view systemReg, const KeptSubtrees& kept = {});

// The subtrees asked for of one of Wine's registry files (user.reg, whose
// top is the user's HKEY_CURRENT_USER), listed in Wine's order. rootPath is
// the file's top as a full registry path, against which links are resolved
// ("\REGISTRY\Machine" for system.reg).
Result<RegistryTree> readWineSubtrees(std::string_view file, const KeptSubtrees& kept,
                                      std::u16string rootPath = u"");

}  // namespace vemdrol
