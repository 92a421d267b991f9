// Writes the seed inputs of the version resource fuzz target, built like the
// files of the tests. Run on request only, with VEMDROL_SEED_DIR set to
// fuzz/corpus/version_resource and the options
// --gtest_also_run_disabled_tests --gtest_filter='FuzzSeeds.*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "seed_writer.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

TEST(FuzzSeeds, DISABLED_WriteVersionResourceSeeds) {
  const char* folder = std::getenv("VEMDROL_SEED_DIR");
  ASSERT_NE(folder, nullptr) << "set VEMDROL_SEED_DIR";

  ProgramVersion notepad = fileVersion(6, 0, 2900, 5512);
  notepad.description = L"メモ帳";
  notepad.legalCopyright = L"© Example; 2001";
  const std::string block = versionBlock(notepad);
  writeSeed(folder, "block", block);
  writeSeed(folder, "pe32plus", peWithVersionBlock(block));

  PeOptions pe32;
  pe32.pe32Plus = false;
  pe32.otherTypes = {3, 24};
  pe32.languages = {{0x0409, versionBlock(fileVersion(1, 2, 3, 4))}, {0x0411, block}};
  writeSeed(folder, "pe32_two_languages", buildPe(pe32).bytes);

  PeOptions atEnd;
  atEnd.headersAtEnd = true;
  VersionNode odd = versionInfoNode(
      fixedFileInfo(0x00010002, 0x00030004),
      {stringFileInfoNode({stringTableNode(L"040904E4", {stringNode(L"FileDescription", L"x")})}),
       varFileInfoNode({{0x0409, 1252}, {0x0411, 0x04B0}})});
  odd.children[0].children[0].children[0].valueLength = 4;  // counts bytes
  atEnd.languages = {{0x0000, serialize(odd)}};
  writeSeed(folder, "pe_headers_at_end", buildPe(atEnd).bytes);
}

}  // namespace
}  // namespace vemdrol
