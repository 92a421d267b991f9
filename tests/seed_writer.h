// Writing the seed inputs of a fuzz target into fuzz/corpus/NAME, for the
// tests that build them on request (VEMDROL_SEED_DIR names the folder).
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace vemdrol {

inline void writeSeed(const std::string& folder, const std::string& name,
                      const std::string& bytes) {
  std::ofstream file(folder + "/" + name, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(file.good()) << name;
}

}  // namespace vemdrol
