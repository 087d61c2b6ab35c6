#pragma once
// Where startup entries live, and the small helpers that enumeration and deletion share.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "scan/RunKeys.h"
#include "seams/Registry.h"
#include "seams/System.h"

namespace zt {

inline constexpr std::string_view kWindowsKeyPath =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline constexpr std::string_view kWinlogonKeyPath =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
inline constexpr std::string_view kPoliciesRunKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
// Its 32-bit twin, as a 64-bit program sees it.
inline constexpr std::string_view kPoliciesRun32KeyPath =
    "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
inline constexpr std::string_view kShellFoldersKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The longest command line an added entry may have, in UTF-16 units.
inline constexpr std::size_t kMaxCommandLine = 400;

// Location texts of the two startup folders' rows.
inline constexpr std::string_view kCommonStartupLocation = "Common Startup";
inline constexpr std::string_view kUserStartupLocation = "Startup";

// The all-users startup folder: the shell's folder, else the "Common Startup" value of the
// machine's Shell Folders key (a string of at most 260 characters with its zero, not expanded).
std::optional<std::string> GetCommonStartupFolder(Registry& reg, System& sys);
// The same for the current user: the shell's folder, else HKCU's "Startup" value.
std::optional<std::string> GetUserStartupFolder(Registry& reg, System& sys);

// The Winlogon defaults: system folder + "\userinit.exe," and the fixed "Explorer.exe".
std::string DefaultUserinit(System& sys);
inline constexpr std::string_view kDefaultShell = "Explorer.exe";

} // namespace zt
