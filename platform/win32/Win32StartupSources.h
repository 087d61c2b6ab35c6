#pragma once
// Scheduled tasks through the Task Scheduler 2.0 interfaces, services and drivers through the
// service control manager, packaged startup tasks from the user's package state.
#include "seams/StartupSources.h"

namespace zt {

class Win32StartupSources : public StartupSources {
  public:
    TaskListing ListTasks() override;
    Status SetTaskEnabled(std::string_view path, bool enabled) override;
    std::optional<std::string> TaskXml(std::string_view path) override;
    Status RegisterTaskXml(std::string_view path, std::string_view xml) override;
    Status RemoveTask(std::string_view path) override;
    std::optional<TaskInfo> QueryTask(std::string_view path) override;

    std::vector<ServiceInfo> ListServices() override;
    std::optional<ServiceStart> QueryServiceStart(std::string_view name) override;
    Status SetServiceStart(std::string_view name, const ServiceStart& start) override;

    std::vector<PackagedTaskInfo> ListPackagedTasks() override;
};

// Where the system keeps each packaged startup task's state, under HKCU: a key per package
// family, a key per task id below it, and its DWORD "State".
inline constexpr std::wstring_view kPackagedTaskStateKey =
    L"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\"
    L"SystemAppData";
inline constexpr std::wstring_view kPackageRepositoryKey =
    L"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\"
    L"Repository";

} // namespace zt
