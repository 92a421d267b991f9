#include "inventory/registered_servers.h"

#include <gtest/gtest.h>

#include "inventory/recording_display.h"
#include "os/memory/registry.h"

namespace vemdrol {
namespace {

const RegistryRoot classes = RegistryRoot::classesRoot;

struct Server {
  Text path, source;
  RegistryView view;
  friend bool operator==(const Server&, const Server&) = default;
};

std::vector<Server> listed(Registry& registry, testing::RecordingDisplay& display) {
  std::vector<Server> servers;
  for (RegisteredServer& server : listRegisteredServers(registry, display)) {
    servers.push_back({server.path, server.source, server.view});
  }
  return servers;
}

TEST(RegisteredServers, LibrariesOf32BitViewThenLocalServersOfBothInTheirViewsOrder) {
  MemoryRegistry registry;
  const auto set = [&](TextView path, TextView value) {
    registry.setDefaultString(classes, path, value);
  };
  // The passes read the 64-bit view's libraries; they are not listed here.
  set(L"CLSID\\{1}\\InprocServer32", L"C:\\App\\ext64.dll");
  set(L"CLSID\\{1}\\LocalServer32", L"\"C:\\Program Files\\App\\app.exe\" /automation");
  set(L"CLSID\\{2}\\LocalServer32", L"%SystemRoot%\\system32\\svchost.exe -k x");
  set(L"CLSID\\{3}\\LocalServer32", L"rundll32.exe x.dll,Run");
  set(L"Wow6432Node\\CLSID\\{4}\\LocalServer32", L"C:\\PROGRA~2\\App\\helper.exe -Embedding");
  set(L"Wow6432Node\\CLSID\\{5}\\InprocServer32", L"C:\\Program Files (x86)\\App\\ext32.dll");
  set(L"Wow6432Node\\CLSID\\{6}\\InprocServer32", L"%SystemRoot%\\SysWOW64\\shell32.dll");
  set(L"Wow6432Node\\CLSID\\{7}\\InprocServer32", L"mscoree.dll");
  set(L"Wow6432Node\\CLSID\\{8}\\InprocServer32", L"C:\\App\\");
  set(L"Wow6432Node\\CLSID\\{9}\\InprocServer32", L"C:\\Windows\\System32\\lib32.dll");
  // Named by two classes: listed twice, the scan keeps the first.
  set(L"Wow6432Node\\CLSID\\{A}\\InprocServer32", L"C:\\Program Files (x86)\\App\\ext32.dll");
  // A 32-bit key beside the view, not in it.
  set(L"CLSID\\Wow6432Node\\{B}\\InprocServer32", L"C:\\Nowhere\\x.dll");

  testing::RecordingDisplay display;
  const Text wow = L"HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\";
  EXPECT_EQ(
      listed(registry, display),
      (std::vector<Server>{
          {L"C:\\Program Files (x86)\\App\\ext32.dll", wow + L"{5}\\InprocServer32",
           RegistryView::bits32},
          {L"C:\\Windows\\System32\\lib32.dll", wow + L"{9}\\InprocServer32", RegistryView::bits32},
          {L"C:\\Program Files (x86)\\App\\ext32.dll", wow + L"{A}\\InprocServer32",
           RegistryView::bits32},
          {L"C:\\Program Files\\App\\app.exe", L"HKEY_CLASSES_ROOT\\CLSID\\{1}\\LocalServer32",
           RegistryView::bits64},
          {L"C:\\PROGRA~2\\App\\helper.exe", wow + L"{4}\\LocalServer32", RegistryView::bits32},
      }));
  EXPECT_TRUE(display.failures.empty());
  // One step for each class of both views, counted against all of them.
  std::vector<long long> steps;
  for (const BuildEvent& event : display.events) {
    if (const auto* reached = std::get_if<StepReached>(&event)) {
      EXPECT_EQ(reached->last, 4 + 7 - 1);
      steps.push_back(reached->step);
    }
  }
  EXPECT_EQ(steps.size(), 11u);
  EXPECT_TRUE(std::holds_alternative<StepsReset>(display.events.front()));
}

TEST(RegisteredServers, AFailingKeyIsReportedAndTheOthersStillCount) {
  MemoryRegistry registry;
  registry.setDefaultString(classes, L"Wow6432Node\\CLSID\\{1}\\InprocServer32", L"C:\\A\\a.dll");
  registry.setDefaultString(classes, L"Wow6432Node\\CLSID\\{2}\\InprocServer32", L"C:\\A\\b.dll");
  registry.setDefaultString(classes, L"CLSID\\{3}\\LocalServer32", L"C:\\A\\c.exe");
  registry.setDefaultString(classes, L"CLSID\\{4}\\LocalServer32", L"C:\\A\\d.exe");
  const Error denied = faultError(Fault::system, 5);
  registry.failDefaultValue(classes, L"Wow6432Node\\CLSID\\{1}\\InprocServer32", denied);
  // The 64-bit listing of CLSID stops at its second class.
  registry.failSubkeyName(classes, L"CLSID", 1, denied);
  testing::RecordingDisplay display;
  const std::vector<Server> servers = listed(registry, display);
  ASSERT_EQ(servers.size(), 2u);
  EXPECT_EQ(servers[0].path, L"C:\\A\\b.dll");
  EXPECT_EQ(servers[1].path, L"C:\\A\\c.exe");
  ASSERT_EQ(display.failures.size(), 2u);
  for (const Failure& failure : display.failures) {
    EXPECT_EQ(failure.procedure, Procedure::listKey);
    EXPECT_EQ(failure.error.number, 5);
  }
}

TEST(RegisteredServers, A32BitProgramOpensSystem32FilesInSysWow64ButForTheExemptFolders) {
  struct Case {
    const wchar_t* path;
    const wchar_t* windowsFolder;
    const wchar_t* opened;
  };
  const Case cases[] = {
      {L"C:\\Windows\\System32\\a.dll", L"C:\\Windows", L"C:\\Windows\\SysWOW64\\a.dll"},
      {L"c:\\windows\\SYSTEM32\\sub\\a.dll", L"C:\\WINDOWS\\",
       L"c:\\windows\\SysWOW64\\sub\\a.dll"},
      {L"C:\\Windows\\System32\\drivers\\a.sys", L"C:\\Windows",
       L"C:\\Windows\\SysWOW64\\drivers\\a.sys"},
      {L"C:\\Windows\\System32\\catroot2x\\a.dll", L"C:\\Windows",
       L"C:\\Windows\\SysWOW64\\catroot2x\\a.dll"},
      {L"C:\\Windows\\System32\\catroot\\a.cat", L"C:\\Windows", nullptr},
      {L"C:\\Windows\\System32\\CatRoot2\\a.cat", L"C:\\Windows", nullptr},
      {L"C:\\Windows\\System32\\DriverStore\\FileRepository\\a.dll", L"C:\\Windows", nullptr},
      {L"C:\\Windows\\System32\\drivers\\etc\\hosts.exe", L"C:\\Windows", nullptr},
      {L"C:\\Windows\\System32\\LogFiles\\a.dll", L"C:\\Windows", nullptr},
      {L"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\a.dll", L"C:\\Windows", nullptr},
      {L"C:\\Windows\\System32", L"C:\\Windows", nullptr},
      {L"C:\\Windows\\System32x\\a.dll", L"C:\\Windows", nullptr},
      {L"C:\\WindowsApps\\System32\\a.dll", L"C:\\Windows", nullptr},
      {L"C:\\Windows\\a.dll", L"C:\\Windows", nullptr},
      {L"D:\\Windows\\System32\\a.dll", L"C:\\Windows", nullptr},
      {L"C:\\Program Files (x86)\\App\\a.dll", L"C:\\Windows", nullptr},
      {L"C:\\Windows\\System32\\a.dll", L"", nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(redirectedFor32Bit(c.path, c.windowsFolder), c.opened ? c.opened : c.path)
        << ::testing::PrintToString(Text(c.path));
  }
}

}  // namespace
}  // namespace vemdrol
