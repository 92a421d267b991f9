// vemdrol_generate: writes a generated machine for the benchmark, the
// registry as a .reg file for regedit and the program files into the folder
// that a Wine prefix shows as drive C:; or, with --offline, the machine as a
// Wine prefix and as a Windows installation that are not running
// (offline_machine.h), for the offline benchmark.
//
//   vemdrol_generate EXTENSIONS OUT.reg DRIVE_C_FOLDER
//   vemdrol_generate --offline EXTENSIONS FOLDER
//
// Prints what it wrote as name=value lines.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "machine_generator.h"
#include "offline_machine.h"

namespace vemdrol {
namespace {

// The generated paths are plain ASCII; anything else would be a bug here.
bool asciiPath(TextView windowsPath, std::string& narrow) {
  narrow.clear();
  for (wchar_t c : windowsPath) {
    if (c <= 0 || c >= 0x80) return false;
    narrow += c == L'\\' ? '/' : static_cast<char>(c);
  }
  return true;
}

class DriveFiles final : public MachineSink {
 public:
  DriveFiles(RegFileWriter& registry, std::filesystem::path driveC)
      : registry_(registry), driveC_(std::move(driveC)) {}

  void key(TextView path, const std::vector<GeneratedValue>& values) override {
    registry_.key(path, values);
  }

  void file(TextView path, std::string_view bytes) override {
    std::string narrow;
    if (path.size() < 3 || path.substr(0, 3) != L"C:\\" || !asciiPath(path.substr(3), narrow)) {
      failed_ = true;
      return;
    }
    const std::filesystem::path target = driveC_ / narrow;
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (error || !out) failed_ = true;
  }

  bool failed() const { return failed_; }

 private:
  RegFileWriter& registry_;
  std::filesystem::path driveC_;
  bool failed_ = false;
};

void printSummary(const MachineSummary& summary) {
  std::cout << "keys=" << summary.keys << "\nvalues=" << summary.values
            << "\ntypes=" << summary.types << "\nclasses=" << summary.classes
            << "\nfiles=" << summary.filesWritten << "\nfiles_missing=" << summary.filesMissing
            << "\nprogram_entries=" << summary.programEntries
            << "\nlibrary_entries=" << summary.libraryEntries << "\n";
}

bool readExtensions(const char* text, long long& extensions) {
  char* end = nullptr;
  extensions = std::strtoll(text, &end, 10);
  if (*end != '\0' || extensions < 2 || extensions > 10'000'000) {
    std::cerr << "vemdrol_generate: EXTENSIONS must be a number from 2 to 10000000\n";
    return false;
  }
  return true;
}

int run(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--offline") {
    MachineShape shape;
    if (!readExtensions(argv[2], shape.extensions)) return 2;
    OfflineMachine machine;
    if (!writeOfflineMachine(shape, argv[3], machine)) {
      std::cerr << "vemdrol_generate: writing failed\n";
      return 1;
    }
    std::cout << "wine_prefix=" << machine.winePrefix.string()
              << "\nwindows=" << machine.windowsRoot.string() << "\n";
    printSummary(machine.summary);
    return 0;
  }
  if (argc != 4) {
    std::cerr << "usage: vemdrol_generate EXTENSIONS OUT.reg DRIVE_C_FOLDER\n"
                 "       vemdrol_generate --offline EXTENSIONS FOLDER\n";
    return 2;
  }
  long long extensions = 0;
  if (!readExtensions(argv[1], extensions)) return 2;
  std::ofstream reg(argv[2], std::ios::binary | std::ios::trunc);
  if (!reg) {
    std::cerr << "vemdrol_generate: cannot write " << argv[2] << "\n";
    return 1;
  }
  RegFileWriter writer(reg);
  DriveFiles sink(writer, argv[3]);
  MachineShape shape;
  shape.extensions = extensions;
  const MachineSummary summary = generateMachine(shape, sink);
  reg.close();
  if (!reg || sink.failed()) {
    std::cerr << "vemdrol_generate: writing failed\n";
    return 1;
  }
  printSummary(summary);
  return 0;
}

}  // namespace
}  // namespace vemdrol

int main(int argc, char** argv) { return vemdrol::run(argc, argv); }
