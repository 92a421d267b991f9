// Feeds arbitrary bytes to the PE header reader, held in memory and through a
// source that gives them a byte at a time (as the paged reader of program
// files does), and checks that nothing crashes or hangs, that both ways read
// the same headers, and that every window they hand out lies in the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "formats/byte_reader.h"
#include "formats/limits.h"
#include "formats/pe/pe_image.h"

namespace {

using namespace vemdrol;

void check(bool condition) {
  if (!condition) std::abort();
}

class Source final : public ByteSource {
 public:
  explicit Source(std::string_view bytes) : bytes_(bytes) {}
  ByteOffset size() const override { return bytes_.size(); }
  std::optional<unsigned char> byte(ByteOffset at) override {
    check(at < bytes_.size());
    return static_cast<unsigned char>(bytes_[at]);
  }

 private:
  std::string_view bytes_;
};

void checkSame(const PeImage& a, const PeImage& b, std::size_t size) {
  // The COFF header up to SizeOfOptionalHeader is in the file.
  check(a.ntHeaders() == b.ntHeaders() && a.ntHeaders() + 22 <= size);
  check(a.machine() == b.machine() && a.sectionCount() == b.sectionCount());
  check(a.optionalHeaderSize() == b.optionalHeaderSize() && a.magic() == b.magic());
  check(a.format() == b.format());
  if (!a.format()) return;
  check(a.directoryCount() == b.directoryCount());
  check(a.directoryCount().value_or(0) <= maxPeDataDirectories);
  for (std::uint32_t i = 0; i <= maxPeDataDirectories; ++i) {
    const auto first = a.directory(i);
    const auto second = b.directory(i);
    check(first.has_value() == second.has_value());
    if (first) check(first->address == second->address && first->size == second->size);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Source source(bytes);
  const auto inMemory = PeImage::read(ByteReader(bytes));
  const auto fromSource = PeImage::read(ByteReader(source));
  check(inMemory.index() == fromSource.index());
  if (const auto* fault = std::get_if<PeFault>(&inMemory)) {
    check(*fault == std::get<PeFault>(fromSource));
    return 0;
  }
  const PeImage& image = std::get<PeImage>(inMemory);
  checkSame(image, std::get<PeImage>(fromSource), size);

  const auto sections = image.sectionTable();
  const auto sameSections = std::get<PeImage>(fromSource).sectionTable();
  check(sections.has_value() == sameSections.has_value());
  if (!sections) return 0;
  check(sections->sections().size() == image.sectionCount());
  // The start of each section, its last byte and the directories' addresses.
  for (const PeSection& section : sections->sections()) {
    for (const ByteOffset rva : {ByteOffset{section.virtualAddress},
                                 ByteOffset{section.virtualAddress} + section.rawSize - 1}) {
      const auto window = sections->at(rva);
      const auto same = sameSections->at(rva);
      check(window.has_value() == same.has_value());
      if (!window) continue;
      check(window->base() == same->base() && window->size() == same->size());
      check(window->size() > 0 && window->base() + window->size() <= size);
      check(window->view(0, window->size()).has_value());
    }
  }
  return 0;
}
