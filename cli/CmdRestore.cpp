// zentrove-cli restore [--dry-run] [--json] FILE|NUMBER: replays one backup through the
// registry editor, reads every entry back, and removes the backup only when all of them
// came back; --dry-run lists what a restore would change and writes nothing.
#include <cctype>

#include <nlohmann/json.hpp>

#include "backup/BackupStore.h"
#include "cli/CliContext.h"
#include "cli/ConsoleText.h"
#include "seams/AsciiText.h"
#include "startup/SystemStartupActions.h"

namespace zt::cli {

namespace {

constexpr const char* kUsage =
    "usage: zentrove-cli restore [--dry-run] [--json] [--part user|machine] FILE|NUMBER\n";

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

// What `restore` was asked; false on a usage error.
struct RestoreRequest {
    bool dryRun = false;
    bool json = false;
    RestorePart part = RestorePart::All;
    std::string path;
};

bool ParseRestoreRequest(const Args& args, RestoreRequest& req) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--part" && i + 1 < args.size() && req.part == RestorePart::All &&
            (args[i + 1] == "user" || args[i + 1] == "machine"))
            req.part = args[++i] == "user" ? RestorePart::User : RestorePart::Machine;
        else if (a == "--dry-run")
            req.dryRun = true;
        else if (a == "--json")
            req.json = true;
        else if (!a.empty() && a[0] != '-' && req.path.empty())
            req.path = a;
        else
            return false;
    }
    return !req.path.empty() && !(req.dryRun && req.part != RestorePart::All);
}

// A scheduled task's backup: registered again and read back; the file goes after.
int RestoreTask(CliContext& ctx, const RestoreRequest& req) {
    TaskRestore task = RestoreTaskBackup(ctx.startupSources, ctx.system, req.path);
    bool removed = task.status && ctx.system.RemoveFile(req.path);
    if (req.json)
        PrintJson(ctx, {{"file", req.path},
                        {"task", task.taskPath},
                        {"done", task.status.ok()},
                        {"removed", removed},
                        {"message", task.message}});
    else
        Printf(task.status ? ctx.out : ctx.err, "%s\n", task.message.c_str());
    return task.status ? kExitOk : kExitFailed;
}

// A number as `backups` shows it (the newest carries the highest) made the file's path; false
// with the reason told when there is no such backup.
bool ResolveBackupNumber(CliContext& ctx, std::string& path) {
    if (!AllDigits(path)) return true;
    std::string folder = GetBackupFolder(ctx.system);
    if (!ctx.system.IsDirectory(folder)) {
        Printf(ctx.err, "zentrove-cli restore: the backup folder is not a folder: %s\n",
               folder.c_str());
        return false;
    }
    auto items = ListBackups(ctx.system);
    int number = std::stoi(path);
    int count = static_cast<int>(items.size());
    if (number < 1 || number > count) {
        Printf(ctx.err, "zentrove-cli restore: there is no backup number %d (%d backups)\n", number,
               count);
        return false;
    }
    path = items[count - number].path;
    return true;
}

struct RestoreRun {
    RestoreReport report;
    std::vector<RegFileEntry> entries; // a dry run's
    std::string message;
    bool done = false;
    bool removed = false;
};

void PrintRestoreJson(CliContext& ctx, const RestoreRequest& req, const RestoreRun& run) {
    const RestoreReport& report = run.report;
    nlohmann::json doc = {{"file", req.path}, {"keys", report.keys}, {"values", report.values}};
    if (req.dryRun) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& e : run.entries) {
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
        doc["removed"] = run.removed;
    }
    doc["restored"] = run.done && !req.dryRun;
    if (!run.done) doc["error"] = run.message;
    if (report.result == RestoreResult::RestoredInCodePage) doc["note"] = run.message;
    if (report.result == RestoreResult::Damaged) doc["errorLine"] = report.errorLine;
    PrintJson(ctx, doc);
}

int PrintRestoreText(CliContext& ctx, const RestoreRequest& req, const RestoreRun& run) {
    const RestoreReport& report = run.report;
    if (!run.done) {
        Printf(ctx.err, "zentrove-cli restore: %s\n", run.message.c_str());
        return kExitFailed;
    }
    if (req.dryRun) {
        for (const auto& e : run.entries)
            Printf(ctx.out, "%s\t%s\n", StateText(e.state), DescribeEntry(e).c_str());
        Printf(ctx.out, "%d keys, %d values; %d entries would change; nothing written\n",
               report.keys, report.values, static_cast<int>(report.failed.size()));
        return kExitOk;
    }
    Printf(ctx.out, "%s\n", run.message.c_str());
    Printf(ctx.out, "%d keys, %d values; %d verified\n", report.keys, report.values,
           report.verified);
    return kExitOk;
}

RestoreRun Restore(CliContext& ctx, const RestoreRequest& req) {
    RestoreRun run;
    run.report = req.dryRun ? PreviewRestore(ctx.registry, ctx.system, req.path, run.entries)
                            : RestoreBackupFile(ctx.registry, ctx.system, req.path,
                                                kEditorTimeoutMs, req.part);
    run.message = RestoreMessage(run.report);
    if (run.report.result == RestoreResult::NotABackup)
        run.message = "not a backup file (it must end in .reg): " + req.path;
    run.done = run.report.result == RestoreResult::Restored ||
               run.report.result == RestoreResult::RestoredInCodePage;
    // Only a restore whose every entry read back as it was written removes the file; one part
    // leaves it for the other.
    if (run.report.result == RestoreResult::Restored && !req.dryRun &&
        req.part == RestorePart::All) {
        run.removed = ctx.system.RemoveFile(req.path).ok();
        if (!run.removed)
            Printf(ctx.err, "zentrove-cli restore: the backup file could not be removed: %s\n",
                   req.path.c_str());
    }
    return run;
}

} // namespace

int RunRestoreCommand(CliContext& ctx, const Args& args) {
    RestoreRequest req;
    if (!ParseRestoreRequest(args, req)) {
        Printf(ctx.err, "%s", kUsage);
        return kExitUsage;
    }
    if (!ResolveBackupNumber(ctx, req.path)) return kExitFailed;
    if (EndsWithNoCase(req.path, kTaskBackupExtension) && !req.dryRun) return RestoreTask(ctx, req);
    RestoreRun run = Restore(ctx, req);
    if (!req.json) return PrintRestoreText(ctx, req, run);
    PrintRestoreJson(ctx, req, run);
    return run.done ? kExitOk : kExitFailed;
}

} // namespace zt::cli
