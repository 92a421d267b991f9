// Runs the builder over the real registry of the test prefix and checks it
// against what the system's own command interpreter reports about file
// associations, and against the registry's in-process server keys.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/paths.h"
#include "inventory/builder.h"
#include "inventory/recording_display.h"
#include "os/codepage.h"
#include "os/win32/windows.h"

namespace vemdrol {
namespace {

// Runs "cmd /c <command>" and returns its output lines, decoded from the
// console's code page.
std::vector<Text> commandOutput(const wchar_t* command) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
  UniqueHandle reader(readEnd);
  UniqueHandle writer(writeEnd);
  SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writer.get();
  startup.hStdError = writer.get();
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  Text line = L"cmd /c " + Text(command);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process)) {
    return {};
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);
  writer.close();

  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(reader.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    bytes.append(buffer, got);
  }
  WaitForSingleObject(processHandle.get(), 30000);

  std::vector<Text> lines;
  Text text = fromAnsi(bytes);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of(L"\r\n", start);
    if (end == Text::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// "name=value" lines as pairs.
std::vector<std::pair<Text, Text>> assignments(const wchar_t* command) {
  std::vector<std::pair<Text, Text>> result;
  for (const Text& line : commandOutput(command)) {
    const std::size_t equals = line.find(L'=');
    if (equals != Text::npos) result.emplace_back(line.substr(0, equals), line.substr(equals + 1));
  }
  return result;
}

bool present(FileSystem& files, TextView path) {
  Result<std::optional<FileAttributes>> found = files.attributesOf(path);
  return found && found.value() && !found.value()->directory && !found.value()->system;
}

struct RealRegistry : ::testing::Test {
  void SetUp() override {
    BuilderParts parts{*registry, *files, display, listing};
    EXPECT_TRUE(buildInventory(inventory, parts).ok());
  }

  std::unique_ptr<Registry> registry = makeSystemRegistry();
  std::unique_ptr<FileSystem> files = makeSystemFileSystem();
  testing::RecordingDisplay display;
  RegistryListing listing;
  Inventory inventory;
};

TEST_F(RealRegistry, EveryAssociatedProgramHasItsEntry) {
  const auto extensions = assignments(L"assoc");
  const auto types = assignments(L"ftype");
  ASSERT_FALSE(extensions.empty());
  ASSERT_FALSE(types.empty());
  std::size_t checked = 0;
  for (const auto& [extension, type] : extensions) {
    if (extension.size() > 6 || extension.empty() || extension[0] != L'.') continue;
    const Text* command = nullptr;
    for (const auto& [name, line] : types) {
      if (equalNoCase(name, type)) command = &line;
    }
    if (!command) continue;
    const Text program = exePathOf(*command);
    if (program.empty() || !present(*files, program)) continue;
    ++checked;
    bool found = false;
    for (std::size_t i = 0; i < inventory.size() && !found; ++i) {
      if (!equalNoCase(inventory.definition[i], type) ||
          !equalNoCase(inventory.fullPath[i], program)) {
        continue;
      }
      const Text list = L";" + inventory.fileType[i] + L";";
      found = containsNoCase(list, L";*" + extension + L";");
    }
    EXPECT_TRUE(found) << std::string(toAnsi(extension)) << " -> " << std::string(toAnsi(type));
  }
  EXPECT_GT(checked, 0u);
  std::printf("associations checked: %zu, inventory entries: %zu\n", checked, inventory.size());
}

TEST_F(RealRegistry, EveryServerLibraryThatExistsAppearsOnce) {
  std::set<Text> libraries;
  auto classes = registry->open(RegistryRoot::classesRoot, L"CLSID");
  ASSERT_NE(classes, nullptr);
  for (std::uint32_t index = 0;; ++index) {
    Result<std::optional<Text>> name = classes->subkeyName(index);
    if (!name || !name.value()) break;
    auto server =
        registry->open(RegistryRoot::classesRoot, L"CLSID\\" + *name.value() + L"\\InprocServer32");
    if (!server) continue;
    Result<std::optional<RegistryData>> value = server->defaultValue();
    if (!value || !value.value()) continue;
    const Text path = dataText(*value.value());
    const Text folder = directoryOf(path);
    if (startsWithNoCase(path, L"%SystemRoot%") || folder.empty() || folder.size() == path.size()) {
      continue;
    }
    if (present(*files, path)) libraries.insert(foldCase(path));
  }
  ASSERT_FALSE(libraries.empty());
  for (const Text& library : libraries) {
    std::size_t entries = 0;
    for (std::size_t i = 0; i < inventory.size(); ++i) {
      if (equalNoCase(inventory.fullPath[i], library)) ++entries;
    }
    EXPECT_EQ(entries, 1u) << std::string(toAnsi(library));
  }
  std::printf("server libraries checked: %zu\n", libraries.size());
}

}  // namespace
}  // namespace vemdrol
