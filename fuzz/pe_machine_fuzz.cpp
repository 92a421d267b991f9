// Feeds arbitrary bytes to the machine type reader, as a whole file, as the
// bytes at e_lfanew and through the fact reader, and checks that nothing
// crashes or hangs and that the answers agree with each other.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "details/file_facts.h"
#include "formats/byte_reader.h"
#include "formats/pe/machine.h"
#include "formats/pe/pe_image.h"
#include "os/memory/filesystem.h"
#include "os/pe_version_reader.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vemdrol;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const PeMachine machine = peMachineOf(bytes);
  const std::optional<std::uint32_t> nt = PeImage::ntHeadersOffset(ByteReader(bytes));
  if (!nt || *nt > size) {
    check(machine.kind == PeMachine::Kind::notPe);
  } else {
    const std::string_view headers = bytes.substr(*nt);
    check(peMachineFromNtHeaders(headers) == machine);
    // The headers past peNtHeadersSize are never needed: this is what the
    // fact reader relies on when it reads only that many.
    check(peMachineFromNtHeaders(headers.substr(0, peNtHeadersSize)) == machine);
  }
  const Text text = machineText(machine);
  check(text.empty() == (machine.kind == PeMachine::Kind::truncated));

  // The fact reader sees the same machine, and a hash of 64 digits. One
  // reader for all inputs, as a scan keeps one: its buffer and hasher are
  // made once.
  static MemoryFileSystem files;
  static PeVersionResourceReader versions(files);
  static FactReader reader(files, versions);
  files.addFile(L"C:\\App\\app.exe", bytes);
  reader.clear();
  const FileFacts facts = reader.factsOf(L"C:\\App\\app.exe", true);
  const FactCell& cell = facts[Fact::machine];
  if (machine.kind == PeMachine::Kind::truncated) {
    check(cell.state == FactState::unavailable);
  } else {
    check(cell.state == FactState::value && cell.text == text);
  }
  check(facts[Fact::sha256].text.size() == 64);
  check(facts.size == size);
  for (const FactCell& each : facts.cells) check(each.text.find(L'\0') == Text::npos);
  return 0;
}
