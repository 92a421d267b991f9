#include "app/program_win32.h"

#include "app/single_copy.h"
#include "files/error_message.h"

namespace vemdrol {

int runProgram(HINSTANCE instance, const std::function<void(Form1&)>& prepare) {
  INITCOMMONCONTROLSEX controls{sizeof(controls),
                                ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  auto services = makeSystemWindowServices();
  // Held until the program ends: nothing is written in the folder before.
  auto locks = makeSystemInstanceLocks();
  const Text folder = services->programFolder();
  const FolderClaim claim =
      claimFolder(*locks, folder, argumentAsksForRebuild(services->commandLine()),
                  [&folder] { return showRunningCopy(folder); });
  if (claim.exitCode) {
    if (*claim.exitCode != 0) services->reportError(folderBusyMessage);
    return *claim.exitCode;
  }

  Form1 form(instance, *services);
  if (Status created = form.create(); !created) {
    const Text message = errorMessage(L"", created.error());
    MessageBoxW(nullptr, message.c_str(), L"Vemdrol", MB_OK | MB_ICONERROR);
    return 1;
  }
  auto files = makeSystemFileSystem();
  auto registry = makeSystemRegistry();
  auto versions = makeSystemVersionResourceReader(*files);
  form.core().connect({*registry, *files, *versions});
  if (prepare) prepare(form);
  form.load();

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (form.translateMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace vemdrol
