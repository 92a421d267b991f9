// SHA-256 through CNG. The algorithm provider is opened once per hasher
// (opening it is the costly part); each input gets a hash object of its own,
// which Windows 7 needs: reusable hash objects came with Windows 8.
#include "os/sha256.h"

#include <string>

#include "os/win32/windows.h"
// bcrypt.h relies on the types of windows.h.
#include <bcrypt.h>

namespace vemdrol {
namespace {

struct AlgorithmTraits {
  using Type = BCRYPT_ALG_HANDLE;
  static Type empty() { return nullptr; }
  static bool valid(Type handle) { return handle != nullptr; }
  static BOOL close(Type handle) {
    return BCRYPT_SUCCESS(::BCryptCloseAlgorithmProvider(handle, 0));
  }
};

struct HashTraits {
  using Type = BCRYPT_HASH_HANDLE;
  static Type empty() { return nullptr; }
  static bool valid(Type handle) { return handle != nullptr; }
  static BOOL close(Type handle) { return BCRYPT_SUCCESS(::BCryptDestroyHash(handle)); }
};

using UniqueAlgorithm = UniqueWin32Handle<AlgorithmTraits>;
using UniqueHash = UniqueWin32Handle<HashTraits>;

Error statusError(const wchar_t* what, NTSTATUS status) {
  wchar_t number[16];
  ::swprintf(number, 16, L"0x%08lX", static_cast<unsigned long>(status));
  return Error{static_cast<long>(status), Text(what) + L" " + number};
}

class CngSha256 final : public Sha256 {
 public:
  explicit CngSha256(UniqueAlgorithm algorithm) : algorithm_(std::move(algorithm)) {}

  Status start() {
    BCRYPT_HASH_HANDLE hash = nullptr;
    const NTSTATUS status = ::BCryptCreateHash(algorithm_.get(), &hash, nullptr, 0, nullptr, 0, 0);
    if (!BCRYPT_SUCCESS(status)) return statusError(L"BCryptCreateHash", status);
    hash_ = UniqueHash(hash);
    return success();
  }

  Status add(std::string_view bytes) override {
    if (!hash_.valid()) {
      if (Status started = start(); !started) return started;
    }
    while (!bytes.empty()) {
      // The length is a ULONG.
      const std::size_t chunk = std::min<std::size_t>(bytes.size(), std::size_t{1} << 30);
      const NTSTATUS status =
          ::BCryptHashData(hash_.get(), reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                           static_cast<ULONG>(chunk), 0);
      if (!BCRYPT_SUCCESS(status)) return statusError(L"BCryptHashData", status);
      bytes.remove_prefix(chunk);
    }
    return success();
  }

  Result<Sha256Digest> finish() override {
    if (!hash_.valid()) {
      if (Status started = start(); !started) return started.error();
    }
    Sha256Digest digest{};
    const NTSTATUS status =
        ::BCryptFinishHash(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0);
    hash_ = UniqueHash();
    if (!BCRYPT_SUCCESS(status)) return statusError(L"BCryptFinishHash", status);
    return digest;
  }

 private:
  UniqueAlgorithm algorithm_;
  UniqueHash hash_;  // the input under way; none before the first add
};

}  // namespace

Result<std::unique_ptr<Sha256>> Sha256::make() {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  const NTSTATUS status =
      ::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  if (!BCRYPT_SUCCESS(status)) return statusError(L"BCryptOpenAlgorithmProvider", status);
  auto hasher = std::make_unique<CngSha256>(UniqueAlgorithm(algorithm));
  if (Status started = hasher->start(); !started) return started.error();
  return std::unique_ptr<Sha256>(std::move(hasher));
}

}  // namespace vemdrol
