#include <gtest/gtest.h>

#include "os/window.h"

namespace vemdrol {
namespace {

TEST(RegistryEditorLastKey, TakesTheFormOfTheLastKeyTheEditorWroteItself) {
  struct Case {
    const wchar_t* previous;
    const wchar_t* rootName;
    const wchar_t* lastKey;
  };
  const wchar_t* key = L"HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\{1}\\InprocServer32";
  const Case cases[] = {
      // Windows' editor in Japanese, and in English: its root goes first.
      {L"コンピューター\\HKEY_CURRENT_USER\\Software", L"Computer",
       L"コンピューター\\HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\{1}\\InprocServer32"},
      {L"Computer\\HKEY_LOCAL_MACHINE", L"コンピューター",
       L"Computer\\HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\{1}\\InprocServer32"},
      // The root alone, as an editor closed at its root leaves it.
      {L"コンピューター", L"",
       L"コンピューター\\HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\{1}\\InprocServer32"},
      // Wine's editor writes the key alone, whatever the root is called.
      {L"HKEY_CURRENT_USER\\Software\\Wine", L"コンピューター", key},
      {L"hkey_local_machine", L"コンピューター", key},
      // Nothing written yet: the root that was given, or none.
      {L"", L"コンピューター",
       L"コンピューター\\HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\{1}\\InprocServer32"},
      {L"", L"", key},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(registryEditorLastKey(key, c.previous, c.rootName), c.lastKey)
        << ::testing::PrintToString(Text(c.previous));
  }
}

}  // namespace
}  // namespace vemdrol
