#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/utf16.h"
#include "formats/registry/wine_registry.h"
#include "offline_machine.h"
#include "os/memory/classes_registry.h"

namespace vemdrol {
namespace {

using Events = std::vector<std::string>;

std::string hexOf(std::string_view bytes) {
  std::string hex;
  for (unsigned char byte : bytes)
    hex += "0123456789abcdef"[byte >> 4], hex += "0123456789abcdef"[byte & 15];
  return hex;
}

std::string narrow(std::u16string_view name) {
  std::string text;
  for (char16_t unit : name) {
    if (unit < 0x80) {
      text += static_cast<char>(unit);
    } else {
      text += '<';
      text += hexOf(toUtf16Le(fromUtf16(std::u16string(1, unit))));
      text += '>';
    }
  }
  return text;
}

// Records what the reader hands over, one line per call.
class RecordingSink final : public WineRegistrySink {
 public:
  explicit RecordingSink(std::string unwantedPrefix = "") : unwanted_(std::move(unwantedPrefix)) {}

  bool key(const std::vector<std::u16string_view>& names) override {
    std::string path;
    for (std::u16string_view name : names) {
      if (!path.empty()) path += '|';
      path += narrow(name);
    }
    events.push_back("key " + path);
    return unwanted_.empty() || !path.starts_with(unwanted_);
  }
  void link() override { events.push_back("link"); }
  void value(std::u16string_view name, std::uint32_t type, std::string_view data) override {
    events.push_back("value " + narrow(name) + " " + std::to_string(type) + " " + hexOf(data));
  }

  Events events;

 private:
  std::string unwanted_;
};

std::string utf16Hex(std::u16string_view text, bool terminated = true) {
  std::string bytes = toUtf16Le(fromUtf16(text));
  if (terminated) bytes.append(2, '\0');
  return hexOf(bytes);
}

constexpr const char* header = "WINE REGISTRY Version 2\n";

TEST(WineRegistry, ReadsEveryFormWineWrites) {
  const std::string file =
      "WINE REGISTRY Version 2\r\n"
      ";; All keys relative to \\\\Machine\r\n"
      "\r\n"
      "#arch=win64\n"
      "\n"
      "[Software\\\\Classes\\\\.txt] 1700000000\n"
      "#time=1d9f2c3a4b5c6d7\n"
      "#class=\"ignored\"\n"
      "@=\"txtfile\"\n"
      "\"Content Type\"=\"text/plain\"\n"
      "\"Expand\"=str(2):\"%SystemRoot%\\\\x\"\n"
      "\"Multi\"=str(7):\"a\\0b\\0\"\n"
      "\"Str\"=str:\"s\"\n"
      "\"Flags\"=dword:0000002a\n"
      "\"Data\"=hex:01,02,\\\n"
      "  03\n"
      "\"Typed\"=hex(b):01,00\n"
      // \x takes four digits at most, octal three.
      "\"Esc\"=\"\\x30b3\\x30e20\\0331\\n\\t\\\"\\\\\\e\"\n"
      "  [Software\\\\Classes\\\\\\xe9t\\xe9\\\\\\\\Sub\\\\] 0\n"
      "#link\n"
      "\"SymbolicLinkValue\"=hex(6):5c,00\n"
      "[]\n"
      "@=\"root\"\n";
  RecordingSink sink;
  ASSERT_TRUE(readWineRegistry(file, sink).ok());
  EXPECT_EQ(sink.events,
            (Events{"key Software|Classes|.txt", "value  1 " + utf16Hex(u"txtfile"),
                    "value Content Type 1 " + utf16Hex(u"text/plain"),
                    "value Expand 2 " + utf16Hex(u"%SystemRoot%\\x"),
                    "value Multi 7 " + utf16Hex(std::u16string(u"a\0b\0", 4)),
                    "value Str 1 " + utf16Hex(u"s"), "value Flags 4 2a000000",
                    "value Data 3 010203", "value Typed 11 0100",
                    "value Esc 1 " + utf16Hex(u"\u30b3\u30e20\x1b"
                                              u"1\n\t\"\\\x1b"),
                    "key Software|Classes|<e900>t<e900>|Sub", "link",
                    "value SymbolicLinkValue 6 5c00", "key ", "value  1 " + utf16Hex(u"root")}));
}

TEST(WineRegistry, PassesOverTheLinesOfKeysNotWanted) {
  const std::string file = std::string(header) +
                           "[System\\\\Setup]\n"
                           "\"Broken\"=nothing Wine would write\n"
                           "  continued,\\\n"
                           "[Software\\\\Classes\\\\A]\n"
                           "@=\"a\"\n";
  RecordingSink sink("System");
  ASSERT_TRUE(readWineRegistry(file, sink).ok());
  EXPECT_EQ(sink.events,
            (Events{"key System|Setup", "key Software|Classes|A", "value  1 " + utf16Hex(u"a")}));
}

// Each damaged file fails on the line at fault; the file just inside each
// limit reads.
TEST(WineRegistry, NamesTheLineOfTheFirstFault) {
  struct Case {
    std::string file;
    long line;  // 0: the file reads
    Fault fault = Fault::system;
  };
  const std::string key = std::string(header) + "[A]\n";
  const std::string longName(256, 'n');
  const Case cases[] = {
      {"", 1, Fault::notWineRegistry},
      {"WINE REGISTRY Version 1\n[A]\n", 1, Fault::notWineRegistry},
      {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), 1, Fault::notWineRegistry},
      {std::string(header) + "\xff\xfe\x00[\x01\n", 2, Fault::unreadableLine},  // to the NUL
      {std::string(header) + "@=\"x\"\n", 2, Fault::valueBeforeKey},
      {key + "@=\"cut in the mid", 3, Fault::badValueLine},
      {key + "\"v\"=hex:01,02,\\\n", 3, Fault::valueCutShort},
      {key + "\"v\"=hex:01,02,\\\n  03\n", 0},
      {key + std::string("\"v\"=hex:01,\\\n  0\0\n", 18), 4, Fault::nulCharacter},
      {key + "\"v\"=hex:1ff\n", 3, Fault::badValueLine},
      {key + "\"v\"=hex:0ff\n", 0},
      {key + "\"v\"=hex(2:01\n", 3, Fault::badValueLine},
      {key + "\"v\"=number:1\n", 3, Fault::badValueLine},
      {key + "\"v\" \"x\"\n", 3, Fault::badValueLine},
      {key + "nonsense\n", 3, Fault::unreadableLine},
      {key + std::string("@=\"a\0b\"\n", 8), 3, Fault::nulCharacter},
      {std::string(header) + "[A\n", 2, Fault::badKeyLine},
      {std::string(header) + "[\\\\A]\n", 2, Fault::badKeyLine},
      {std::string(header) + "[A\\\\" + longName + "]\n", 0},
      {std::string(header) + "[A\\\\" + longName + "n]\n", 2, Fault::keyNameTooLong},
      {std::string(header) + "#arch=win16\n", 2, Fault::unknownArchitecture},
      {key + "#arch=win16\n", 0},
  };
  for (const Case& test : cases) {
    RecordingSink sink;
    const Status read = readWineRegistry(test.file, sink);
    if (test.line == 0) {
      EXPECT_TRUE(read.ok()) << test.file;
      continue;
    }
    ASSERT_FALSE(read.ok()) << test.file;
    EXPECT_EQ(read.error().fault, test.fault) << test.file;
    EXPECT_EQ(read.error().number, test.line) << test.file;
    EXPECT_EQ(read.error().subject, std::to_wstring(test.line)) << test.file;
    EXPECT_TRUE(read.error().description.empty()) << test.file;
  }
}

// The benchmark writes system.reg as Wine does; what it writes must read
// back as written, wrapped lists and escapes included.
TEST(WineRegistry, ReadsBackWhatTheWriterWrites) {
  std::string binary;
  for (int i = 0; i < 300; ++i) binary.push_back(static_cast<char>(i * 7));
  const std::vector<GeneratedValue> values = {
      {L"", hiveString(L"\u00e9a\u30b3\x01"
                       L"5\x1b\"\\[]")},
      {L"Long", {registryTypeBinary, binary}},
      {L"Unterminated", {registryTypeSz, toUtf16Le(L"abc")}},
      {L"Odd", {registryTypeExpandSz, std::string("\x41\x00\x00", 3)}},
      {L"Number", {registryTypeDword, std::string("\x78\x56\x34\x12", 4)}},
      {L"Short number", {registryTypeDword, std::string("\x01", 1)}},
      {L"Multi", {registryTypeMultiSz, toUtf16Le(std::wstring(L"a\0b\0\0", 5))}},
      {L"\u540d\"\\", hiveString(L"x", registryTypeExpandSz)},
      {L"Empty", {99, ""}},
  };
  std::string file = std::string(header) + "[K]\n";
  Events expected{"key K"};
  for (const GeneratedValue& value : values) {
    file += wineValueLine(value) + "\n";
    expected.push_back("value " + narrow(toUtf16(value.name)) + " " +
                       std::to_string(value.data.type) + " " + hexOf(value.data.bytes));
  }
  RecordingSink sink;
  ASSERT_TRUE(readWineRegistry(file, sink).ok()) << file;
  EXPECT_EQ(sink.events, expected);
  EXPECT_NE(file.find(",\\\n  "), std::string::npos);  // the long list was wrapped
}

std::optional<Text> defaultText(Registry& registry, TextView path) {
  auto key = registry.open(RegistryRoot::classesRoot, path);
  if (!key) return std::nullopt;
  auto value = key->defaultValue();
  if (!value.ok() || !value.value()) return Text();
  Text text = fromUtf16Le(value.value()->bytes);
  return text.substr(0, text.find(L'\0'));
}

std::vector<Text> subkeysOf(Registry& registry, TextView path) {
  std::vector<Text> names;
  auto key = registry.open(RegistryRoot::classesRoot, path);
  for (std::uint32_t i = 0; key; ++i) {
    auto name = key->subkeyName(i);
    if (!name.ok() || !name.value()) break;
    names.push_back(*name.value());
  }
  return names;
}

std::string linkValue(TextView target) {
  return wineValueLine({L"SymbolicLinkValue", {registryTypeLink, toUtf16Le(target)}}) + "\n";
}

TEST(WineRegistry, KeepsTheClassesInWinesOrderWithTheirLinks) {
  const std::string file =
      std::string(header) + "[Software\\\\Classes\\\\Dup]\n@=\"first\"\n" +
      "[Software\\\\Classes\\\\AZ]\n[Software\\\\Classes\\\\a1]\n[Software\\\\Classes\\\\A_]\n" +
      "[Software\\\\Other]\n@=\"not a class\"\n" +
      "[software\\\\classes\\\\DUP\\\\Sub]\n@=\"sub\"\n" +
      "[SOFTWARE\\\\CLASSES\\\\dup]\n@=\"second\"\n" + "[Software\\\\Classes\\\\Alias]\n#link\n" +
      linkValue(L"\\REGISTRY\\Machine\\Software\\Classes\\Dup") +
      "[Software\\\\Classes\\\\Outside]\n#link\n" +
      linkValue(L"\\REGISTRY\\Machine\\Software\\Other") +
      "[Software\\\\Classes\\\\NoTarget]\n#link\n";
  Result<WineMachine> machine = readWineMachine(file);
  ASSERT_TRUE(machine.ok());
  EXPECT_TRUE(machine.value().computerName.empty());
  ClassesRegistry registry(std::move(machine.value().classes));
  EXPECT_EQ(subkeysOf(registry, L""),
            (std::vector<Text>{L"a1", L"A_", L"Alias", L"AZ", L"Dup", L"NoTarget", L"Outside"}));
  EXPECT_EQ(defaultText(registry, L"DUP"), L"second");
  EXPECT_EQ(defaultText(registry, L"Alias"), L"second");
  EXPECT_EQ(defaultText(registry, L"alias\\sub"), L"sub");
  EXPECT_EQ(subkeysOf(registry, L"Alias"), (std::vector<Text>{L"Sub"}));
  EXPECT_FALSE(defaultText(registry, L"Outside"));
  EXPECT_FALSE(defaultText(registry, L"NoTarget"));
  EXPECT_FALSE(defaultText(registry, L"Other"));
}

TEST(WineRegistry, FindsTheComputerNameThroughCurrentControlSet) {
  const std::string direct = std::string(header) +
                             "[System\\\\CurrentControlSet\\\\Control\\\\ComputerName\\\\"
                             "ComputerName]\n\"ComputerName\"=\"VM\"\n";
  ASSERT_TRUE(readWineMachine(direct).ok());
  EXPECT_EQ(readWineMachine(direct).value().computerName, L"VM");

  const std::string linked =
      std::string(header) +
      "[System\\\\ControlSet001\\\\Control\\\\ComputerName\\\\ComputerName]\n" +
      "\"ComputerName\"=\"\\x30db\\x30b9\\x30c8\"\n" +
      "[System\\\\ControlSet002\\\\Control\\\\ComputerName\\\\ComputerName]\n" +
      "\"ComputerName\"=\"OTHER\"\n" + "[System\\\\CurrentControlSet]\n#link\n" +
      linkValue(L"\\Registry\\Machine\\System\\ControlSet001");
  ASSERT_TRUE(readWineMachine(linked).ok());
  EXPECT_EQ(readWineMachine(linked).value().computerName, L"ホスト");
}

}  // namespace
}  // namespace vemdrol
