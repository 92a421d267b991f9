// Reads arbitrary bytes as a state file; whatever reads whole must write
// back to a file that reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

#include "formats/state/state_file.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vemdrol;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto read = readStateFile(bytes);
  if (!std::holds_alternative<StateFile>(read)) return 0;
  const StateFile& file = std::get<StateFile>(read);

  StateFileWriter writer;
  for (const auto& [name, text] : file.values) writer.value(name, text);
  for (const StateTable& table : file.tables) {
    writer.table(table.name, table.columns);
    for (const auto& record : table.records) {
      writer.record(std::vector<TextView>(record.begin(), record.end()));
    }
  }
  const auto again = readStateFile(std::move(writer).finish());
  check(std::holds_alternative<StateFile>(again));
  const StateFile& back = std::get<StateFile>(again);
  check(back.values == file.values);
  check(back.tables.size() == file.tables.size());
  for (std::size_t i = 0; i < file.tables.size(); ++i) {
    check(back.tables[i].name == file.tables[i].name);
    check(back.tables[i].columns == file.tables[i].columns);
    check(back.tables[i].records == file.tables[i].records);
  }
  return 0;
}
