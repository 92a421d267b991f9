// What the list needs of a Store package's AppxManifest.xml: the package's
// display name (Package/Properties/DisplayName), its publisher's
// (PublisherDisplayName) and whether the package is
// a framework or a resource package (Properties/Framework,
// Properties/ResourcePackage), which Programs and Features does not list.
//
// The reader is no XML parser: it walks the elements, keeping the names of
// those it is inside, and reads the text of the three it looks for. Markup
// it has no use for (declarations, comments, CDATA, processing
// instructions) is passed over; a file that ends inside a tag, nests deeper
// than maxAppxManifestDepth or is larger than maxAppxManifestSize is
// refused. UTF-8 with or without its byte order mark, or UTF-16LE with its
// mark, as the packaging tools write it.
#pragma once

#include <optional>
#include <string_view>

#include "base/error.h"
#include "base/text.h"

namespace vemdrol {

struct AppxManifestFacts {
  // The element's text, entities replaced and blanks around it dropped;
  // nullopt when there is none, it is empty, or it is longer than
  // maxAppxDisplayNameLength. An indirect name ("ms-resource:...") comes as
  // it is: only the package's resources could resolve it.
  std::optional<Text> displayName;
  // Properties/PublisherDisplayName, read the same way.
  std::optional<Text> publisherName;
  bool framework = false;
  bool resourcePackage = false;
};

// An error for a file that is not a manifest the reader can walk: the fault
// is badAppxManifest, the subject the character where the reader gave up.
Result<AppxManifestFacts> readAppxManifest(std::string_view bytes);

}  // namespace vemdrol
