#pragma once
// The program's registration to start with Windows: the value "Zentrove" under the machine's
// Run key, holding the executable's bare full path.
#include <string_view>

#include "seams/Registry.h"

namespace zt {

inline constexpr std::string_view kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::string_view kRunValueName = "Zentrove";

// On: writes `exePath` unless the value already holds it in any letter case. Off: deletes the
// value. Failures are silent; without rights the registration simply stays as it was.
void SyncRunAtStartup(Registry& registry, bool on, std::string_view exePath);

} // namespace zt
