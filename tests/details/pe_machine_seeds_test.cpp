// Writes the seed inputs of the machine type fuzz target, built like the
// files of the tests. Run on request only, with VEMDROL_SEED_DIR set to
// fuzz/corpus/pe_machine and the options
// --gtest_also_run_disabled_tests --gtest_filter='PeMachineSeeds.*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "seed_writer.h"
#include "version/pe_builder.h"

namespace vemdrol {
namespace {

TEST(PeMachineSeeds, DISABLED_WritePeMachineSeeds) {
  const char* folder = std::getenv("VEMDROL_SEED_DIR");
  ASSERT_NE(folder, nullptr) << "set VEMDROL_SEED_DIR";

  PeOptions pe32;
  pe32.pe32Plus = false;
  pe32.languages = {{0x0411, versionBlock(fileVersion(6, 0, 2900, 5512))}};
  BuiltPe dotNet = buildPe(pe32);
  const std::size_t directories = dotNet.ntHeaders + 24 + 96;
  putU32(dotNet.bytes, directories + 8 * 14, 0x2008);
  putU32(dotNet.bytes, directories + 8 * 14 + 4, 0x48);
  writeSeed(folder, "pe32_dotnet", dotNet.bytes);

  PeOptions atEnd;
  atEnd.headersAtEnd = true;
  BuiltPe arm64 = buildPe(atEnd);
  putU16(arm64.bytes, arm64.ntHeaders + 4, 0xAA64);
  writeSeed(folder, "pe32plus_arm64_headers_at_end", arm64.bytes);

  const BuiltPe plain = buildPe(PeOptions{});
  writeSeed(folder, "pe32plus_cut_in_optional_header",
            plain.bytes.substr(0, plain.ntHeaders + 100));
  writeSeed(folder, "dos_header_only", plain.bytes.substr(0, 64));
}

}  // namespace
}  // namespace vemdrol
