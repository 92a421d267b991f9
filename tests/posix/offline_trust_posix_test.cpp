// vemdrol-scan on a Windows installation whose SOFTWARE hive holds a root of
// its own, whose CatRoot holds a catalog, and whose program files are signed
// under that root, under another, changed after signing, timestamped, or not
// signed at all: every certificate, catalog and signature made here and now.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "base/utf8.h"
#include "cli/scan_run.h"
#include "formats/der_reader.h"
#include "posix/throwaway_pki.h"
#include "registry/hive_builder.h"

namespace vemdrol {
namespace {

namespace fs = std::filesystem;

const std::int64_t now = secondsSinceEpoch(2026, 12, 7, 12, 0, 0);
constexpr std::int64_t day = 86400;

struct TreeFile {
  std::string name;
  std::string bytes;
};

// A program file with a version resource whose company is the one given.
BuiltPe programFile(TextView company) {
  const VersionNode strings = stringTableNode(
      L"041104B0", {stringNode(L"CompanyName", company), stringNode(L"FileDescription", L"試験")});
  PeOptions options;
  options.languages.push_back(
      {0x0411, serialize(versionInfoNode(
                   fixedFileInfo(0x00010000, 0),
                   {stringFileInfoNode({strings}), varFileInfoNode({{0x0411, 0x04B0}})}))});
  return buildPe(options);
}

class OfflineTrust : public ::testing::Test {
 protected:
  // Keys, certificates and signatures once for the suite.
  static void SetUpTestSuite() {
    std::string pattern = (fs::temp_directory_path() / "vemdrol-trust-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = new fs::path(pattern);
    ThrowAwayPki pki;
    const auto valid = [](std::string name, std::string organization, std::string usage) {
      return CertificateRequest{std::move(name), std::move(organization),
                                now - 365 * day, now + 365 * day,
                                false,           std::move(usage)};
    };
    CertificateRequest rootRequest = valid("Vemdrol Test Root", "", "");
    rootRequest.authority = true;
    const TestCertificate root = pki.issue(rootRequest, nullptr);
    rootRequest.commonName = "Unknown Root";
    const TestCertificate unknownRoot = pki.issue(rootRequest, nullptr);
    const TestCertificate vendor =
        pki.issue(valid("Vemdrol Test Signer", "Vemdrol", "codeSigning"), &root);
    const TestCertificate microsoft =
        pki.issue(valid("Microsoft Windows", "Microsoft Corporation", "codeSigning"), &root);
    const TestCertificate stranger =
        pki.issue(valid("Microsoft Windows", "Microsoft Corporation", "codeSigning"), &unknownRoot);
    const TestCertificate mail = pki.issue(valid("Mail Only", "Vemdrol", "emailProtection"), &root);
    CertificateRequest expiredRequest = valid("Expired Signer", "Vemdrol", "codeSigning");
    expiredRequest.notBefore = now - 60 * day;
    expiredRequest.notAfter = now - 30 * day;
    const TestCertificate expired = pki.issue(expiredRequest, &root);
    const TestCertificate timestamps =
        pki.issue(valid("Vemdrol Test Timestamps", "Vemdrol", "critical,timeStamping"), &root);

    const BuiltPe plain = programFile(L"Vemdrol");
    const BuiltPe claimsMicrosoft = programFile(L"Microsoft Corporation");
    BuiltPe listed = programFile(L"Microsoft Corporation");
    listed.bytes += "catalogued";  // not the same bytes as the others
    const auto sign = [&](const TestCertificate& signer, const TestCertificate& issuer,
                          std::optional<ThrowAwayPki::Timestamp> timestamp = std::nullopt) {
      std::optional<std::string> signedFile =
          pki.signFile(plain.bytes, signer, {&issuer}, timestamp);
      EXPECT_TRUE(signedFile) << "osslsigncode failed";
      return signedFile.value_or(std::string());
    };
    std::string changed = sign(microsoft, root);
    changed[0x300] = static_cast<char>(changed[0x300] ^ 0x20);
    files_ = new std::vector<TreeFile>{
        {"trusted.exe", sign(vendor, root)},
        {"microsoft.exe", sign(microsoft, root)},
        {"stranger.exe", sign(stranger, unknownRoot)},
        {"changed.exe", changed},
        {"mail.exe", sign(mail, root)},
        {"expired.exe", sign(expired, root)},
        {"stamped.exe",
         sign(expired, root, ThrowAwayPki::Timestamp{&timestamps, {&root}, now - 45 * day})},
        {"named.exe", claimsMicrosoft.bytes},
        {"catalogued.dll", listed.bytes},
    };

    // The SOFTWARE hive: a file type for each file, the root in ROOT, a
    // damaged certificate beside it, and an empty AuthRoot.
    HiveKey classes{L"Classes", {}, {}};
    for (std::size_t i = 0; i < files_->size(); ++i) {
      const Text type = L"Vemdrol.Test" + std::to_wstring(i);
      const std::string& name = (*files_)[i].name;
      classes.subkeys.push_back({L".vt" + std::to_wstring(i), {{L"", hiveString(type)}}, {}});
      classes.subkeys.push_back(
          {type,
           {{L"", hiveString(L"試験 " + std::to_wstring(i))}},
           {{L"shell",
             {},
             {{L"open",
               {},
               {{L"command",
                 {{L"",
                   hiveString(L"\"C:\\Apps\\" + Text(name.begin(), name.end()) + L"\" \"%1\"")}},
                 {}}}}}}}});
    }
    const auto blob = [](const std::string& bytes) {
      return RegistryData{registryTypeBinary, bytes};
    };
    HiveKey rootStore{
        L"ROOT",
        {},
        {{L"Certificates",
          {},
          {{L"ROOTTHUMB", {{L"Blob", blob(certificateBlob(root.der()))}}, {}},
           {L"DAMAGED", {{L"Blob", blob(std::string("\x20\0\0\0\1\0\0\0\xFF", 9))}}, {}}}}}};
    HiveKey authRoot{L"AuthRoot", {}, {{L"Certificates", {}, {}}}};
    HiveKey software{
        L"ROOT",
        {},
        {classes, {L"Microsoft", {}, {{L"SystemCertificates", {}, {rootStore, authRoot}}}}}};
    write("Windows/System32/config/SOFTWARE", buildHive(software).bytes);
    for (const TreeFile& file : *files_) write("Apps/" + file.name, file.bytes);
    const std::string catalogs = "Windows/System32/CatRoot/{F750E6C3-38EE-11D1-85E5-00C04FC295EE}/";
    write(catalogs + "test.cat", pki.catalog({authenticodeSha256(listed)}, microsoft, {&root}));
    write(catalogs + "broken.cat", "not a catalog");
  }

  static void TearDownTestSuite() {
    fs::remove_all(*folder_);
    delete folder_;
    delete files_;
  }

  static void write(const std::string& relative, const std::string& bytes) {
    fs::create_directories((*folder_ / relative).parent_path());
    std::ofstream((*folder_ / relative), std::ios::binary) << bytes;
  }

  struct Run {
    int status = 0;
    // By file name: the 署名の状態 cell; empty without --details.
    std::map<std::string, std::string> states;
    std::string errors;
  };

  // vemdrol-scan over the tree with these options, as tab-separated text.
  static Run scan(std::vector<std::string> options) {
    const fs::path output = *folder_ / "out.tsv";
    const fs::path errors = *folder_ / "errors.txt";
    options.insert(options.begin(), {"--format", "tsv", "--output", output.string()});
    options.push_back(folder_->string());
    ScanEnvironment environment;
    environment.now = std::chrono::sys_seconds(std::chrono::seconds(now));
    environment.errorFd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    Run run;
    run.status = runScanCommand(parseScanArguments(options), environment);
    ::close(environment.errorFd);
    std::ifstream in(output, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    std::ifstream err(errors, std::ios::binary);
    run.errors.assign(std::istreambuf_iterator<char>(err), {});
    // Lines of fields; the first names the columns.
    std::vector<std::vector<std::string>> lines;
    std::size_t at = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (at < text.size()) {
      const std::size_t end = text.find("\r\n", at);
      const std::string line = text.substr(at, end - at);
      at = end == std::string::npos ? text.size() : end + 2;
      std::vector<std::string> fields;
      for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
      }
      lines.push_back(std::move(fields));
    }
    if (lines.empty()) return run;
    const auto column = [&](const std::string& name) {
      for (std::size_t i = 0; i < lines[0].size(); ++i) {
        if (lines[0][i] == name) return i;
      }
      return std::string::npos;
    };
    const std::size_t path = column("パス");
    const std::size_t state = column("署名の状態");
    for (std::size_t i = 1; i < lines.size(); ++i) {
      const std::string& file = lines[i].at(path);
      run.states[file.substr(file.rfind('\\') + 1)] =
          state == std::string::npos ? std::string() : lines[i].at(state);
    }
    return run;
  }

  static fs::path* folder_;
  static std::vector<TreeFile>* files_;
};

fs::path* OfflineTrust::folder_ = nullptr;
std::vector<TreeFile>* OfflineTrust::files_ = nullptr;

TEST_F(OfflineTrust, EachFileIsJudgedByTheTargetsOwnRootsAndCatalogs) {
  const Run run = scan({"--details"});
  EXPECT_EQ(run.status, 0) << run.errors;
  const std::map<std::string, std::string> expected = {
      {"trusted.exe", "検証済み"},
      {"microsoft.exe", "検証済み"},
      {"stranger.exe", "検証失敗 (信頼されていないルート)"},
      {"changed.exe", "検証失敗 (ハッシュ不一致)"},
      {"mail.exe", "検証失敗 (用途外の証明書)"},
      {"expired.exe", "検証失敗 (証明書の期限切れ)"},
      {"stamped.exe", "検証済み"},
      {"named.exe", "署名なし"},
      {"catalogued.dll", "検証済み"},
  };
  EXPECT_EQ(run.states, expected);
  // What could not be used is named, in the run's language (English here),
  // and the rest goes on.
  EXPECT_NE(run.errors.find("broken.cat is damaged and was passed over"), std::string::npos)
      << run.errors;
  EXPECT_NE(run.errors.find("root certificate ROOT\\DAMAGED is damaged and is not used"),
            std::string::npos)
      << run.errors;
}

TEST_F(OfflineTrust, FiltersKeepWhatTheyPromise) {
  struct Case {
    std::vector<std::string> options;
    std::set<std::string> shown;
  };
  const std::set<std::string> notVerified = {"stranger.exe", "changed.exe", "mail.exe",
                                             "expired.exe", "named.exe"};
  std::set<std::string> notMicrosoft = notVerified;
  notMicrosoft.insert({"trusted.exe", "stamped.exe"});
  const std::vector<Case> cases = {
      {{"--hide-microsoft"}, notMicrosoft},
      {{"--unverified"}, notVerified},
      {{"--hide-microsoft", "--unverified", "--details"}, notVerified},
  };
  for (const Case& c : cases) {
    const Run run = scan(c.options);
    EXPECT_EQ(run.status, 0) << run.errors;
    std::set<std::string> shown;
    for (const auto& [file, state] : run.states) shown.insert(file);
    EXPECT_EQ(shown, c.shown) << c.options[0];
  }
}

}  // namespace
}  // namespace vemdrol
