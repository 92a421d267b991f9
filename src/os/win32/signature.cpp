// Signatures through WinVerifyTrust with the Authenticode policy
// (WINTRUST_ACTION_GENERIC_VERIFY_V2): first the signature embedded in the
// file, then, when it has none, a system catalog that holds the file's hash.
// Nothing is shown, no revocation is checked and nothing is fetched from the
// network, so a rebuild never waits for a server.
#include "os/win32/windows.h"
// The crypto headers need windows.h before them, and WIN32_LEAN_AND_MEAN
// leaves wincrypt.h out of it.
#include <wincrypt.h>
#include <wintrust.h>
// softpub.h and mscat.h need wintrust.h.
#include <mscat.h>
#include <softpub.h>

#include <cwchar>
#include <memory>
#include <optional>

#include "os/signature.h"

namespace vemdrol {
namespace {

struct CatalogAdminTraits {
  using Type = HCATADMIN;
  static Type empty() { return nullptr; }
  static bool valid(Type admin) { return admin != nullptr; }
  static BOOL close(Type admin) { return ::CryptCATAdminReleaseContext(admin, 0); }
};

struct CertificateStoreTraits {
  using Type = HCERTSTORE;
  static Type empty() { return nullptr; }
  static bool valid(Type store) { return store != nullptr; }
  static BOOL close(Type store) { return ::CertCloseStore(store, 0); }
};

struct CryptMessageTraits {
  using Type = HCRYPTMSG;
  static Type empty() { return nullptr; }
  static bool valid(Type message) { return message != nullptr; }
  static BOOL close(Type message) { return ::CryptMsgClose(message); }
};

struct CertificateTraits {
  using Type = PCCERT_CONTEXT;
  static Type empty() { return nullptr; }
  static bool valid(Type certificate) { return certificate != nullptr; }
  static BOOL close(Type certificate) { return ::CertFreeCertificateContext(certificate); }
};

using UniqueCatalogAdmin = UniqueWin32Handle<CatalogAdminTraits>;
using UniqueCertificateStore = UniqueWin32Handle<CertificateStoreTraits>;
using UniqueCryptMessage = UniqueWin32Handle<CryptMessageTraits>;
using UniqueCertificate = UniqueWin32Handle<CertificateTraits>;

// A catalog found for a hash; released through the administrator context
// that found it, which must outlive it.
class UniqueCatalog {
 public:
  UniqueCatalog(HCATADMIN admin, HCATINFO catalog) : admin_(admin), catalog_(catalog) {}
  UniqueCatalog(const UniqueCatalog&) = delete;
  UniqueCatalog& operator=(const UniqueCatalog&) = delete;
  ~UniqueCatalog() {
    if (catalog_ != nullptr) ::CryptCATAdminReleaseCatalogContext(admin_, catalog_, 0);
  }
  HCATINFO get() const { return catalog_; }

 private:
  HCATADMIN admin_;
  HCATINFO catalog_;
};

// WINTRUST_CATALOG_INFO with the field Windows 8 added: the administrator
// context whose hash algorithm (SHA-256) made the member tag. The headers
// show it only to builds for Windows 8 and later; cbStruct tells the system
// which layout it is given.
struct CatalogInfoWithAdmin {
  WINTRUST_CATALOG_INFO info;
  HCATADMIN admin;
};

// The first entry of this kind (szOID_COMMON_NAME, szOID_ORGANIZATION_NAME)
// of the certificate's subject.
Text subjectText(PCCERT_CONTEXT certificate, const char* kind) {
  if (certificate == nullptr) return Text();
  void* attribute = const_cast<char*>(kind);
  const DWORD length =
      ::CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, attribute, nullptr, 0);
  if (length <= 1) return Text();
  Text name(length, L'\0');
  ::CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, attribute, name.data(), length);
  name.resize(std::wcslen(name.c_str()));
  return name;
}

// The signer's name and organisation into facts.
void setSigner(PCCERT_CONTEXT certificate, SignatureFacts& facts) {
  facts.signer = subjectText(certificate, szOID_COMMON_NAME);
  facts.organization = subjectText(certificate, szOID_ORGANIZATION_NAME);
}

// One WinVerifyTrust verification; its state, which holds the signer, stays
// until the object goes.
class Verification {
 public:
  explicit Verification(const WINTRUST_DATA& data) : data_(data) {
    data_.cbStruct = sizeof data_;
    data_.dwUIChoice = WTD_UI_NONE;
    data_.fdwRevocationChecks = WTD_REVOKE_NONE;
    data_.dwStateAction = WTD_STATEACTION_VERIFY;
    data_.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL | WTD_REVOCATION_CHECK_NONE;
  }
  Verification(const Verification&) = delete;
  Verification& operator=(const Verification&) = delete;
  ~Verification() {
    if (data_.hWVTStateData == nullptr) return;
    data_.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }

  // The result, and the error left behind, which tells a signature that
  // cannot be read from none at all.
  std::pair<LONG, DWORD> verify() {
    ::SetLastError(ERROR_SUCCESS);
    const LONG result = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    return {result, ::GetLastError()};
  }

  // The first signer's own certificate, when the verification got as far
  // as the signers; it lives as long as the verification.
  PCCERT_CONTEXT signer() const {
    CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(data_.hWVTStateData);
    CRYPT_PROVIDER_SGNR* signer =
        provider ? ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
    CRYPT_PROVIDER_CERT* certificate = signer ? ::WTHelperGetProvCertFromChain(signer, 0) : nullptr;
    return certificate ? certificate->pCert : nullptr;
  }

 private:
  GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_DATA data_;
};

bool meansNoSignature(long code) {
  return code == TRUST_E_NOSIGNATURE || code == TRUST_E_SUBJECT_FORM_UNKNOWN ||
         code == TRUST_E_PROVIDER_UNKNOWN;
}

SignatureFacts factsFrom(long code) {
  SignatureFacts facts;
  facts.state = SignatureState::failed;
  facts.code = code;
  switch (code) {
    case ERROR_SUCCESS:
      return SignatureFacts{SignatureState::verified, Text(), SignatureFailure::none, 0};
    case CERT_E_REVOCATION_FAILURE:
    case CRYPT_E_REVOCATION_OFFLINE:
    case CRYPT_E_NO_REVOCATION_CHECK:
      // No verdict: what was asked could not be found out.
      return SignatureFacts{SignatureState::unverified, Text(), SignatureFailure::none, 0};
    case TRUST_E_BAD_DIGEST:
      facts.failure = SignatureFailure::digestMismatch;
      break;
    case TRUST_E_CERT_SIGNATURE:
    case NTE_BAD_SIGNATURE:
    case CRYPT_E_HASH_VALUE:
      facts.failure = SignatureFailure::badSignature;
      break;
    case TRUST_E_NOSIGNATURE:
    case TRUST_E_NO_SIGNER_CERT:
    case CRYPT_E_NO_SIGNER:
    case CRYPT_E_UNEXPECTED_MSG_TYPE:
      facts.failure = SignatureFailure::malformed;
      break;
    case CERT_E_UNTRUSTEDROOT:
      facts.failure = SignatureFailure::untrustedRoot;
      break;
    case CERT_E_UNTRUSTEDTESTROOT:
    case CERT_E_UNTRUSTEDCA:
    case CERT_E_CHAINING:
    case TRUST_E_EXPLICIT_DISTRUST:
      facts.failure = SignatureFailure::untrusted;
      break;
    case CERT_E_EXPIRED:
    case CERT_E_VALIDITYPERIODNESTING:
      facts.failure = SignatureFailure::expired;
      break;
    case CERT_E_REVOKED:
    case CRYPT_E_REVOKED:
      facts.failure = SignatureFailure::revoked;
      break;
    case CERT_E_WRONG_USAGE:
      facts.failure = SignatureFailure::wrongUsage;
      break;
    default:
      // The ASN.1 decoder's errors: a signature that cannot be decoded.
      facts.failure = (static_cast<unsigned long>(code) & 0xFFFFF000ul) == 0x80093000ul
                          ? SignatureFailure::malformed
                          : SignatureFailure::other;
      break;
  }
  if (facts.failure != SignatureFailure::other) facts.code = 0;
  return facts;
}

// The signer of the signature embedded in the file, read without judging
// it: WinVerifyTrust stops before the signers when the digest does not
// match, and the name is wanted all the same.
void setEmbeddedSigner(const Text& path, SignatureFacts& facts) {
  HCERTSTORE store = nullptr;
  HCRYPTMSG message = nullptr;
  if (!::CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(),
                          CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY,
                          0, nullptr, nullptr, nullptr, &store, &message, nullptr)) {
    return;
  }
  const UniqueCertificateStore ownedStore(store);
  const UniqueCryptMessage ownedMessage(message);
  DWORD size = 0;
  if (!::CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) || size == 0) {
    return;
  }
  // DWORD-sized pieces, for the structure's alignment.
  std::unique_ptr<DWORD[]> buffer(new DWORD[size / sizeof(DWORD) + 1]);
  if (!::CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, buffer.get(), &size)) return;
  const auto* signerInfo = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.get());
  CERT_INFO wanted{};
  wanted.Issuer = signerInfo->Issuer;
  wanted.SerialNumber = signerInfo->SerialNumber;
  const UniqueCertificate certificate(::CertFindCertificateInStore(
      store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
  setSigner(certificate.get(), facts);
}

template <class Function>
Function wintrustProcedure(const char* name) {
  const HMODULE module = ::GetModuleHandleW(L"wintrust.dll");
  const FARPROC procedure = module ? ::GetProcAddress(module, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(procedure));
}

// The file's signature in a system catalog that holds its hash under this
// algorithm; nullopt when none does. SHA-256 needs the functions of Windows
// 8 and later, looked up here because Windows 7 and Wine 8 lack some.
std::optional<SignatureFacts> catalogFacts(bool sha256, HANDLE file, const Text& path) {
  using AcquireContext2 =
      BOOL(WINAPI*)(HCATADMIN*, const GUID*, PCWSTR, const CERT_STRONG_SIGN_PARA*, DWORD);
  using CalcHash2 = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);
  static const auto acquire2 = wintrustProcedure<AcquireContext2>("CryptCATAdminAcquireContext2");
  static const auto calcHash2 =
      wintrustProcedure<CalcHash2>("CryptCATAdminCalcHashFromFileHandle2");
  if (sha256 && (acquire2 == nullptr || calcHash2 == nullptr)) return std::nullopt;

  HCATADMIN admin = nullptr;
  const BOOL acquired = sha256 ? acquire2(&admin, nullptr, BCRYPT_SHA256_ALGORITHM, nullptr, 0)
                               : ::CryptCATAdminAcquireContext(&admin, nullptr, 0);
  const UniqueCatalogAdmin ownedAdmin(acquired ? admin : nullptr);
  if (!ownedAdmin.valid()) return std::nullopt;
  // A file that is not a PE file is hashed whole, from where the handle
  // stands.
  const LARGE_INTEGER start{};
  BYTE hash[64];
  DWORD hashSize = sizeof hash;
  if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN) ||
      !(sha256 ? calcHash2(admin, file, &hashSize, hash, 0)
               : ::CryptCATAdminCalcHashFromFileHandle(file, &hashSize, hash, 0))) {
    return std::nullopt;
  }
  const UniqueCatalog catalog(
      admin, ::CryptCATAdminEnumCatalogFromHash(admin, hash, hashSize, 0, nullptr));
  CATALOG_INFO catalogInfo{};
  catalogInfo.cbStruct = sizeof catalogInfo;
  if (catalog.get() == nullptr ||
      !::CryptCATCatalogInfoFromContext(catalog.get(), &catalogInfo, 0)) {
    return std::nullopt;
  }

  // Catalogs name their members by the hash in upper-case hex.
  Text tag;
  for (DWORD i = 0; i < hashSize; ++i) {
    static constexpr wchar_t digits[] = L"0123456789ABCDEF";
    tag += digits[hash[i] >> 4];
    tag += digits[hash[i] & 0xF];
  }
  CatalogInfoWithAdmin member{};
  member.info.cbStruct = sha256 ? sizeof member : sizeof member.info;
  member.info.pcwszCatalogFilePath = catalogInfo.wszCatalogFile;
  member.info.pcwszMemberTag = tag.c_str();
  member.info.pcwszMemberFilePath = path.c_str();
  member.info.hMemberFile = file;
  member.info.pbCalculatedFileHash = hash;
  member.info.cbCalculatedFileHash = hashSize;
  member.admin = admin;
  WINTRUST_DATA data{};
  data.dwUnionChoice = WTD_CHOICE_CATALOG;
  data.pCatalog = &member.info;
  Verification verification(data);
  SignatureFacts facts = factsFrom(verification.verify().first);
  setSigner(verification.signer(), facts);
  return facts;
}

class Win32SignatureReader final : public SignatureReader {
 public:
  Result<SignatureFacts> signatureOf(TextView path) override {
    // A NUL would end the path early and reach some other file.
    if (path.find(L'\0') != TextView::npos) return windowsError(ERROR_INVALID_NAME);
    const Text name(path);
    const UniqueHandle file(::CreateFileW(name.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return lastWindowsError();

    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof fileInfo;
    fileInfo.pcwszFilePath = name.c_str();
    fileInfo.hFile = file.get();
    WINTRUST_DATA data{};
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    Verification embedded(data);
    const auto [result, detail] = embedded.verify();
    // TRUST_E_NOSIGNATURE comes for a signature that cannot be read as well
    // as for none; the error left behind tells them apart.
    const long code =
        result == TRUST_E_NOSIGNATURE && !meansNoSignature(detail) && detail != ERROR_SUCCESS
            ? static_cast<long>(detail)
            : result;
    if (meansNoSignature(code)) {
      // Catalogs of Windows 8 and later name their files by SHA-256 hashes,
      // older ones and those of other makers often by SHA-1 hashes.
      for (const bool sha256 : {true, false}) {
        if (auto facts = catalogFacts(sha256, file.get(), name)) return *std::move(facts);
      }
      return SignatureFacts{};
    }
    SignatureFacts facts = factsFrom(code);
    setSigner(embedded.signer(), facts);
    if (facts.signer.empty() && facts.state == SignatureState::failed) {
      setEmbeddedSigner(name, facts);
    }
    return facts;
  }
};

}  // namespace

std::unique_ptr<SignatureReader> makeSystemSignatureReader(FileSystem&) {
  return std::make_unique<Win32SignatureReader>();
}

}  // namespace vemdrol
