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

std::string lockHolderBytes(const LockHolder& holder) {
  return std::to_string(static_cast<unsigned>(holder.role)) + " " +
         std::to_string(holder.processId);
}

std::optional<LockHolder> lockHolderFrom(std::string_view bytes) {
  // At most "2 4294967295" with whatever NULs a fixed-size mapping holds.
  const std::size_t end = bytes.find('\0');
  if (end != std::string_view::npos) bytes = bytes.substr(0, end);
  if (bytes.size() < 3 || bytes.size() > 12 || bytes[1] != ' ' || bytes[0] < '0' ||
      bytes[0] > '2') {
    return std::nullopt;
  }
  std::uint64_t number = 0;
  for (const char digit : bytes.substr(2)) {
    if (digit < '0' || digit > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(digit - '0');
  }
  if (number > 0xFFFFFFFFull) return std::nullopt;
  return LockHolder{static_cast<LockHolder::Role>(bytes[0] - '0'),
                    static_cast<std::uint32_t>(number)};
}

}  // namespace vemdrol
