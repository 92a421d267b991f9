#include "formats/registry/wine_registry.h"

#include <algorithm>
#include <limits>
#include <map>
#include <new>
#include <optional>

#include "base/utf16.h"
#include "formats/limits.h"

namespace vemdrol {
namespace {

constexpr std::string_view header = "WINE REGISTRY Version 2";

constexpr int regSz = 1;
constexpr int regExpandSz = 2;
constexpr int regBinary = 3;
constexpr int regDword = 4;
constexpr int regMultiSz = 7;

// The C library's isspace and isxdigit in the "C" locale, on the bytes as
// Wine's loader sees them.
bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
unsigned hexValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  return static_cast<unsigned>(c - 'A' + 10);
}

std::string_view skipSpaces(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  return text;
}

Error failure(std::size_t line, Fault fault) {
  return faultError(fault, static_cast<long>(line), std::to_wstring(line));
}

// strtoul(text, &end, 16) on a 64-bit system: blanks, a sign, "0x", then
// digits; the number saturates. Returns how many bytes it took (0 when it
// found no digits, as strtoul leaves end at the start then).
std::size_t readHexNumber(std::string_view text, std::uint64_t& number) {
  std::size_t at = 0;
  while (at < text.size() && isSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  if (at + 2 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X') &&
      isHexDigit(text[at + 2])) {
    at += 2;
  }
  const std::size_t digits = at;
  number = 0;
  bool overflow = false;
  while (at < text.size() && isHexDigit(text[at])) {
    if (number > (std::numeric_limits<std::uint64_t>::max() >> 4)) overflow = true;
    number = number << 4 | hexValue(text[at++]);
  }
  if (at == digits) {
    number = 0;
    return 0;
  }
  if (overflow) number = std::numeric_limits<std::uint64_t>::max();
  if (negative && !overflow) number = ~number + 1;
  return at;
}

// Unescapes text up to the first unescaped end character, as Wine's
// parse_strW does. Returns the bytes taken, the end character included, or
// nullopt when the end character is missing.
std::optional<std::size_t> unescape(std::string_view text, char end, std::u16string& out) {
  out.clear();
  std::size_t at = 0;
  while (at < text.size() && text[at] != end) {
    const char c = text[at++];
    if (c != '\\') {
      // A byte beyond ASCII is taken as a signed char, as Wine takes it.
      out.push_back(static_cast<char16_t>(static_cast<std::int16_t>(static_cast<signed char>(c))));
      continue;
    }
    if (at == text.size()) return std::nullopt;
    const char escaped = text[at++];
    switch (escaped) {
      case 'a':
        out.push_back(u'\a');
        break;
      case 'b':
        out.push_back(u'\b');
        break;
      case 'e':
        out.push_back(u'\x1B');
        break;
      case 'f':
        out.push_back(u'\f');
        break;
      case 'n':
        out.push_back(u'\n');
        break;
      case 'r':
        out.push_back(u'\r');
        break;
      case 't':
        out.push_back(u'\t');
        break;
      case 'v':
        out.push_back(u'\v');
        break;
      case 'x': {
        if (at == text.size() || !isHexDigit(text[at])) {
          out.push_back(u'x');
          break;
        }
        unsigned code = 0;
        for (int digits = 0; digits < 4 && at < text.size() && isHexDigit(text[at]); ++digits) {
          code = code * 16 + hexValue(text[at++]);
        }
        out.push_back(static_cast<char16_t>(code));
        break;
      }
      case '0':
      case '1':
      case '2':
      case '3':
      case '4':
      case '5':
      case '6':
      case '7': {
        unsigned code = static_cast<unsigned>(escaped - '0');
        for (int digits = 1; digits < 3 && at < text.size() && text[at] >= '0' && text[at] <= '7';
             ++digits) {
          code = code * 8 + static_cast<unsigned>(text[at++] - '0');
        }
        out.push_back(static_cast<char16_t>(code));
        break;
      }
      default:
        out.push_back(
            static_cast<char16_t>(static_cast<std::int16_t>(static_cast<signed char>(escaped))));
        break;
    }
  }
  if (at == text.size()) return std::nullopt;
  return at + 1;
}

std::string utf16Bytes(std::u16string_view units, bool terminate) {
  std::string bytes;
  bytes.reserve(units.size() * 2 + 2);
  for (char16_t unit : units) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  if (terminate) bytes.append(2, '\0');
  return bytes;
}

class Reader {
 public:
  Reader(std::string_view bytes, WineRegistrySink& sink) : rest_(bytes), sink_(sink) {}

  Status run() {
    std::string_view line;
    if (!nextLine(line) || line != header) {
      return failure(1, Fault::notWineRegistry);
    }
    while (nextLine(line)) {
      if (line.find('\0') != std::string_view::npos)
        return failure(lineNumber_, Fault::nulCharacter);
      const std::string_view text = skipSpaces(line);
      const char first = text.empty() ? '\0' : text.front();
      if (first == '[') {
        if (Status read = keyLine(text.substr(1)); !read) return read;
        continue;
      }
      if (haveKey_ && !wanted_) continue;
      switch (first) {
        case '@':
        case '"':
          if (!haveKey_) return failure(lineNumber_, Fault::valueBeforeKey);
          if (Status read = valueLine(text); !read) return read;
          break;
        case '#':
          if (Status read = optionLine(text); !read) return read;
          break;
        case ';':
        case '\0':
          break;
        default:
          return failure(lineNumber_, Fault::unreadableLine);
      }
    }
    return success();
  }

 private:
  // The next line without its line end ("\n", or "\r\n"); false at the end.
  bool nextLine(std::string_view& line) {
    if (rest_.empty()) return false;
    ++lineNumber_;
    const std::size_t end = rest_.find('\n');
    line = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }

  Status keyLine(std::string_view text) {
    if (!unescape(text, ']', units_)) return failure(lineNumber_, Fault::badKeyLine);
    // A path may not start with a separator; runs of them count as one.
    if (!units_.empty() && units_.front() == u'\\') {
      return failure(lineNumber_, Fault::badKeyLine);
    }
    names_.clear();
    std::u16string_view path = units_;
    while (!path.empty()) {
      const std::size_t separator = path.find(u'\\');
      const std::u16string_view name = path.substr(0, separator);
      if (name.size() > maxWineKeyNameLength) return failure(lineNumber_, Fault::keyNameTooLong);
      if (!name.empty()) names_.push_back(name);
      if (separator == std::u16string_view::npos) break;
      path.remove_prefix(separator + 1);
    }
    haveKey_ = true;
    wanted_ = sink_.key(names_);
    return success();
  }

  Status optionLine(std::string_view text) {
    if (haveKey_) {
      if (text.starts_with("#link")) sink_.link();
      return success();
    }
    if (text.starts_with("#arch=")) {
      const std::string_view arch = text.substr(6);
      if (arch != "win32" && arch != "win64") {
        return failure(lineNumber_, Fault::unknownArchitecture);
      }
    }
    return success();
  }

  Status valueLine(std::string_view text) {
    const std::size_t valueLine = lineNumber_;
    const auto malformed = [valueLine] { return failure(valueLine, Fault::badValueLine); };
    std::u16string name;
    if (text.front() == '@') {
      text.remove_prefix(1);
    } else {
      const std::optional<std::size_t> taken = unescape(text.substr(1), '"', name);
      if (!taken) return malformed();
      text.remove_prefix(1 + *taken);
    }
    text = skipSpaces(text);
    if (text.empty() || text.front() != '=') return malformed();
    text = skipSpaces(text.substr(1));

    struct DataType {
      std::string_view tag;
      int type;
      int parseAs;
    };
    static constexpr DataType dataTypes[] = {
        {"\"", regSz, regSz},
        {"str:\"", regSz, regSz},
        {"str(2):\"", regExpandSz, regSz},
        {"str(7):\"", regMultiSz, regSz},
        {"hex:", regBinary, regBinary},
        {"dword:", regDword, regDword},
        {"hex(", -1, regBinary},
    };
    const DataType* found = nullptr;
    for (const DataType& candidate : dataTypes) {
      if (text.starts_with(candidate.tag)) {
        found = &candidate;
        break;
      }
    }
    if (!found) return malformed();
    std::uint32_t type = static_cast<std::uint32_t>(found->type);
    text.remove_prefix(found->tag.size());
    if (found->type == -1) {
      std::uint64_t number = 0;
      const std::size_t taken = readHexNumber(text, number);
      if (text.substr(taken, 2) != "):") return malformed();
      type = static_cast<std::uint32_t>(number);
      text.remove_prefix(taken + 2);
    }

    switch (found->parseAs) {
      case regSz: {
        if (!unescape(text, '"', data_)) return malformed();
        sink_.value(name, type, utf16Bytes(data_, true));
        return success();
      }
      case regDword: {
        std::uint64_t number = 0;
        readHexNumber(text, number);
        std::string bytes(4, '\0');
        for (std::size_t i = 0; i < 4; ++i)
          bytes[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
        sink_.value(name, type, bytes);
        return success();
      }
      default:
        break;
    }

    std::string bytes;
    for (;;) {
      while (!text.empty() && isHexDigit(text.front())) {
        std::uint64_t byte = 0;
        const std::size_t taken = readHexNumber(text, byte);
        if (taken == 0 || byte > 0xFF) return malformed();
        bytes.push_back(static_cast<char>(byte));
        text = skipSpaces(text.substr(taken));
        if (!text.empty() && text.front() == ',') text = skipSpaces(text.substr(1));
      }
      text = skipSpaces(text);
      if (text.empty()) break;
      // Only a final "\" may follow the list; whatever stands after it is
      // passed over, as Wine's loader does.
      if (text.front() != '\\') return malformed();
      std::string_view next;
      if (!nextLine(next)) return failure(valueLine, Fault::valueCutShort);
      if (next.find('\0') != std::string_view::npos)
        return failure(lineNumber_, Fault::nulCharacter);
      text = skipSpaces(next);
    }
    sink_.value(name, type, bytes);
    return success();
  }

  std::string_view rest_;
  WineRegistrySink& sink_;
  std::size_t lineNumber_ = 0;
  bool haveKey_ = false;
  bool wanted_ = false;
  // Reused from line to line.
  std::u16string units_;
  std::u16string data_;
  std::vector<std::u16string_view> names_;
};

bool sameName(std::u16string_view a, std::u16string_view b) {
  return compareRegistryNames(a, b, RegistryNameOrder::windows) == 0;
}

std::u16string upperCased(std::u16string_view name) {
  std::u16string upper(name);
  for (char16_t& unit : upper) unit = registryUpperCase(unit);
  return upper;
}

std::u16string unitsOf(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return units;
}

// The subtrees asked for, kept whole with their named values.
class SubtreeKeeper {
 public:
  SubtreeKeeper(const KeptSubtrees& kept, std::u16string rootPath)
      : tree_(RegistryNameOrder::wine, std::move(rootPath)) {
    for (const Text& path : kept) {
      const std::u16string units = toUtf16(path);
      std::vector<std::u16string> names;
      std::u16string_view rest = units;
      while (!rest.empty()) {
        const std::size_t separator = rest.find(u'\\');
        if (separator != 0) names.emplace_back(rest.substr(0, separator));
        if (separator == std::u16string_view::npos) break;
        rest.remove_prefix(separator + 1);
      }
      paths_.push_back(std::move(names));
    }
  }

  bool any() const { return !paths_.empty(); }

  // Whether the key lies in a subtree asked for; its values follow.
  bool key(const std::vector<std::u16string_view>& names) {
    endKey();
    active_ = false;
    for (const std::vector<std::u16string>& path : paths_) {
      if (names.size() < path.size()) continue;
      bool inside = true;
      for (std::size_t i = 0; inside && i < path.size(); ++i) {
        inside = path[i] == u"*" || sameName(names[i], path[i]);
      }
      if (!inside) continue;
      node_ = tree_.top();
      for (std::u16string_view name : names) node_ = tree_.subkey(node_, name);
      active_ = true;
      break;
    }
    return active_;
  }

  void link() {
    if (active_) isLink_ = true;
  }

  void value(std::u16string_view name, std::uint32_t type, std::string_view data) {
    if (!active_) return;
    if (isLink_ && sameName(name, u"SymbolicLinkValue")) linkTarget_ = unitsOf(data);
    tree_.setValue(node_, name, type, data);
  }

  RegistryTree finish() {
    endKey();
    return std::move(tree_).finish();
  }

 private:
  void endKey() {
    if (isLink_) {
      tree_.setLink(node_,
                    linkTarget_ ? std::optional<std::u16string_view>(*linkTarget_) : std::nullopt);
    }
    isLink_ = false;
    linkTarget_.reset();
  }

  std::vector<std::vector<std::u16string>> paths_;
  RegistryTreeBuilder tree_;
  RegistryTree::Node node_ = 0;
  bool active_ = false;
  bool isLink_ = false;
  std::optional<std::u16string> linkTarget_;
};

class SubtreeSink final : public WineRegistrySink {
 public:
  explicit SubtreeSink(SubtreeKeeper& keeper) : keeper_(keeper) {}
  bool key(const std::vector<std::u16string_view>& names) override { return keeper_.key(names); }
  void link() override { keeper_.link(); }
  void value(std::u16string_view name, std::uint32_t type, std::string_view data) override {
    keeper_.value(name, type, data);
  }

 private:
  SubtreeKeeper& keeper_;
};

// Keeps Software\Classes whole, of System what leads to the computer name,
// and the subtrees asked for.
class MachineSink final : public WineRegistrySink {
 public:
  explicit MachineSink(const KeptSubtrees& kept) : subtrees_(kept, u"\\REGISTRY\\Machine") {}

  bool key(const std::vector<std::u16string_view>& names) override {
    endKey();
    const bool kept = subtrees_.any() && subtrees_.key(names);
    if (names.size() >= 2 && sameName(names[0], u"Software") && sameName(names[1], u"Classes")) {
      kind_ = Kind::classes;
      node_ = classes_.top();
      for (std::size_t i = 2; i < names.size(); ++i) node_ = classes_.subkey(node_, names[i]);
      return true;
    }
    if (names.size() == 2 && sameName(names[0], u"System") &&
        sameName(names[1], u"CurrentControlSet")) {
      kind_ = Kind::currentControlSet;
      return true;
    }
    if (names.size() == 5 && sameName(names[0], u"System") && sameName(names[2], u"Control") &&
        sameName(names[3], u"ComputerName") && sameName(names[4], u"ComputerName")) {
      kind_ = Kind::computerName;
      controlSet_ = upperCased(names[1]);
      return true;
    }
    kind_ = Kind::none;
    return kept;
  }

  void link() override {
    isLink_ = true;
    subtrees_.link();
  }

  void value(std::u16string_view name, std::uint32_t type, std::string_view data) override {
    subtrees_.value(name, type, data);
    switch (kind_) {
      case Kind::classes:
        if (name.empty()) {
          classes_.setDefault(node_, type, data);
        } else if (sameName(name, u"SymbolicLinkValue")) {
          linkTarget_ = unitsOf(data);
        }
        break;
      case Kind::currentControlSet:
        if (sameName(name, u"SymbolicLinkValue")) linkTarget_ = unitsOf(data);
        break;
      case Kind::computerName:
        if (sameName(name, u"ComputerName") && (type == static_cast<std::uint32_t>(regSz) ||
                                                type == static_cast<std::uint32_t>(regExpandSz))) {
          Text text = fromUtf16(unitsOf(data));
          text.resize(std::min(text.size(), text.find(L'\0')));
          computerNames_[controlSet_] = std::move(text);
        }
        break;
      case Kind::none:
        break;
    }
  }

  WineMachine finish() {
    endKey();
    WineMachine machine;
    // Where CurrentControlSet is a link (to "\REGISTRY\Machine\System\ControlSet001"),
    // the computer name lies in the set it names.
    std::u16string set = u"CURRENTCONTROLSET";
    if (currentControlSetLink_) {
      constexpr std::u16string_view prefix = u"\\REGISTRY\\MACHINE\\SYSTEM\\";
      const std::u16string target = upperCased(*currentControlSetLink_);
      set = target.starts_with(prefix) ? target.substr(prefix.size()) : std::u16string();
    }
    const auto name = computerNames_.find(set);
    if (name != computerNames_.end()) machine.computerName = name->second;
    machine.classes = std::move(classes_).finish();
    if (subtrees_.any()) machine.subtrees = subtrees_.finish();
    return machine;
  }

 private:
  enum class Kind { none, classes, currentControlSet, computerName };

  void endKey() {
    if (isLink_) {
      if (kind_ == Kind::classes) {
        classes_.setLink(
            node_, linkTarget_ ? std::optional<std::u16string_view>(*linkTarget_) : std::nullopt);
      } else if (kind_ == Kind::currentControlSet) {
        currentControlSetLink_ = linkTarget_ ? *linkTarget_ : std::u16string();
      }
    }
    isLink_ = false;
    linkTarget_.reset();
  }

  RegistryTreeBuilder classes_{RegistryNameOrder::wine, u"\\REGISTRY\\Machine\\Software\\Classes"};
  Kind kind_ = Kind::none;
  RegistryTree::Node node_ = 0;
  bool isLink_ = false;
  std::optional<std::u16string> linkTarget_;
  std::u16string controlSet_;
  std::optional<std::u16string> currentControlSetLink_;
  std::map<std::u16string, Text> computerNames_;
  SubtreeKeeper subtrees_;
};

}  // namespace

Status readWineRegistry(std::string_view bytes, WineRegistrySink& sink) {
  return Reader(bytes, sink).run();
}

Result<WineMachine> readWineMachine(std::string_view systemReg, const KeptSubtrees& kept) {
  try {
    MachineSink sink(kept);
    if (Status read = readWineRegistry(systemReg, sink); !read) return read.error();
    return sink.finish();
  } catch (const std::bad_alloc&) {
    return faultError(Fault::outOfMemory, 7);
  }
}

}  // namespace vemdrol

namespace vemdrol {

Result<RegistryTree> readWineSubtrees(std::string_view file, const KeptSubtrees& kept,
                                      std::u16string rootPath) {
  try {
    SubtreeKeeper keeper(kept, std::move(rootPath));
    SubtreeSink sink(keeper);
    if (Status read = readWineRegistry(file, sink); !read) return read.error();
    return keeper.finish();
  } catch (const std::bad_alloc&) {
    return faultError(Fault::outOfMemory, 7);
  }
}

}  // namespace vemdrol
