// Bounded little-endian reads of untrusted bytes, for every parser of
// formats/.
//
// A ByteReader is a window [base, base + size) over bytes: a file held whole
// in memory, or a ByteSource that reads a file a page at a time as the
// parser asks for it (os/pe_version_reader.cpp), so that finding a few
// fields of a file of megabytes reads kilobytes. Every read names an offset
// from the window's start and refuses to leave the window: what would leave
// it is nullopt, as is a byte the source cannot give. Offsets are 64 bits
// wide and each is checked against the window's size before anything is
// added to it, so no sum of 32-bit fields read from a file overflows.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vemdrol {

using ByteOffset = std::uint64_t;

// Where a reader's bytes come from, when they are not all in memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual ByteOffset size() const = 0;
  // The byte at offset, which the caller has checked lies within size();
  // nullopt when it cannot be read.
  virtual std::optional<unsigned char> byte(ByteOffset at) = 0;
};

class ByteReader {
 public:
  // All of bytes, which must outlive the reader and its windows.
  explicit ByteReader(std::string_view bytes) : memory_(bytes.data()), size_(bytes.size()) {}
  // All of source, which must outlive the reader and its windows.
  explicit ByteReader(ByteSource& source) : source_(&source), size_(source.size()) {}

  ByteOffset size() const { return size_; }
  // Where the window starts in the bytes or the source.
  ByteOffset base() const { return base_; }

  // Whether [at, at + length) lies within the window.
  bool holds(ByteOffset at, ByteOffset length) const { return at <= size_ && length <= size_ - at; }

  std::optional<std::uint8_t> u8(ByteOffset at) const { return number<std::uint8_t>(at); }
  std::optional<std::uint16_t> u16(ByteOffset at) const { return number<std::uint16_t>(at); }
  std::optional<std::uint32_t> u32(ByteOffset at) const { return number<std::uint32_t>(at); }
  std::optional<std::uint64_t> u64(ByteOffset at) const { return number<std::uint64_t>(at); }

  // Whether the bytes at offset are these.
  bool matches(ByteOffset at, std::string_view expected) const {
    if (!holds(at, expected.size())) return false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      if (byte(at + i) != static_cast<unsigned char>(expected[i])) return false;
    }
    return true;
  }

  // A copy of the bytes [at, at + length).
  std::optional<std::string> bytes(ByteOffset at, ByteOffset length) const {
    if (!holds(at, length)) return std::nullopt;
    if (memory_) return std::string(memory_ + base_ + at, static_cast<std::size_t>(length));
    std::string copy(static_cast<std::size_t>(length), '\0');
    for (std::size_t i = 0; i < copy.size(); ++i) {
      const std::optional<unsigned char> next = byte(at + i);
      if (!next) return std::nullopt;
      copy[i] = static_cast<char>(*next);
    }
    return copy;
  }

  // The bytes [at, at + length) where they lie in memory, for a reader over
  // bytes held in memory (a reader over a source has no view: see bytes()).
  std::optional<std::string_view> view(ByteOffset at, ByteOffset length) const {
    assert(memory_ != nullptr);
    if (!memory_ || !holds(at, length)) return std::nullopt;
    return std::string_view(memory_ + base_ + at, static_cast<std::size_t>(length));
  }

  // The window [at, at + length) of this one, offsets counted from at.
  std::optional<ByteReader> window(ByteOffset at, ByteOffset length) const {
    if (!holds(at, length)) return std::nullopt;
    ByteReader inner = *this;
    inner.base_ = base_ + at;
    inner.size_ = length;
    return inner;
  }
  // The window from at to this one's end.
  std::optional<ByteReader> from(ByteOffset at) const {
    if (at > size_) return std::nullopt;
    return window(at, size_ - at);
  }

 private:
  std::optional<unsigned char> byte(ByteOffset at) const {
    if (memory_) return static_cast<unsigned char>(memory_[base_ + at]);
    return source_->byte(base_ + at);
  }

  template <class Number>
  std::optional<Number> number(ByteOffset at) const {
    if (!holds(at, sizeof(Number))) return std::nullopt;
    Number value = 0;
    for (std::size_t i = 0; i < sizeof(Number); ++i) {
      const std::optional<unsigned char> next = byte(at + i);
      if (!next) return std::nullopt;
      value = static_cast<Number>(value | static_cast<Number>(*next) << (8 * i));
    }
    return value;
  }

  const char* memory_ = nullptr;  // the bytes, when they are held in memory
  ByteSource* source_ = nullptr;  // else where they come from
  ByteOffset base_ = 0;
  ByteOffset size_ = 0;
};

}  // namespace vemdrol
