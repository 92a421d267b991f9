// The machine type of a program file (種別) from its PE headers: the COFF
// header's Machine field, and whether the CLR runtime header directory (data
// directory 14) marks it a .NET assembly.
//
// The bytes are hostile: every offset is widened before it is added to and
// checked against the bytes given, and a header that the file declares but
// does not hold whole makes the file truncated, not a guess.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/text.h"

namespace vemdrol {

struct PeMachine {
  enum class Kind {
    notPe,      // no DOS header, or no "PE\0\0" where e_lfanew points
    truncated,  // the PE signature is there, but the headers it needs are cut off
    pe,
  };
  Kind kind = Kind::notPe;
  std::uint16_t machine = 0;  // IMAGE_FILE_HEADER.Machine, for pe
  bool dotNet = false;        // directory 14 has an address and a size, for pe

  friend bool operator==(const PeMachine&, const PeMachine&) = default;
};

// How many bytes of the file's start peNtHeadersOffset needs, and how many
// from the NT headers on peMachineFromNtHeaders needs (the signature, the
// COFF header, and a PE32+ optional header up to the end of directory 14).
inline constexpr std::size_t peDosHeaderSize = 64;
inline constexpr std::size_t peNtHeadersSize = 4 + 20 + 112 + 15 * 8;

// e_lfanew, when head (the file's first bytes) starts with a whole DOS
// header ("MZ").
std::optional<std::uint32_t> peNtHeadersOffset(std::string_view head);

// The machine type from the file's bytes at e_lfanew: at least
// peNtHeadersSize of them, or all the file holds from there.
PeMachine peMachineFromNtHeaders(std::string_view nt);

// Both steps over a whole file, or over its first bytes when they reach
// past e_lfanew + peNtHeadersSize.
PeMachine peMachineOf(std::string_view file);

// The text of the 種別 cell: "x86", "x64", "ARM64", "ARM", "IA64" or, for
// another machine number, "不明 (0x" and its four hex digits ")"; each with
// " .NET" after it for a .NET assembly. notPeText for a file that is no PE
// file; "" for a truncated one, whose type cannot be told.
inline constexpr TextView notPeText = L"PE ファイルではありません";
Text machineText(const PeMachine& machine);

}  // namespace vemdrol
