// Texts and the program's one notion of case-insensitive comparison.
//
// Every comparison of names, keys, file names, markers and search words goes
// through these functions, so that the builder's sort, the duplicate tests and
// the search agree with each other on every platform.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vemdrol {

using Text = std::wstring;
using TextView = std::wstring_view;

inline constexpr std::size_t notFound = TextView::npos;

// Simple one-to-one case folding (to lower case) for ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic and the full-width Latin letters. Every other
// character folds to itself. Because folding never changes the length,
// positions found in folded texts are positions in the original.
wchar_t foldCase(wchar_t c);
Text foldCase(TextView text);

bool equalNoCase(TextView a, TextView b);

// The collation: a blank sorts before "\", "\" before every other character,
// and all other characters by their folded code; a text sorts before any
// longer text that starts with it. Returns <0, 0 or >0.
int compareNoCase(TextView a, TextView b);

// Position of the first occurrence of needle at or after from, or notFound.
// An empty needle is found at from (when from <= length).
std::size_t findNoCase(TextView haystack, TextView needle, std::size_t from = 0);

bool containsNoCase(TextView haystack, TextView needle);
bool startsWithNoCase(TextView text, TextView prefix);
bool endsWithNoCase(TextView text, TextView suffix);

struct LessNoCase {
  bool operator()(TextView a, TextView b) const { return compareNoCase(a, b) < 0; }
};

}  // namespace vemdrol
