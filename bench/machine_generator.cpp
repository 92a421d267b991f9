#include "machine_generator.h"

#include <algorithm>
#include <set>

#include "base/utf16.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

Text base36(long long number, std::size_t width) {
  static constexpr wchar_t digits[] = L"0123456789abcdefghijklmnopqrstuvwxyz";
  Text text(width, L'0');
  for (std::size_t i = width; i-- > 0; number /= 36) text[i] = digits[number % 36];
  return text;
}

Text hexDigits(unsigned long long number, std::size_t width) {
  static constexpr wchar_t digits[] = L"0123456789ABCDEF";
  Text text(width, L'0');
  for (std::size_t i = width; i-- > 0; number >>= 4) text[i] = digits[number & 0xF];
  return text;
}

// Spreads consecutive numbers over the whole range, so that class IDs do not
// come out in their generation order.
unsigned long long mix(unsigned long long x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

RegistryData stringData(TextView text, std::uint32_t type = registryTypeSz) {
  std::string bytes = toUtf16Le(text);
  bytes.append(2, '\0');
  return {type, std::move(bytes)};
}

GeneratedValue defaultString(TextView text, std::uint32_t type = registryTypeSz) {
  return {Text(), stringData(text, type)};
}

GeneratedValue namedString(TextView name, TextView text) { return {Text(name), stringData(text)}; }

// The few kinds of open command real types carry.
enum class CommandKind { quoted, bare, systemRoot, none };

class Generator {
 public:
  Generator(const MachineShape& shape, MachineSink& sink) : shape_(shape), sink_(sink) {
    summary_.types = shape.extensions / 2;
    summary_.classes = shape.extensions;
    programs_ = std::max(20LL, shape.extensions / 20);
    // A few hundred libraries serve all the classes, as on real machines.
    libraries_ = std::clamp(summary_.classes / 3, 1LL, 300LL);
    summary_.classes32 = shape.servers ? shape.extensions / 2 : 0;
    libraries32_ = std::clamp(summary_.classes32 / 3, 1LL, 150LL);
    servers_ = std::clamp(summary_.classes / 50, 1LL, 100LL);
  }

  MachineSummary run() {
    extensions();
    types();
    classes();
    if (shape_.servers) classes32();
    programFiles();
    libraryFiles();
    serverFiles();
    return summary_;
  }

 private:
  static Text typeName(long long t) { return L"VBench.T" + base36(t, 5); }

  static CommandKind commandKind(long long t) { return static_cast<CommandKind>(t % 4); }

  long long programOf(long long t) const { return t % programs_; }
  static bool programMissing(long long p) { return p % 25 == 24; }
  Text programFolder(long long p) const {
    return shape_.folder + L"\\Programs\\Vendor" + std::to_wstring(p) + L"\\";
  }
  Text programPath(long long p) const {
    return programFolder(p) + L"app" + std::to_wstring(p) + L".exe";
  }

  static bool librarySystem(long long c) { return c % 7 == 3; }
  static bool libraryUnset(long long c) { return c % 97 == 5; }
  long long libraryOf(long long c) const { return c % libraries_; }
  static bool libraryMissing(long long d) { return d % 30 == 29; }
  Text libraryPath(long long d) const {
    return shape_.folder + L"\\Libraries\\Group" + std::to_wstring(d / 10) + L"\\vblib" +
           std::to_wstring(d) + L".dll";
  }

  // The 32-bit view's own libraries, and the local servers of both views,
  // each in a folder of its own.
  Text library32Path(long long d) const {
    return shape_.folder + L"\\Libraries32\\Group" + std::to_wstring(d / 10) + L"\\vblib32_" +
           std::to_wstring(d) + L".dll";
  }
  Text serverPath(bool bits32, long long s) const {
    return shape_.folder + (bits32 ? L"\\Servers32\\Vendor" : L"\\Servers\\Vendor") +
           std::to_wstring(s) + L"\\server" + std::to_wstring(s) + L".exe";
  }
  static Text classId(long long c, unsigned long long salt) {
    const unsigned long long bits = mix(static_cast<unsigned long long>(c) ^ salt);
    return L"{" + hexDigits(bits >> 32, 8) + L"-" + hexDigits(bits >> 16, 4) + L"-4" +
           hexDigits(bits >> 4, 3) + L"-8" +
           hexDigits(static_cast<unsigned long long>(c) >> 12, 3) + L"-" +
           hexDigits(static_cast<unsigned long long>(c), 12) + L"}";
  }

  // One class in ten of each view has a local server: its own program, or
  // now and then a program a type already opens.
  void localServer(const Text& classKey, long long c, bool bits32) {
    if (!shape_.servers || c % 10 != (bits32 ? 2 : 1)) return;
    Text command;
    if (c % 40 == (bits32 ? 12 : 11)) {
      command = programPath(programOf(c)) + L" -Embedding";
    } else {
      const long long s = (c / 10) % servers_;
      command = L"\"" + serverPath(bits32, s) + L"\" /automation";
      (bits32 ? namedServers32_ : namedServers_).insert(s);
    }
    key(classKey + L"\\LocalServer32", {defaultString(command)});
  }

  void key(TextView path, const std::vector<GeneratedValue>& values = {}) {
    ++summary_.keys;
    summary_.values += static_cast<long long>(values.size());
    sink_.key(path, values);
  }

  // The first extension of every type is short and names it, so that every
  // type can start a group; the rest are the noise of real machines: longer
  // names, types that are gone, extensions without a type.
  void extensions() {
    const long long types = summary_.types;
    for (long long e = 0; e < shape_.extensions; ++e) {
      const bool first = e < types;
      const bool isLong = !first && e % 10 == 9;
      const Text name = isLong ? L".long" + base36(e, 5) : L".x" + base36(e, 4);
      std::vector<GeneratedValue> values;
      if (first || e % 25 != 7) {
        const Text type = !first && e % 20 == 13 ? L"VBench.Gone" + base36(e, 5)
                                                 : typeName(types > 0 ? e % types : 0);
        values.push_back(defaultString(type));
        values.push_back(namedString(L"Content Type", L"application/x-vbench"));
      }
      key(name, values);
      if (e % 5 == 0) key(name + L"\\ShellNew", {namedString(L"NullFile", L"")});
      if (values.empty()) {
        key(name + L"\\OpenWithProgids", {namedString(typeName(e % std::max(1LL, types)), L"")});
      }
    }
  }

  void types() {
    for (long long t = 0; t < summary_.types; ++t) {
      const Text type = typeName(t);
      Text description = L"ベンチ用文書 " + std::to_wstring(t);
      // Now and then a description far longer than the usual buffers.
      if (t % 997 == 500) description.append(1200, L'長');
      std::vector<GeneratedValue> values{defaultString(description)};
      if (t % 1000 == 500) {
        RegistryData blob{registryTypeBinary, std::string(3000, '\0')};
        for (std::size_t i = 0; i < blob.bytes.size(); ++i) {
          blob.bytes[i] = static_cast<char>(mix(i) & 0xFF);
        }
        values.push_back({L"VBenchBlob", std::move(blob)});
      }
      key(type, values);

      const long long p = programOf(t);
      const CommandKind kind = commandKind(t);
      const bool drivePath = kind == CommandKind::quoted || kind == CommandKind::bare;
      key(type + L"\\DefaultIcon",
          {defaultString(drivePath ? programPath(p) + L",1" : L"%SystemRoot%\\vbench.ico",
                         drivePath ? registryTypeSz : registryTypeExpandSz)});
      key(type + L"\\shell");
      switch (kind) {
        case CommandKind::quoted:
          openCommand(type, defaultString(L"\"" + programPath(p) + L"\" \"%1\""));
          break;
        case CommandKind::bare:
          openCommand(type, defaultString(programPath(p) + L" /open %1"));
          break;
        case CommandKind::systemRoot:
          openCommand(type, defaultString(L"%SystemRoot%\\system32\\rundll32.exe "
                                          L"vbshell.dll,OpenDocument %1",
                                          registryTypeExpandSz));
          break;
        case CommandKind::none:
          break;
      }
      if (drivePath) namedPrograms_.insert(p);
      if (drivePath && !programMissing(p)) ++summary_.programEntries;
      if (t % 2 == 0) {
        key(type + L"\\shell\\print");
        key(type + L"\\shell\\print\\command", {defaultString(L"notepad.exe /p \"%1\"")});
      }
    }
  }

  void openCommand(const Text& type, GeneratedValue command) {
    key(type + L"\\shell\\open");
    key(type + L"\\shell\\open\\command", {std::move(command)});
  }

  void classes() {
    key(L"CLSID");
    for (long long c = 0; c < summary_.classes; ++c) {
      const Text classKey = L"CLSID\\" + classId(c, 0);
      key(classKey, {defaultString(L"VBench Class " + std::to_wstring(c))});
      std::vector<GeneratedValue> server;
      if (librarySystem(c)) {
        server.push_back(
            defaultString(L"%SystemRoot%\\System32\\vbsys" + std::to_wstring(c % 50) + L".dll",
                          registryTypeExpandSz));
      } else if (!libraryUnset(c)) {
        const long long d = libraryOf(c);
        server.push_back(defaultString(libraryPath(d)));
        namedLibraries_.insert(d);
      }
      server.push_back(namedString(L"ThreadingModel", c % 3 == 0 ? L"Both" : L"Apartment"));
      key(classKey + L"\\InprocServer32", server);
      if (c % 2 == 0) key(classKey + L"\\ProgID", {defaultString(typeName(c))});
      localServer(classKey, c, false);
    }
  }

  // The 32-bit view: libraries of its own, system ones, and now and then
  // one of the 64-bit view's, which stays one row.
  void classes32() {
    key(L"Wow6432Node");
    key(L"Wow6432Node\\CLSID");
    for (long long c = 0; c < summary_.classes32; ++c) {
      const Text classKey = L"Wow6432Node\\CLSID\\" + classId(c, 0x32);
      key(classKey, {defaultString(L"VBench Class32 " + std::to_wstring(c))});
      std::vector<GeneratedValue> server;
      if (librarySystem(c)) {
        server.push_back(
            defaultString(L"%SystemRoot%\\SysWOW64\\vbsys" + std::to_wstring(c % 50) + L".dll",
                          registryTypeExpandSz));
      } else if (c % 11 == 4 && namedLibraries_.count(libraryOf(c)) > 0) {
        server.push_back(defaultString(libraryPath(libraryOf(c))));
      } else if (!libraryUnset(c)) {
        const long long d = c % libraries32_;
        server.push_back(defaultString(library32Path(d)));
        namedLibraries32_.insert(d);
      }
      server.push_back(namedString(L"ThreadingModel", L"Apartment"));
      key(classKey + L"\\InprocServer32", server);
      localServer(classKey, c, true);
    }
  }

  void serverFiles() {
    const auto write = [&](const Text& path, std::uint16_t major, long long number,
                           const wchar_t* what) {
      ProgramVersion version = fileVersion(major, static_cast<std::uint16_t>(number % 50), 0,
                                           static_cast<std::uint16_t>(number));
      version.description = Text(what) + std::to_wstring(number);
      version.legalCopyright = L"(C) Vemdrol Bench";
      sink_.file(path, peWithVersionBlock(versionBlock(version)));
      ++summary_.filesWritten;
      ++summary_.serverEntries;
    };
    for (long long d : namedLibraries32_) {
      if (libraryMissing(d)) {
        ++summary_.filesMissing;
        continue;
      }
      write(library32Path(d), 11, d, L"ベンチ用32ビット ライブラリ ");
    }
    for (bool bits32 : {false, true}) {
      for (long long s : bits32 ? namedServers32_ : namedServers_) {
        write(serverPath(bits32, s), bits32 ? 13 : 12, s, L"ベンチ用サーバー ");
      }
    }
  }

  void programFiles() {
    for (long long p : namedPrograms_) {
      if (programMissing(p)) {
        ++summary_.filesMissing;
        continue;
      }
      ProgramVersion version = fileVersion(
          static_cast<std::uint16_t>(1 + p % 9), static_cast<std::uint16_t>(p % 100),
          static_cast<std::uint16_t>(1000 + p % 7), static_cast<std::uint16_t>(p % 60000));
      version.description = L"ベンチ用アプリ " + std::to_wstring(p);
      version.legalCopyright = L"(C) Vemdrol Bench " + std::to_wstring(p);
      sink_.file(programPath(p), peWithVersionBlock(versionBlock(version)));
      ++summary_.filesWritten;
    }
  }

  void libraryFiles() {
    for (long long d : namedLibraries_) {
      if (libraryMissing(d)) {
        ++summary_.filesMissing;
        continue;
      }
      ProgramVersion version =
          fileVersion(10, static_cast<std::uint16_t>(d % 50), 0, static_cast<std::uint16_t>(d));
      version.description = L"ベンチ用ライブラリ " + std::to_wstring(d);
      version.legalCopyright = L"(C) Vemdrol Bench";
      sink_.file(libraryPath(d), peWithVersionBlock(versionBlock(version)));
      ++summary_.filesWritten;
      ++summary_.libraryEntries;
    }
  }

  const MachineShape& shape_;
  MachineSink& sink_;
  MachineSummary summary_;
  long long programs_ = 0;
  long long libraries_ = 0;
  long long libraries32_ = 0;
  long long servers_ = 0;
  // Only named files are written: a folder holds nothing the registry does
  // not name, so the folder scan finds no file that the walk would not read.
  std::set<long long> namedPrograms_;
  std::set<long long> namedLibraries_;
  std::set<long long> namedLibraries32_;
  std::set<long long> namedServers_;
  std::set<long long> namedServers32_;
};

Text quoted(TextView text) {
  Text out = L"\"";
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'"') out += L'\\';
    out += c;
  }
  out += L'"';
  return out;
}

// Bytes as "xx,xx,...", continued with "\" after every 25 bytes.
Text hexList(std::string_view bytes) {
  Text out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out += i % 25 == 0 ? L",\\\r\n  " : L",";
    out += hexDigits(static_cast<unsigned char>(bytes[i]), 2);
  }
  for (wchar_t& c : out) c = static_cast<wchar_t>(c >= L'A' && c <= L'F' ? c - L'A' + L'a' : c);
  return out;
}

// A string value that a quoted .reg string can carry: one terminating NUL
// and no other.
bool plainString(const RegistryData& data) {
  const Text text = fromUtf16Le(data.bytes);
  return !text.empty() && text.back() == L'\0' && text.find(L'\0') == text.size() - 1;
}

}  // namespace

MachineSummary generateMachine(const MachineShape& shape, MachineSink& sink) {
  return Generator(shape, sink).run();
}

Text regValueLine(const GeneratedValue& value) {
  Text line = value.name.empty() ? Text(L"@") : quoted(value.name);
  line += L'=';
  const RegistryData& data = value.data;
  if (data.type == registryTypeSz && plainString(data)) {
    Text text = fromUtf16Le(data.bytes);
    text.pop_back();
    line += quoted(text);
  } else if (data.type == registryTypeDword && data.bytes.size() == 4) {
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) {
      number = number << 8 | static_cast<unsigned char>(data.bytes[static_cast<std::size_t>(i)]);
    }
    Text digits = hexDigits(number, 8);
    for (wchar_t& c : digits) c = static_cast<wchar_t>(c >= L'A' ? c - L'A' + L'a' : c);
    line += L"dword:" + digits;
  } else {
    line += data.type == registryTypeBinary ? Text(L"hex:")
                                            : L"hex(" + std::to_wstring(data.type) + L"):";
    line += hexList(data.bytes);
  }
  return line;
}

RegFileWriter::RegFileWriter(std::ostream& out) : out_(out) {
  write(L"\xFEFFWindows Registry Editor Version 5.00\r\n");
}

void RegFileWriter::write(TextView text) {
  const std::string bytes = toUtf16Le(text);
  out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void RegFileWriter::key(TextView path, const std::vector<GeneratedValue>& values) {
  Text section = L"\r\n[HKEY_CLASSES_ROOT\\" + Text(path) + L"]\r\n";
  for (const GeneratedValue& value : values) section += regValueLine(value) + L"\r\n";
  write(section);
}

}  // namespace vemdrol
