#include "inventory/builder.h"

#include <gtest/gtest.h>

#include "inventory/registry_fixture.h"

namespace vemdrol {
namespace {

using Row = testing::ClassesRoot::Row;

struct Builder : ::testing::Test {
  testing::ClassesRoot root;
};

TEST_F(Builder, ExtensionsOfOneTypeBecomeOneProgramEntry) {
  root.extension(L".txt", L"txtfile");
  root.extension(L".log", L"txtfile");
  root.type(L"txtfile", L"Text Document", L"C:\\WINDOWS\\notepad.exe %1");
  root.file(L"C:\\WINDOWS\\notepad.exe");
  root.build();
  EXPECT_EQ(root.rows(), (std::vector<Row>{{L"*.log;*.txt", L"txtfile", L"Text Document",
                                            L"C:\\WINDOWS\\notepad.exe"}}));
  // Every pass ended in turn, the passes counted up in tenths, and the final
  // block ran: finishing, its own pass end, and the end of the build.
  EXPECT_EQ(root.display.passesEnded,
            (std::vector<BuildPass>{BuildPass::first, BuildPass::second, BuildPass::third,
                                    BuildPass::fourth, BuildPass::fifth, BuildPass::fifthSorted,
                                    BuildPass::sixth, BuildPass::seventh, BuildPass::eighth,
                                    BuildPass::ninth, BuildPass::closing}));
  std::vector<int> tenths;
  std::size_t finishing = 0;
  std::size_t closing = 0;
  for (std::size_t i = 0; i < root.display.events.size(); ++i) {
    const BuildEvent& event = root.display.events[i];
    if (const auto* done = std::get_if<PassesDone>(&event)) tenths.push_back(done->tenths);
    if (std::holds_alternative<BuildFinishing>(event)) finishing = i;
    const auto* ended = std::get_if<PassEnded>(&event);
    if (ended && ended->pass == BuildPass::closing) closing = i;
  }
  EXPECT_EQ(tenths, (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_TRUE(std::holds_alternative<BuildStarted>(root.display.events.at(2)));
  EXPECT_GT(finishing, 0u);
  EXPECT_LT(finishing, closing);
  EXPECT_FALSE(root.display.busy);
  EXPECT_TRUE(std::holds_alternative<BuildEnded>(root.display.events.back()));
  EXPECT_TRUE(root.display.failures.empty());
}

TEST_F(Builder, ProgramsFollowTheirTypeKeysAndLibrariesFollowThePrograms) {
  root.extension(L".bmp", L"Paint.Picture");
  root.extension(L".doc", L"Word.Document.8");
  root.extension(L".rtf", L"Word.Document");
  root.type(L"Paint.Picture", L"Bitmap", L"\"C:\\Paint\\mspaint.exe\" \"%1\"");
  root.type(L"Word.Document", L"Rich Text", L"C:\\Word\\winword.exe /n %1");
  root.type(L"Word.Document.8", L"Word 97", L"C:\\Word\\winword.exe /n %1");
  root.library(L"{2}", L"C:\\B\\z.dll");
  root.library(L"{1}", L"C:\\A\\z.dll");
  root.library(L"{3}", L"C:\\C\\a.dll");
  for (const wchar_t* path : {L"C:\\Paint\\mspaint.exe", L"C:\\Word\\winword.exe", L"C:\\B\\z.dll",
                              L"C:\\A\\z.dll", L"C:\\C\\a.dll"}) {
    root.file(path);
  }
  root.build();
  EXPECT_EQ(root.rows(), (std::vector<Row>{
                             {L"*.bmp", L"Paint.Picture", L"Bitmap", L"C:\\Paint\\mspaint.exe"},
                             {L"*.rtf", L"Word.Document", L"Rich Text", L"C:\\Word\\winword.exe"},
                             {L"*.doc", L"Word.Document.8", L"Word 97", L"C:\\Word\\winword.exe"},
                             {L"a.dll", L"", L"", L"C:\\C\\a.dll"},
                             {L"z.dll", L"", L"", L"C:\\A\\z.dll"},
                             {L"z.dll", L"", L"", L"C:\\B\\z.dll"},
                         }));
}

TEST_F(Builder, EachEntryKeepsTheKeyThatNamedItsFileThroughTheSortAndGrouping) {
  root.extension(L".txt", L"txtfile");
  root.extension(L".log", L"txtfile");
  root.type(L"txtfile", L"Text", L"C:\\n.exe %1");
  root.extension(L".bmp", L"Paint.Picture");
  root.type(L"Paint.Picture", L"Bitmap", L"C:\\p.exe %1");
  // Of the classes that name one library, the first in the registry's
  // order, whatever the letter case of the path each gives.
  root.library(L"{B}", L"C:\\LIB\\A.DLL");
  root.library(L"{A}", L"C:\\lib\\a.dll");
  root.library(L"{C}", L"C:\\lib\\b.dll");
  for (const wchar_t* path : {L"C:\\n.exe", L"C:\\p.exe", L"C:\\lib\\a.dll", L"C:\\lib\\b.dll"}) {
    root.file(path);
  }
  root.build();
  std::vector<std::pair<Text, Text>> sources;
  for (std::size_t i = 0; i < root.inventory.size(); ++i) {
    sources.emplace_back(root.inventory.fileType[i], root.inventory.source[i]);
  }
  EXPECT_EQ(sources, (std::vector<std::pair<Text, Text>>{
                         {L"*.bmp", L"HKEY_CLASSES_ROOT\\Paint.Picture\\shell\\open\\command"},
                         {L"*.log;*.txt", L"HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command"},
                         {L"a.dll", L"HKEY_CLASSES_ROOT\\CLSID\\{A}\\InprocServer32"},
                         {L"b.dll", L"HKEY_CLASSES_ROOT\\CLSID\\{C}\\InprocServer32"},
                     }));
}

TEST_F(Builder, LongExtensionsStartNoGroupButJoinTheOneBefore) {
  root.extension(L".log", L"txtfile");
  root.extension(L".txtlong", L"txtfile");  // seven characters and more
  root.extension(L".abcdefg", L"longfile");
  root.type(L"txtfile", L"Text", L"C:\\n.exe %1");
  root.type(L"longfile", L"Long", L"C:\\l.exe %1");
  root.file(L"C:\\n.exe");
  root.file(L"C:\\l.exe");
  root.build();
  EXPECT_EQ(root.rows(),
            (std::vector<Row>{{L"*.log;*.txtlong", L"txtfile", L"Text", L"C:\\n.exe"}}));
}

TEST_F(Builder, ExtensionWithoutTypeNameGetsNoEntryAndTakesNothing) {
  root.extension(L".emp", L"");
  root.extension(L".aaa", L"afile");
  root.type(L"afile", L"A files", L"C:\\a.exe %1");
  root.file(L"C:\\a.exe");
  root.build();
  EXPECT_EQ(root.rows(), (std::vector<Row>{{L"*.aaa", L"afile", L"A files", L"C:\\a.exe"}}));
}

TEST_F(Builder, CommandsWithoutDriveGiveNoEntry) {
  root.extension(L".a", L"afile");
  root.extension(L".b", L"bfile");
  root.extension(L".c", L"cfile");
  root.type(L"afile", L"A", L"%SystemRoot%\\system32\\a.exe %1");
  root.type(L"bfile", L"B", L"b.exe %1");
  root.type(L"cfile", L"C", L"C:\\tools\\c.bat %1");
  root.file(L"C:\\tools\\c.bat");
  root.build();
  EXPECT_TRUE(root.rows().empty());
  EXPECT_EQ(root.inventory.lastIndex(), -1);
}

TEST_F(Builder, TypesWithoutDescriptionOrWhoseDescriptionIsTheirNameStillCount) {
  root.extension(L".nd", L"nodesc");
  root.type(L"nodesc", nullptr, L"C:\\nd.exe %1");
  root.extension(L".same", L"samefile");
  root.type(L"samefile", L"samefile", L"C:\\same.exe %1");
  root.file(L"C:\\nd.exe");
  root.file(L"C:\\same.exe");
  root.build();
  EXPECT_EQ(root.rows(),
            (std::vector<Row>{{L"*.nd", L"nodesc", L"", L"C:\\nd.exe"},
                              {L"*.same", L"samefile", L"samefile", L"C:\\same.exe"}}));
}

TEST_F(Builder, TypeWithoutCommandDoesNotSwallowTheTypeNamedAfterIt) {
  root.extension(L".t", L"txt");
  root.type(L"txt", L"no command", nullptr);
  root.extension(L".txt", L"txtfile");
  root.type(L"txtfile", L"Text", L"C:\\n.exe %1");
  root.file(L"C:\\n.exe");
  root.build();
  EXPECT_EQ(root.rows(), (std::vector<Row>{{L"*.txt", L"txtfile", L"Text", L"C:\\n.exe"}}));
}

TEST_F(Builder, LibrariesAreListedOncePerPathWithAFolderAndAName) {
  root.library(L"{1}", L"C:\\lib\\a.dll");
  root.library(L"{2}", L"c:\\LIB\\A.DLL");  // the same file, other letter case
  root.library(L"{3}", L"C:\\lib\\a.dll");
  root.library(L"{4}", L"%SystemRoot%\\system32\\b.dll");
  root.library(L"{5}", L"%systemroot%\\system32\\c.dll");
  root.library(L"{6}", L"C:\\lib\\");
  root.library(L"{7}", L"d.dll");
  root.file(L"C:\\lib\\a.dll");
  root.build();
  ASSERT_EQ(root.rows().size(), 1u);
  EXPECT_TRUE(equalNoCase(root.rows()[0].fileType, L"a.dll"));
  EXPECT_TRUE(equalNoCase(root.rows()[0].fullPath, L"C:\\lib\\a.dll"));
}

TEST_F(Builder, OnlyOrdinaryAndHiddenFilesCountAsPresent) {
  root.library(L"{1}", L"C:\\x\\hidden.dll");
  root.library(L"{2}", L"C:\\x\\system.dll");
  root.library(L"{3}", L"C:\\x\\missing.dll");
  root.library(L"{4}", L"C:\\x\\folder.dll");
  root.library(L"{5}", L"C:\\x\\*.dll");
  root.file(L"C:\\x\\hidden.dll", {.hidden = true});
  root.file(L"C:\\x\\system.dll", {.system = true});
  root.files.addFolder(L"C:\\x\\folder.dll");
  root.file(L"C:\\x\\a.dll");
  root.build();
  EXPECT_EQ(root.rows(), (std::vector<Row>{{L"hidden.dll", L"", L"", L"C:\\x\\hidden.dll"}}));
}

TEST_F(Builder, OddRegistriesDoNotStopTheBuild) {
  const Text longName = L"." + Text(254, L'x');
  root.extension(longName, L"longtype");
  root.registry.setDefault(RegistryRoot::classesRoot, L".bin", {registryTypeBinary, "\x4d\x5a"});
  root.registry.setDefault(RegistryRoot::classesRoot, L".none", {registryTypeNone, ""});
  root.registry.denyAccess(RegistryRoot::classesRoot, L".denied");
  root.registry.denyAccess(RegistryRoot::classesRoot, L"deniedfile\\shell\\open\\command");
  root.extension(L".den", L"deniedfile");
  root.type(L"deniedfile", L"Denied", nullptr);
  for (int i = 0; i < 3000; ++i) {
    root.library(L"{" + std::to_wstring(i) + L"}",
                 L"C:\\lib\\l" + std::to_wstring(i % 7) + L".dll");
  }
  root.extension(L".ok", L"okfile");
  root.type(L"okfile", L"OK", L"C:\\ok.exe");
  root.file(L"C:\\ok.exe");
  root.file(L"C:\\lib\\l3.dll");
  root.build();
  EXPECT_EQ(root.rows(), (std::vector<Row>{{L"*.ok", L"okfile", L"OK", L"C:\\ok.exe"},
                                           {L"l3.dll", L"", L"", L"C:\\lib\\l3.dll"}}));
}

TEST_F(Builder, NothingThatQualifiesLeavesAnEmptyInventory) {
  root.registry.addKey(RegistryRoot::classesRoot, L"Interface\\{x}");
  root.build();
  EXPECT_EQ(root.inventory.lastIndex(), -1);
  EXPECT_TRUE(root.inventory.fileType.empty());
}

}  // namespace
}  // namespace vemdrol
