// Entry point of vemdrol-scan.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/scan_run.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  vemdrol::ScanEnvironment environment;
  environment.japanese = vemdrol::japaneseLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                                                 std::getenv("LANG"));
  environment.progress = ::isatty(STDERR_FILENO) == 1;
  environment.now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
  return vemdrol::runScanCommand(vemdrol::parseScanArguments(arguments), environment);
}
