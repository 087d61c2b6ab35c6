#include "startup/StartupEnumerator.h"
#include "seams/AsciiText.h"

#include <cstring>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "scan/FindingId.h"
#include "scan/TextLimits.h"
#include "startup/StartupApproval.h"
#include "startup/StartupLocations.h"
#include "startup/SystemStartup.h"
#include "startup/SystemStartupActions.h"

namespace zt {

namespace {

// Buffers in characters (scan/TextLimits.h).
constexpr std::uint32_t kValueNameBuffer = 500;
constexpr std::uint32_t kValueDataBuffer = 2000;
constexpr std::uint32_t kSubkeyNameBuffer = 500;
constexpr std::uint32_t kSmallValueBuffer = 260;
// RunOnceEx child paths are built in 988 characters; a longer path is not walked.
constexpr std::size_t kMaxChildPath = 987;

// Registry string data as stored: up to its first zero byte.
std::string StringData(const std::vector<std::uint8_t>& data) {
    const char* p = reinterpret_cast<const char*>(data.data());
    return std::string(p, ::strnlen(p, data.size()));
}

std::string RemoveAll(std::string text, std::string_view what) {
    if (what.empty()) return text;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at))
        text.erase(at, what.size());
    return text;
}

std::string ReplaceAll(std::string text, std::string_view what, std::string_view with) {
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

} // namespace

void StartupEnumerator::EnumerateStartupEntries(StartupEntrySink& sink) {
    sink_ = &sink;
    sink.ClearStartupRows();
    rowCount_ = 0;
    keyDepth_ = 0;
    runOnceExMode_ = false;

    // Each machine key with a 32-bit twin is followed by the twin.
    ListRegistryKey(kLocalMachine, kRunKeyPath);
    ListTwinKey(kRun32KeyPath, kRunKeyPath);
    ListRegistryKey(kCurrentUser, kRunKeyPath);
    ListLoadAndRun();
    {
        SetLocation(kLocalMachine, kWinlogonKeyPath);
        RegKey key(reg_, reg_.OpenKeyRead(RootHandle(kLocalMachine), kWinlogonKeyPath));
        if (key) {
            ListWinlogonValue(key.get(), "Userinit", "userinit.exe", sys_.SystemFolder(),
                              StartupEntryKind::WinlogonUserinit);
            ListWinlogonValue(key.get(), "Shell", "explorer.exe", sys_.WindowsFolder(),
                              StartupEntryKind::WinlogonShell);
        }
    }
    ListRegistryKey(kCurrentUser, kPoliciesRunKeyPath);
    ListRegistryKey(kLocalMachine, kPoliciesRunKeyPath);
    ListTwinKey(kPoliciesRun32KeyPath, kPoliciesRunKeyPath);
    ListRegistryKey(kLocalMachine, kRunServicesOnceKeyPath);
    ListTwinKey(kRunServicesOnce32KeyPath, kRunServicesOnceKeyPath);
    ListRegistryKey(kCurrentUser, kRunServicesOnceKeyPath);
    ListRegistryKey(kLocalMachine, kRunServicesKeyPath);
    ListTwinKey(kRunServices32KeyPath, kRunServicesKeyPath);
    ListRegistryKey(kCurrentUser, kRunServicesKeyPath);
    ListRegistryKey(kLocalMachine, kRunOnceKeyPath);
    ListTwinKey(kRunOnce32KeyPath, kRunOnceKeyPath);
    ListRegistryKey(kCurrentUser, kRunOnceKeyPath);

    runOnceExMode_ = true;
    const std::pair<RootKey, std::string_view> onceEx[] = {{kLocalMachine, kRunOnceExKeyPath},
                                                           {kLocalMachine, kRunOnceEx32KeyPath},
                                                           {kCurrentUser, kRunOnceExKeyPath}};
    for (const auto& [root, path] : onceEx) {
        SetLocation(root, path);
        RegKey key(reg_, reg_.OpenKeyRead(RootHandle(root), path));
        if (key) WalkRunOnceExKey(key.get(), std::string(path));
    }
    runOnceExMode_ = false;

    // Both folders are looked up before either is listed.
    auto common = GetCommonStartupFolder(reg_, sys_);
    auto user = GetUserStartupFolder(reg_, sys_);
    if (common) ListStartupFolder(*common, kCommonStartupLocation);
    if (user) ListStartupFolder(*user, kUserStartupLocation);
    if (sources_) {
        auto recorded = RecordedServiceNames(sys_);
        SystemStartupLister(*sources_, sys_, recorded, signatures_)
            .List([this](StartupEntry entry) { AppendEntry(std::move(entry)); });
    }
    sink_ = nullptr;
}

std::string StartupEnumerator::MakeLocationText(std::string_view keyPath) const {
    if (currentRoot_ == kLocalMachine) return "HKLM\\" + std::string(keyPath);
    if (currentRoot_ == kCurrentUser) return "HKCU\\" + std::string(keyPath);
    return std::string(keyPath);
}

std::string StartupEnumerator::ResolveShortcut(const std::string& path) {
    // Only a failure falls back to the file's own path; an empty target shows as empty.
    auto target = sys_.ResolveShortcut(path);
    if (!target) return path;
    return *target;
}

void StartupEnumerator::SetLocation(RootKey root, std::string_view keyPath) {
    currentRoot_ = root;
    keyDepth_ = 0;
    currentLocation_ = std::string(RootAbbreviation(root)) + std::string(keyPath);
}

void StartupEnumerator::ListRegistryKey(RootKey root, std::string_view keyPath) {
    SetLocation(root, keyPath);
    RegKey key(reg_, reg_.OpenKeyRead(RootHandle(root), keyPath));
    if (key) ListKeyValues(key.get(), keyPath);
}

void StartupEnumerator::ListTwinKey(std::string_view keyPath, std::string_view key64Path) {
    if (SameValues(keyPath, key64Path)) return;
    ListRegistryKey(kLocalMachine, keyPath);
}

bool StartupEnumerator::SameValues(std::string_view keyPath, std::string_view otherPath) {
    using Value = std::tuple<std::string, std::uint32_t, std::vector<std::uint8_t>>;
    auto values = [&](std::string_view path) {
        std::vector<Value> list;
        RegKey key(reg_, reg_.OpenKeyRead(RootHandle(kLocalMachine), path));
        Value v;
        for (std::uint32_t i = 0;
             key && EnumValueWithin(reg_, key.get(), i, std::get<0>(v), kValueNameBuffer,
                                    std::get<1>(v), std::get<2>(v), kValueDataBuffer);
             ++i)
            list.push_back(v);
        return list;
    };
    return values(keyPath) == values(otherPath);
}

void StartupEnumerator::ListKeyValues(HKey key, std::string_view keyPath) {
    std::string name;
    std::vector<std::uint8_t> data;
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t type = 0;
        // A value too long for the buffers ends the listing of this key.
        if (!EnumValueWithin(reg_, key, index, name, kValueNameBuffer, type, data,
                             kValueDataBuffer))
            break;
        if (type != kRegSz && type != kRegExpandSz) continue;
        if (data.empty()) continue;
        if (runOnceExMode_ && keyDepth_ != 2) continue;
        std::string command = StringData(data);
        if (type == kRegExpandSz) command = judge_.ExpandEnvironment(command);
        AppendStartupRow(name, std::move(command), MakeLocationText(keyPath),
                         StartupEntryKind::RegistryValue);
    }
}

void StartupEnumerator::WalkRunOnceExKey(HKey key, const std::string& keyPath) {
    ++keyDepth_;
    ListKeyValues(key, keyPath);
    std::string subkey;
    for (std::uint32_t index = 0; reg_.EnumKey(key, index, subkey, kSubkeyNameBuffer); ++index) {
        std::string childPath = keyPath.empty() ? subkey : keyPath + "\\" + subkey;
        if (UnitsAtLeast(childPath, kMaxChildPath + 1)) continue;
        if (runOnceExMode_ && NamesEqual(subkey, "Depend")) continue;
        RegKey child(reg_, reg_.OpenKeyRead(key, subkey));
        if (!child) continue;
        WalkRunOnceExKey(child.get(), childPath);
        --keyDepth_;
    }
}

void StartupEnumerator::ListLoadAndRun() {
    SetLocation(kCurrentUser, kWindowsKeyPath);
    RegKey key(reg_, reg_.OpenKeyRead(RootHandle(kCurrentUser), kWindowsKeyPath));
    if (!key) return;
    for (const char* valueName : {"load", "run"}) {
        auto value = ReadValueWithin(reg_, key.get(), valueName, kSmallValueBuffer);
        if (!value) continue;
        std::string text = StringData(value->data);
        if (!text.empty())
            AppendStartupRow(valueName, std::move(text), currentLocation_,
                             StartupEntryKind::RegistryValue);
    }
}

void StartupEnumerator::ListWinlogonValue(HKey key, std::string_view valueName,
                                          std::string_view defaultName, std::string_view folder,
                                          StartupEntryKind kind) {
    auto value = ReadValueWithin(reg_, key, valueName, kSmallValueBuffer);
    if (!value) return;
    // Lower-cased as the system lower-cases, so letters beyond A-Z match and show as it has them.
    std::string text = sys_.LowerText(StringData(value->data));
    const std::string withComma = std::string(defaultName) + ",";
    const std::string fullDefault = sys_.LowerText(std::string(folder) + "\\" + withComma);
    if (text == withComma || text == defaultName || text == fullDefault) return;
    text = RemoveAll(std::move(text), fullDefault);
    text = RemoveAll(std::move(text), withComma);
    text = RemoveAll(std::move(text), defaultName);
    text = ReplaceAll(std::move(text), ".exe,", ".exe ");
    if (!text.empty())
        AppendStartupRow(std::string(valueName), std::move(text), currentLocation_, kind);
}

void StartupEnumerator::ListStartupFolder(const std::string& folder, std::string_view location) {
    std::vector<std::string> files;
    sys_.EnumDirectory(folder, [&](const DirEntry& entry) {
        if (entry.IsDirectory()) return true;
        if (EndsWithNoCase(entry.name, ".ini")) return true;
        files.push_back(entry.name);
        return true;
    });
    // Shortcuts are resolved after the folder search is closed.
    for (const auto& file : files) {
        std::string path = JoinPath(folder, file);
        std::string command = path;
        if (EndsWithNoCase(path, ".lnk") || EndsWithNoCase(path, ".pif"))
            command = ResolveShortcut(path);
        AppendStartupRow(file, std::move(command), std::string(location),
                         StartupEntryKind::StartupFolderFile);
    }
}

void StartupEnumerator::AppendStartupRow(std::string name, std::string command,
                                         std::string location, StartupEntryKind kind) {
    StartupEntry entry;
    entry.number = rowCount_ + 1;
    entry.name = std::move(name);
    entry.command = std::move(command);
    entry.location = std::move(location);
    entry.kind = kind;
    if (auto slot = ApprovalFor(entry)) entry.disabled = ReadApprovalDisabled(reg_, *slot);
    if (signatures_) {
        // Only a Windows signature makes these rows Windows' own: anyone may write to its folder.
        std::string program = ProgramOfCommand(entry.command, sys_);
        if (!program.empty()) entry.signature = signatures_->Read(program);
        entry.partOfWindows = IsWindowsSigned(entry.signature);
    }
    AppendEntry(std::move(entry));
}

void StartupEnumerator::AppendEntry(StartupEntry entry) {
    if (hideWindows_ && entry.partOfWindows) return;
    entry.number = rowCount_ + 1;
    if (sink_) sink_->AddStartupRow(entry);
    ++rowCount_;
}

std::string StartupEntryId(const StartupEntry& entry) {
    return StableIdHash()
        .Add(FoldName(entry.location))
        .Add(FoldName(entry.name))
        .Add(StartupEntryKindName(entry.kind))
        .Text();
}

std::string_view StartupEntryKindName(StartupEntryKind kind) {
    switch (kind) {
    case StartupEntryKind::RegistryValue:
        return "RegistryValue";
    case StartupEntryKind::StartupFolderFile:
        return "StartupFolderFile";
    case StartupEntryKind::WinlogonUserinit:
        return "WinlogonUserinit";
    case StartupEntryKind::WinlogonShell:
        return "WinlogonShell";
    case StartupEntryKind::ScheduledTask:
        return "ScheduledTask";
    case StartupEntryKind::Service:
        return "Service";
    case StartupEntryKind::Driver:
        return "Driver";
    case StartupEntryKind::PackagedTask:
        return "PackagedTask";
    }
    return "Unknown";
}

std::string_view StartupKindWord(StartupEntryKind kind) {
    switch (kind) {
    case StartupEntryKind::StartupFolderFile:
        return "folder";
    case StartupEntryKind::ScheduledTask:
        return "task";
    case StartupEntryKind::Service:
        return "service";
    case StartupEntryKind::Driver:
        return "driver";
    case StartupEntryKind::PackagedTask:
        return "package";
    default:
        return "run";
    }
}

std::string StartupStatusText(const StartupEntry& entry) {
    std::string text = !entry.state.empty() ? entry.state
                       : entry.disabled     ? std::string(kStatusDisabled)
                                            : std::string(kStatusEnabled);
    if (entry.fileMissing) text += " (File not found)";
    return text;
}

} // namespace zt
