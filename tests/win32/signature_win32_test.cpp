// WinVerifyTrust on the program files the host signed before this program
// started (CMakeLists.txt: signature_files_signed), and on Wine's own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "formats/pe/authenticode.h"
#include "os/codepage.h"
#include "os/filesystem.h"
#include "os/signature.h"
#include "os/win32/windows.h"
#include "signature/signature_files.h"

namespace vemdrol {
namespace {

class SignatureWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = ::GetEnvironmentVariableW(L"VEMDROL_SIGNATURE_FILES", buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) folder_.assign(buffer, length);
  }

  std::string answerText(const Result<SignatureFacts>& facts) {
    if (!facts) return "error " + std::to_string(facts.error().number);
    return toAnsi(signerCell(facts.value()) + L" / " + signatureStateCell(facts.value()));
  }

  std::unique_ptr<FileSystem> files_ = makeSystemFileSystem();
  std::unique_ptr<SignatureReader> reader_ = makeSystemSignatureReader(*files_);
  Text folder_;
};

TEST_F(SignatureWin32Test, EachSignedFileGivesTheSignerTheLinuxBuildGives) {
  ASSERT_FALSE(folder_.empty()) << "VEMDROL_SIGNATURE_FILES is not set: run ctest --preset windows";
  std::map<std::string, std::string> signedFiles;
  for (const char* name :
       {"first.exe", "second.dll", "first.exe.unsigned", "second.dll.unsigned"}) {
    const auto bytes = files_->readFile(folder_ + L"\\" + Text(name, name + std::strlen(name)));
    ASSERT_TRUE(bytes) << name;
    signedFiles[name] = bytes.value();
  }
  const std::vector<SignatureCase> cases = signatureCases(signedFiles);
  ASSERT_EQ(cases.size(), 10u);

  for (const SignatureCase& c : cases) {
    const Text path = folder_ + L"\\case-" + Text(c.name.begin(), c.name.end());
    ASSERT_TRUE(files_->replaceFile(path, c.bytes)) << c.name;
    const Result<SignatureFacts> facts = reader_->signatureOf(path);
    std::printf("%s: %s\n", c.name.c_str(), answerText(facts).c_str());
    ASSERT_TRUE(facts) << c.name;
    const SignatureFacts& answer = facts.value();
    EXPECT_EQ(answer.signer, c.signer) << c.name;
    EXPECT_EQ(answer.organization, c.signer.empty() ? Text() : Text(signersOrganization)) << c.name;
    // The file's own bytes tell a signature from none alike.
    EXPECT_EQ(findEmbeddedSignature(c.bytes).has_value(), c.expected != Expected::notSigned);
    switch (c.expected) {
      case Expected::holds:
        // Windows trusts no throw-away root; Wine trusts every root.
        if (answer.state == SignatureState::failed) {
          EXPECT_EQ(answer.failure, SignatureFailure::untrustedRoot) << c.name;
        } else {
          EXPECT_EQ(answer.state, SignatureState::verified) << c.name;
        }
        break;
      case Expected::notSigned:
        EXPECT_EQ(answer, SignatureFacts{}) << c.name;
        break;
      case Expected::digestMismatch:
        EXPECT_EQ(answer.state, SignatureState::failed) << c.name;
        EXPECT_EQ(answer.failure, SignatureFailure::digestMismatch) << c.name;
        break;
      case Expected::badSignature:
        EXPECT_EQ(answer.state, SignatureState::failed) << c.name;
        EXPECT_EQ(answer.failure, SignatureFailure::badSignature) << c.name;
        break;
    }
  }
}

TEST_F(SignatureWin32Test, SystemFilesAreAnsweredAndUnreadableOnesAreNot) {
  wchar_t buffer[MAX_PATH + 1];
  const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH + 1);
  ASSERT_GT(length, 0u);
  const Text system(buffer, length);
  // Catalog-signed on Windows, unsigned under Wine.
  for (const wchar_t* name : {L"kernel32.dll", L"ntdll.dll", L"wintrust.dll", L"crypt32.dll",
                              L"shell32.dll", L"notepad.exe"}) {
    const Result<SignatureFacts> facts = reader_->signatureOf(system + L"\\" + name);
    std::printf("%ls: %s\n", name, answerText(facts).c_str());
    ASSERT_TRUE(facts) << toAnsi(name);
    EXPECT_TRUE(facts.value().state == SignatureState::verified ||
                facts.value().state == SignatureState::notSigned)
        << toAnsi(name);
  }

  EXPECT_FALSE(reader_->signatureOf(system + L"\\missing-file.dll"));
  EXPECT_FALSE(reader_->signatureOf(system + L"\\kernel32.dll" + Text(1, L'\0') + L"x"));
  EXPECT_FALSE(reader_->signatureOf(system));
}

}  // namespace
}  // namespace vemdrol
