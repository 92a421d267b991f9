#include "app/program_win32.h"

#include <chrono>

#include "app/rebuild_tray.h"
#include "app/single_copy.h"
#include "cli/command_run.h"
#include "cli/failure_text.h"
#include "files/error_message.h"
#include "os/console.h"
#include "os/process.h"

namespace vemdrol {

static_assert(folderBusyExitCode == exitFolderBusy && rebuildFailedExitCode == exitFailed,
              "one set of exit codes for every mode");

int runProgram(HINSTANCE instance, const std::function<void(MainWindowWin32&)>& prepare) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                      ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);

  auto services = makeSystemWindowServices();
  // Held until the program ends: nothing is written in the folder before.
  auto locks = makeSystemInstanceLocks();
  const Text folder = services->programFolder();
  const bool unattended = argumentAsksForRebuild(services->commandLine());
  ClaimRequest request;
  request.self = {unattended ? LockHolder::Role::rebuild : LockHolder::Role::window,
                  currentProcessId()};
  request.busy = unattended ? ClaimRequest::Busy::wait : ClaimRequest::Busy::showOrWait;
  request.showRunningCopy = [&folder] { return showRunningCopy(folder); };
  request.busyNotice = [&services](const std::optional<LockHolder>& holder) {
    services->reportError(waitingForHolderText(holder));
    // A start from the desktop has no console to say it on.
    showWaitingNotice(*services, holder);
  };
  FolderClaim claim = claimFolder(*locks, folder, request);
  services->removeTrayIcon();
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
  form.core().connect({*registry, *files, *versions, windowsFolder()});
  form.core().holdFolderLock(std::move(claim.lock), request.self);
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
  // A run that exports never waits: when another copy holds the folder it
  // scans all the same and writes nothing there, and says so at once.
  auto locks = makeSystemInstanceLocks();
  std::optional<FolderClaim> claim;
  bool writesFolder = true;
  if (request.mode == CommandLineRequest::Mode::run && !request.saved) {
    ClaimRequest claimRequest;
    claimRequest.self = {LockHolder::Role::commandLine, currentProcessId()};
    claimRequest.busy = ClaimRequest::Busy::goOn;
    claimRequest.busyNotice = [&console, &writesFolder](const std::optional<LockHolder>& holder) {
      console->writeLine(exportingBesideHolderText(holder), true);
      writesFolder = false;
    };
    claim = claimFolder(*locks, programFolder(), claimRequest);
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
      *console,
      windowsFolder()};
  machine.writesFolder = writesFolder;
  return runCommandLine(request, machine);
}

}  // namespace vemdrol
