#pragma once
// The Task Manager switch beside a Run value (Explorer\StartupApproved), found from the value's
// own place, so a cleaning that deletes the value can take its switch with it.
#include <optional>
#include <string>
#include <string_view>

#include "seams/Registry.h"

namespace zt {

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
