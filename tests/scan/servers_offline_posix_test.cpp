// The registrations of the end-to-end check of the servers under Wine
// (tests/e2e/servers_under_wine.py), written once as a Wine prefix and once
// as a Windows installation's hives, the 32-bit extension in the user's
// classes there: vemdrol-scan gives both the same rows, each server file
// once with the version of the file a 32-bit program loads and the key that
// named it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/scan_run.h"
#include "offline_machine.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

namespace fs = std::filesystem;

constexpr TextView library32 = L"{2D7C8F10-5A1B-4C2D-9E3F-000000000001}";
constexpr TextView extension32 = L"{2D7C8F10-5A1B-4C2D-9E3F-000000000002}";
constexpr TextView both = L"{2D7C8F10-5A1B-4C2D-9E3F-000000000003}";
constexpr TextView local64 = L"{2D7C8F10-5A1B-4C2D-9E3F-000000000004}";
constexpr TextView local32 = L"{2D7C8F10-5A1B-4C2D-9E3F-000000000005}";

struct Registration {
  bool view64;
  bool view32;
  TextView clsid;
  TextView server;
  TextView value;
};

const Registration registrations[] = {
    {false, true, library32, L"InprocServer32", L"C:\\windows\\system32\\vemdrolcloud32.dll"},
    {false, true, extension32, L"InprocServer32",
     L"C:\\Program Files (x86)\\VemdrolCloud\\ext32.dll"},
    {true, true, both, L"InprocServer32", L"C:\\Program Files\\VemdrolCloud\\both.dll"},
    {true, false, local64, L"LocalServer32",
     L"\"C:\\Program Files\\VemdrolCloud\\bin\\sync.exe\" /automation"},
    {false, true, local32, L"LocalServer32",
     L"C:\\Program Files (x86)\\VemdrolCloud\\updater.exe -Embedding"},
};

// Below drive C, with their file versions; the System32 file of the 32-bit
// library's name is the 64-bit one, which a 32-bit program never loads.
const struct {
  const char* path;
  std::uint16_t version[4];
} placed[] = {
    {"windows/syswow64/vemdrolcloud32.dll", {2, 0, 0, 1}},
    {"windows/system32/vemdrolcloud32.dll", {9, 0, 0, 9}},
    {"Program Files (x86)/VemdrolCloud/ext32.dll", {1, 0, 0, 5}},
    {"Program Files/VemdrolCloud/both.dll", {1, 2, 0, 3}},
    {"Program Files/VemdrolCloud/bin/sync.exe", {3, 0, 0, 2}},
    {"Program Files (x86)/VemdrolCloud/updater.exe", {4, 0, 0, 7}},
};

Text sourceOf(bool view32, TextView clsid, TextView server) {
  return Text(L"HKEY_CLASSES_ROOT\\") + (view32 ? L"WOW6432Node\\" : L"") + L"CLSID\\" +
         Text(clsid) + L"\\" + Text(server);
}

// A tab-separated output with its header, as (path, version, source) by path.
std::map<std::string, std::pair<std::string, std::string>> rowsOf(const std::string& tsv) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(tsv);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
      fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    lines.push_back(std::move(fields));
  }
  std::map<std::string, std::pair<std::string, std::string>> rows;
  if (lines.empty()) return rows;
  const auto column = [&](const std::string& name) {
    for (std::size_t i = 0; i < lines[0].size(); ++i) {
      if (lines[0][i] == name) return i;
    }
    ADD_FAILURE() << "no column " << name;
    return std::size_t{0};
  };
  const std::size_t path = column("パス"), version = column("バージョン"),
                    source = column("登録場所");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].size() != lines[0].size()) continue;
    const auto [_, added] =
        rows.emplace(lines[i][path], std::make_pair(lines[i][version], lines[i][source]));
    EXPECT_TRUE(added) << "two rows of " << lines[i][path];
  }
  return rows;
}

std::string utf8Of(TextView text) {
  std::string bytes;
  for (const wchar_t c : text) {
    EXPECT_LT(c, 0x80);
    bytes.push_back(static_cast<char>(c));
  }
  return bytes;
}

class ServersOfflineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vemdrol-servers-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  void write(const fs::path& file, std::string_view bytes) const {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << file;
  }

  std::string scan(const std::vector<std::string>& arguments) const {
    const fs::path out = folder_ / "out.txt";
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = ::open("/dev/null", O_WRONLY);
    ScanEnvironment environment;
    environment.outputFd = outFd;
    environment.errorFd = errFd;
    EXPECT_EQ(runScanCommand(parseScanArguments(arguments), environment), 0) << arguments.back();
    ::close(outFd);
    ::close(errFd);
    std::ifstream in(out, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  fs::path folder_;
};

TEST_F(ServersOfflineTest, APrefixAndAnInstallationOfTheSameRegistrationsGiveTheSameRows) {
  const fs::path prefix = folder_ / "prefix";
  const fs::path windows = folder_ / "windows";
  WineSystemRegWriter wine;
  SoftwareHiveWriter software;
  HiveKey userClasses{L"S-1-5-21-1-1-1-1001_Classes", {}, {{L"Wow6432Node", {}, {}}}};
  userClasses.subkeys[0].subkeys.push_back({L"CLSID", {}, {}});
  for (const Registration& r : registrations) {
    for (const bool view32 : {false, true}) {
      if (!(view32 ? r.view32 : r.view64)) continue;
      const Text key = Text(view32 ? L"Wow6432Node\\" : L"") + L"CLSID\\" + Text(r.clsid) + L"\\" +
                       Text(r.server);
      const GeneratedValue value{L"", hiveString(r.value)};
      wine.key(key, {value});
      // A 32-bit installer run for one user alone registers there.
      if (r.clsid == extension32) {
        userClasses.subkeys[0].subkeys[0].subkeys.push_back(
            {Text(r.clsid), {}, {{Text(r.server), {{L"", value.data}}, {}}}});
      } else {
        software.key(key, {value});
      }
    }
  }
  write(prefix / "system.reg", wine.text(L"WINEBOX"));
  fs::create_directories(prefix / "dosdevices");
  fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
  write(windows / "Windows/System32/config/SOFTWARE", software.hive().bytes);
  write(windows / "Windows/System32/config/SYSTEM", systemHive(L"DESKTOP-1").bytes);
  write(windows / "Users/Taro/AppData/Local/Microsoft/Windows/UsrClass.dat",
        buildHive(userClasses).bytes);
  for (const auto& file : placed) {
    const auto& v = file.version;
    const std::string bytes = peWithVersionBlock(versionBlock(fileVersion(v[0], v[1], v[2], v[3])));
    write(prefix / "drive_c" / file.path, bytes);
    write(windows / file.path, bytes);
  }

  const std::string prefixRows = scan({"--format", "cnt", prefix.string()});
  EXPECT_EQ(scan({"--format", "cnt", "--user", "Taro", windows.string()}), prefixRows);

  const auto expected = [](bool usersOwn) {
    std::map<std::string, std::pair<std::string, std::string>> rows = {
        {"C:\\Program Files\\VemdrolCloud\\both.dll",
         {"1.2.3", utf8Of(sourceOf(false, both, L"InprocServer32"))}},
        {"C:\\windows\\SysWOW64\\vemdrolcloud32.dll",
         {"2.0.1", utf8Of(sourceOf(true, library32, L"InprocServer32"))}},
        {"C:\\Program Files (x86)\\VemdrolCloud\\ext32.dll",
         {"1.0.5", utf8Of(sourceOf(true, extension32, L"InprocServer32"))}},
        {"C:\\Program Files\\VemdrolCloud\\bin\\sync.exe",
         {"3.0.2", utf8Of(sourceOf(false, local64, L"LocalServer32"))}},
        {"C:\\Program Files (x86)\\VemdrolCloud\\updater.exe",
         {"4.0.7", utf8Of(sourceOf(true, local32, L"LocalServer32"))}},
    };
    // Without the user's classes the extension is only a further file of
    // the 32-bit local server's folder.
    if (!usersOwn) {
      rows["C:\\Program Files (x86)\\VemdrolCloud\\ext32.dll"].second =
          "C:\\Program Files (x86)\\VemdrolCloud\\内の調査";
    }
    return rows;
  };
  const struct {
    fs::path target;
    std::vector<std::string> user;
    bool usersOwn;
  } cases[] = {
      {prefix, {}, true},
      {windows, {"--user", "Taro"}, true},
      {windows, {}, false},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = {"--format", "tsv", "--details"};
    arguments.insert(arguments.end(), c.user.begin(), c.user.end());
    arguments.push_back(c.target.string());
    EXPECT_EQ(rowsOf(scan(arguments)), expected(c.usersOwn)) << c.target << " " << c.user.size();
  }
}

}  // namespace
}  // namespace vemdrol
