// SHA-256 over bytes handed in pieces, so that a file of any size is hashed
// without holding it: Windows' CNG (BCrypt) on Windows, OpenSSL's libcrypto
// elsewhere.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "base/error.h"
#include "base/text.h"

namespace vemdrol {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The digest as 64 lower-case hexadecimal digits.
Text sha256Text(const Sha256Digest& digest);

class Sha256 {
 public:
  // A hasher ready for its first input; an error when the system's
  // implementation cannot be had.
  static Result<std::unique_ptr<Sha256>> make();

  virtual ~Sha256() = default;

  virtual Status add(std::string_view bytes) = 0;

  // The digest of everything added since the last finish (or since make);
  // the hasher is then ready for the next input.
  virtual Result<Sha256Digest> finish() = 0;
};

}  // namespace vemdrol
