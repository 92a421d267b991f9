// The signatures of program files signed here and now by
// scripts/sign-test-files (openssl and osslsigncode), read from their bytes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "formats/pe/authenticode.h"
#include "os/filesystem.h"
#include "os/memory/filesystem.h"
#include "os/signature.h"
#include "seed_writer.h"
#include "signature/signature_files.h"

namespace vemdrol {
namespace {

class SignatureReaderPosix : public ::testing::Test {
 protected:
  MemoryFileSystem disk_;
  std::unique_ptr<SignatureReader> reader_ = makeSystemSignatureReader(disk_);

  SignatureFacts factsOf(const std::string& bytes) {
    disk_.addFile(L"C:\\Signed\\file.exe", bytes);
    const Result<SignatureFacts> facts = reader_->signatureOf(L"C:\\Signed\\file.exe");
    EXPECT_TRUE(facts.ok());
    return facts ? facts.value()
                 : SignatureFacts{SignatureState::failed, L"?", SignatureFailure::none, 0};
  }
};

class SignedFilesPosix : public SignatureReaderPosix {
 protected:
  // Signing makes keys, which takes seconds: once for all the tests.
  static void SetUpTestSuite() {
    files_ = new std::map<std::string, std::string>;
    char folder[] = "/tmp/vemdrol-signature-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    for (const auto& [name, bytes] : unsignedSignatureFiles()) {
      std::ofstream(std::string(folder) + "/" + name, std::ios::binary) << bytes;
    }
    const std::string command =
        std::string("'" VEMDROL_SOURCE_DIR "/scripts/sign-test-files' '") + folder + "'";
    const int status = std::system(command.c_str());
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::ifstream file(entry.path(), std::ios::binary);
      (*files_)[entry.path().filename().string()] =
          std::string(std::istreambuf_iterator<char>(file), {});
    }
    std::filesystem::remove_all(folder);
    ASSERT_EQ(status, 0) << command;
  }
  static void TearDownTestSuite() {
    delete files_;
    files_ = nullptr;
  }

  static std::map<std::string, std::string>* files_;
};

std::map<std::string, std::string>* SignedFilesPosix::files_ = nullptr;

TEST_F(SignedFilesPosix, EachGivesItsSignerAndState) {
  const std::vector<SignatureCase> cases = signatureCases(*files_);
  ASSERT_EQ(cases.size(), 10u);
  for (const SignatureCase& c : cases) {
    SignatureFacts expected{SignatureState::unverified, c.signer, SignatureFailure::none, 0,
                            c.signer.empty() ? Text() : Text(signersOrganization)};
    switch (c.expected) {
      case Expected::holds:
        break;
      case Expected::notSigned:
        expected = SignatureFacts{};
        break;
      case Expected::digestMismatch:
        expected.state = SignatureState::failed;
        expected.failure = SignatureFailure::digestMismatch;
        break;
      case Expected::badSignature:
        expected.state = SignatureState::failed;
        expected.failure = SignatureFailure::badSignature;
        break;
    }
    EXPECT_EQ(factsOf(c.bytes), expected) << c.name;
  }
}

// Writes the seed inputs of the signature fuzz target: two signed files,
// the first one's signature alone (the target wraps its input in a PE file
// too) and a built one. They hold throw-away certificates, never a key. Run
// on request only, with VEMDROL_SEED_DIR set to fuzz/corpus/signature and
// --gtest_also_run_disabled_tests --gtest_filter='SignedFilesPosix.DISABLED_*'
TEST_F(SignedFilesPosix, DISABLED_WriteFuzzSeeds) {
  const char* folder = std::getenv("VEMDROL_SEED_DIR");
  ASSERT_NE(folder, nullptr) << "set VEMDROL_SEED_DIR";
  const auto embedded = findEmbeddedSignature(files_->at("first.exe"));
  ASSERT_TRUE(embedded);
  const std::map<std::string, std::string> seeds = {
      {"signed_pe32plus", files_->at("first.exe")},
      {"signed_pe32", files_->at("second.dll")},
      {"signed_data", std::string(embedded->pkcs7)},
      {"built_signed_data", signedData()},
  };
  for (const auto& [name, bytes] : seeds) writeSeed(folder, name, bytes);
}

TEST_F(SignatureReaderPosix, HostileSignaturesAreDamaged) {
  const SignatureFacts damaged{SignatureState::failed, L"", SignatureFailure::malformed, 0};
  // Shaped right, but the certificates are none.
  EXPECT_EQ(factsOf(peWithCertificateTable(true, winCertificate(signedData())).bytes), damaged);
  // Thousands of certificates.
  std::string many;
  for (int i = 0; i < 5000; ++i) many += der(0x30, std::string(300, 'c'));
  SignedDataParts chain;
  chain.certificates = der(0xA0, many);
  EXPECT_EQ(factsOf(peWithCertificateTable(true, winCertificate(signedData(chain))).bytes),
            damaged);
  // One certificate nested three thousand deep.
  std::string nested("\x05\x00", 2);
  for (int i = 0; i < 3000; ++i) nested = der(0x30, nested);
  SignedDataParts deep;
  deep.certificates = der(0xA0, nested);
  EXPECT_EQ(factsOf(peWithCertificateTable(false, winCertificate(signedData(deep))).bytes),
            damaged);
  // A table cut short.
  const std::string whole = peWithCertificateTable(true, winCertificate(signedData())).bytes;
  EXPECT_EQ(factsOf(whole.substr(0, whole.size() - 1)), SignatureFacts{});
  // Not a program file at all.
  EXPECT_EQ(factsOf("MZ, but no more"), SignatureFacts{});
}

TEST_F(SignatureReaderPosix, AFileThatCannotBeReadHasNoAnswer) {
  EXPECT_FALSE(reader_->signatureOf(L"C:\\Signed\\missing.exe").ok());
  disk_.addFolder(L"C:\\Signed\\folder.exe");
  EXPECT_FALSE(reader_->signatureOf(L"C:\\Signed\\folder.exe").ok());
  const std::unique_ptr<FileSystem> system = makeSystemFileSystem();
  EXPECT_FALSE(makeSystemSignatureReader(*system)->signatureOf(L"/nonexistent/a.exe").ok());
}

}  // namespace
}  // namespace vemdrol
