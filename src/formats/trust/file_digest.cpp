#include "formats/trust/file_digest.h"

#include <variant>

#include "formats/byte_reader.h"
#include "formats/pe/authenticode.h"
#include "formats/pe/pe_image.h"

namespace vemdrol {

std::array<std::string_view, 4> catalogDigestedParts(std::string_view file) {
  if (const auto embedded = findEmbeddedSignature(file)) return embedded->digested;
  const ByteReader bytes(file);
  const std::variant<PeImage, PeFault> read = PeImage::read(bytes);
  const PeImage* image = std::get_if<PeImage>(&read);
  const ByteOffset checksum = image && image->format() ? image->checksumField() : 0;
  if (!image || !image->format() || !bytes.holds(checksum, 4)) return {file, {}, {}, {}};
  const std::optional<std::uint32_t> count = image->directoryCount();
  const ByteOffset entry = image->directoryEntry(peCertificateDirectory);
  if (!count || *count <= peCertificateDirectory || entry < checksum + 4 ||
      !bytes.holds(entry, 8)) {
    return {file.substr(0, checksum), file.substr(checksum + 4), {}, {}};
  }
  // No table to leave out, or one that cannot be read: everything after the
  // entry is covered.
  return {file.substr(0, checksum),
          file.substr(checksum + 4, entry - checksum - 4),
          file.substr(entry + 8),
          {}};
}

}  // namespace vemdrol
