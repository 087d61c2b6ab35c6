#include "platform/memory/MemoryStartupSources.h"

namespace zt {

namespace {
Status Denied() {
    return Status::From(StatusCode::AccessDenied, kOsErrorAccessDenied);
}
Status Missing() {
    return Status::From(StatusCode::NotFound, kOsErrorFileNotFound);
}
} // namespace

void MemoryStartupSources::AddTask(TaskInfo info, std::string xml) {
    registeredXml_[xml] = {info, xml};
    std::string path = info.path;
    tasks_[path] = {std::move(info), std::move(xml)};
}

TaskListing MemoryStartupSources::ListTasks() {
    TaskListing listing;
    for (const auto& [path, task] : tasks_)
        listing.tasks.push_back(task.info);
    listing.deniedFolders = deniedFolders;
    return listing;
}

Status MemoryStartupSources::SetTaskEnabled(std::string_view path, bool enabled) {
    auto it = tasks_.find(std::string(path));
    if (it == tasks_.end()) return Missing();
    if (denied.count(it->first)) return Denied();
    it->second.info.enabled = enabled;
    return Status::Success();
}

std::optional<std::string> MemoryStartupSources::TaskXml(std::string_view path) {
    auto it = tasks_.find(std::string(path));
    if (it == tasks_.end()) return std::nullopt;
    return it->second.xml;
}

Status MemoryStartupSources::RegisterTaskXml(std::string_view path, std::string_view xml) {
    auto known = registeredXml_.find(std::string(xml));
    if (known == registeredXml_.end())
        return Status::From(StatusCode::Failed, 0x80041318); // not a task definition
    StoredTask task = known->second;
    task.info.path = std::string(path);
    tasks_[task.info.path] = std::move(task);
    return Status::Success();
}

Status MemoryStartupSources::RemoveTask(std::string_view path) {
    auto it = tasks_.find(std::string(path));
    if (it == tasks_.end()) return Missing();
    if (denied.count(it->first)) return Denied();
    tasks_.erase(it);
    return Status::Success();
}

std::optional<TaskInfo> MemoryStartupSources::QueryTask(std::string_view path) {
    auto it = tasks_.find(std::string(path));
    if (it == tasks_.end()) return std::nullopt;
    return it->second.info;
}

std::vector<ServiceInfo> MemoryStartupSources::ListServices() {
    return services;
}

std::optional<ServiceStart> MemoryStartupSources::QueryServiceStart(std::string_view name) {
    for (const auto& s : services)
        if (s.name == name) return ServiceStart{s.startType, s.delayed};
    return std::nullopt;
}

Status MemoryStartupSources::SetServiceStart(std::string_view name, const ServiceStart& start) {
    for (auto& s : services) {
        if (s.name != name) continue;
        if (denied.count(s.name)) return Denied();
        s.startType = start.startType;
        s.delayed = start.delayed;
        return Status::Success();
    }
    return Missing();
}

} // namespace zt
