#pragma once
// What starts with Windows beyond the startup keys and folders: scheduled tasks, services and
// drivers, and the startup tasks of packaged apps. The platform reaches them through their own
// interfaces (the task scheduler, the service control manager), never through the registry
// seam's view of their keys.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/Status.h"

namespace zt {

enum class TaskTriggerType : std::uint8_t {
    Logon,
    Boot,
    Daily,
    Weekly,
    Monthly,
    Time,
    Idle,
    Event,
    Registration,
    SessionChange,
    Other
};

struct TaskTrigger {
    TaskTriggerType type = TaskTriggerType::Other;
    std::string start;  // start boundary as the scheduler keeps it: "2026-01-01T03:00:00"
    std::string userId; // a logon trigger's user; empty for any user
};

struct TaskInfo {
    std::string path; // "\Folder\Name"
    bool enabled = true;
    std::vector<TaskTrigger> triggers;
    // Program and arguments of each exec action, in order.
    std::vector<std::pair<std::string, std::string>> execActions;
    int otherActions = 0; // COM handlers, mail and message actions
    // Why the task's definition could not be read; the task is still listed.
    std::string unreadable;
};

struct TaskListing {
    std::vector<TaskInfo> tasks;
    // Folders the scheduler would not open or list ("\Folder": why).
    std::vector<std::pair<std::string, Status>> deniedFolders;
    Status status; // the scheduler itself could not be reached
};

// Start types as the service control manager numbers them.
inline constexpr std::uint32_t kServiceBootStart = 0;
inline constexpr std::uint32_t kServiceSystemStart = 1;
inline constexpr std::uint32_t kServiceAutoStart = 2;
inline constexpr std::uint32_t kServiceDemandStart = 3;
inline constexpr std::uint32_t kServiceDisabled = 4;

struct ServiceInfo {
    std::string name;
    std::string displayName;
    std::string imagePath; // as configured: quotes, arguments and \SystemRoot\ forms included
    std::uint32_t startType = kServiceDemandStart;
    bool delayed = false; // automatic, delayed start
    bool driver = false;
};

struct ServiceStart {
    std::uint32_t startType = kServiceDemandStart;
    bool delayed = false;
    bool operator==(const ServiceStart&) const = default;
};

// A packaged app's startup task, as the system keeps its state.
enum class PackagedTaskState : std::uint8_t {
    Disabled = 0,
    DisabledByUser = 1,
    Enabled = 2,
    DisabledByPolicy = 3,
    EnabledByPolicy = 4
};

struct PackagedTaskInfo {
    std::string packageFamily;
    std::string taskId;
    std::string displayName; // the package's display name; the family name when it has none
    std::string program;     // the package's install folder, when known
    PackagedTaskState state = PackagedTaskState::Disabled;
};

class StartupSources {
  public:
    virtual ~StartupSources() = default;

    // Every task of every folder, hidden ones included.
    virtual TaskListing ListTasks() = 0;
    [[nodiscard]] virtual Status SetTaskEnabled(std::string_view path, bool enabled) = 0;
    // The task's registration XML, as the scheduler gives it.
    virtual std::optional<std::string> TaskXml(std::string_view path) = 0;
    // Registers `xml` as `path`, replacing a task of that path.
    [[nodiscard]] virtual Status RegisterTaskXml(std::string_view path, std::string_view xml) = 0;
    [[nodiscard]] virtual Status RemoveTask(std::string_view path) = 0;
    virtual std::optional<TaskInfo> QueryTask(std::string_view path) = 0;

    // Every service and driver, whatever its start type.
    virtual std::vector<ServiceInfo> ListServices() = 0;
    virtual std::optional<ServiceStart> QueryServiceStart(std::string_view name) = 0;
    [[nodiscard]] virtual Status SetServiceStart(std::string_view name,
                                                 const ServiceStart& start) = 0;

    virtual std::vector<PackagedTaskInfo> ListPackagedTasks() = 0;
};

} // namespace zt
