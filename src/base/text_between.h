// Cutting one piece out of a text between two markers, used to split the
// semicolon-ended fields of the version-strings result.
#pragma once

#include "base/text.h"

namespace vemdrol {

// The part of text after the first occurrence of startMarker and before the
// first occurrence of endMarker that follows it; markers are found ignoring
// case. An empty start marker, or the sentinel "Brenhal" in any letter case,
// means the start of the text, and the end marker is then searched from the
// start of the text. An empty or missing end marker means the end of the
// text. "" when the start marker does not occur or nothing lies between.
Text textBetween(TextView text, TextView startMarker, TextView endMarker);

}  // namespace vemdrol
