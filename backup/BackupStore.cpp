#include "backup/BackupStore.h"
#include "seams/AsciiText.h"
#include "seams/Unicode.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

namespace zt {

std::string BackupFolderPath(System& sys) {
    auto base = sys.GetKnownFolder(KnownFolder::AppData);
    std::string folder = base && !base->empty() ? *base : sys.WindowsFolder();
    return JoinPath(JoinPath(folder, "Morvane"), "Zentrove");
}

std::string GetBackupFolder(System& sys) {
    std::string folder = BackupFolderPath(sys);
    // Fails harmlessly when they exist; a folder that cannot be made fails the file's creation,
    // which reports it.
    (void)sys.MakeFolder(folder.substr(0, folder.rfind('\\')));
    (void)sys.MakeFolder(folder);
    return folder;
}

std::string MakeBackupFileName(System& sys) {
    return MakeBackupFileName(sys, GetBackupFolder(sys));
}

std::string MakeBackupFileName(System& sys, std::string_view folder) {
    LocalTime t = sys.GetLocalTime();
    char stem[64];
    std::snprintf(stem, sizeof stem, "%04d%02d%02d%02d%02d%02d%03d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.milliseconds);
    std::string path = JoinPath(folder, std::string(stem) + ".reg");
    // A second run within the same millisecond must not truncate the first one's file.
    for (int n = 1; n < 1000 && sys.Exists(path); ++n) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "_%03d.reg", n);
        path = JoinPath(folder, std::string(stem) + suffix);
    }
    return path;
}

std::vector<CBackupItem> ListBackups(System& sys) {
    std::string folder = GetBackupFolder(sys);
    std::vector<CBackupItem> items;
    sys.EnumDirectory(folder, [&](const DirEntry& e) {
        // A deleted scheduled task's XML is a backup of its own.
        if (!e.IsDirectory() && (EndsWithNoCase(e.name, ".reg") || EndsWithNoCase(e.name, ".task")))
            items.push_back(CBackupItem{JoinPath(folder, e.name), e.lastWriteTime});
        return true;
    });
    // Names sort by time within one second, so they order files of equal time stamps.
    std::sort(items.begin(), items.end(), [](const CBackupItem& a, const CBackupItem& b) {
        if (a.time != b.time) return a.time > b.time;
        return a.path > b.path;
    });
    return items;
}

std::string FormatBackupTime(std::int64_t time) {
    std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &t) != 0) return {};
#else
    if (!localtime_r(&t, &local)) return {};
#endif
    char buf[128];
    std::size_t n = std::strftime(buf, sizeof buf, "%A,%B %d,%Y - %H:%M:%S %p", &local);
    return std::string(buf, n);
}

namespace {

// Reads and parses; false (with the report filled) when there is nothing to replay.
bool LoadBackup(System& sys, const std::string& path, RestoreReport& report,
                std::vector<RegFileEntry>& entries) {
    if (!EndsWithNoCase(path, ".reg")) {
        report.result = RestoreResult::NotABackup;
        return false;
    }
    auto text = sys.ReadWholeFile(path);
    if (!text) {
        report.result = RestoreResult::Unreadable;
        return false;
    }
    RegFile file =
        ParseRegFile(*text, [&](std::string_view bytes) { return sys.FromAnsiCodePage(bytes); });
    if (!file.ok) {
        report.result = RestoreResult::Damaged;
        report.errorLine = file.errorLine;
        report.reason = file.reason;
        return false;
    }
    // An 8-bit file with letters outside ASCII depends on the code page it is read in.
    report.codePageText = !file.unicode && !IsAscii(*text);
    entries = EntriesOf(file);
    for (const auto& e : entries)
        ++(e.isValue ? report.values : report.keys);
    if (entries.empty()) {
        report.result = RestoreResult::NoEntries;
        return false;
    }
    return true;
}

bool InPart(RestorePart part, RootKey root, std::string_view subkey, std::string_view sid) {
    return part == RestorePart::All ||
           InAccountsHive(root, subkey, sid) == (part == RestorePart::User);
}

// The file's bytes with only the key blocks of `part` (and what precedes the first block, the
// header). A block runs from a line that opens with "[" to the next; the file is 8-bit or
// UTF-16LE, and a root's name and a SID are ASCII in either.
std::string BlocksOfPart(const std::string& bytes, RestorePart part, std::string_view sid) {
    const bool wide = bytes.size() >= 2 && bytes[1] == 0 && bytes[0] != 0;
    const bool bom = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    const std::size_t unit = wide || bom ? 2 : 1;
    auto at = [&](std::size_t i) { return i + unit <= bytes.size() ? bytes[i] : '\0'; };
    std::string kept;
    bool keep = true;
    for (std::size_t line = 0; line < bytes.size();) {
        std::size_t end = line;
        while (end < bytes.size() && at(end) != '\n')
            end += unit;
        end = std::min(bytes.size(), end + unit);
        if (at(line) == '[' && line > 0) {
            std::string header;
            for (std::size_t i = line + unit; i < end && at(i) != ']'; i += unit)
                header += at(i);
            if (!header.empty() && header[0] == '-') header.erase(0, 1);
            std::size_t slash = header.find('\\');
            auto root = RootFromName(header.substr(0, slash));
            std::string subkey = slash == std::string::npos ? "" : header.substr(slash + 1);
            keep = root && InPart(part, *root, subkey, sid);
        }
        if (keep) kept.append(bytes, line, end - line);
        line = end;
    }
    return kept;
}

void Tally(RestoreReport& report, const std::vector<RegFileEntry>& entries) {
    report.verified = 0;
    report.failed.clear();
    for (const auto& e : entries) {
        if (e.state == EntryState::Same)
            ++report.verified;
        else
            report.failed.push_back(e);
    }
}

// Replays the file through the registry editor and reads every entry back.
RestoreReport ReplayAndVerify(Registry& reg, System& sys, const std::string& path,
                              std::uint32_t timeoutMs, RestoreReport report,
                              std::vector<RegFileEntry>& entries) {
    const char* editor = nullptr;
    if (sys.SearchProgramPath("REGEDIT.EXE", {}))
        editor = "REGEDIT.EXE";
    else if (sys.SearchProgramPath("REGEDT32.EXE", {}))
        editor = "REGEDT32.EXE";
    if (!editor) {
        report.result = RestoreResult::NoEditor;
        return report;
    }
    std::string parameters = " /s \"" + path + "\"";
    ShellResult r = sys.ExecuteAndWait("open", editor, parameters, kShowHide, timeoutMs);
    if (r.timedOut) {
        report.result = RestoreResult::TimedOut;
        return report;
    }
    if (!r.started || !r.waited) {
        report.result = RestoreResult::StartFailed;
        return report;
    }
    // The editor's exit code says nothing about what it imported: read everything back.
    CompareWithRegistry(reg, entries);
    Tally(report, entries);
    if (!report.failed.empty())
        report.result = RestoreResult::Partial;
    else
        report.result =
            report.codePageText ? RestoreResult::RestoredInCodePage : RestoreResult::Restored;
    return report;
}

} // namespace

bool InAccountsHive(RootKey root, std::string_view subkey, std::string_view sid) {
    if (root == kCurrentUser) return true;
    if (root != kUsers || sid.empty()) return false;
    std::string_view first = subkey.substr(0, subkey.find('\\'));
    return NamesEqual(first, sid) || NamesEqual(first, std::string(sid) + "_Classes");
}

RestoreReport RestoreBackupFile(Registry& reg, System& sys, const std::string& path,
                                std::uint32_t timeoutMs, RestorePart part) {
    RestoreReport report;
    std::vector<RegFileEntry> entries;
    if (!LoadBackup(sys, path, report, entries)) return report;
    std::string replayed = path;
    if (part != RestorePart::All) {
        const std::string sid = sys.CurrentUserSid();
        std::erase_if(entries,
                      [&](const RegFileEntry& e) { return !InPart(part, e.root, e.subkey, sid); });
        report.keys = report.values = 0;
        for (const auto& e : entries)
            ++(e.isValue ? report.values : report.keys);
        if (entries.empty()) {
            report.result = RestoreResult::NoEntries;
            return report;
        }
        replayed = JoinPath(sys.GetTempFolder(),
                            "zentrove-restore-" + path.substr(path.find_last_of('\\') + 1));
        std::string blocks = BlocksOfPart(sys.ReadWholeFile(path).value_or(""), part, sid);
        OutFileHandle out = sys.CreateOutFile(replayed);
        bool written = out != kNoOutFile && sys.WriteOutFile(out, blocks.data(), blocks.size());
        if (out != kNoOutFile) written = sys.CloseOutFile(out) && written;
        if (!written) {
            report.result = RestoreResult::Unreadable;
            return report;
        }
    }
    RestoreReport replay = ReplayAndVerify(reg, sys, replayed, timeoutMs, report, entries);
    if (replayed != path) (void)sys.RemoveFile(replayed); // a copy in the temporary folder
    return replay;
}

RestoreReport PreviewRestore(Registry& reg, System& sys, const std::string& path,
                             std::vector<RegFileEntry>& entries) {
    RestoreReport report;
    entries.clear();
    if (!LoadBackup(sys, path, report, entries)) return report;
    CompareWithRegistry(reg, entries);
    Tally(report, entries);
    report.result = RestoreResult::Restored;
    return report;
}

std::string RestoreMessage(const RestoreReport& report) {
    char buf[160];
    switch (report.result) {
    case RestoreResult::Restored:
        return std::string(kRestoredMessage);
    case RestoreResult::RestoredInCodePage:
        return "The item is restored, its letters outside ASCII read in this system's code page: "
               "the backup file was written by an earlier version. If the language for "
               "non-Unicode programs has changed since, check the names. The backup file was "
               "kept.";
    case RestoreResult::NotABackup:
        return {};
    case RestoreResult::Unreadable:
        return "The backup file could not be read and was not restored.";
    case RestoreResult::Damaged:
        std::snprintf(buf, sizeof buf,
                      "The backup file is damaged at line %d and was not restored.",
                      report.errorLine);
        return std::string(buf) + "\n(" + report.reason + ")";
    case RestoreResult::NoEntries:
        return "The backup file holds no registry entries and was not restored.";
    case RestoreResult::NoEditor:
        return std::string(kNoEditorMessage);
    case RestoreResult::StartFailed:
        return std::string(kEditorFailedMessage);
    case RestoreResult::TimedOut:
        return "The registry editor has not finished after 60 seconds. It is left running and "
               "the backup file was kept.";
    case RestoreResult::Partial:
        break;
    }
    std::snprintf(buf, sizeof buf,
                  "%d of %d entries could not be restored:", static_cast<int>(report.failed.size()),
                  report.keys + report.values);
    std::string text = buf;
    const std::size_t shown = std::min<std::size_t>(report.failed.size(), 10);
    for (std::size_t i = 0; i < shown; ++i)
        text.append(1, '\n').append(DescribeEntry(report.failed[i]));
    if (report.failed.size() > shown) {
        std::snprintf(buf, sizeof buf, "\n... and %d more",
                      static_cast<int>(report.failed.size() - shown));
        text += buf;
    }
    if (!report.note.empty()) text += "\n" + report.note;
    text += "\nThe backup file was kept.";
    return text;
}

} // namespace zt
