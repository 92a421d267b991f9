#include "formats/pe/machine.h"

namespace vemdrol {

PeMachine peMachineOf(const std::variant<PeImage, PeFault>& headers) {
  PeMachine result;
  if (const PeFault* fault = std::get_if<PeFault>(&headers)) {
    if (*fault == PeFault::truncated) result.kind = PeMachine::Kind::truncated;
    return result;
  }
  const PeImage& image = std::get<PeImage>(headers);
  result.kind = PeMachine::Kind::truncated;

  // The CLR directory counts only where the optional header declares it: as
  // one of its NumberOfRvaAndSizes entries, inside SizeOfOptionalHeader.
  // Whatever the header declares must be in the file; a header that leaves
  // the directory out has none.
  bool dotNet = false;
  if (image.optionalHeaderSize() >= 2) {
    if (!image.magic()) return result;
    const ByteOffset declaredEnd = image.optionalHeaderEnd();
    if (image.format() && image.directoryEntries() <= declaredEnd) {
      const std::optional<std::uint32_t> count = image.directoryCount();
      if (!count) return result;
      if (*count > peClrDirectory && image.directoryEntry(peClrDirectory) + 8 <= declaredEnd) {
        const std::optional<PeDataDirectory> clr = image.directory(peClrDirectory);
        if (!clr) return result;
        dotNet = clr->address != 0 && clr->size != 0;
      }
    }
  }
  result.kind = PeMachine::Kind::pe;
  result.machine = image.machine();
  result.dotNet = dotNet;
  return result;
}

PeMachine peMachineFromNtHeaders(std::string_view nt) {
  return peMachineOf(PeImage::readNtHeaders(ByteReader(nt), 0));
}

PeMachine peMachineOf(std::string_view file) {
  return peMachineOf(PeImage::read(ByteReader(file)));
}

}  // namespace vemdrol
