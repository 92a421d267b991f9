#include <gtest/gtest.h>

#include <string>

#include "details/file_facts.h"
#include "formats/byte_reader.h"
#include "formats/pe/machine.h"
#include "formats/pe/pe_image.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

struct Image {
  std::string bytes;
  std::size_t nt = 0;
  std::size_t directories = 0;  // the first data directory entry
};

Image image(bool pe32Plus, bool headersAtEnd = false) {
  PeOptions options;
  options.pe32Plus = pe32Plus;
  options.headersAtEnd = headersAtEnd;
  const BuiltPe built = buildPe(options);
  return {built.bytes, built.ntHeaders, built.ntHeaders + 24 + (pe32Plus ? 112u : 96u)};
}

void setClrDirectory(Image& file, std::uint32_t address, std::uint32_t size) {
  putU32(file.bytes, file.directories + 8 * 14, address);
  putU32(file.bytes, file.directories + 8 * 14 + 4, size);
}

TEST(PeMachine, NamesTheMachineOfTheCoffHeader) {
  const std::pair<std::uint16_t, const wchar_t*> cases[] = {
      {0x014C, L"x86"},           {0x8664, L"x64"},           {0xAA64, L"ARM64"},
      {0x01C0, L"ARM"},           {0x01C2, L"ARM"},           {0x01C4, L"ARM"},
      {0x0200, L"IA64"},          {0x01C3, L"不明 (0x01C3)"}, {0x0000, L"不明 (0x0000)"},
      {0xA641, L"不明 (0xA641)"},
  };
  for (const auto& [number, text] : cases) {
    Image file = image(true);
    putU16(file.bytes, file.nt + 4, number);
    const PeMachine machine = peMachineOf(file.bytes);
    EXPECT_EQ(machine.kind, PeMachine::Kind::pe) << number;
    EXPECT_EQ(machine.machine, number);
    EXPECT_EQ(machineText(machine), text) << number;
  }
  EXPECT_EQ(machineText(peMachineOf(image(false).bytes)), L"x86");
  EXPECT_EQ(machineText(peMachineOf(image(true, true).bytes)), L"x64");
}

TEST(PeMachine, TheClrDirectoryMarksADotNetAssembly) {
  for (const bool pe32Plus : {false, true}) {
    Image file = image(pe32Plus);
    setClrDirectory(file, 0x2008, 0x48);
    EXPECT_EQ(machineText(peMachineOf(file.bytes)), pe32Plus ? L"x64 .NET" : L"x86 .NET");

    // An entry without an address or without a size describes nothing.
    Image noSize = file;
    setClrDirectory(noSize, 0x2008, 0);
    EXPECT_FALSE(peMachineOf(noSize.bytes).dotNet);
    Image noAddress = file;
    setClrDirectory(noAddress, 0, 0x48);
    EXPECT_FALSE(peMachineOf(noAddress.bytes).dotNet);

    // It counts only when NumberOfRvaAndSizes lists it...
    Image fifteen = file;
    putU32(fifteen.bytes, fifteen.directories - 4, 15);
    EXPECT_TRUE(peMachineOf(fifteen.bytes).dotNet);
    Image fourteen = file;
    putU32(fourteen.bytes, fourteen.directories - 4, 14);
    EXPECT_FALSE(peMachineOf(fourteen.bytes).dotNet);

    // ... and SizeOfOptionalHeader holds it whole.
    const auto entryEnd = static_cast<std::uint16_t>(file.directories + 8 * 15 - (file.nt + 24));
    Image holds = file;
    putU16(holds.bytes, holds.nt + 20, entryEnd);
    EXPECT_TRUE(peMachineOf(holds.bytes).dotNet);
    Image short1 = file;
    putU16(short1.bytes, short1.nt + 20, static_cast<std::uint16_t>(entryEnd - 1));
    EXPECT_FALSE(peMachineOf(short1.bytes).dotNet);
    EXPECT_EQ(peMachineOf(short1.bytes).kind, PeMachine::Kind::pe);
  }
}

TEST(PeMachine, HeadersCutOffMakeATruncatedFile) {
  Image file = image(true);
  setClrDirectory(file, 0x2008, 0x48);
  const std::size_t entryEnd = file.directories + 8 * 15;
  EXPECT_EQ(entryEnd - file.nt, peNtHeadersSize);

  const auto cut = [&](std::size_t length) { return peMachineOf(file.bytes.substr(0, length)); };
  EXPECT_EQ(machineText(cut(entryEnd)), L"x64 .NET");
  EXPECT_EQ(cut(entryEnd - 1).kind, PeMachine::Kind::truncated);
  EXPECT_EQ(cut(file.nt + 24).kind, PeMachine::Kind::truncated);
  EXPECT_EQ(cut(file.nt + 6).kind, PeMachine::Kind::truncated);
  EXPECT_EQ(cut(file.nt + 4).kind, PeMachine::Kind::truncated);
  EXPECT_EQ(machineText(cut(file.nt + 4)), L"");
  // Without the whole signature it is no PE file at all.
  EXPECT_EQ(cut(file.nt + 3).kind, PeMachine::Kind::notPe);

  // A header that leaves directory 14 out needs no more of the file.
  putU32(file.bytes, file.directories - 4, 2);
  EXPECT_EQ(machineText(cut(file.directories)), L"x64");
  EXPECT_EQ(cut(file.directories - 1).kind, PeMachine::Kind::truncated);
}

TEST(PeMachine, WhatHasNoPeHeaderIsNoPeFile) {
  const Image file = image(false);
  EXPECT_EQ(machineText(peMachineOf("")), L"PE ファイルではありません");
  EXPECT_EQ(peMachineOf("hello, world\r\n").kind, PeMachine::Kind::notPe);

  // The DOS header must be whole: 64 bytes.
  std::string dos = file.bytes.substr(0, 64);
  putU32(dos, 0x3C, 0x40);
  EXPECT_TRUE(PeImage::ntHeadersOffset(ByteReader(dos)));
  EXPECT_FALSE(PeImage::ntHeadersOffset(ByteReader(std::string_view(dos).substr(0, 63))));
  EXPECT_EQ(peMachineOf(dos).kind, PeMachine::Kind::notPe);  // e_lfanew at the end

  std::string noMz = file.bytes;
  noMz[0] = 'Z';
  EXPECT_EQ(peMachineOf(noMz).kind, PeMachine::Kind::notPe);
  std::string badSignature = file.bytes;
  badSignature[file.nt + 3] = 1;
  EXPECT_EQ(peMachineOf(badSignature).kind, PeMachine::Kind::notPe);
  for (const std::uint32_t far : {std::uint32_t(file.bytes.size()), 0xFFFFFFFCu, 0xFFFFFFFFu}) {
    std::string pointsAway = file.bytes;
    putU32(pointsAway, 0x3C, far);
    EXPECT_EQ(peMachineOf(pointsAway).kind, PeMachine::Kind::notPe) << far;
  }
}

}  // namespace
}  // namespace vemdrol
