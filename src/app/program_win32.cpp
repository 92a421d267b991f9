#include "app/program_win32.h"

#include <chrono>

#include "app/single_copy.h"
#include "cli/command_run.h"
#include "files/error_message.h"
#include "os/console.h"
#include "os/process.h"

namespace vemdrol {

int runProgram(HINSTANCE instance, const std::function<void(MainWindowWin32&)>& prepare) {
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

  MainWindowWin32 form(instance, *services);
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

int runCommandLineProgram(const CommandLineRequest& request) {
  auto console = attachConsole();
  // A run that rebuilds writes the trace log and the inventory file, and
  // waits its turn as an unattended start does; one that only reads the
  // saved inventory needs no turn, as every save replaces the file whole.
  auto locks = makeSystemInstanceLocks();
  std::optional<FolderClaim> claim;
  if (request.mode == CommandLineRequest::Mode::run && !request.saved) {
    claim = claimFolder(*locks, programFolder(), true, [] { return false; });
    if (claim->exitCode) {
      console->writeLine(folderBusyMessage, true);
      return exitFailed;
    }
  }
  auto files = makeSystemFileSystem();
  auto registry = makeSystemRegistry();
  auto versions = makeSystemVersionResourceReader(*files);
  auto signatures = makeSystemSignatureReader(*files);
  CommandLineMachine machine{
      *registry,
      *files,
      *versions,
      signatures.get(),
      programFolder(),
      computerName(),
      std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()),
      *console};
  return runCommandLine(request, machine);
}

}  // namespace vemdrol
