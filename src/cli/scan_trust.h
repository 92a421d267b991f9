// The trust of the system vemdrol-scan inventories, for judging its files'
// signatures: its root stores and catalogs found, read and judged, and what
// could not be used said as a warning. Linux only.
#pragma once

#ifndef _WIN32

#include <cstdint>
#include <functional>

#include "cli/scan_words.h"
#include "offline/target.h"
#include "trust/target_trust.h"

namespace vemdrol {

// now: seconds since 1970-01-01 00:00 UTC. warn hears each warning, worded
// in the run's language.
TargetTrust loadTargetTrust(const OfflineTarget& target, std::int64_t now, const ScanWords& words,
                            const std::function<void(TextView)>& warn);

}  // namespace vemdrol

#endif
