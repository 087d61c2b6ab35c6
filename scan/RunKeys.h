#pragma once
// The Run keys, their RunOnce and RunServices kin, and the Task Manager's switches beside them
// (Explorer\StartupApproved): the scan's start keys and orphan check, a cleaning's switch
// lookup, the startup manager and the program's own start-up registration name them alike.
#include <string_view>

namespace zt {

inline constexpr std::string_view kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::string_view kRunOnceKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr std::string_view kRunOnceExKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
inline constexpr std::string_view kRunServicesKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
inline constexpr std::string_view kRunServicesOnceKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce";
// The 32-bit twins of the machine's keys, as a 64-bit program sees them.
inline constexpr std::string_view kRun32KeyPath =
    "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::string_view kRunOnce32KeyPath =
    "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr std::string_view kRunOnceEx32KeyPath =
    "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
inline constexpr std::string_view kRunServices32KeyPath =
    "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunServices";
inline constexpr std::string_view kRunServicesOnce32KeyPath =
    "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce";

inline constexpr std::string_view kStartupApprovedKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
inline constexpr std::string_view kApprovedRunKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
inline constexpr std::string_view kApprovedRun32KeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32";
inline constexpr std::string_view kApprovedFolderKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";

} // namespace zt
