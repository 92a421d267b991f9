// What a file's digest covers when a catalog vouches for it: a PE file's
// Authenticode digest, which leaves out what a signature embedded in the
// file would change (the checksum, the certificate table's directory entry
// and the table); any other file's whole bytes, as catalogs hash the files
// that are not programs.
#pragma once

#include <array>
#include <string_view>

namespace vemdrol {

// The parts in order, each a view into file; the unused ones empty.
std::array<std::string_view, 4> catalogDigestedParts(std::string_view file);

}  // namespace vemdrol
