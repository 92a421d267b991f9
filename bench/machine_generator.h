// Generated machines for measuring the rebuild at scale: a classes root shaped
// like a crowded real one, and the program files it names, each a small PE
// file with a version resource so that the version readers do real work.
//
// The same seed always gives the same machine. What is generated goes to a
// sink, so that one machine can become a .reg file and a folder of files for
// Wine, or an in-memory registry and disk for tests.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "os/registry.h"

namespace vemdrol {

struct MachineShape {
  // Extension keys; there are half as many types and as many CLSIDs, and
  // half as many again in the 32-bit view (Wow6432Node\CLSID), as a
  // 64-bit Windows holds the classes of its 32-bit programs.
  long long extensions = 1000;
  // false: neither the 32-bit view nor any local server, a machine as the
  // nine passes alone see it, for what those servers cost a rebuild.
  bool servers = true;
  // Where the program files lie, a Windows folder without a final "\".
  Text folder = L"C:\\VemdrolBench";
};

struct GeneratedValue {
  Text name;  // "" for the default value
  RegistryData data;
};

class MachineSink {
 public:
  virtual ~MachineSink() = default;
  // A key below HKEY_CLASSES_ROOT, given once, after its parent, with all of
  // its values.
  virtual void key(TextView path, const std::vector<GeneratedValue>& values) = 0;
  // A program file at a Windows path below the shape's folder.
  virtual void file(TextView path, std::string_view bytes) = 0;
};

// What a generated machine holds, and what the builder is to make of it.
struct MachineSummary {
  long long keys = 0;
  long long values = 0;
  long long types = 0;
  long long classes = 0;
  long long filesWritten = 0;
  // Named by the registry but never written, so the builder drops them.
  long long filesMissing = 0;
  // The builder's result: one program entry per type whose short extensions
  // name it and whose open command names an existing program, one library
  // entry per existing in-process server library.
  long long programEntries = 0;
  long long libraryEntries = 0;
  // The classes of the 32-bit view, and the files of the servers the
  // passes do not read (the 32-bit view's libraries, the local servers of
  // both views) that the scan adds as rows: those that exist and are no
  // other row's file.
  long long classes32 = 0;
  long long serverEntries = 0;
};

MachineSummary generateMachine(const MachineShape& shape, MachineSink& sink);

// A .reg file as regedit reads it: UTF-16LE with a byte order mark,
// "Windows Registry Editor Version 5.00", one section per key.
class RegFileWriter final : public MachineSink {
 public:
  // Writes the header at once.
  explicit RegFileWriter(std::ostream& out);

  void key(TextView path, const std::vector<GeneratedValue>& values) override;
  void file(TextView, std::string_view) override {}

 private:
  void write(TextView text);

  std::ostream& out_;
};

// One value line of a .reg file, without its line end: strings in double
// quotes with "\" and the quote escaped, expandable strings as hex(2):,
// numbers as dword:, everything else as hex: (long lists continued over
// several lines, as regedit writes them).
Text regValueLine(const GeneratedValue& value);

}  // namespace vemdrol
