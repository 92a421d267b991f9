// Code page 932 for the builds that run outside Windows.
//
// iconv knows the code page, but its CP932 also has one-way mappings that
// Windows refuses without best fit ("¥" to 0x5C, which would read back as
// "\", "¢" to the full-width cent, "‾" to "~", ...), and it lacks the one
// single byte that Windows maps (0x80, U+0080). So iconv is asked once per
// process for every character, in both directions; only the mappings that
// read back to the same character are kept, and the conversions themselves
// are plain table lookups with the same rules as the Windows backend.
#include "os/codepage.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace vemdrol {
namespace {

static_assert(sizeof(wchar_t) == 4, "the iconv backend expects UCS-4 wchar_t");

constexpr char16_t noCharacter = 0;  // U+0000 comes only from the byte 0x00
constexpr wchar_t replacement = 0xFFFD;

bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      // Without the code page every file would be read as garbage and saved
      // as question marks; stopping is the lesser harm.
      std::fprintf(stderr, "vemdrol: iconv cannot convert from %s to %s\n", from, to);
      std::abort();
    }
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts all of in; false unless everything converted.
  bool convert(const void* in, std::size_t inSize, void* out, std::size_t& outSize) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = static_cast<char*>(const_cast<void*>(in));
    char* outPtr = static_cast<char*>(out);
    std::size_t outLeft = outSize;
    if (iconv(cd_, &inPtr, &inSize, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      return false;
    }
    outSize -= outLeft;
    return inSize == 0;
  }

 private:
  iconv_t cd_;
};

struct Tables {
  // Character of each non-ASCII single byte, or noCharacter.
  std::array<char16_t, 256> single{};
  // Character of each double-byte code (lead * 256 + trail), or noCharacter.
  std::array<char16_t, 65536> pair{};
  // Code of each character as one byte (< 0x100) or a lead and a trail byte;
  // 0 when the code page cannot hold it. ASCII is not in here.
  std::array<std::uint16_t, 65536> code{};
};

char16_t decodeWithIconv(Iconv& decoder, const unsigned char* bytes, std::size_t length) {
  wchar_t out[2];
  std::size_t outSize = sizeof out;
  if (!decoder.convert(bytes, length, out, outSize) || outSize != sizeof(wchar_t)) {
    return noCharacter;
  }
  if (out[0] <= 0 || out[0] > 0xFFFF) return noCharacter;
  return static_cast<char16_t>(out[0]);
}

void buildTables(Tables& t) {
  Iconv decoder("WCHAR_T", "CP932");
  Iconv encoder("CP932", "WCHAR_T");
  for (unsigned b = 0x80; b <= 0xFF; ++b) {
    unsigned char byte = static_cast<unsigned char>(b);
    if (!isLeadByte(byte)) {
      t.single[b] = decodeWithIconv(decoder, &byte, 1);
      continue;
    }
    // Second bytes start at 0x40, so that no comma, quote, blank or line end
    // can ever be part of a double-byte character.
    for (unsigned trail = 0x40; trail <= 0xFF; ++trail) {
      unsigned char bytes[2] = {byte, static_cast<unsigned char>(trail)};
      t.pair[b * 256 + trail] = decodeWithIconv(decoder, bytes, 2);
    }
  }
  // The one single byte that Windows maps and iconv does not.
  t.single[0x80] = 0x0080;

  for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    wchar_t in = static_cast<wchar_t>(c);
    unsigned char out[4];
    std::size_t outSize = sizeof out;
    if (!encoder.convert(&in, sizeof in, out, outSize)) continue;
    // Keep only what reads back as the same character: no best fit.
    if (outSize == 1 && out[0] >= 0x80 && t.single[out[0]] == c) {
      t.code[c] = out[0];
    } else if (outSize == 2 && isLeadByte(out[0]) && t.pair[out[0] * 256 + out[1]] == c) {
      t.code[c] = static_cast<std::uint16_t>(out[0] * 256 + out[1]);
    }
  }
  t.code[0x0080] = 0x80;
}

const Tables& tables() {
  // Built on first use, thread-safe, and never destroyed, so that a
  // conversion during static destruction still works.
  static const Tables* const t = [] {
    Tables* built = new Tables();
    buildTables(*built);
    return built;
  }();
  return *t;
}

}  // namespace

Text fromAnsi(std::string_view bytes) {
  Text text;
  text.reserve(bytes.size());
  const Tables* t = nullptr;
  std::size_t i = 0;
  while (i < bytes.size()) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      text.push_back(static_cast<wchar_t>(b));
      ++i;
      continue;
    }
    if (t == nullptr) t = &tables();
    char16_t c = noCharacter;
    if (!isLeadByte(b)) {
      c = t->single[b];
    } else if (i + 1 < bytes.size()) {
      c = t->pair[b * 256 + static_cast<unsigned char>(bytes[i + 1])];
      if (c != noCharacter) ++i;
    }
    // An invalid byte, or a lead byte whose pair is no character: one
    // replacement, and on from the very next byte, so that a stray lead byte
    // never swallows the comma or quote after it.
    text.push_back(c == noCharacter ? replacement : static_cast<wchar_t>(c));
    ++i;
  }
  return text;
}

std::string toAnsi(TextView text) {
  std::string bytes;
  bytes.reserve(text.size());
  const Tables* t = nullptr;
  for (wchar_t c : text) {
    if (c >= 0 && c < 0x80) {
      bytes.push_back(static_cast<char>(c));
      continue;
    }
    if (t == nullptr) t = &tables();
    // Characters beyond U+FFFF and surrogate codes are never in the code page.
    std::uint16_t code = (c > 0 && c <= 0xFFFF) ? t->code[static_cast<std::size_t>(c)] : 0;
    if (code == 0) {
      bytes.push_back('?');
    } else if (code < 0x100) {
      bytes.push_back(static_cast<char>(code));
    } else {
      bytes.push_back(static_cast<char>(code >> 8));
      bytes.push_back(static_cast<char>(code & 0xFF));
    }
  }
  return bytes;
}

}  // namespace vemdrol
