// The machine type of a program file from its PE headers: the COFF header's
// Machine field, and whether the CLR runtime header directory (data directory
// 14) marks it a .NET assembly. The words for it are the details' machine
// column's (details/file_facts.h).
//
// The bytes are hostile: the headers are read by formats/pe/pe_image.h, and
// a header that the file declares but does not hold whole makes the file
// truncated, not a guess.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

#include "formats/pe/pe_image.h"

namespace vemdrol {

struct PeMachine {
  enum class Kind {
    notPe,      // no DOS header, or no NT signature where it points
    truncated,  // the signature is there, but the headers it needs are cut off
    pe,
  };
  Kind kind = Kind::notPe;
  std::uint16_t machine = 0;  // IMAGE_FILE_HEADER.Machine, for pe
  bool dotNet = false;        // directory 14 has an address and a size, for pe

  friend bool operator==(const PeMachine&, const PeMachine&) = default;
};

// How many bytes from the NT headers on the machine type needs: the
// signature, the COFF header, and a PE32+ optional header up to the end of
// directory 14.
inline constexpr std::size_t peNtHeadersSize = 4 + 20 + 112 + 15 * 8;

// The machine type of the headers read.
PeMachine peMachineOf(const std::variant<PeImage, PeFault>& headers);

// The machine type from the file's bytes where its NT headers start: at
// least peNtHeadersSize of them, or all the file holds from there.
PeMachine peMachineFromNtHeaders(std::string_view nt);

// The machine type of a whole file, or of its first bytes when they reach
// past its NT headers' first peNtHeadersSize bytes.
PeMachine peMachineOf(std::string_view file);

}  // namespace vemdrol
