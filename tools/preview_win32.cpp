// vemdrol_preview.exe: the real main window filled with a few sample rows,
// for looking at the window (screenshots) without a saved inventory. It shows
// the window exactly as vemdrol.exe builds it; only the rows come from here.
//
//   vemdrol_preview.exe          the sample rows
//   vemdrol_preview.exe 詳細     with detail columns shown, read from the files
//   vemdrol_preview.exe 比較     compared with an earlier list of the samples
#include <array>

#include "app/program_win32.h"
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
      }
    });
  });
}
