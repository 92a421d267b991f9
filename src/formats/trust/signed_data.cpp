#include "formats/trust/signed_data.h"

#include "formats/limits.h"

namespace vemdrol {

namespace {

// The object identifier of the one AlgorithmIdentifier element.
std::optional<std::string_view> algorithmOf(const DerElement& identifier) {
  DerReader parts(identifier.value);
  const auto algorithm = parts.next(derTag::objectIdentifier);
  if (!algorithm) return std::nullopt;
  return algorithm->value;
}

}  // namespace

std::optional<SignedDataView> readSignedData(std::string_view bytes, std::size_t maxSize) {
  DerReader outer(bytes);
  const auto contentInfo = outer.next(derTag::sequence);
  if (!contentInfo || contentInfo->whole.size() > maxSize) return std::nullopt;
  DerReader info(contentInfo->value);
  const auto type = info.next(derTag::objectIdentifier);
  const auto explicitContent = info.next(derTag::context0);
  if (!type || type->value != oid::signedData || !explicitContent || !info.atEnd()) {
    return std::nullopt;
  }
  const auto signedDataValue = onlyDerElement(explicitContent->value, derTag::sequence);
  if (!signedDataValue) return std::nullopt;

  DerReader signedData(*signedDataValue);
  const auto version = signedData.next(derTag::integer);
  const auto digestAlgorithms = signedData.next(derTag::set);
  const auto encapsulated = signedData.next(derTag::sequence);
  if (!version || !digestAlgorithms || !encapsulated) return std::nullopt;
  DerReader encapsulatedParts(encapsulated->value);
  const auto contentType = encapsulatedParts.next(derTag::objectIdentifier);
  if (!contentType) return std::nullopt;
  SignedDataView parts;
  parts.whole = contentInfo->whole;
  parts.contentType = contentType->value;
  if (const auto wrapper = encapsulatedParts.next(derTag::context0)) {
    DerReader inside(wrapper->value);
    const auto content = inside.next();
    if (!content || !inside.atEnd()) return std::nullopt;
    parts.content = content->whole;
    parts.signedContent = content->value;
  }
  if (!encapsulatedParts.atEnd()) return std::nullopt;

  if (const auto certificates = signedData.next(derTag::context0)) {
    DerReader each(certificates->value);
    while (!each.atEnd()) {
      if (!each.next() || ++parts.certificates > maxCertificates) return std::nullopt;
    }
  }
  signedData.next(derTag::context1);  // revocation lists, not looked at
  const auto signerInfos = signedData.next(derTag::set);
  if (!signerInfos || !signedData.atEnd()) return std::nullopt;
  DerReader signers(signerInfos->value);
  const auto first = signers.next(derTag::sequence);
  if (!first) return std::nullopt;
  parts.firstSigner = first->whole;
  return parts;
}

std::optional<SignerInfoParts> readSignerInfo(std::string_view signerInfo) {
  const auto value = onlyDerElement(signerInfo, derTag::sequence);
  if (!value) return std::nullopt;
  DerReader parts(*value);
  const auto version = parts.next(derTag::integer);
  const auto issuerAndSerial = parts.next(derTag::sequence);
  const auto digestAlgorithm = parts.next(derTag::sequence);
  if (!version || !issuerAndSerial || !digestAlgorithm) return std::nullopt;
  const auto algorithm = algorithmOf(*digestAlgorithm);
  if (!algorithm) return std::nullopt;
  SignerInfoParts signer;
  signer.digestAlgorithm = *algorithm;
  if (const auto authenticated = parts.next(derTag::context0)) {
    signer.authenticatedAttributes = authenticated->whole;
  }
  const auto encryptionAlgorithm = parts.next(derTag::sequence);
  const auto signature = parts.next(derTag::octetString);
  if (!encryptionAlgorithm || !signature) return std::nullopt;
  signer.signature = signature->value;
  if (const auto unauthenticated = parts.next(derTag::context1)) {
    signer.unauthenticatedAttributes = unauthenticated->value;
  }
  if (!parts.atEnd()) return std::nullopt;
  return signer;
}

std::optional<DerElement> derAttribute(std::string_view attributes, std::string_view oid) {
  DerReader each(attributes);
  for (std::size_t count = 0; !each.atEnd(); ++count) {
    const auto attribute = each.next(derTag::sequence);
    if (!attribute || count == maxDerAttributes) return std::nullopt;
    DerReader parts(attribute->value);
    const auto type = parts.next(derTag::objectIdentifier);
    const auto values = parts.next(derTag::set);
    if (!type || !values || !parts.atEnd()) return std::nullopt;
    if (type->value != oid) continue;
    DerReader value(values->value);
    return value.next();
  }
  return std::nullopt;
}

namespace {

std::optional<SignatureTimestamp> countersignatureOf(const DerElement& countersignature) {
  // The attribute's value is a SignerInfo itself.
  const auto signer = readSignerInfo(countersignature.whole);
  if (!signer || signer->authenticatedAttributes.empty()) return std::nullopt;
  const auto attributes = onlyDerElement(signer->authenticatedAttributes, derTag::context0);
  if (!attributes) return std::nullopt;
  const auto time = derAttribute(*attributes, oid::signingTime);
  const auto digest = derAttribute(*attributes, oid::messageDigest);
  const auto seconds = time ? derTime(*time) : std::nullopt;
  if (!seconds || !digest || digest->tag != derTag::octetString) return std::nullopt;
  return SignatureTimestamp{SignatureTimestamp::Kind::countersignature, *seconds,
                            countersignature.whole, signer->digestAlgorithm, digest->value};
}

std::optional<SignatureTimestamp> tokenOf(const DerElement& token) {
  const auto signedData = readSignedData(token.whole, maxSignedDataSize);
  if (!signedData || signedData->contentType != oid::tstInfo) return std::nullopt;
  // The TSTInfo lies in an OCTET STRING: { version, policy, messageImprint
  // { AlgorithmIdentifier, OCTET STRING }, serialNumber, genTime, ... }.
  DerReader content(signedData->content);
  const auto octets = content.next(derTag::octetString);
  if (!octets) return std::nullopt;
  const auto tstInfo = onlyDerElement(octets->value, derTag::sequence);
  if (!tstInfo) return std::nullopt;
  DerReader fields(*tstInfo);
  const auto version = fields.next(derTag::integer);
  const auto policy = fields.next(derTag::objectIdentifier);
  const auto messageImprint = fields.next(derTag::sequence);
  const auto serial = fields.next(derTag::integer);
  const auto genTime = fields.next(derTag::generalizedTime);
  if (!version || !policy || !messageImprint || !serial || !genTime) return std::nullopt;
  DerReader imprintParts(messageImprint->value);
  const auto algorithmIdentifier = imprintParts.next(derTag::sequence);
  const auto hashed = imprintParts.next(derTag::octetString);
  const auto algorithm = algorithmIdentifier ? algorithmOf(*algorithmIdentifier) : std::nullopt;
  const auto seconds = derTime(*genTime);
  if (!algorithm || !hashed || !seconds) return std::nullopt;
  return SignatureTimestamp{SignatureTimestamp::Kind::rfc3161, *seconds, token.whole, *algorithm,
                            hashed->value};
}

}  // namespace

std::optional<SignatureTimestamp> readSignatureTimestamp(const SignerInfoParts& signer) {
  const std::string_view attributes = signer.unauthenticatedAttributes;
  if (const auto countersignature = derAttribute(attributes, oid::countersignature)) {
    if (auto timestamp = countersignatureOf(*countersignature)) return timestamp;
  }
  if (const auto token = derAttribute(attributes, oid::rfc3161Timestamp)) {
    if (auto timestamp = tokenOf(*token)) return timestamp;
  }
  return std::nullopt;
}

}  // namespace vemdrol
