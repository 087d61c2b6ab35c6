#include "startup/SystemStartup.h"

#include <algorithm>

#include "seams/AsciiText.h"
#include "seams/Unicode.h"

namespace zt {

namespace {

// "2026-01-01T03:00:00" -> "03:00"; empty when the text holds no time.
std::string TimeOf(std::string_view start) {
    std::size_t t = start.find('T');
    if (t == std::string_view::npos || start.size() < t + 6) return {};
    return std::string(start.substr(t + 1, 5));
}

std::string DateOf(std::string_view start) {
    std::size_t t = start.find('T');
    return std::string(start.substr(0, t == std::string_view::npos ? start.size() : t));
}

std::string WithTime(std::string_view word, std::string_view start) {
    std::string time = TimeOf(start);
    return time.empty() ? std::string(word) : std::string(word) + " " + time;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool IsFile(System& sys, const std::string& path) {
    auto attributes = sys.GetAttributes(path);
    return attributes && (*attributes & kAttrDirectory) == 0;
}

// Whether the row's program is there, who made it and whether it ships with Windows; a missing
// program has no signature to read.
void JudgeProgram(StartupEntry& entry, const std::string& program, System& sys,
                  FileSignatures* signatures) {
    if (program.empty()) return;
    entry.fileMissing = !sys.Exists(program);
    if (signatures && !entry.fileMissing) entry.signature = signatures->Read(program);
    entry.partOfWindows = IsPartOfWindows(program, entry.signature, sys.WindowsFolder());
}

} // namespace

std::string TriggerText(const TaskTrigger& trigger) {
    switch (trigger.type) {
    case TaskTriggerType::Logon:
        return trigger.userId.empty() ? "At log on of any user" : "At log on of " + trigger.userId;
    case TaskTriggerType::Boot:
        return "At startup";
    case TaskTriggerType::Daily:
        return WithTime("Daily", trigger.start);
    case TaskTriggerType::Weekly:
        return WithTime("Weekly", trigger.start);
    case TaskTriggerType::Monthly:
        return WithTime("Monthly", trigger.start);
    case TaskTriggerType::Time: {
        std::string date = DateOf(trigger.start), time = TimeOf(trigger.start);
        if (date.empty()) return "One time";
        return "One time " + date + (time.empty() ? "" : " " + time);
    }
    case TaskTriggerType::Idle:
        return "On idle";
    case TaskTriggerType::Event:
        return "On an event";
    case TaskTriggerType::Registration:
        return "When the task is created or modified";
    case TaskTriggerType::SessionChange:
        return "On a session change";
    case TaskTriggerType::Other:
        break;
    }
    return "Custom";
}

std::string TriggersText(const std::vector<TaskTrigger>& triggers) {
    if (triggers.empty()) return "On demand only";
    std::string text;
    for (const auto& t : triggers)
        text += (text.empty() ? "" : "; ") + TriggerText(t);
    return text;
}

std::string StartTypeText(std::uint32_t startType, bool delayed) {
    switch (startType) {
    case kServiceBootStart:
        return "Boot";
    case kServiceSystemStart:
        return "System";
    case kServiceAutoStart:
        return delayed ? "Automatic (delayed)" : "Automatic";
    case kServiceDemandStart:
        return "Manual";
    case kServiceDisabled:
        return "Disabled";
    default:
        return "Start type " + std::to_string(startType);
    }
}

std::string ProgramOfCommand(std::string_view command, System& sys) {
    std::string text(TrimBlanks(command));
    if (text.find('%') != std::string::npos)
        if (auto expanded = sys.ExpandEnv(text)) text = *expanded;
    if (text.empty()) return {};
    if (text.front() == '"') {
        std::size_t close = text.find('"', 1);
        text = text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    } else {
        // The form the system resolves an unquoted path with blanks by: the shortest prefix
        // that names a file, with or without ".exe".
        for (std::size_t blank = text.find(' '); blank != std::string::npos;
             blank = text.find(' ', blank + 1)) {
            std::string prefix = text.substr(0, blank);
            if (IsFile(sys, prefix)) return prefix;
            if (!EndsWithNoCase(prefix, ".exe") && IsFile(sys, prefix + ".exe"))
                return prefix + ".exe";
        }
        // Nothing there to tell: cut after the first ".exe", else at the first blank; a path
        // that ends in ".exe" is whole.
        std::size_t exe = AsciiLower(text).find(".exe ");
        std::size_t blank = text.find(' ');
        if (!IsFile(sys, text) && exe != std::string::npos)
            text.resize(exe + 4);
        else if (!IsFile(sys, text) && blank != std::string::npos && !EndsWithNoCase(text, ".exe"))
            text.resize(blank);
    }
    if (StartsWithNoCase(text, "\\??\\")) text.erase(0, 4);
    std::string windows = sys.WindowsFolder();
    if (StartsWithNoCase(text, "\\SystemRoot\\"))
        text = windows + text.substr(11);
    else if (StartsWithNoCase(text, "System32\\") || StartsWithNoCase(text, "SysWOW64\\"))
        text = windows + "\\" + text;
    else if (text.find('\\') == std::string::npos && text.find(':') == std::string::npos) {
        std::string_view extension = EndsWithNoCase(text, ".exe") ? "" : ".exe";
        if (auto found = sys.SearchProgramPath(text, extension)) return *found;
    }
    return text;
}

std::string DriverProgram(const ServiceInfo& service, System& sys) {
    if (!service.imagePath.empty() || !service.driver)
        return ProgramOfCommand(service.imagePath, sys);
    return sys.SystemFolder() + "\\drivers\\" + service.name + ".sys";
}

bool IsPartOfWindows(std::string_view program, std::string_view windowsFolder) {
    if (windowsFolder.empty() || program.size() <= windowsFolder.size()) return false;
    if (!NamesEqual(program.substr(0, windowsFolder.size()), windowsFolder) ||
        program[windowsFolder.size()] != '\\')
        return false;
    // What lands in the Windows folder's Temp is anybody's.
    std::string_view rest = program.substr(windowsFolder.size() + 1);
    return !StartsWithNoCase(rest, "Temp\\");
}

bool IsWindowsSigned(const FileSignature& signature) {
    return signature.verified && (signature.publisher == "Microsoft Windows" ||
                                  signature.publisher == "Microsoft Windows Publisher");
}

bool IsPartOfWindows(std::string_view program, const FileSignature& signature,
                     std::string_view windowsFolder) {
    if (signature.verified) return IsWindowsSigned(signature);
    return IsPartOfWindows(program, windowsFolder);
}

std::string PublisherText(const FileSignature& signature) {
    if (signature.verified || signature.publisher.empty()) return signature.publisher;
    return signature.publisher + " (not verified)";
}

std::optional<StartupEntry> TaskRow(const TaskInfo& task, System& sys, FileSignatures* signatures) {
    StartupEntry entry;
    entry.kind = StartupEntryKind::ScheduledTask;
    entry.name = task.path;
    entry.location = std::string(kTaskLocation);
    entry.disabled = !task.enabled;
    entry.detail = TriggersText(task.triggers);
    if (!task.unreadable.empty()) {
        // A task the scheduler cannot describe is shown rather than judged.
        entry.command = "(" + task.unreadable + ")";
        return entry;
    }
    bool atStart = std::any_of(task.triggers.begin(), task.triggers.end(), [](const auto& t) {
        return t.type == TaskTriggerType::Logon || t.type == TaskTriggerType::Boot;
    });
    std::string program;
    if (!task.execActions.empty()) {
        const auto& [path, arguments] = task.execActions.front();
        bool quote = path.find(' ') != std::string::npos && path.front() != '"';
        entry.command = quote ? "\"" + path + "\"" : path;
        if (!arguments.empty()) entry.command += " " + arguments;
        program = ProgramOfCommand(entry.command, sys);
    } else if (task.otherActions > 0) {
        entry.command = "(COM handler)";
    }
    int more = static_cast<int>(task.execActions.size()) + task.otherActions - 1;
    if (more > 0) entry.command += " +" + std::to_string(more) + " more";
    JudgeProgram(entry, program, sys, signatures);
    if (!atStart && (program.empty() || entry.partOfWindows)) return std::nullopt;
    return entry;
}

std::optional<StartupEntry> ServiceRow(const ServiceInfo& service, System& sys, bool recorded,
                                       FileSignatures* signatures) {
    if (!recorded && service.startType > kServiceAutoStart) return std::nullopt;
    std::string program = DriverProgram(service, sys);
    StartupEntry entry;
    entry.kind = service.driver ? StartupEntryKind::Driver : StartupEntryKind::Service;
    entry.name = service.name;
    entry.displayName = service.displayName;
    entry.command = service.imagePath.empty() ? program : service.imagePath;
    entry.location = std::string(service.driver ? kDriverLocation : kServiceLocation);
    entry.detail = StartTypeText(service.startType, service.delayed);
    entry.disabled = service.startType == kServiceDisabled;
    JudgeProgram(entry, program, sys, signatures);
    return entry;
}

void SystemStartupLister::List(const std::function<void(StartupEntry)>& add) {
    ListTasks(add);
    ListServices(add);
    ListPackages(add);
}

void SystemStartupLister::ListTasks(const std::function<void(StartupEntry)>& add) {
    TaskListing listing = sources_.ListTasks();
    auto denied = [&](const std::string& name, const Status& status) {
        StartupEntry entry;
        entry.kind = StartupEntryKind::ScheduledTask;
        entry.name = name;
        entry.location = std::string(kTaskLocation);
        entry.state = status.code() == StatusCode::AccessDenied
                          ? std::string(kAccessDeniedState)
                          : "Not listed: " + status.Describe();
        add(std::move(entry));
    };
    if (!listing.status) denied("\\", listing.status);
    for (const auto& task : listing.tasks)
        if (auto row = TaskRow(task, sys_, signatures_)) add(std::move(*row));
    for (const auto& [folder, status] : listing.deniedFolders)
        denied(folder, status);
}

void SystemStartupLister::ListServices(const std::function<void(StartupEntry)>& add) {
    for (const auto& service : sources_.ListServices()) {
        bool recorded = std::any_of(recorded_.begin(), recorded_.end(), [&](const auto& name) {
            return NamesEqual(name, service.name);
        });
        if (auto row = ServiceRow(service, sys_, recorded, signatures_)) add(std::move(*row));
    }
}

void SystemStartupLister::ListPackages(const std::function<void(StartupEntry)>& add) {
    for (const auto& package : sources_.ListPackagedTasks()) {
        StartupEntry entry;
        entry.kind = StartupEntryKind::PackagedTask;
        entry.name = package.packageFamily + "\\" + package.taskId;
        entry.displayName = package.displayName;
        entry.command = package.program;
        entry.location = std::string(kPackageLocation);
        switch (package.state) {
        case PackagedTaskState::Enabled:
            break;
        case PackagedTaskState::EnabledByPolicy:
            entry.state = "Enabled by policy";
            break;
        case PackagedTaskState::Disabled:
            entry.disabled = true;
            break;
        case PackagedTaskState::DisabledByUser:
            entry.disabled = true;
            entry.state = "Disabled by user";
            break;
        case PackagedTaskState::DisabledByPolicy:
            entry.disabled = true;
            entry.state = "Disabled by policy";
            break;
        }
        add(std::move(entry));
    }
}

} // namespace zt
