// The size and depth limits of the parsers of formats/, in one place, each
// with the reason it is what it is. A limit lies where real files end and
// hostile ones begin: what goes past it is damaged (or, for a count, read no
// further), so that no file makes a parser nest, loop or allocate without
// bound.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vemdrol {

// Program files (formats/pe/).

// Data directories read of a PE file: the format defines 16, and the loader
// looks up none past them. A larger NumberOfRvaAndSizes reads as 16.
inline constexpr std::uint32_t maxPeDataDirectories = 16;

// Program files larger than this are not read for their version resource:
// the file systems refuse files over 1 GiB on their own, and no program file
// the program looks at comes near it.
inline constexpr std::size_t maxPeFileSize = std::size_t{256} << 20;

// A version block's nodes nest at most this deep (the root counts as 1):
// real blocks are four deep (root, StringFileInfo, string table, string),
// and each level is a frame of the recursive check.
inline constexpr int maxVersionBlockDepth = 8;

// A version block is at most this long: its root's wLength is 16 bits. The
// readers hand the parser a buffer of exactly this size, as the Windows API
// fills one.
inline constexpr std::size_t maxVersionBlockSize = 0x10000;

// An Authenticode SignedData larger than this, or holding more certificates,
// is damaged: real ones are some kilobytes with a handful of certificates,
// and these bounds keep a hostile one from making the certificate parser
// build thousands.
inline constexpr std::size_t maxSignedDataSize = std::size_t{4} << 20;
inline constexpr std::size_t maxCertificates = 100;

// DER lengths of at most this many bytes: four reach past maxSignedDataSize,
// and a longer length could not be held in 32 bits.
inline constexpr std::size_t maxDerLengthBytes = 4;

// Registry files (formats/registry/).

// Subkey names are at most this many UTF-16 code units: Windows' limit.
inline constexpr std::size_t maxRegistryNameLength = 255;

// Key names in Wine's registry files are at most this many UTF-16 code
// units: Wine's server refuses longer ones.
inline constexpr std::size_t maxWineKeyNameLength = 256;

// Symbolic links are followed at most this many in a row: Wine gives up
// after as many, and a cycle of links would never end.
inline constexpr int maxRegistryLinkDepth = 16;

// Hive keys nest at most this deep below the key read: Windows allows 512
// levels, and each level is a list the reader keeps while it goes down.
inline constexpr std::size_t maxHiveKeyDepth = 512;

// A hive file holds at least its 4 KiB base block and one 4 KiB bin, and at
// most what 32-bit cell offsets reach.
inline constexpr std::uint64_t minHiveFileSize = 0x2000;
inline constexpr std::uint64_t maxHiveFileSize = 0xFFFFFFFF;

}  // namespace vemdrol
