// zentrove-cli backups: the backup files, newest first, numbered as the backup page numbers
// them.
#include <nlohmann/json.hpp>

#include "backup/BackupStore.h"
#include "cli/CliContext.h"
#include "cli/CommandOutput.h"
#include "cli/ConsoleText.h"

namespace zt::cli {

namespace {

constexpr std::string_view kUsage = "usage: zentrove-cli backups [--json]\n";

// The newest file has the highest number.
int NumberOf(const std::vector<CBackupItem>& items, std::size_t index) {
    return static_cast<int>(items.size() - index);
}

void PrintBackupsJson(CliContext& ctx, const std::string& folder,
                      const std::vector<CBackupItem>& items) {
    nlohmann::json list = nlohmann::json::array();
    for (std::size_t i = 0; i < items.size(); ++i)
        list.push_back({{"number", NumberOf(items, i)},
                        {"created", FormatBackupTime(items[i].time)},
                        {"time", items[i].time},
                        {"path", items[i].path}});
    PrintJson(ctx.out, nlohmann::json{{"folder", folder}, {"backups", list}});
}

void PrintBackupRows(CliContext& ctx, const std::vector<CBackupItem>& items) {
    for (std::size_t i = 0; i < items.size(); ++i)
        Printf(ctx.out, "%d\t%s\t%s\n", NumberOf(items, i), FormatBackupTime(items[i].time).c_str(),
               items[i].path.c_str());
}

} // namespace

int RunBackupsCommand(CliContext& ctx, const Args& args) {
    bool json = false;
    for (const auto& a : args) {
        if (a != "--json") return UsageError(ctx, "backups", "unknown option '" + a + "'", kUsage);
        json = true;
    }
    // A file in the folder's place holds no backups and takes none: say so rather than list none.
    std::string folder = GetBackupFolder(ctx.system);
    if (!ctx.system.IsDirectory(folder)) {
        Printf(ctx.err, "zentrove-cli backups: the backup folder is not a folder: %s\n",
               folder.c_str());
        return kExitFailed;
    }
    std::vector<CBackupItem> items = ListBackups(ctx.system);
    if (json)
        PrintBackupsJson(ctx, folder, items);
    else
        PrintBackupRows(ctx, items);
    return kExitOk;
}

} // namespace zt::cli
