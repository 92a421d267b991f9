// Feeds arbitrary bytes to the signature readers: as a whole program file,
// and as the PKCS #7 signature in the certificate table of a small PE file
// made here, so that the fuzzer reaches the SignedData and OpenSSL directly.
// Nothing may crash or hang, every view must stay within its bytes, and the
// answer must agree with what the parser found.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "formats/pe/authenticode.h"
#include "os/memory/filesystem.h"
#include "os/signature.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool within(std::string_view part, std::string_view whole) {
  return part.empty() ||
         (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

void putU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// A PE32+ file of headers only, its certificate table one WIN_CERTIFICATE
// holding pkcs7.
std::string peAround(std::string_view pkcs7) {
  constexpr std::size_t optional = 64 + 24;
  constexpr std::size_t directories = optional + 112;
  std::string file(0x200, '\0');
  file[0] = 'M';
  file[1] = 'Z';
  putU32(file, 0x3C, 64);
  file.replace(64, 4, std::string("PE\0\0", 4));
  putU32(file, optional, 0x20B);
  putU32(file, directories - 4, 16);
  putU32(file, directories + 32, static_cast<std::uint32_t>(file.size()));
  putU32(file, directories + 36, static_cast<std::uint32_t>(8 + pkcs7.size()));
  std::string header(8, '\0');
  putU32(header, 0, static_cast<std::uint32_t>(8 + pkcs7.size()));
  header[5] = 2;  // revision 2.0
  header[6] = 2;  // PKCS_SIGNED_DATA
  return file + header + std::string(pkcs7);
}

void checkFile(const std::string& file) {
  const auto embedded = vemdrol::findEmbeddedSignature(file);
  if (embedded) {
    check(within(embedded->pkcs7, file));
    std::size_t digested = 0;
    for (std::string_view part : embedded->digested) {
      check(within(part, file));
      digested += part.size();
    }
    // Everything but the checksum, the directory entry and the table.
    check(digested + 4 + 8 + 8 + embedded->pkcs7.size() <= file.size());
    if (const auto content = vemdrol::readAuthenticodeContent(embedded->pkcs7)) {
      for (std::string_view part : {content->signedData, content->digestAlgorithm, content->digest,
                                    content->signedContent}) {
        check(within(part, embedded->pkcs7));
      }
      check(within(content->digest, content->signedData));
      check(content->signedData.size() <= vemdrol::maxSignedDataSize);
      check(content->certificates <= vemdrol::maxCertificates);
    }
  }

  vemdrol::MemoryFileSystem files;
  files.addFile(L"C:\\App\\app.exe", file);
  const auto reader = vemdrol::makeSystemSignatureReader(files);
  const vemdrol::Result<vemdrol::SignatureFacts> facts = reader->signatureOf(L"C:\\App\\app.exe");
  check(facts.ok());
  const vemdrol::SignatureFacts& answer = facts.value();
  check((answer.state == vemdrol::SignatureState::notSigned) == !embedded);
  check(answer.state != vemdrol::SignatureState::verified);
  check(answer.signer.find(L'\0') == vemdrol::Text::npos);
  check(answer.signer.size() <= file.size());
  check((answer.state == vemdrol::SignatureState::failed) ==
        (answer.failure != vemdrol::SignatureFailure::none));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  checkFile(bytes);
  checkFile(peAround(bytes));
  return 0;
}
