// The version resource of a program file: the block that GetFileVersionInfoW
// hands out, and the questions that VerQueryValueW answers on it.
//
// The block is a tree of nodes, each laid out as
//   wLength, wValueLength, wType (16 bits each), the key in UTF-16 with its
//   NUL, padding to 32 bits, the value, padding to 32 bits, the children;
// the root holds VS_FIXEDFILEINFO, its children are "StringFileInfo" (string
// tables keyed by language and code page as eight hex digits, holding the
// strings) and "VarFileInfo" (the "Translation" table).
//
// Both ways of getting at a file's block, the Windows API and reading the
// program file itself, end in the same VersionResource, so the answers to the
// queries are the same on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "formats/limits.h"

namespace vemdrol {

// The file version of the fixed-information block (VS_FIXEDFILEINFO).
struct FixedFileVersion {
  std::uint32_t fileVersionMS = 0;
  std::uint32_t fileVersionLS = 0;
};

// One entry of "\VarFileInfo\Translation".
struct Translation {
  std::uint16_t language = 0;
  std::uint16_t codePage = 0;
  friend bool operator==(const Translation&, const Translation&) = default;
};

class VersionResource {
 public:
  // Nodes deeper than this (the root counts as 1) make a block damaged
  // (formats/limits.h says why).
  static constexpr int maxDepth = maxVersionBlockDepth;

  // The readers hand fromBlock a buffer of this size: the version resource's
  // bytes (at most this many), the rest zero. That is what a zeroed buffer
  // holds after GetFileVersionInfoW, so a resource shorter than its root's
  // wLength reads alike from the API and from the file. The root's wLength
  // is 16 bits, so no block is longer.
  static constexpr std::size_t bufferSize = maxVersionBlockSize;

  // A buffer as the readers hand it to fromBlock, from the resource's bytes.
  static std::string bufferFrom(std::string_view resource);

  // Checks the whole tree of block once and keeps a copy of the root's own
  // bytes (what lies past the root's wLength is not the block's: the Windows
  // API uses it as scratch space). nullopt when the block is damaged: a node
  // that does not hold its own header and key, a child that reaches past its
  // parent, a key without its NUL, nesting deeper than maxDepth. A node
  // length of 0 ends its parent's children, as it does for VerQueryValueW.
  // nullopt too for a block in the 16-bit (ANSI) layout of old NE files,
  // which only the Windows API would read.
  static std::optional<VersionResource> fromBlock(std::string_view block);

  // dwFileVersionMS and dwFileVersionLS, when the root's value holds a whole
  // VS_FIXEDFILEINFO with its signature 0xFEEF04BD.
  std::optional<FixedFileVersion> fixedFileVersion() const;

  // The entries of "\VarFileInfo\Translation" in stored order; empty when
  // the table is missing.
  std::vector<Translation> translations() const;

  // The text of a string value, such as
  // "\StringFileInfo\041104B0\FileDescription". The path is looked up as
  // VerQueryValueW looks it up: components split at "\", empty components
  // skipped, keys compared ignoring case, the first matching child taken.
  // The text runs for the stored wValueLength characters, never past its own
  // node, and ends before the first NUL: a length that counts the
  // terminating NUL (or that counts bytes instead of characters) leaves
  // nothing behind. nullopt when there is no such node.
  std::optional<Text> stringValue(TextView subBlock) const;

  // The root's own bytes.
  const std::string& bytes() const { return block_; }

 private:
  explicit VersionResource(std::string block) : block_(std::move(block)) {}

  std::string block_;
};

}  // namespace vemdrol
