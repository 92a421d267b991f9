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

// Installed applications (formats/apps/).

// A text of an installed application (a name, a command, a folder) is at
// most this many characters: the longest command line Windows starts is
// 32,767 characters, and no name, folder or publisher comes near it. A
// longer value is damage, and its field is left empty.
inline constexpr std::size_t maxAppTextLength = 32767;

// A package's full name is at most 127 characters (the packaging rules'
// limit); a package's name 50, its resource id 30.
inline constexpr std::size_t maxPackageFullNameLength = 127;
inline constexpr std::size_t maxPackageNameLength = 50;
inline constexpr std::size_t maxPackageResourceIdLength = 30;

// An AppxManifest.xml larger than this is not read: real ones are tens of
// kilobytes, the largest a few hundred.
inline constexpr std::size_t maxAppxManifestSize = std::size_t{4} << 20;
// Its elements nest at most this deep: real manifests are seven or eight
// deep, and the reader keeps the names of the elements it is inside.
inline constexpr std::size_t maxAppxManifestDepth = 64;
// A package's display name is at most 256 characters in the manifest's
// schema.
inline constexpr std::size_t maxAppxDisplayNameLength = 256;

// An earlier JSON export read for a comparison: larger files are refused
// (a list of a hundred thousand applications is some 60 MB), and arrays and
// objects nest at most this deep (the export nests three deep).
inline constexpr std::size_t maxAppsJsonSize = std::size_t{256} << 20;
inline constexpr std::size_t maxAppsJsonDepth = 32;

// Certificates, catalogs and signatures judged offline (formats/trust/).

// A certificate store's serialized certificate (the registry value "Blob")
// is at most this long, and holds at most this many properties: real ones
// are a few kilobytes with a dozen properties, the certificate among them.
inline constexpr std::size_t maxCertificateBlobSize = std::size_t{1} << 20;
inline constexpr std::size_t maxCertificateBlobProperties = 256;

// A catalog larger than this is not read: Windows' largest are some tens of
// megabytes, and its members are bounded by its size.
inline constexpr std::size_t maxCatalogSize = std::size_t{128} << 20;
// A catalog member's attributes, and a signer's, are at most this many:
// real ones have two to five.
inline constexpr std::size_t maxDerAttributes = 64;

}  // namespace vemdrol
