#pragma once
// The startup rows beyond keys and folders: scheduled tasks, services and drivers, packaged
// startup tasks; what they start and whether that is part of Windows.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/FileSignatures.h"
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

// Verified, and signed by the name Windows' own files carry.
bool IsWindowsSigned(const FileSignature& signature);
// Whether a task's or service's program ships with Windows: its signature decides when it
// verifies; without one, where it lies (Wine's own programs carry none).
bool IsPartOfWindows(std::string_view program, const FileSignature& signature,
                     std::string_view windowsFolder);
// The Publisher column: the signer; else the company, marked "(not verified)"; else empty.
std::string PublisherText(const FileSignature& signature);

// What a listing is told of the system's other startup sources, row by row. A service our
// Disable switched off stays listed while its previous start type is on record.
class SystemStartupLister {
  public:
    // With `signatures`, each row carries its program's signature, which then decides whether
    // the program is part of Windows.
    SystemStartupLister(StartupSources& sources, System& sys,
                        const std::vector<std::string>& recordedServices,
                        FileSignatures* signatures = nullptr)
        : sources_(sources), sys_(sys), recorded_(recordedServices), signatures_(signatures) {}
    void List(const std::function<void(StartupEntry)>& add);

  private:
    void ListTasks(const std::function<void(StartupEntry)>& add);
    void ListServices(const std::function<void(StartupEntry)>& add);
    void ListPackages(const std::function<void(StartupEntry)>& add);

    StartupSources& sources_;
    System& sys_;
    const std::vector<std::string>& recorded_;
    FileSignatures* signatures_;
};

// A task row from what the scheduler tells; nothing when the task neither starts at logon or
// boot nor runs a program that is not part of Windows. Rows of Windows' own programs are
// marked `partOfWindows`.
std::optional<StartupEntry> TaskRow(const TaskInfo& task, System& sys,
                                    FileSignatures* signatures = nullptr);
// A service or driver row; nothing unless it starts by itself or its start type is on record.
std::optional<StartupEntry> ServiceRow(const ServiceInfo& service, System& sys, bool recorded,
                                       FileSignatures* signatures = nullptr);

} // namespace zt
