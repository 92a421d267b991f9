#include "app/view_settings.h"

#include <gtest/gtest.h>

#include "app/form_design.h"
#include "app/main_window.h"
#include "app/memory_form.h"
#include "base/utf8.h"
#include "os/memory/filesystem.h"
#include "os/memory/window.h"

namespace vemdrol {
namespace {

std::string ini(TextView text) { return toUtf8(text); }

TEST(ViewSettingsFile, WhatIsWrittenReadsTheSame) {
  ViewSettings settings;
  settings.window = TwipsRect{-300, 120, 15480, 9945};
  settings.maximized = true;
  settings.columns = {{L"種類", 2500, true}, {L"パス", 0, false}, {L"サイズ", 1000000, true}};
  settings.sort = SortView{L"パス", true};
  settings.filter = SignatureFilter{false, true};
  const std::string bytes = viewSettingsBytes(settings);
  EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF[Window]\r\nLeft=-300\r\n"));
  Result<ViewSettings> read = parseViewSettings(bytes);
  ASSERT_TRUE(read);
  EXPECT_EQ(read.value(), settings);

  // Names the file cannot hold are left out rather than written wrong.
  settings.columns = {{L"a=b", 1, true}, {L" x", 1, true}, {L"ok", 1, true}};
  EXPECT_EQ(parseViewSettings(viewSettingsBytes(settings)).value().columns,
            (std::vector<ColumnView>{{L"ok", 1, true}}));
}

TEST(ViewSettingsFile, LimitsHoldJustInsideAndFailJustPast) {
  EXPECT_TRUE(parseViewSettings(ini(L"[Columns]\nx=1000000,1\n")));
  EXPECT_FALSE(parseViewSettings(ini(L"[Columns]\nx=1000001,1\n")));
  EXPECT_TRUE(parseViewSettings(ini(L"[Window]\nLeft=-1000000\n")));
  EXPECT_FALSE(parseViewSettings(ini(L"[Window]\nLeft=-1000001\n")));
  EXPECT_FALSE(parseViewSettings(ini(L"[Window]\nWidth=0\n")));
  EXPECT_FALSE(parseViewSettings(ini(L"[Window]\nMaximized=2\n")));
  EXPECT_TRUE(parseViewSettings(ini(L"[Filter]\nHideMicrosoft=1\n")).value().filter.hideMicrosoft);
  EXPECT_FALSE(parseViewSettings(ini(L"[Filter]\nUnverifiedOnly=2\n")));

  std::string many = "[Columns]\n";
  for (std::size_t i = 0; i < viewSettingsMaxColumns; ++i) {
    many += 'c';
    many += std::to_string(i);
    many += "=1,1\n";
  }
  EXPECT_EQ(parseViewSettings(many).value().columns.size(), viewSettingsMaxColumns);
  EXPECT_FALSE(parseViewSettings(many + "last=1,1\n"));

  std::string padded = "[Other]\n";
  padded.resize(viewSettingsMaxBytes, ' ');
  EXPECT_TRUE(parseViewSettings(padded));
  EXPECT_FALSE(parseViewSettings(padded + " "));

  const Text longName(viewSettingsMaxNameLength, L'名');
  EXPECT_TRUE(parseViewSettings(ini(L"[Columns]\n" + longName + L"=1,1")));
  EXPECT_FALSE(parseViewSettings(ini(L"[Columns]\n" + longName + L"x=1,1")));
}

TEST(ViewSettingsFile, DamageAndStrangersAreToldApart) {
  EXPECT_FALSE(parseViewSettings("[Window]\nLeft=\xFF\n"));  // not UTF-8
  EXPECT_FALSE(parseViewSettings("[Window\n"));
  EXPECT_FALSE(parseViewSettings("no equals sign\n"));
  EXPECT_FALSE(parseViewSettings("[Columns]\nx=12\n"));
  // A later program's sections and keys are passed over; a window without
  // all four values is no window.
  Result<ViewSettings> read =
      parseViewSettings("[Later]\nAnything=at all\n[Window]\nLeft=1\nTop=2\nWidth=3\nNew=x\n");
  ASSERT_TRUE(read);
  EXPECT_FALSE(read.value().window);
  EXPECT_TRUE(parseViewSettings(""));
}

struct RememberedView : ::testing::Test {
  RememberedView() {
    applyDesign(form);
    files.addFolder(L"C:\\Vemdrol");
    window.setSettingsFolder({files, L"C:\\Vemdrol"});
    window.setRebuildCommand([] {});
    window.setInventoryLoader([this](Text&) {
      for (const wchar_t* path : {L"C:\\b.exe", L"C:\\c.exe", L"C:\\a.exe"}) {
        window.list().addRow({L"x", L"", L"", path, L"1"});
      }
    });
  }
  MemoryForm form;
  MemoryWindowServices services;
  MemoryFileSystem files;
  MainWindow window{form, services};
};

TEST_F(RememberedView, StartUpTakesTheSavedViewAndClosingSavesIt) {
  files.addFile(L"C:\\Vemdrol\\Vemdrol.ini",
                ini(L"[Window]\nLeft=18000\nTop=-500\nWidth=12000\nHeight=9000\nMaximized=1\n"
                    L"[Columns]\n定義=4000,0\nパス=3000,1\n[Sort]\nColumn=パス\nDescending=0\n"));
  form.setWorkArea({0, 0, 19200, 13800});
  window.load();
  // Moved back inside the work area, at its saved size.
  EXPECT_EQ(form.bounds(Control::window), (TwipsRect{7200, 0, 12000, 9000}));
  EXPECT_TRUE(form.maximized());
  EXPECT_FALSE(window.list().column(1).shown);
  EXPECT_EQ(window.list().column(3).widthTwips, 3000);
  EXPECT_EQ(window.list().column(0).widthTwips, 2500);
  EXPECT_EQ(window.list().cell(0, 3), L"C:\\a.exe");

  window.columnResized(0, 1234);
  window.columnClick(1);  // flips to descending, by 種類
  window.unload();
  Result<ViewSettings> saved =
      parseViewSettings(files.readFile(L"C:\\Vemdrol\\Vemdrol.ini").value());
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved.value().columns[0], (ColumnView{L"種類", 1234, true}));
  EXPECT_EQ(saved.value().columns[1], (ColumnView{L"定義", 4000, false}));
  EXPECT_EQ(saved.value().sort, (SortView{L"種類", true}));
  EXPECT_TRUE(saved.value().maximized);
}

TEST_F(RememberedView, DamagedOrUnwritableFileLeavesTheDefaults) {
  files.addFile(L"C:\\Vemdrol\\Vemdrol.ini", "[Columns]\n定義=40");
  form.setWorkArea({0, 0, 12000, 8000});
  window.load();
  // No larger than the work area, and inside it.
  EXPECT_EQ(form.bounds(Control::window), (TwipsRect{0, 0, 12000, 8000}));
  EXPECT_TRUE(window.list().column(1).shown);
  EXPECT_FALSE(window.list().sorted());
  EXPECT_EQ(form.caption(Control::statusLabel), L"3 行");

  files.setAttributes(L"C:\\Vemdrol", {true, false, false, true});
  window.unload();
  EXPECT_EQ(files.readFile(L"C:\\Vemdrol\\Vemdrol.ini").value(), "[Columns]\n定義=40");
}

}  // namespace
}  // namespace vemdrol
