// vemdrol_preview.exe: the real main window filled with a few sample rows,
// for looking at the window (screenshots) without a saved inventory. It shows
// the window exactly as vemdrol.exe builds it; only the rows come from here.
#include <array>

#include "app/program_win32.h"

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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return vemdrol::runProgram(instance, [](vemdrol::Form1& form) {
    form.core().setInventoryLoader([&form](vemdrol::Text& flag) {
      flag.clear();
      vemdrol::ListModel& list = form.core().list();
      for (const SampleRow& sample : sampleRows) {
        const std::size_t row = list.addRow(sample.cells[0]);
        for (std::size_t column = 1; column < sample.cells.size(); ++column) {
          list.setCell(row, column, sample.cells[column]);
        }
      }
    });
  });
}
