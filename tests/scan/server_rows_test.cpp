// The rows of the COM servers that the builder's passes do not read: the
// 32-bit view's libraries and the local servers of both views, after every
// row the scan made before them.
#include <gtest/gtest.h>

#include "os/memory/filesystem.h"
#include "os/memory/registry.h"
#include "os/pe_version_reader.h"
#include "scan/scan.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

const RegistryRoot classes = RegistryRoot::classesRoot;

std::string program(std::uint16_t major, std::uint16_t build) {
  ProgramVersion version = fileVersion(major, 0, 0, build);
  version.description = L"file " + std::to_wstring(major);
  return peWithVersionBlock(versionBlock(version));
}

struct Row {
  Text type, path, version, source;
  friend bool operator==(const Row&, const Row&) = default;
};

void PrintTo(const Row& row, std::ostream* out) {
  const auto narrow = [](const Text& text) {
    std::string result;
    for (wchar_t c : text) result += c < 128 ? static_cast<char>(c) : '?';
    return result;
  };
  *out << "{" << narrow(row.type) << " | " << narrow(row.path) << " | " << narrow(row.version)
       << " | " << narrow(row.source) << "}";
}

struct ServerRows : ::testing::Test {
  ServerRows() {
    registry.setDefaultString(classes, L".txt", L"txtfile");
    registry.setDefaultString(classes, L"txtfile\\shell\\open\\command",
                              L"C:\\Windows\\notepad.exe %1");
    registry.setDefaultString(classes, L"CLSID\\{64}\\InprocServer32",
                              L"C:\\Program Files\\Cloud\\ext64.dll");
    files.addFile(L"C:\\Windows\\notepad.exe", program(6, 1));
    files.addFile(L"C:\\Program Files\\Cloud\\ext64.dll", program(1, 5));
    files.addFile(L"C:\\Program Files\\Cloud\\cloud.exe", program(3, 1));
    // Two files of one name: the one a 32-bit program loads is SysWOW64's.
    files.addFile(L"C:\\Windows\\System32\\cloud32.dll", program(9, 9));
    files.addFile(L"C:\\Windows\\SysWOW64\\cloud32.dll", program(2, 1));
    files.addFile(L"C:\\Program Files (x86)\\Cloud\\ext32.dll", program(1, 5));
    files.addFile(L"C:\\Program Files (x86)\\Cloud\\helper.dll", program(1, 2));
    files.addFile(L"C:\\Program Files (x86)\\Cloud\\updater.exe", program(4, 0));
    files.addFile(L"C:\\Program Files (x86)\\Cloud\\plain.dll", "no version");
    files.addFile(L"C:\\Program Files\\Cloud\\bin\\sync.exe", program(3, 2));
  }

  void set(TextView path, TextView value) { registry.setDefaultString(classes, path, value); }

  // What a 32-bit installer and two local servers add to the machine.
  void registerServers() {
    set(L"Wow6432Node\\CLSID\\{A}\\InprocServer32", L"C:\\Windows\\System32\\cloud32.dll");
    set(L"Wow6432Node\\CLSID\\{B}\\InprocServer32", L"C:\\Program Files (x86)\\Cloud\\ext32.dll");
    // The same library by another class, another letter case: one row.
    set(L"Wow6432Node\\CLSID\\{C}\\InprocServer32", L"c:\\program files (x86)\\cloud\\EXT32.DLL");
    // A library of both views: the 64-bit view's row stands.
    set(L"Wow6432Node\\CLSID\\{D}\\InprocServer32", L"C:\\Program Files\\Cloud\\ext64.dll");
    set(L"Wow6432Node\\CLSID\\{E}\\InprocServer32", L"C:\\Program Files (x86)\\Gone\\gone.dll");
    // No version number: a row all the same, as a further program file has.
    set(L"Wow6432Node\\CLSID\\{F}\\InprocServer32", L"C:\\Program Files (x86)\\Cloud\\plain.dll");
    set(L"CLSID\\{L1}\\LocalServer32", L"\"C:\\Program Files\\Cloud\\bin\\sync.exe\" /automation");
    // Found by the folder scan already.
    set(L"CLSID\\{L2}\\LocalServer32", L"C:\\Program Files\\Cloud\\cloud.exe -Embedding");
    set(L"Wow6432Node\\CLSID\\{L3}\\LocalServer32",
        L"C:\\Program Files (x86)\\Cloud\\updater.exe -Embedding");
    // The program of a type's row.
    set(L"Wow6432Node\\CLSID\\{L4}\\LocalServer32", L"C:\\Windows\\notepad.exe");
  }

  std::vector<Row> scan(TextView windowsFolder) {
    struct Quiet : ScanObserver {
      void failed(const Failure&) override { ++failures; }
      void onBuild(const BuildEvent&) override {}
      void onScan(const ScanEvent&) override {}
      void letEventsRun() override {}
      int failures = 0;
    } quiet;
    ListModel list;
    ColumnTable columns;
    columns.fill();
    Inventory inventory;
    RegistryListing listing;
    const std::optional<SkipList> skipList = builtInSkipList();
    ScanParts parts{quiet,    list,  columns,  inventory, listing,
                    registry, files, versions, nullptr,   skipList};
    parts.windowsFolder = Text(windowsFolder);
    EXPECT_TRUE(runScan(parts).ok());
    EXPECT_EQ(quiet.failures, 0);
    std::vector<Row> rows;
    for (std::size_t row = 0; row < list.rowCount(); ++row) {
      rows.push_back({list.cell(row, 0), list.cell(row, 3), list.cell(row, 4), list.source(row)});
    }
    return rows;
  }

  MemoryRegistry registry;
  MemoryFileSystem files;
  PeVersionResourceReader versions{files};
};

TEST_F(ServerRows, ComeAfterTheRowsBeforeThemEachFileOnce) {
  const std::vector<Row> before = scan(L"C:\\Windows");
  EXPECT_EQ(before,
            (std::vector<Row>{
                {L"*.txt", L"C:\\Windows\\notepad.exe", L"6.0.1",
                 L"HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command"},
                {L"ext64.dll", L"C:\\Program Files\\Cloud\\ext64.dll", L"1.0.5",
                 L"HKEY_CLASSES_ROOT\\CLSID\\{64}\\InprocServer32"},
                {L"notepad.exe", L"C:\\Windows\\notepad.exe", L"6.0.1", L"C:\\Windows\\内の調査"},
                {L"cloud.exe", L"C:\\Program Files\\Cloud\\cloud.exe", L"3.0.1",
                 L"C:\\Program Files\\Cloud\\内の調査"},
            }));

  registerServers();
  const std::vector<Row> after = scan(L"C:\\Windows");
  ASSERT_GE(after.size(), before.size());
  EXPECT_EQ(std::vector<Row>(after.begin(), after.begin() + before.size()), before);
  EXPECT_EQ(std::vector<Row>(after.begin() + before.size(), after.end()),
            (std::vector<Row>{
                {L"cloud32.dll", L"C:\\Windows\\SysWOW64\\cloud32.dll", L"2.0.1",
                 L"HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\{A}\\InprocServer32"},
                {L"ext32.dll", L"C:\\Program Files (x86)\\Cloud\\ext32.dll", L"1.0.5",
                 L"HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\{B}\\InprocServer32"},
                {L"plain.dll", L"C:\\Program Files (x86)\\Cloud\\plain.dll", L"",
                 L"HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\{F}\\InprocServer32"},
                {L"sync.exe", L"C:\\Program Files\\Cloud\\bin\\sync.exe", L"3.0.2",
                 L"HKEY_CLASSES_ROOT\\CLSID\\{L1}\\LocalServer32"},
                {L"updater.exe", L"C:\\Program Files (x86)\\Cloud\\updater.exe", L"4.0.0",
                 L"HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\{L3}\\LocalServer32"},
                // The folders they brought, scanned as every other folder is.
                {L"helper.dll", L"C:\\Program Files (x86)\\Cloud\\helper.dll", L"1.0.2",
                 L"C:\\Program Files (x86)\\Cloud\\内の調査"},
            }));
}

TEST_F(ServerRows, WithoutAWindowsFolderTakeThe32BitPathAsItIs) {
  registerServers();
  const std::vector<Row> rows = scan(L"");
  const auto cloud32 = std::find_if(rows.begin(), rows.end(),
                                    [](const Row& row) { return row.type == L"cloud32.dll"; });
  ASSERT_NE(cloud32, rows.end());
  EXPECT_EQ(cloud32->path, L"C:\\Windows\\System32\\cloud32.dll");
  EXPECT_EQ(cloud32->version, L"9.0.9");
}

}  // namespace
}  // namespace vemdrol
