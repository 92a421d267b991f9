// Entry point of vemdrol-scan.
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/scan_run.h"

int main(int argc, char** argv) {
  // The build's sequences and the registry files take megabytes each and are
  // let go one after the other; kept out of the heap, each goes back to the
  // system the moment it is freed, instead of leaving holes the heap can
  // neither use nor return. Below 4 MiB the heap's reuse of pages it has
  // already touched is worth more than the room (measured at N = 50,000:
  // 1 MiB cost a fifth more time, 16 MiB a tenth more memory).
  ::mallopt(M_MMAP_THRESHOLD, 4 << 20);
  std::vector<std::string> arguments(argv + 1, argv + argc);
  vemdrol::ScanEnvironment environment;
  environment.japanese = vemdrol::japaneseLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                                                 std::getenv("LANG"));
  vemdrol::systemReasonsInLanguage(environment.japanese);
  environment.progress = ::isatty(STDERR_FILENO) == 1;
  environment.now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
  return vemdrol::runScanCommand(vemdrol::parseScanArguments(arguments), environment);
}
