// The values of an application's uninstall entry as the registry stores
// them, read as Programs and Features reads them: texts from the string
// types only, numbers from the number types only, the install date as
// yyyymmdd and the estimated size in KiB. A value of the wrong type, an
// overlong text, a date that is no date or a size past what 64 bits hold
// gives nothing, so that its field shows empty rather than something the
// writer never meant.
#pragma once

#include <cstdint>
#include <optional>

#include "base/text.h"
#include "formats/registry/registry_data.h"

namespace vemdrol {

// A REG_SZ or REG_EXPAND_SZ value's text up to its first NUL, as stored
// (an expandable string is not expanded: Programs and Features shows it as
// stored too); nullopt for another type, an odd number of bytes or a text
// longer than maxAppTextLength UTF-16 code units.
std::optional<Text> appText(const RegistryData& data);

// A REG_DWORD value (four bytes); nullopt for anything else.
std::optional<std::uint32_t> appDword(const RegistryData& data);

// InstallDate ("20261207") as "2026-12-07": eight digits of a day that
// exists in the Gregorian calendar, year 1601 or later, as Windows' own
// dates begin then. Blanks around it are passed over; anything else is
// nullopt.
std::optional<Text> installDateOf(TextView stored);

// EstimatedSize, in KiB, as bytes: a REG_DWORD, a REG_QWORD or a REG_SZ of
// decimal digits (installers write all three); nullopt for another type or
// a size whose bytes do not fit in 64 bits.
std::optional<std::uint64_t> estimatedSizeBytes(const RegistryData& data);

}  // namespace vemdrol
