// A generated machine (machine_generator.h) as the files of a system that is
// not running: a Wine prefix whose system.reg is written the way Wine's
// server writes it, and a Windows installation whose SOFTWARE and SYSTEM
// hives are built cell by cell (tests' registry/hive_builder.h). Both hold
// the same classes and the same program files.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "formats/registry/registry_names.h"
#include "machine_generator.h"
#include "registry/hive_builder.h"

namespace vemdrol {

// Collects the keys below HKEY_CLASSES_ROOT, each key's subkeys sorted as
// the given registry keeps them.
class ClassesCollector : public MachineSink {
 public:
  explicit ClassesCollector(RegistryNameOrder order) : root_(order) {}

  void key(TextView path, const std::vector<GeneratedValue>& values) override;
  void file(TextView, std::string_view) override {}

 protected:
  struct NameLess {
    RegistryNameOrder order;
    bool operator()(const Text& a, const Text& b) const {
      return compareRegistryNames(a, b, order) < 0;
    }
  };
  struct Node {
    explicit Node(RegistryNameOrder order) : children(NameLess{order}) {}
    std::map<Text, Node, NameLess> children;
    std::vector<GeneratedValue> values;
  };

  Node root_;
};

// system.reg as Wine's server saves it: the header, then every key that has
// values or no subkeys, depth first in Wine's order, its values sorted by
// name, strings escaped and long hexadecimal lists wrapped as Wine wraps
// them. The classes lie below Software\Classes; a computer name is added.
class WineSystemRegWriter final : public ClassesCollector {
 public:
  WineSystemRegWriter() : ClassesCollector(RegistryNameOrder::wine) {}
  std::string text(TextView computerName) const;
};

// The hive of SOFTWARE with the classes below its key Classes, subkeys
// stored in the order Windows stores them.
class SoftwareHiveWriter final : public ClassesCollector {
 public:
  SoftwareHiveWriter() : ClassesCollector(RegistryNameOrder::windows) {}
  Hive hive(const HiveOptions& options = {}) const;
};

// A SYSTEM hive that names the computer: Select\Current = 1 and
// ControlSet001\Control\ComputerName\ComputerName.
Hive systemHive(TextView computerName);

// One value as Wine's server writes it, without the line end.
std::string wineValueLine(const GeneratedValue& value);

struct OfflineMachine {
  std::filesystem::path winePrefix;
  std::filesystem::path windowsRoot;
  MachineSummary summary;
};

// Writes both forms of the machine below folder ("wine-prefix" and
// "windows"); false when a file could not be written.
bool writeOfflineMachine(const MachineShape& shape, const std::filesystem::path& folder,
                         OfflineMachine& machine);

}  // namespace vemdrol
