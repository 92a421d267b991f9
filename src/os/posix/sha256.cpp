#include "os/sha256.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <memory>
#include <string>

namespace vemdrol {
namespace {

struct ContextFree {
  void operator()(EVP_MD_CTX* context) const { ::EVP_MD_CTX_free(context); }
};
using UniqueContext = std::unique_ptr<EVP_MD_CTX, ContextFree>;

// OpenSSL's queue holds the reason; its text is ASCII.
Error openSslError(const char* what) {
  const unsigned long code = ::ERR_get_error();
  char reason[256] = {};
  if (code != 0) ::ERR_error_string_n(code, reason, sizeof reason);
  const std::string message = std::string(what) + (code != 0 ? ": " : "") + reason;
  return Error{static_cast<long>(code), Text(message.begin(), message.end())};
}

class OpenSslSha256 final : public Sha256 {
 public:
  explicit OpenSslSha256(UniqueContext context) : context_(std::move(context)) {}

  Status add(std::string_view bytes) override {
    if (::EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size()) != 1) {
      return openSslError("EVP_DigestUpdate");
    }
    return success();
  }

  Result<Sha256Digest> finish() override {
    Sha256Digest digest{};
    unsigned int length = 0;
    if (::EVP_DigestFinal_ex(context_.get(), digest.data(), &length) != 1 ||
        length != digest.size()) {
      return openSslError("EVP_DigestFinal_ex");
    }
    if (::EVP_DigestInit_ex(context_.get(), ::EVP_sha256(), nullptr) != 1) {
      return openSslError("EVP_DigestInit_ex");
    }
    return digest;
  }

 private:
  UniqueContext context_;
};

}  // namespace

Result<std::unique_ptr<Sha256>> Sha256::make() {
  UniqueContext context(::EVP_MD_CTX_new());
  if (!context) return openSslError("EVP_MD_CTX_new");
  if (::EVP_DigestInit_ex(context.get(), ::EVP_sha256(), nullptr) != 1) {
    return openSslError("EVP_DigestInit_ex");
  }
  return std::unique_ptr<Sha256>(std::make_unique<OpenSslSha256>(std::move(context)));
}

}  // namespace vemdrol
