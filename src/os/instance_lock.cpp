#include "os/instance_lock.h"

namespace vemdrol {

// FNV-1a over the folded path's characters: a stable name for the lock that
// holds no character a lock name may not have.
std::uint64_t foldedPathKey(TextView path) {
  Text folded = foldCase(path);
  while (folded.size() > 1 && (folded.back() == L'\\' || folded.back() == L'/')) folded.pop_back();
  std::uint64_t hash = 14695981039346656037ull;
  for (wchar_t c : folded) {
    const auto code = static_cast<std::uint32_t>(c);
    for (int shift = 0; shift < 32; shift += 8) {
      hash ^= (code >> shift) & 0xFF;
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

}  // namespace vemdrol
