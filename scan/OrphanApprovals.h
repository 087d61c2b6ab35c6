#pragma once
// The startup area's rule for the switches that Windows 8 and later keep beside startup
// entries (Explorer\StartupApproved): a switch whose entry is gone is an orphan.
#include <functional>
#include <string>

#include "seams/Registry.h"
#include "seams/System.h"

namespace zt {

inline constexpr const char* kOrphanApprovalReason = "Orphan Startup Approval";

struct OrphanApproval {
    RootKey root = kCurrentUser;
    std::string keyPath;   // the StartupApproved subkey
    std::string valueName; // the switch, named like its entry
    std::string valueText; // its bytes in hexadecimal
    std::string lookedFor; // where its entry was looked for, and that it was not found
};

// Reports each switch under HKCU and HKLM StartupApproved\Run, HKLM StartupApproved\Run32
// and both StartupApproved\StartupFolder keys whose entry is missing: no value of its name in
// the Run key it governs, no file of its name in its startup folder. A startup folder the
// system does not name is not judged. `report` returns false to stop.
void FindOrphanApprovals(Registry& reg, System& sys,
                         const std::function<bool(const OrphanApproval&)>& report);

} // namespace zt
