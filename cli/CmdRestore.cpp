// zentrove-cli restore [--dry-run] [--json] FILE|NUMBER: replays one backup through the
// registry editor, reads every entry back, and removes the backup only when all of them
// came back; --dry-run lists what a restore would change and writes nothing.
#include <cctype>

#include <nlohmann/json.hpp>

#include "backup/BackupStore.h"
#include "cli/CliContext.h"
#include "cli/ConsoleText.h"
#include "platform/win32/Win32StartupSources.h"
#include "seams/AsciiText.h"
#include "startup/SystemStartupActions.h"

namespace zt::cli {

namespace {

constexpr const char* kUsage = "usage: zentrove-cli restore [--dry-run] [--json] FILE|NUMBER\n";

bool AllDigits(const std::string& s) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

const char* StateText(EntryState s) {
    switch (s) {
    case EntryState::Same:
        return "same";
    case EntryState::Different:
        return "different now";
    case EntryState::Missing:
        break;
    }
    return "missing now";
}

nlohmann::json EntryJson(const RegFileEntry& e) {
    nlohmann::json j = {{"key", e.keyPath}};
    if (e.isValue) j["value"] = e.valueName;
    return j;
}

void PrintJson(CliContext& ctx, const nlohmann::json& doc) {
    Printf(ctx.out, "%s\n",
           doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

} // namespace

int RunRestoreCommand(CliContext& ctx, const Args& args) {
    bool dryRun = false, json = false;
    std::string path;
    for (const auto& a : args) {
        if (a == "--dry-run") {
            dryRun = true;
        } else if (a == "--json") {
            json = true;
        } else if (!a.empty() && a[0] != '-' && path.empty()) {
            path = a;
        } else {
            Printf(ctx.err, "%s", kUsage);
            return kExitUsage;
        }
    }
    if (path.empty()) {
        Printf(ctx.err, "%s", kUsage);
        return kExitUsage;
    }
    if (AllDigits(path)) {
        // Numbers as `backups` shows them: the newest carries the highest.
        std::string folder = GetBackupFolder(ctx.system);
        if (!ctx.system.IsDirectory(folder)) {
            Printf(ctx.err, "zentrove-cli restore: the backup folder is not a folder: %s\n",
                   folder.c_str());
            return kExitFailed;
        }
        auto items = ListBackups(ctx.system);
        int number = std::stoi(path);
        int count = static_cast<int>(items.size());
        if (number < 1 || number > count) {
            Printf(ctx.err, "zentrove-cli restore: there is no backup number %d (%d backups)\n",
                   number, count);
            return kExitFailed;
        }
        path = items[count - number].path;
    }

    if (EndsWithNoCase(path, kTaskBackupExtension) && !dryRun) {
        // A scheduled task's backup: registered again and read back; the file goes after.
        Win32StartupSources sources;
        TaskRestore task = RestoreTaskBackup(sources, ctx.system, path);
        bool removed = task.status && ctx.system.RemoveFile(path);
        if (json)
            PrintJson(ctx, {{"file", path},
                            {"task", task.taskPath},
                            {"done", task.status.ok()},
                            {"removed", removed},
                            {"message", task.message}});
        else
            Printf(task.status ? ctx.out : ctx.err, "%s\n", task.message.c_str());
        return task.status ? kExitOk : kExitFailed;
    }

    std::vector<RegFileEntry> entries;
    RestoreReport report = dryRun ? PreviewRestore(ctx.registry, ctx.system, path, entries)
                                  : RestoreBackupFile(ctx.registry, ctx.system, path);
    std::string message = RestoreMessage(report);
    if (report.result == RestoreResult::NotABackup)
        message = "not a backup file (it must end in .reg): " + path;
    const bool done = report.result == RestoreResult::Restored ||
                      report.result == RestoreResult::RestoredInCodePage;

    // Only a restore whose every entry read back as it was written removes the file.
    bool removed = false;
    if (report.result == RestoreResult::Restored && !dryRun) {
        removed = ctx.system.RemoveFile(path);
        if (!removed)
            Printf(ctx.err, "zentrove-cli restore: the backup file could not be removed: %s\n",
                   path.c_str());
    }

    if (json) {
        nlohmann::json doc = {{"file", path}, {"keys", report.keys}, {"values", report.values}};
        if (dryRun) {
            nlohmann::json list = nlohmann::json::array();
            for (const auto& e : entries) {
                nlohmann::json j = EntryJson(e);
                j["state"] = StateText(e.state);
                list.push_back(j);
            }
            doc["dryRun"] = true;
            doc["entries"] = list;
        } else {
            doc["verified"] = report.verified;
            nlohmann::json failed = nlohmann::json::array();
            for (const auto& e : report.failed)
                failed.push_back(EntryJson(e));
            doc["failed"] = failed;
            doc["removed"] = removed;
        }
        doc["restored"] = done && !dryRun;
        if (!done) doc["error"] = message;
        if (report.result == RestoreResult::RestoredInCodePage) doc["note"] = message;
        if (report.result == RestoreResult::Damaged) doc["errorLine"] = report.errorLine;
        PrintJson(ctx, doc);
        return done ? kExitOk : kExitFailed;
    }

    if (!done) {
        Printf(ctx.err, "zentrove-cli restore: %s\n", message.c_str());
        return kExitFailed;
    }
    if (dryRun) {
        for (const auto& e : entries)
            Printf(ctx.out, "%s\t%s\n", StateText(e.state), DescribeEntry(e).c_str());
        Printf(ctx.out, "%d keys, %d values; %d entries would change; nothing written\n",
               report.keys, report.values, static_cast<int>(report.failed.size()));
        return kExitOk;
    }
    Printf(ctx.out, "%s\n", message.c_str());
    Printf(ctx.out, "%d keys, %d values; %d verified\n", report.keys, report.values,
           report.verified);
    return kExitOk;
}

} // namespace zt::cli
