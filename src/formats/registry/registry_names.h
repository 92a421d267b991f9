// The order in which the registry enumerates a key's subkeys, and which names
// it takes for the same key.
//
// This is the registry's own rule, modelled for the in-memory registry; it is
// not a comparison the program makes (those all go through base/text.h).
//
// The registry files subkeys sorted by name. Two names are compared UTF-16
// code unit by code unit after each unit is mapped to one letter case; at the
// first difference the smaller mapped unit comes first, and a name comes
// before any longer name that starts with it. Names that map alike are the
// same key, and the key keeps the spelling it was created with.
//
// Windows maps to upper case. So "_" (0x5F), "[" and the other characters
// between "Z" and "a" come after every letter: "a1" < "AZ" < "a[" < "A_".
// Wine maps to lower case instead, which puts those characters before the
// letters: "a1" < "a[" < "A_" < "AZ". Both use the same case pairs, so they
// agree on which names are the same key; only the order differs, and only
// where a name holds a character that lies between a letter's two cases,
// such as "[\]^_`" or "×" (0xD7) and "÷" (0xF7).
//
// The case pairs are the one-to-one upper/lower pairs of the Basic
// Multilingual Plane that the system's case table holds (1163 pairs, taken
// from Wine's table, which follows Windows'). Characters without a partner,
// such as "ß", "ı" or "ſ", map to themselves. Characters outside the Basic
// Multilingual Plane are two surrogate units and never change case, so they
// sort after U+D7FF and before U+E000.
#pragma once

#include <cstddef>
#include <string_view>

#include "base/text.h"

namespace vemdrol {

enum class RegistryNameOrder {
  windows,  // upper case, the order of the real registry on Windows
  wine,     // lower case, the order Wine's registry gives
};

// The partner of a UTF-16 code unit in the registry's case pairs, or the
// unit itself.
char16_t registryUpperCase(char16_t unit);
char16_t registryLowerCase(char16_t unit);

// <0, 0 or >0, as the registry orders the two names; 0 when they name the
// same key.
int compareRegistryNames(TextView a, TextView b, RegistryNameOrder order);
// The same for names held as UTF-16 code units, as registry files store them.
int compareRegistryNames(std::u16string_view a, std::u16string_view b, RegistryNameOrder order);

// The length of a name in UTF-16 code units, the unit of the registry's
// name length limit.
std::size_t registryNameLength(TextView name);

}  // namespace vemdrol
