#pragma once
// The program's registration to start with Windows: the value "Zentrove" under the machine's
// Run key, or under the user's own Run key for a user who may not write the machine's,
// holding the executable's bare full path.
#include <optional>
#include <string_view>

#include "seams/Registry.h"
#include "startup/StartupLocations.h"

namespace zt {

inline constexpr std::string_view kRunValueName = "Zentrove";

// The Run key (HKLM first, then HKCU) whose value holds `exePath` in any letter case.
std::optional<RootKey> FindRunAtStartup(Registry& registry, std::string_view exePath);

// On: unless either Run key already holds `exePath`, writes it to the machine's Run key, or to
// the user's when the machine's is denied (the user's copy goes once the machine's is
// written). Off: deletes the value from both. The status of the write that counted.
Status SyncRunAtStartup(Registry& registry, bool on, std::string_view exePath);

} // namespace zt
