// Texts as UTF-8, for the files the exporters write, the same on every
// platform whatever the width of wchar_t.
#pragma once

#include <cstddef>
#include <string>

#include "platform/text.h"

namespace vemdrol {

inline bool isSurrogate(char32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

// The code point that starts at text[i]; i moves past it. A high surrogate
// followed by a low one is one code point, whether wchar_t is 16 bits wide
// (Windows) or 32 (a text decoded elsewhere may still hold a pair as two
// characters), so both builds read the same text the same way. An unpaired
// surrogate comes back as itself, for the caller to write as it can; a value
// that is no code point at all (past U+10FFFF) as U+FFFD.
char32_t nextCodePoint(TextView text, std::size_t& i);

// Appends the UTF-8 bytes of a code point; a surrogate, which UTF-8 cannot
// hold, becomes U+FFFD.
void appendUtf8(std::string& bytes, char32_t code);

// The whole text as UTF-8, an unpaired surrogate as U+FFFD.
void appendUtf8(std::string& bytes, TextView text);

}  // namespace vemdrol
