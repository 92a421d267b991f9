// Entry point of vemdrol.exe: the window, or a run from the command line
// when a switch asks for one.
#include "app/program_win32.h"
#include "cli/command_line.h"
#include "os/window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const vemdrol::CommandLineRequest request =
      vemdrol::parseCommandLine(vemdrol::argumentsOfCommandLine(GetCommandLineW()));
  if (request.mode != vemdrol::CommandLineRequest::Mode::window) {
    return vemdrol::runCommandLineProgram(request);
  }
  return vemdrol::runProgram(instance, nullptr);
}
