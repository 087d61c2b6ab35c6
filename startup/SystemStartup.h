#pragma once
// The startup rows beyond keys and folders: scheduled tasks, services and drivers, packaged
// startup tasks; what they start and whether that is part of Windows.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/StartupSources.h"
#include "seams/System.h"
#include "startup/StartupEntry.h"

namespace zt {

inline constexpr std::string_view kTaskLocation = "Task Scheduler";
inline constexpr std::string_view kServiceLocation = "Services";
inline constexpr std::string_view kDriverLocation = "Drivers";
inline constexpr std::string_view kPackageLocation = "Packaged apps";
inline constexpr std::string_view kAccessDeniedState = "Access denied";

// "At log on of any user", "At log on of USER", "At startup", "Daily 03:00", ...
std::string TriggerText(const TaskTrigger& trigger);
// Every trigger's text joined by "; "; "On demand only" when there is none.
std::string TriggersText(const std::vector<TaskTrigger>& triggers);
// "Boot", "System", "Automatic", "Automatic (delayed)", "Manual", "Disabled".
std::string StartTypeText(std::uint32_t startType, bool delayed);

// The program a command line or service image path starts, as a full path where it can be
// told: quotes removed, variables expanded, "\SystemRoot\" and drive-less "System32\" forms
// put under the Windows folder, an unquoted path with blanks cut where the file exists, a
// bare file name looked up on the search path. Empty for an empty command.
std::string ProgramOfCommand(std::string_view command, System& sys);
// A driver with no image path loads System32\drivers\NAME.sys.
std::string DriverProgram(const ServiceInfo& service, System& sys);

// A program under the Windows folder, outside its Temp folder.
bool IsPartOfWindows(std::string_view program, std::string_view windowsFolder);

// What a listing is told of the system's other startup sources, row by row. A service our
// Disable switched off stays listed while its previous start type is on record.
class SystemStartupLister {
  public:
    SystemStartupLister(StartupSources& sources, System& sys,
                        const std::vector<std::string>& recordedServices)
        : sources_(sources), sys_(sys), recorded_(recordedServices) {}
    void List(const std::function<void(StartupEntry)>& add);

  private:
    void ListTasks(const std::function<void(StartupEntry)>& add);
    void ListServices(const std::function<void(StartupEntry)>& add);
    void ListPackages(const std::function<void(StartupEntry)>& add);

    StartupSources& sources_;
    System& sys_;
    const std::vector<std::string>& recorded_;
};

// A task row from what the scheduler tells; nothing when the task neither starts at logon or
// boot nor runs a program that is not part of Windows.
std::optional<StartupEntry> TaskRow(const TaskInfo& task, System& sys);
// A service or driver row; nothing unless it starts by itself and is not part of Windows, or
// its start type is on record.
std::optional<StartupEntry> ServiceRow(const ServiceInfo& service, System& sys, bool recorded);

} // namespace zt
