#include "formats/apps/appx_manifest.h"

#include <vector>

#include "base/utf16.h"
#include "base/utf8.h"
#include "formats/limits.h"

namespace vemdrol {
namespace {

Error refused(std::size_t at) {
  return faultError(Fault::badAppxManifest, 22, std::to_wstring(at));
}

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// The local name of a qualified one: "uap:DisplayName" is "DisplayName".
TextView localName(TextView name) {
  const std::size_t colon = name.rfind(L':');
  return colon == TextView::npos ? name : name.substr(colon + 1);
}

// The five predefined entities and character references; an unknown or
// malformed reference is kept as it stands, as it is only text to show.
Text replaceEntities(TextView text) {
  Text out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != L'&') {
      out.push_back(text[i++]);
      continue;
    }
    const std::size_t end = text.find(L';', i);
    if (end == TextView::npos || end - i > 10) {
      out.push_back(text[i++]);
      continue;
    }
    const TextView name = text.substr(i + 1, end - i - 1);
    std::optional<char32_t> code;
    if (name == L"amp") code = U'&';
    if (name == L"lt") code = U'<';
    if (name == L"gt") code = U'>';
    if (name == L"quot") code = U'"';
    if (name == L"apos") code = U'\'';
    if (name.size() > 1 && name[0] == L'#') {
      const bool hex = name[1] == L'x';
      const TextView digits = name.substr(hex ? 2 : 1);
      char32_t value = 0;
      bool valid = !digits.empty();
      for (wchar_t c : digits) {
        unsigned digit;
        if (c >= L'0' && c <= L'9') {
          digit = static_cast<unsigned>(c - L'0');
        } else if (hex && c >= L'a' && c <= L'f') {
          digit = static_cast<unsigned>(c - L'a' + 10);
        } else if (hex && c >= L'A' && c <= L'F') {
          digit = static_cast<unsigned>(c - L'A' + 10);
        } else {
          valid = false;
          break;
        }
        value = value * (hex ? 16 : 10) + digit;
        if (value > 0x10FFFF) valid = false;
      }
      if (valid && value != 0 && !isSurrogate(value)) code = value;
    }
    if (!code) {
      out.push_back(text[i++]);
      continue;
    }
    if constexpr (sizeof(wchar_t) == 2) {
      if (*code > 0xFFFF) {
        const char32_t rest = *code - 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (rest >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (rest & 0x3FF)));
      } else {
        out.push_back(static_cast<wchar_t>(*code));
      }
    } else {
      out.push_back(static_cast<wchar_t>(*code));
    }
    i = end + 1;
  }
  return out;
}

TextView trimmed(TextView text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<Text> decoded(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    return fromUtf16Le(bytes.substr(2));
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return decodeUtf8(bytes);
}

}  // namespace

Result<AppxManifestFacts> readAppxManifest(std::string_view bytes) {
  if (bytes.size() > maxAppxManifestSize) return refused(maxAppxManifestSize);
  const std::optional<Text> text = decoded(bytes);
  if (!text) return refused(0);
  const TextView xml = *text;

  AppxManifestFacts facts;
  // The local names of the open elements, from the document's own.
  std::vector<TextView> open;
  // Where the text of the element now open began, when it is one wanted.
  std::size_t textStart = TextView::npos;
  std::size_t at = 0;
  const auto wanted = [&] {
    return open.size() == 3 && localName(open[0]) == L"Package" &&
           localName(open[1]) == L"Properties";
  };
  while (at < xml.size()) {
    const std::size_t tag = xml.find(L'<', at);
    if (tag == TextView::npos) break;
    const TextView rest = xml.substr(tag);
    // Markup that holds no element, passed over whole.
    for (const auto& [begin, end] :
         {std::pair<TextView, TextView>{L"<!--", L"-->"}, {L"<![CDATA[", L"]]>"}, {L"<?", L"?>"}}) {
      if (!rest.starts_with(begin)) continue;
      const std::size_t close = xml.find(end, tag + begin.size());
      if (close == TextView::npos) return refused(tag);
      at = close + end.size();
      break;
    }
    if (at > tag) continue;
    if (rest.starts_with(L"<!")) {
      const std::size_t close = xml.find(L'>', tag);
      if (close == TextView::npos) return refused(tag);
      at = close + 1;
      continue;
    }
    // A tag: its end is the first ">" outside quoted attribute values.
    std::size_t close = tag + 1;
    wchar_t quote = 0;
    for (; close < xml.size(); ++close) {
      const wchar_t c = xml[close];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == L'"' || c == L'\'') {
        quote = c;
      } else if (c == L'>') {
        break;
      }
    }
    if (close >= xml.size()) return refused(tag);
    const bool closing = xml[tag + 1] == L'/';
    const bool empty = xml[close - 1] == L'/';
    std::size_t nameEnd = tag + (closing ? 2 : 1);
    const std::size_t nameStart = nameEnd;
    while (nameEnd < close && !isBlank(xml[nameEnd]) && xml[nameEnd] != L'/') ++nameEnd;
    const TextView name = xml.substr(nameStart, nameEnd - nameStart);
    if (name.empty()) return refused(tag);
    at = close + 1;

    if (closing) {
      if (open.empty() || open.back() != name) return refused(tag);
      if (wanted() && textStart != TextView::npos) {
        const Text content = replaceEntities(trimmed(xml.substr(textStart, tag - textStart)));
        const TextView element = localName(name);
        const bool fits = !content.empty() && toUtf16(content).size() <= maxAppxDisplayNameLength;
        // The first one counts, as it would for any reader of the schema.
        if (element == L"DisplayName") {
          if (!facts.displayName && fits) facts.displayName = content;
        } else if (element == L"PublisherDisplayName") {
          if (!facts.publisherName && fits) facts.publisherName = content;
        } else if (element == L"Framework") {
          facts.framework = equalNoCase(content, L"true") || content == L"1";
        } else if (element == L"ResourcePackage") {
          facts.resourcePackage = equalNoCase(content, L"true") || content == L"1";
        }
      }
      textStart = TextView::npos;
      open.pop_back();
      continue;
    }
    if (empty) continue;
    if (open.size() == maxAppxManifestDepth) return refused(tag);
    open.push_back(name);
    textStart = wanted() ? at : TextView::npos;
  }
  if (!open.empty()) return refused(xml.size());
  return facts;
}

}  // namespace vemdrol
