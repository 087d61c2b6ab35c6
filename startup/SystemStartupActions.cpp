#include "startup/SystemStartupActions.h"

#include <algorithm>
#include <cstdio>

#include "backup/BackupStore.h"
#include "seams/StatusText.h"
#include "seams/Unicode.h"
#include "startup/StartupApproval.h"
#include "startup/SystemStartup.h"

namespace zt {

namespace {

constexpr std::string_view kServiceRecordFile = "ServiceStartTypes.txt";
constexpr std::string_view kTaskBackupHeader = "ZentroveTask\t";

Status Refused(std::uint32_t error = 0) {
    return Status::From(StatusCode::Failed, error);
}

bool WriteWhole(System& sys, const std::string& path, const std::string& text) {
    OutFileHandle file = sys.CreateOutFile(path);
    if (file == kNoOutFile) return false;
    bool written = sys.WriteOutFile(file, text.data(), text.size());
    bool closed = sys.CloseOutFile(file);
    return written && closed && sys.ReadWholeFile(path) == text;
}

bool WriteServiceRecords(System& sys, const std::vector<ServiceRecord>& records) {
    std::string text;
    for (const auto& r : records)
        text += r.name + "\t" + std::to_string(r.start.startType) + "\t" +
                (r.start.delayed ? "1" : "0") + "\n";
    return WriteWhole(sys, JoinPath(GetBackupFolder(sys), kServiceRecordFile), text);
}

std::optional<ServiceStart> RecordedStart(const std::vector<ServiceRecord>& records,
                                          std::string_view name) {
    for (const auto& r : records)
        if (NamesEqual(r.name, name)) return r.start;
    return std::nullopt;
}

void Forget(std::vector<ServiceRecord>& records, std::string_view name) {
    std::erase_if(records, [&](const ServiceRecord& r) { return NamesEqual(r.name, name); });
}

SwitchOutcome Failed(std::string message) {
    return {SwitchDone::Failed, std::move(message)};
}

SwitchOutcome SwitchTask(StartupSources& sources, const StartupEntry& entry, bool disable) {
    Status set = sources.SetTaskEnabled(entry.name, !disable);
    auto back = sources.QueryTask(entry.name);
    if (set && back && back->enabled == !disable)
        return {SwitchDone::Done, std::string(disable ? "Disabled" : "Enabled")};
    if (!set) return Failed("The task scheduler refused the change: " + StatusReason(set) + ".");
    return Failed("The task did not keep the change.");
}

SwitchOutcome SwitchService(StartupSources& sources, System& sys, const StartupEntry& entry,
                            bool disable) {
    auto now = sources.QueryServiceStart(entry.name);
    if (!now) return Failed("The service control manager does not know the service now.");
    auto records = ReadServiceRecords(sys);
    ServiceStart want{kServiceDisabled, false};
    std::string note;
    if (disable) {
        if (now->startType == kServiceDisabled) return {SwitchDone::Done, "Disabled"};
        // The start type to put back is on record before anything changes.
        Forget(records, entry.name);
        records.push_back({entry.name, *now});
        if (!WriteServiceRecords(sys, records))
            return Failed("The previous start type could not be recorded; nothing was changed.");
    } else {
        auto recorded = RecordedStart(records, entry.name);
        want = recorded ? *recorded : ServiceStart{kServiceDemandStart, false};
        if (!recorded) note = " (no start type on record: set to Manual)";
    }
    Status set = sources.SetServiceStart(entry.name, want);
    auto back = sources.QueryServiceStart(entry.name);
    if (!set)
        return Failed("The service control manager refused the change: " + StatusReason(set) + ".");
    if (!back || *back != want) return Failed("The service did not keep the new start type.");
    if (!disable) {
        Forget(records, entry.name);
        // The service is back as it was; a stale record only keeps its row listed.
        (void)WriteServiceRecords(sys, records);
    }
    return {SwitchDone::Done, StartTypeText(want.startType, want.delayed) + note};
}

} // namespace

std::vector<ServiceRecord> ReadServiceRecords(System& sys) {
    std::vector<ServiceRecord> records;
    auto text = sys.ReadWholeFile(JoinPath(BackupFolderPath(sys), kServiceRecordFile));
    if (!text) return records;
    std::size_t at = 0;
    while (at < text->size()) {
        std::size_t end = text->find('\n', at);
        if (end == std::string::npos) end = text->size();
        std::string line = text->substr(at, end - at);
        at = end + 1;
        std::size_t tab1 = line.find('\t'), tab2 = line.rfind('\t');
        if (tab1 == std::string::npos || tab2 == tab1) continue;
        ServiceRecord r;
        r.name = line.substr(0, tab1);
        r.start.startType =
            static_cast<std::uint32_t>(std::strtoul(line.c_str() + tab1 + 1, nullptr, 10));
        r.start.delayed = line.compare(tab2 + 1, 1, "1") == 0;
        if (r.start.startType <= kServiceDisabled) records.push_back(std::move(r));
    }
    return records;
}

std::vector<std::string> RecordedServiceNames(System& sys) {
    std::vector<std::string> names;
    for (auto& r : ReadServiceRecords(sys))
        names.push_back(std::move(r.name));
    return names;
}

SwitchOutcome SwitchStartupRow(Registry& reg, System& sys, StartupSources& sources,
                               const StartupEntry& entry, bool disable) {
    switch (entry.kind) {
    case StartupEntryKind::ScheduledTask:
        if (!entry.state.empty()) return {SwitchDone::NotGoverned, "The task could not be read."};
        return SwitchTask(sources, entry, disable);
    case StartupEntryKind::Service:
    case StartupEntryKind::Driver:
        return SwitchService(sources, sys, entry, disable);
    case StartupEntryKind::PackagedTask:
        return {SwitchDone::OpenSettings, std::string(kPackageChangedInSettings)};
    default:
        break;
    }
    switch (SetStartupEntryDisabled(reg, entry, disable)) {
    case ApprovalWrite::Written:
        return {SwitchDone::Done, std::string(disable ? kStatusDisabled : kStatusEnabled)};
    case ApprovalWrite::NotGoverned:
        return {SwitchDone::NotGoverned, std::string(kOnlyDeletable)};
    case ApprovalWrite::NotWritten:
        break;
    }
    return Failed("Could not write " + ApprovalFor(entry)->Text() + "; nothing was changed.");
}

Status BackUpAndRemoveTask(StartupSources& sources, System& sys, const std::string& path,
                           std::string& backupFile) {
    auto xml = sources.TaskXml(path);
    if (!xml) {
        // Without its XML the task could not come back.
        return sources.QueryTask(path) ? Refused() : Status::From(StatusCode::NotFound);
    }
    std::string file = MakeBackupFileName(sys);
    file.replace(file.size() - 4, 4, kTaskBackupExtension);
    for (int n = 1; n < 1000 && sys.Exists(file); ++n) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "_%03d", n);
        file.insert(file.size() - kTaskBackupExtension.size(), suffix);
    }
    if (!WriteWhole(sys, file, std::string(kTaskBackupHeader) + path + "\n" + *xml)) {
        (void)sys.RemoveFile(file); // a partial backup is no backup
        return Refused();
    }
    backupFile = file;
    return sources.RemoveTask(path);
}

TaskRestore RestoreTaskBackup(StartupSources& sources, System& sys, const std::string& file) {
    TaskRestore restore;
    auto text = sys.ReadWholeFile(file);
    std::size_t newline = text ? text->find('\n') : std::string::npos;
    if (!text || text->compare(0, kTaskBackupHeader.size(), kTaskBackupHeader) != 0 ||
        newline == std::string::npos) {
        restore.status = Refused();
        restore.message = "The file is not a task backup.";
        return restore;
    }
    restore.taskPath = text->substr(kTaskBackupHeader.size(), newline - kTaskBackupHeader.size());
    restore.status = sources.RegisterTaskXml(restore.taskPath, text->substr(newline + 1));
    if (restore.status && !sources.QueryTask(restore.taskPath))
        restore.status = Status::From(StatusCode::NotFound);
    restore.message = restore.status
                          ? "The task " + ForDisplay(restore.taskPath) + " is restored."
                          : "The task " + ForDisplay(restore.taskPath) +
                                " could not be registered again: " + StatusReason(restore.status) +
                                ".";
    return restore;
}

} // namespace zt
