// vemdrol_preview.exe: the real main window filled with a few sample rows,
// for looking at the window (screenshots) without a saved inventory. It shows
// the window exactly as vemdrol.exe builds it; only the rows come from here.
//
//   vemdrol_preview.exe          the sample rows
//   vemdrol_preview.exe 詳細     with detail columns shown, read from the files
//   vemdrol_preview.exe 比較     compared with an earlier list of the samples
//   vemdrol_preview.exe アプリ   the アプリ tab with sample applications
#include <array>
#include <vector>

#include "app/program_win32.h"
#include "apps/installed_app.h"
#include "files/inventory_file.h"
#include "os/filesystem.h"

namespace {

struct SampleRow {
  std::array<const wchar_t*, 5> cells;
};

const SampleRow sampleRows[] = {
    {{L"*.txt;*.log", L"txtfile", L"テキスト ドキュメント", L"C:\\windows\\notepad.exe",
      L"6.1.7601"}},
    {{L"*.bmp;*.jpg;*.png", L"Paint.Picture", L"ビットマップ イメージ",
      L"C:\\windows\\system32\\mspaint.exe", L"6.1.7601"}},
    {{L"*.htm;*.html", L"htmlfile", L"HTML ドキュメント",
      L"C:\\Program Files\\Internet Explorer\\iexplore.exe", L"8.0.7601"}},
    {{L"*.reg", L"regfile", L"登録エントリ", L"C:\\windows\\regedit.exe", L"6.1.7601"}},
    {{L"shell32.dll", L"", L"", L"C:\\windows\\system32\\shell32.dll", L"6.1.7601"}},
    {{L"mshtml.dll", L"Microsoft (R) HTML ビューアー", L"© Microsoft Corporation.",
      L"C:\\windows\\system32\\mshtml.dll", L"8.0.7601"}},
    {{L"wordpad.exe", L"Windows ワードパッド アプリケーション",
      L"© Microsoft Corporation. All rights reserved.",
      L"C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe", L"6.1.7601"}},
};

// Applications of the kinds the アプリ tab lists: machine entries of both
// views, a Windows Installer product, a user's own and a Store package.
std::vector<vemdrol::InstalledApp> sampleApps() {
  using vemdrol::AppKind;
  using vemdrol::AppScope;
  const wchar_t* uninstall =
      L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const auto app = [&](const wchar_t* name, const wchar_t* version, const wchar_t* publisher,
                       const wchar_t* date, std::uint64_t kib, const wchar_t* location,
                       AppScope scope, const wchar_t* view, AppKind kind, const wchar_t* key) {
    vemdrol::InstalledApp entry;
    entry.name = name;
    entry.version = version;
    entry.publisher = publisher;
    entry.installDate = date;
    if (kib != 0) entry.size = kib * 1024;
    entry.location = location;
    entry.scope = scope;
    entry.user = scope == AppScope::user ? L"taro" : L"";
    entry.view = view;
    entry.kind = kind;
    entry.source = vemdrol::Text(uninstall) + key;
    return entry;
  };
  return {
      app(L"7-Zip 23.01 (x64)", L"23.01", L"Igor Pavlov", L"2026-11-02", 5640,
          L"C:\\Program Files\\7-Zip\\", AppScope::machine, L"64", AppKind::other, L"7-Zip"),
      app(L"社内 VPN クライアント", L"4.2.0", L"情報システム部", L"2026-10-15", 48200,
          L"C:\\Users\\taro\\AppData\\Local\\VPN\\", AppScope::user, L"", AppKind::other,
          L"CorpVPN"),
      app(L"Microsoft Visual C++ 2015-2022 Redistributable (x86)", L"14.38.33130.0",
          L"Microsoft Corporation", L"2026-09-30", 20536, L"", AppScope::machine, L"32",
          AppKind::msi, L"{5F0A5C69-0F5B-4C3B-9E24-0D8E53D2D8D5}"),
      app(L"年賀状ソフト 2027", L"27.0.1", L"サンプル ソフト株式会社", L"2026-12-01", 812000,
          L"C:\\Program Files (x86)\\Nenga\\", AppScope::machine, L"32", AppKind::msi,
          L"{0C2B7A41-6E8D-4F3A-B1C9-7D5E2A8F9B10}"),
      app(L"電卓", L"11.2311.0.0", L"Microsoft Corporation", L"2026-11-20", 0,
          L"C:\\Program "
          L"Files\\WindowsApps\\Microsoft.WindowsCalculator_11.2311.0.0_x64__8wekyb3d8bbwe",
          AppScope::user, L"x64", AppKind::store, L"Microsoft.WindowsCalculator"),
  };
}

// The samples as an earlier inventory held them: regedit's version older,
// mshtml.dll not yet there, and a help viewer since removed.
const SampleRow earlierRows[] = {
    {{L"*.txt;*.log", L"txtfile", L"テキスト ドキュメント", L"C:\\windows\\notepad.exe",
      L"6.1.7601"}},
    {{L"*.bmp;*.jpg;*.png", L"Paint.Picture", L"ビットマップ イメージ",
      L"C:\\windows\\system32\\mspaint.exe", L"6.1.7601"}},
    {{L"*.hlp", L"hlpfile", L"ヘルプ ファイル", L"C:\\windows\\winhlp32.exe", L"5.1.2600"}},
    {{L"*.htm;*.html", L"htmlfile", L"HTML ドキュメント",
      L"C:\\Program Files\\Internet Explorer\\iexplore.exe", L"8.0.7601"}},
    {{L"*.reg", L"regfile", L"登録エントリ", L"C:\\windows\\regedit.exe", L"6.0.6002"}},
    {{L"shell32.dll", L"", L"", L"C:\\windows\\system32\\shell32.dll", L"6.1.7601"}},
    {{L"wordpad.exe", L"Windows ワードパッド アプリケーション",
      L"© Microsoft Corporation. All rights reserved.",
      L"C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe", L"6.1.7601"}},
};

// Writes the earlier inventory to the temporary folder and names it.
vemdrol::Text writeEarlierInventory(vemdrol::FileSystem& files) {
  std::string bytes;
  for (const SampleRow& sample : earlierRows) {
    std::array<vemdrol::Text, 5> fields;
    for (std::size_t i = 0; i < fields.size(); ++i) fields[i] = sample.cells[i];
    vemdrol::appendInventoryLine(bytes, fields);
  }
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const vemdrol::Text path = vemdrol::Text(temp) + L"vemdrol-preview-earlier.cnt";
  (void)files.replaceFile(path, bytes);
  return path;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const vemdrol::Text argument = vemdrol::argumentsOfCommandLine(GetCommandLineW());
  return vemdrol::runProgram(instance, [argument](vemdrol::MainWindowWin32& form) {
    form.core().setInventoryLoader([&form, argument](vemdrol::Text& flag) {
      flag.clear();
      vemdrol::ListModel& list = form.core().list();
      for (const SampleRow& sample : sampleRows) {
        const std::size_t row = list.addRow(sample.cells[0]);
        for (std::size_t column = 1; column < sample.cells.size(); ++column) {
          (void)list.setCell(row, column, sample.cells[column]);
        }
      }
      vemdrol::MainWindow& core = form.core();
      if (argument == L"詳細") {
        // The columns a person looking after a machine asks for first, in
        // a window large enough for them.
        form.setMaximized(true);
        core.showColumn(1, false);
        core.showColumn(2, false);
        for (const vemdrol::Fact fact : {vemdrol::Fact::company, vemdrol::Fact::size,
                                         vemdrol::Fact::modified, vemdrol::Fact::machine}) {
          core.showColumn(vemdrol::firstDetailColumn + vemdrol::factIndex(fact), true);
        }
        core.showColumn(vemdrol::firstDetailColumn + vemdrol::factCount + 1, true);
      } else if (argument == L"比較") {
        auto files = vemdrol::makeSystemFileSystem();
        core.compareWith(writeEarlierInventory(*files));
      } else if (argument == L"アプリ") {
        core.appsTab().setApps(sampleApps());
        form.showTab(vemdrol::ListTab::apps);
      }
    });
  });
}
