#pragma once
// Tasks, services and packaged tasks held in memory, for the native tests of the core.
#include <map>
#include <set>

#include "seams/StartupSources.h"

namespace zt {

class MemoryStartupSources : public StartupSources {
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

    std::vector<PackagedTaskInfo> ListPackagedTasks() override { return packages; }

    // A task whose XML is `xml`; registering XML again brings back `info` with the path.
    void AddTask(TaskInfo info, std::string xml = "<Task/>");

    std::vector<ServiceInfo> services;
    std::vector<PackagedTaskInfo> packages;
    std::vector<std::pair<std::string, Status>> deniedFolders;
    // Names of tasks and services whose changes are refused.
    std::set<std::string> denied;

  private:
    struct StoredTask {
        TaskInfo info;
        std::string xml;
    };
    std::map<std::string, StoredTask> tasks_;
    std::map<std::string, StoredTask> registeredXml_; // by XML text: what a re-registration reads
};

} // namespace zt
