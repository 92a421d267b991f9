// vemdrol_crashing.exe: vemdrol.exe with one difference, for the test of
// crash recovery. When the environment variable VEMDROL_DIE_READING names a
// file, the process dies at once while the version texts of that file are
// read: a file's version resource is read first for its number, then for its
// texts, so the second read is the one that dies. The next start must find
// the file at the end of the trace log and never read its texts again.
#include <cstdlib>
#include <map>

#include "app/program_win32.h"
#include "base/paths.h"

namespace {

class DyingVersionReader final : public vemdrol::VersionResourceReader {
 public:
  DyingVersionReader(vemdrol::VersionResourceReader& inner, vemdrol::Text victim)
      : inner_(inner), victim_(std::move(victim)) {}

  vemdrol::Result<std::optional<vemdrol::VersionResource>> versionResourceOf(
      vemdrol::TextView path) override {
    const vemdrol::TextView name = path.substr(vemdrol::directoryOf(path).size());
    if (!victim_.empty() && vemdrol::equalNoCase(name, victim_) && ++reads_ == 2) {
      TerminateProcess(GetCurrentProcess(), 3);
    }
    return inner_.versionResourceOf(path);
  }

 private:
  vemdrol::VersionResourceReader& inner_;
  vemdrol::Text victim_;
  int reads_ = 0;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const wchar_t* victim = _wgetenv(L"VEMDROL_DIE_READING");
  auto files = vemdrol::makeSystemFileSystem();
  auto registry = vemdrol::makeSystemRegistry();
  auto versions = vemdrol::makeSystemVersionResourceReader(*files);
  DyingVersionReader dying(*versions, victim ? victim : L"");
  return vemdrol::runProgram(instance, [&](vemdrol::MainWindowWin32& form) {
    form.core().connect({*registry, *files, dying});
  });
}
