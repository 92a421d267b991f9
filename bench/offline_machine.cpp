#include "offline_machine.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "base/utf16.h"

namespace vemdrol {
namespace {

// The time every key was last written: 7 December 2026, in seconds since
// 1970 and as a Windows file time.
constexpr const char* keyTimeLine = "] 1796601600\n#time=1dd662e5d800000\n";

bool isAsciiHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

char hexDigit(unsigned value) { return "0123456789abcdef"[value & 0xF]; }

std::string hexNumber(unsigned value, std::size_t width = 0) {
  std::string digits;
  do {
    digits.insert(digits.begin(), hexDigit(value));
    value >>= 4;
  } while (value != 0);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// Wine's dump_strW: characters beyond ASCII as "\x" and their code (four
// digits when a hexadecimal digit follows), control characters as C
// escapes or octal, "\" and the two delimiters escaped; a final NUL is not
// written. Returns the characters written.
std::size_t dumpString(std::u16string_view units, const char* delimiters, std::string& out) {
  static constexpr char escapes[] = ".......abtnvfr.............e....";
  const std::size_t before = out.size();
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t c = units[i];
    const bool more = i + 1 < units.size();
    const char16_t next = more ? units[i + 1] : u'\0';
    if (c > 127) {
      out += "\\x";
      out += hexNumber(c, more && next < 128 && isAsciiHexDigit(next) ? 4 : 0);
    } else if (c < 32) {
      if (c == 0 && !more) continue;
      out += '\\';
      if (escapes[c] != '.') {
        out += escapes[c];
      } else {
        std::string octal;
        unsigned value = c;
        do {
          octal.insert(octal.begin(), static_cast<char>('0' + (value & 7)));
          value >>= 3;
        } while (value != 0);
        if (more && next >= u'0' && next <= u'7') octal.insert(0, 3 - octal.size(), '0');
        out += octal;
      }
    } else {
      if (c == u'\\' || c == static_cast<char16_t>(delimiters[0]) ||
          c == static_cast<char16_t>(delimiters[1])) {
        out += '\\';
      }
      out += static_cast<char>(c);
    }
  }
  return out.size() - before;
}

std::u16string unitsOf(const std::string& bytes) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return units;
}

bool sameName(TextView a, TextView b) {
  return compareRegistryNames(a, b, RegistryNameOrder::windows) == 0;
}

bool writeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return !error && out.good();
}

// Forwards the keys to both writers and writes each program file into both
// systems' drive C:.
class BothForms final : public MachineSink {
 public:
  BothForms(WineSystemRegWriter& wine, SoftwareHiveWriter& windows,
            std::vector<std::filesystem::path> drives)
      : wine_(wine), windows_(windows), drives_(std::move(drives)) {}

  void key(TextView path, const std::vector<GeneratedValue>& values) override {
    wine_.key(path, values);
    windows_.key(path, values);
  }

  void file(TextView path, std::string_view bytes) override {
    std::string relative;
    if (path.size() < 3 || !equalNoCase(path.substr(0, 3), L"C:\\")) {
      failed = true;
      return;
    }
    for (wchar_t c : path.substr(3)) {
      if (c <= 0 || c >= 0x80) {
        failed = true;
        return;
      }
      relative += c == L'\\' ? '/' : static_cast<char>(c);
    }
    for (const auto& drive : drives_) {
      if (!writeFile(drive / relative, bytes)) failed = true;
    }
  }

  bool failed = false;

 private:
  WineSystemRegWriter& wine_;
  SoftwareHiveWriter& windows_;
  std::vector<std::filesystem::path> drives_;
};

HiveKey hiveKeyOf(const Text& name, const std::vector<GeneratedValue>& values) {
  HiveKey key;
  key.name = name;
  for (const GeneratedValue& value : values) key.values.push_back({value.name, value.data});
  return key;
}

}  // namespace

void ClassesCollector::key(TextView path, const std::vector<GeneratedValue>& values) {
  Node* node = &root_;
  const RegistryNameOrder order = root_.children.key_comp().order;
  while (!path.empty()) {
    const std::size_t separator = path.find(L'\\');
    const Text name(path.substr(0, separator));
    path = separator == TextView::npos ? TextView() : path.substr(separator + 1);
    node = &node->children.try_emplace(name, order).first->second;
  }
  for (const GeneratedValue& value : values) {
    const auto same =
        std::find_if(node->values.begin(), node->values.end(),
                     [&](const GeneratedValue& v) { return sameName(v.name, value.name); });
    if (same == node->values.end()) {
      node->values.push_back(value);
    } else {
      *same = value;
    }
  }
}

std::string wineValueLine(const GeneratedValue& value) {
  std::string line;
  std::size_t count;
  if (value.name.empty()) {
    line = "@=";
    count = 2;
  } else {
    line = "\"";
    count = 1 + dumpString(toUtf16(value.name), "\"\"", line);
    line += "\"=";
    count += 2;
  }
  const RegistryData& data = value.data;
  const bool terminated = data.bytes.size() >= 2 && data.bytes.size() % 2 == 0 &&
                          data.bytes[data.bytes.size() - 1] == '\0' &&
                          data.bytes[data.bytes.size() - 2] == '\0';
  if ((data.type == registryTypeSz || data.type == registryTypeExpandSz ||
       data.type == registryTypeMultiSz) &&
      terminated) {
    if (data.type != registryTypeSz) line += "str(" + hexNumber(data.type) + "):";
    line += '"';
    dumpString(unitsOf(data.bytes), "\"\"", line);
    line += '"';
    return line;
  }
  if (data.type == registryTypeDword && data.bytes.size() == 4) {
    unsigned number = 0;
    for (std::size_t i = 4; i-- > 0;)
      number = number << 8 | static_cast<unsigned char>(data.bytes[i]);
    return line + "dword:" + hexNumber(number, 8);
  }
  const std::string tag =
      data.type == registryTypeBinary ? "hex:" : "hex(" + hexNumber(data.type) + "):";
  line += tag;
  count += tag.size();
  for (std::size_t i = 0; i < data.bytes.size(); ++i) {
    line += hexNumber(static_cast<unsigned char>(data.bytes[i]), 2);
    count += 2;
    if (i + 1 < data.bytes.size()) {
      line += ',';
      if (++count > 76) {
        line += "\\\n  ";
        count = 2;
      }
    }
  }
  return line;
}

std::string WineSystemRegWriter::text(TextView computerName) const {
  std::string out = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";
  const auto writeKey = [&](const std::string& path, const std::vector<GeneratedValue>& values) {
    out += "\n[" + path + keyTimeLine;
    std::vector<const GeneratedValue*> sorted;
    for (const GeneratedValue& value : values) sorted.push_back(&value);
    std::sort(sorted.begin(), sorted.end(), [](const GeneratedValue* a, const GeneratedValue* b) {
      return compareRegistryNames(a->name, b->name, RegistryNameOrder::wine) < 0;
    });
    for (const GeneratedValue* value : sorted) out += wineValueLine(*value) + "\n";
  };
  const auto walk = [&](const auto& self, const Node& node, const std::string& path) -> void {
    if (!node.values.empty() || node.children.empty()) writeKey(path, node.values);
    for (const auto& [name, child] : node.children) {
      std::string childPath = path + "\\\\";
      dumpString(toUtf16(name), "[]", childPath);
      self(self, child, childPath);
    }
  };
  walk(walk, root_, "Software\\\\Classes");
  writeKey("System\\\\CurrentControlSet\\\\Control\\\\ComputerName\\\\ComputerName",
           {{L"ComputerName", hiveString(computerName)}});
  return out;
}

Hive SoftwareHiveWriter::hive(const HiveOptions& options) const {
  const auto convert = [](const auto& self, const Text& name, const Node& node) -> HiveKey {
    HiveKey key = hiveKeyOf(name, node.values);
    key.subkeys.reserve(node.children.size());
    for (const auto& [childName, child] : node.children) {
      key.subkeys.push_back(self(self, childName, child));
    }
    return key;
  };
  HiveKey root;
  root.name = L"ROOT";
  root.subkeys.push_back(convert(convert, L"Classes", root_));
  root.subkeys.push_back(hiveKeyOf(L"Microsoft", {}));
  return buildHive(root, options);
}

Hive systemHive(TextView computerName) {
  HiveKey name = hiveKeyOf(L"ComputerName", {{L"ComputerName", hiveString(computerName)}});
  HiveKey names = hiveKeyOf(L"ComputerName", {});
  names.subkeys.push_back(std::move(name));
  HiveKey control = hiveKeyOf(L"Control", {});
  control.subkeys.push_back(std::move(names));
  HiveKey set = hiveKeyOf(L"ControlSet001", {});
  set.subkeys.push_back(std::move(control));
  HiveKey select = hiveKeyOf(
      L"Select", {{L"Current", RegistryData{registryTypeDword, std::string("\1\0\0\0", 4)}}});
  HiveKey root = hiveKeyOf(L"ROOT", {});
  root.subkeys.push_back(std::move(set));
  root.subkeys.push_back(std::move(select));
  return buildHive(root);
}

bool writeOfflineMachine(const MachineShape& shape, const std::filesystem::path& folder,
                         OfflineMachine& machine) {
  machine.winePrefix = folder / "wine-prefix";
  machine.windowsRoot = folder / "windows";
  WineSystemRegWriter wine;
  SoftwareHiveWriter windows;
  BothForms sink(wine, windows, {machine.winePrefix / "drive_c", machine.windowsRoot});
  machine.summary = generateMachine(shape, sink);
  if (sink.failed) return false;

  constexpr TextView computerName = L"VEMDROL-BENCH";
  bool written = writeFile(machine.winePrefix / "system.reg", wine.text(computerName));
  const std::filesystem::path devices = machine.winePrefix / "dosdevices";
  std::error_code error;
  std::filesystem::create_directories(devices, error);
  std::filesystem::remove(devices / "c:", error);
  std::filesystem::remove(devices / "z:", error);
  std::filesystem::create_directory_symlink("../drive_c", devices / "c:", error);
  written = written && !error;
  std::filesystem::create_directory_symlink("/", devices / "z:", error);
  written = written && !error;

  const std::filesystem::path config = machine.windowsRoot / "Windows" / "System32" / "config";
  written = written && writeFile(config / "SOFTWARE", windows.hive().bytes);
  written = written && writeFile(config / "SYSTEM", systemHive(computerName).bytes);
  return written;
}

}  // namespace vemdrol
