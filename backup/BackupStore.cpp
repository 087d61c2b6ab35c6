#include "backup/BackupStore.h"
#include "seams/AsciiText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

namespace zt {

namespace {} // namespace

std::string GetBackupFolder(System& sys) {
    auto base = sys.GetKnownFolder(KnownFolder::AppData);
    std::string folder = base && !base->empty() ? *base : sys.WindowsFolder();
    folder = JoinPath(folder, "Morvane");
    sys.MakeFolder(folder); // fails harmlessly when it exists
    folder = JoinPath(folder, "Zentrove");
    sys.MakeFolder(folder);
    return folder;
}

std::string MakeBackupFileName(System& sys) {
    std::string folder = GetBackupFolder(sys);
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
        if (!e.IsDirectory() && EndsWithNoCase(e.name, ".reg"))
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

RestoreResult RestoreBackupFile(System& sys, UserPrompt& prompt, const std::string& path) {
    if (!EndsWithNoCase(path, ".reg")) return RestoreResult::NotABackup;
    const char* editor = nullptr;
    if (sys.SearchProgramPath("REGEDIT.EXE", {}))
        editor = "REGEDIT.EXE";
    else if (sys.SearchProgramPath("REGEDT32.EXE", {}))
        editor = "REGEDT32.EXE";
    if (!editor) {
        prompt.Ask(kNoEditorMessage, {}, PromptButtons::Ok);
        return RestoreResult::NoEditor;
    }
    std::string parameters = " /s \"" + path + "\"";
    // Waiting for the editor keeps the file until it has been read.
    ShellResult r = sys.Execute("open", editor, parameters, kShowHide, true);
    if (!r.started || !r.waited) {
        prompt.Ask(kEditorFailedMessage, {}, PromptButtons::Ok);
        return RestoreResult::StartFailed;
    }
    return RestoreResult::Restored;
}

} // namespace zt
