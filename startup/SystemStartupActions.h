#pragma once
// Disable, Enable and Delete for every kind of startup row, and the backups that make the
// system's own sources reversible: a deleted task's XML, a disabled service's start type.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/Registry.h"
#include "seams/StartupSources.h"
#include "seams/System.h"
#include "startup/StartupEntry.h"

namespace zt {

inline constexpr std::string_view kStartupAppsSettings = "ms-settings:startupapps";
inline constexpr std::string_view kPackageChangedInSettings =
    "A packaged app's startup task is switched in the system's Startup Apps settings.";
inline constexpr std::string_view kServiceNotDeleted =
    "Services and drivers are not deleted; disable it instead.";
inline constexpr std::string_view kPackageNotDeleted =
    "A packaged app's startup task cannot be deleted; switch it off in Startup Apps settings.";
// Backup files of deleted tasks end so; the Backup page lists them beside the .reg files.
inline constexpr std::string_view kTaskBackupExtension = ".task";

// The services whose start type our Disable recorded, as "name\tstartType\tdelayed" lines of
// a file in the backup folder.
struct ServiceRecord {
    std::string name;
    ServiceStart start;
};
std::vector<ServiceRecord> ReadServiceRecords(System& sys);
std::vector<std::string> RecordedServiceNames(System& sys);

enum class SwitchDone { Done, NotGoverned, Failed, OpenSettings };
struct SwitchOutcome {
    SwitchDone done = SwitchDone::Failed;
    std::string message; // the new status when done, else why not
};

// Enables or disables one row of any kind and reads the change back: approval values for
// keys and folders, the task's enabled state, the service's start type (the previous one
// recorded first, put back exactly by Enable). Packaged tasks only say where to switch them.
[[nodiscard]] SwitchOutcome SwitchStartupRow(Registry& reg, System& sys, StartupSources& sources,
                                             const StartupEntry& entry, bool disable);

// Saves the task's XML into a backup file of its own, reads the file back, then removes the
// task. `backupFile` names the file once it was written.
[[nodiscard]] Status BackUpAndRemoveTask(StartupSources& sources, System& sys,
                                         const std::string& path, std::string& backupFile);

struct TaskRestore {
    Status status;
    std::string taskPath;
    std::string message;
};
// Registers the task a .task backup holds under its old path and reads it back.
[[nodiscard]] TaskRestore RestoreTaskBackup(StartupSources& sources, System& sys,
                                            const std::string& file);

} // namespace zt
