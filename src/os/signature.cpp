#include "os/signature.h"

namespace vemdrol {

Text signatureFailureText(SignatureFailure failure, long code) {
  switch (failure) {
    case SignatureFailure::digestMismatch:
      return L"ハッシュ不一致";
    case SignatureFailure::badSignature:
      return L"署名不正";
    case SignatureFailure::malformed:
      return L"署名の破損";
    case SignatureFailure::untrusted:
      return L"信頼されていない証明書";
    case SignatureFailure::untrustedRoot:
      return L"信頼されていないルート";
    case SignatureFailure::expired:
      return L"証明書の期限切れ";
    case SignatureFailure::revoked:
      return L"証明書の失効";
    case SignatureFailure::wrongUsage:
      return L"用途外の証明書";
    case SignatureFailure::none:
    case SignatureFailure::other:
      break;
  }
  // As Windows shows error numbers: eight hex digits, HRESULTs and plain
  // error numbers alike.
  static constexpr wchar_t digits[] = L"0123456789ABCDEF";
  Text text = L"エラー 0x";
  const auto value = static_cast<unsigned long>(code) & 0xFFFFFFFFul;
  for (int shift = 28; shift >= 0; shift -= 4) text += digits[(value >> shift) & 0xF];
  return text;
}

Text signerCell(const SignatureFacts& facts) {
  if (facts.state == SignatureState::notSigned) return L"署名なし";
  return facts.signer;
}

Text signatureStateCell(const SignatureFacts& facts) {
  switch (facts.state) {
    case SignatureState::verified:
      return L"検証済み";
    case SignatureState::failed:
      return L"検証失敗 (" + signatureFailureText(facts.failure, facts.code) + L")";
    case SignatureState::unverified:
      return L"未検証";
    case SignatureState::notSigned:
      break;
  }
  return L"署名なし";
}

std::string_view signatureJsonValue(SignatureState state) {
  switch (state) {
    case SignatureState::verified:
      return "verified";
    case SignatureState::failed:
      return "failed";
    case SignatureState::unverified:
      return "unverified";
    case SignatureState::notSigned:
      break;
  }
  return "unsigned";
}

}  // namespace vemdrol
