// Entry point of vemdrol.exe.
#include "app/program_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return vemdrol::runProgram(instance, nullptr);
}
