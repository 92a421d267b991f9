#include "posix/throwaway_pki.h"

#include <openssl/ec.h>
#include <openssl/obj_mac.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509v3.h>
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "signature/signature_files.h"

namespace vemdrol {

namespace fs = std::filesystem;

namespace {

void need(bool condition, const char* what) {
  if (!condition) throw std::runtime_error(what);
}

std::string memoryOf(BIO* bio) {
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return std::string(data, static_cast<std::size_t>(size));
}

std::shared_ptr<EVP_PKEY> newKey() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  need(key != nullptr, "EVP_EC_gen");
  return std::shared_ptr<EVP_PKEY>(key, EVP_PKEY_free);
}

void addExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  need(extension != nullptr, "X509V3_EXT_conf_nid");
  X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string keyPem(EVP_PKEY* key) {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
  std::string pem = memoryOf(bio);
  BIO_free(bio);
  return pem;
}

std::string utf16Hex(const std::string& digest) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string tag;
  for (const char c : digest) {
    for (const char digit : {digits[static_cast<unsigned char>(c) >> 4],
                             digits[static_cast<unsigned char>(c) & 0xF]}) {
      tag += digit;
      tag += '\0';
    }
  }
  return tag;
}

}  // namespace

std::string TestCertificate::der() const {
  unsigned char* bytes = nullptr;
  const int length = i2d_X509(certificate.get(), &bytes);
  std::string der(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
  OPENSSL_free(bytes);
  return der;
}

std::string TestCertificate::pem() const {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, certificate.get());
  std::string pem = memoryOf(bio);
  BIO_free(bio);
  return pem;
}

ThrowAwayPki::ThrowAwayPki() {
  std::string pattern = (fs::temp_directory_path() / "vemdrol-pki-XXXXXX").string();
  need(::mkdtemp(pattern.data()) != nullptr, "mkdtemp");
  scratch_ = pattern;
}

ThrowAwayPki::~ThrowAwayPki() { fs::remove_all(scratch_); }

TestCertificate ThrowAwayPki::issue(const CertificateRequest& request,
                                    const TestCertificate* issuer) const {
  static long serial = 1000;
  TestCertificate made{std::shared_ptr<X509>(X509_new(), X509_free), newKey()};
  X509* certificate = made.certificate.get();
  X509_set_version(certificate, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), ++serial);
  X509_NAME* name = X509_get_subject_name(certificate);
  const auto entry = [&](const char* field, const std::string& value) {
    X509_NAME_add_entry_by_txt(name, field, MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(value.c_str()), -1, -1, 0);
  };
  entry("CN", request.commonName);
  if (!request.organization.empty()) entry("O", request.organization);
  X509* signer = issuer ? issuer->certificate.get() : certificate;
  X509_set_issuer_name(certificate, X509_get_subject_name(signer));
  ASN1_TIME_set(X509_getm_notBefore(certificate), static_cast<time_t>(request.notBefore));
  ASN1_TIME_set(X509_getm_notAfter(certificate), static_cast<time_t>(request.notAfter));
  X509_set_pubkey(certificate, made.key.get());
  addExtension(certificate, signer, NID_basic_constraints,
               request.authority ? "critical,CA:true" : "CA:false");
  addExtension(certificate, signer, NID_key_usage,
               request.authority ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
  addExtension(certificate, signer, NID_subject_key_identifier, "hash");
  if (!request.usage.empty()) {
    addExtension(certificate, signer, NID_ext_key_usage, request.usage.c_str());
  }
  EVP_PKEY* signingKey = issuer ? issuer->key.get() : made.key.get();
  need(X509_sign(certificate, signingKey, EVP_sha256()) > 0, "X509_sign");
  return made;
}

std::optional<std::string> ThrowAwayPki::signFile(const std::string& unsignedFile,
                                                  const TestCertificate& signer,
                                                  const std::vector<const TestCertificate*>& chain,
                                                  const std::optional<Timestamp>& timestamp) {
  const fs::path folder = scratch_ / std::to_string(++files_);
  fs::create_directories(folder);
  std::string certificates = signer.pem();
  for (const TestCertificate* certificate : chain) certificates += certificate->pem();
  writeFile(folder / "certs.pem", certificates);
  writeFile(folder / "key.pem", keyPem(signer.key.get()));
  writeFile(folder / "in.exe", unsignedFile);
  std::string command = "osslsigncode sign -certs '" + (folder / "certs.pem").string() +
                        "' -key '" + (folder / "key.pem").string() + "' -h sha256";
  if (timestamp) {
    std::string authority = timestamp->authority->pem();
    for (const TestCertificate* certificate : timestamp->chain) authority += certificate->pem();
    writeFile(folder / "tsa.pem", authority);
    writeFile(folder / "tsa.key", keyPem(timestamp->authority->key.get()));
    command += " -TSA-certs '" + (folder / "tsa.pem").string() + "' -TSA-key '" +
               (folder / "tsa.key").string() + "' -TSA-time " + std::to_string(timestamp->time);
  }
  command += " -in '" + (folder / "in.exe").string() + "' -out '" + (folder / "out.exe").string() +
             "' >'" + (folder / "log").string() + "' 2>&1";
  const int status = std::system(command.c_str());
  std::optional<std::string> signedFile;
  if (status == 0) signedFile = readFile(folder / "out.exe");
  fs::remove_all(folder);
  return signedFile;
}

std::string ThrowAwayPki::catalog(const std::vector<std::string>& digests,
                                  const TestCertificate& signer,
                                  const std::vector<const TestCertificate*>& chain) const {
  // The trust list, as catalogs of the second version write it: the list's
  // usage, an identifier, the time, the member form, the members.
  static const std::string catalogList("\x2B\x06\x01\x04\x01\x82\x37\x0C\x01\x01", 10);
  static const std::string memberV2("\x2B\x06\x01\x04\x01\x82\x37\x0C\x01\x03", 10);
  static const std::string peImageData("\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x0F", 10);
  std::string members;
  for (const std::string& digest : digests) {
    const std::string indirect = der(
        0x30, der(0x30, der(0x06, peImageData) + der(0x30, "")) +
                  der(0x30, der(0x30, der(0x06, sha256Oid) + der(0x05, "")) + der(0x04, digest)));
    const std::string attribute = der(0x30, der(0x06, indirectDataOid) + der(0x31, indirect));
    members += der(0x30, der(0x04, utf16Hex(digest)) + der(0x31, attribute));
  }
  const std::string list =
      der(0x30, der(0x30, der(0x06, catalogList)) + der(0x04, std::string(16, '\x11')) +
                    der(0x17, "261207120000Z") + der(0x30, der(0x06, memberV2) + der(0x05, "")) +
                    der(0x30, members));

  return signedContent("1.3.6.1.4.1.311.10.1", list, signer, chain);
}

std::string ThrowAwayPki::signedContent(const std::string& contentType, const std::string& content,
                                        const TestCertificate& signer,
                                        const std::vector<const TestCertificate*>& chain) const {
  // PKCS #7 style, as Authenticode and catalogs are: the signer's
  // messageDigest covers the content's value, past its tag and length.
  PKCS7* pkcs7 = PKCS7_new();
  need(PKCS7_set_type(pkcs7, NID_pkcs7_signed) == 1, "PKCS7_set_type");
  PKCS7_SIGNER_INFO* info =
      PKCS7_add_signature(pkcs7, signer.certificate.get(), signer.key.get(), EVP_sha256());
  need(info != nullptr, "PKCS7_add_signature");
  PKCS7_add_certificate(pkcs7, signer.certificate.get());
  for (const TestCertificate* certificate : chain) {
    PKCS7_add_certificate(pkcs7, certificate->certificate.get());
  }
  PKCS7* inner = PKCS7_new();
  ASN1_OBJECT_free(inner->type);
  inner->type = OBJ_txt2obj(contentType.c_str(), 1);
  ASN1_STRING* sequence = ASN1_STRING_new();
  ASN1_STRING_set(sequence, content.data(), static_cast<int>(content.size()));
  inner->d.other = ASN1_TYPE_new();
  ASN1_TYPE_set(inner->d.other, V_ASN1_SEQUENCE, sequence);
  need(PKCS7_set_content(pkcs7, inner) == 1, "PKCS7_set_content");

  const auto lengthByte = static_cast<unsigned char>(content[1]);
  const std::size_t valueAt = 2 + (lengthByte & 0x80 ? lengthByte & 0x7F : 0);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestSize = 0;
  EVP_Digest(content.data() + valueAt, content.size() - valueAt, digest, &digestSize, EVP_sha256(),
             nullptr);
  ASN1_OCTET_STRING* messageDigest = ASN1_OCTET_STRING_new();
  ASN1_OCTET_STRING_set(messageDigest, digest, static_cast<int>(digestSize));
  PKCS7_add_signed_attribute(info, NID_pkcs9_contentType, V_ASN1_OBJECT,
                             OBJ_txt2obj(contentType.c_str(), 1));
  PKCS7_add_signed_attribute(info, NID_pkcs9_messageDigest, V_ASN1_OCTET_STRING, messageDigest);
  need(PKCS7_SIGNER_INFO_sign(info) == 1, "PKCS7_SIGNER_INFO_sign");

  unsigned char* bytes = nullptr;
  const int length = i2d_PKCS7(pkcs7, &bytes);
  need(length > 0, "i2d_PKCS7");
  std::string made(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
  OPENSSL_free(bytes);
  PKCS7_free(pkcs7);
  return made;
}

std::string certificateBlob(const std::string& der) {
  const auto property = [](std::uint32_t id, const std::string& data) {
    std::string entry(12, '\0');
    putU32(entry, 0, id);
    putU32(entry, 4, 1);
    putU32(entry, 8, static_cast<std::uint32_t>(data.size()));
    return entry + data;
  };
  // The SHA-1 hash property first, as Windows writes it before the
  // certificate.
  return property(3, std::string(20, '\x33')) + property(32, der);
}

std::string authenticodeSha256(const BuiltPe& file) {
  // Everything but the checksum and the certificate table's entry: the
  // files here carry no table.
  const std::string& bytes = file.bytes;
  const std::string covered =
      bytes.substr(0, file.checksum) +
      bytes.substr(file.checksum + 4, file.certificateEntry - file.checksum - 4) +
      bytes.substr(file.certificateEntry + 8);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_Digest(covered.data(), covered.size(), digest, &size, EVP_sha256(), nullptr);
  return std::string(reinterpret_cast<const char*>(digest), size);
}

}  // namespace vemdrol
