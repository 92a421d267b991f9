#include "formats/pe/machine.h"

namespace vemdrol {
namespace {

using Offset = std::uint64_t;  // wide enough that no sum of header fields overflows

constexpr Offset lfanewField = 0x3C;
constexpr Offset coffHeaderSize = 20;
constexpr Offset clrDirectoryIndex = 14;

unsigned byteAt(std::string_view bytes, Offset at) {
  return static_cast<unsigned char>(bytes[static_cast<std::size_t>(at)]);
}

bool holds(std::string_view bytes, Offset at, Offset length) {
  return at <= bytes.size() && length <= bytes.size() - at;
}

std::optional<std::uint16_t> u16(std::string_view bytes, Offset at) {
  if (!holds(bytes, at, 2)) return std::nullopt;
  return static_cast<std::uint16_t>(byteAt(bytes, at) | byteAt(bytes, at + 1) << 8);
}

std::optional<std::uint32_t> u32(std::string_view bytes, Offset at) {
  if (!holds(bytes, at, 4)) return std::nullopt;
  return std::uint32_t{byteAt(bytes, at)} | std::uint32_t{byteAt(bytes, at + 1)} << 8 |
         std::uint32_t{byteAt(bytes, at + 2)} << 16 | std::uint32_t{byteAt(bytes, at + 3)} << 24;
}

Text hex4(std::uint16_t value) {
  static constexpr wchar_t digits[] = L"0123456789ABCDEF";
  Text text(4, L'0');
  for (int i = 3; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = digits[value & 0xF];
  return text;
}

}  // namespace

std::optional<std::uint32_t> peNtHeadersOffset(std::string_view head) {
  if (!holds(head, 0, peDosHeaderSize) || head.substr(0, 2) != "MZ") return std::nullopt;
  return u32(head, lfanewField);
}

PeMachine peMachineFromNtHeaders(std::string_view nt) {
  PeMachine result;
  if (!holds(nt, 0, 4) || nt.substr(0, 4) != std::string_view("PE\0\0", 4)) return result;
  result.kind = PeMachine::Kind::truncated;

  const Offset coff = 4;
  const auto machine = u16(nt, coff);
  const auto optionalSize = u16(nt, coff + 16);
  if (!machine || !optionalSize) return result;

  // The CLR directory counts only where the optional header declares it: as
  // one of its NumberOfRvaAndSizes entries, inside SizeOfOptionalHeader.
  // Whatever the header declares must be in the file; a header that leaves
  // the directory out has none.
  const Offset optional = coff + coffHeaderSize;
  bool dotNet = false;
  if (*optionalSize >= 2) {
    const auto magic = u16(nt, optional);
    if (!magic) return result;
    Offset directories = 0;
    if (*magic == 0x10B) {
      directories = optional + 96;
    } else if (*magic == 0x20B) {
      directories = optional + 112;
    }
    const Offset declaredEnd = optional + *optionalSize;
    if (directories != 0 && directories <= declaredEnd) {
      const auto count = u32(nt, directories - 4);
      if (!count) return result;
      const Offset entry = directories + 8 * clrDirectoryIndex;
      if (*count > clrDirectoryIndex && entry + 8 <= declaredEnd) {
        const auto address = u32(nt, entry);
        const auto size = u32(nt, entry + 4);
        if (!address || !size) return result;
        dotNet = *address != 0 && *size != 0;
      }
    }
  }
  result.kind = PeMachine::Kind::pe;
  result.machine = *machine;
  result.dotNet = dotNet;
  return result;
}

PeMachine peMachineOf(std::string_view file) {
  const std::optional<std::uint32_t> nt = peNtHeadersOffset(file);
  if (!nt || *nt > file.size()) return PeMachine{};
  return peMachineFromNtHeaders(file.substr(*nt));
}

Text machineText(const PeMachine& machine) {
  if (machine.kind == PeMachine::Kind::notPe) return Text(notPeText);
  if (machine.kind == PeMachine::Kind::truncated) return Text();
  Text text;
  switch (machine.machine) {
    case 0x014C:
      text = L"x86";
      break;
    case 0x8664:
      text = L"x64";
      break;
    case 0xAA64:
      text = L"ARM64";
      break;
    case 0x01C0:
    case 0x01C2:
    case 0x01C4:
      text = L"ARM";
      break;
    case 0x0200:
      text = L"IA64";
      break;
    default:
      text = L"不明 (0x" + hex4(machine.machine) + L")";
      break;
  }
  if (machine.dotNet) text += L" .NET";
  return text;
}

}  // namespace vemdrol
