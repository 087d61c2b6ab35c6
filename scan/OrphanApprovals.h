#pragma once
// The startup area's rule for the switches that Windows 8 and later keep beside startup
// entries (Explorer\StartupApproved): a switch whose entry is gone is an orphan.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

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

// The name of the value `name` of root\keyPath as it is stored (names compare without regard
// to case), so a backup names it as the registry does; none when there is no such value.
std::optional<std::string> StoredValueName(Registry& reg, RootKey root, std::string_view keyPath,
                                           std::string_view name);

// The switch that governs the value `name` of a Run key (HKCU or HKLM Run, HKLM's 32-bit Run
// key), with its name as stored; none for a value of any other key, or when it has no switch.
struct ApprovalValue {
    RootKey root = kCurrentUser;
    std::string keyPath;
    std::string valueName;
};
std::optional<ApprovalValue> RunValueApproval(Registry& reg, RootKey root,
                                              std::string_view runKeyPath, std::string_view name);

} // namespace zt
