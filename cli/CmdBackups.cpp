// zentrove-cli backups: the backup files, newest first, numbered as the backup page numbers
// them.
#include <nlohmann/json.hpp>

#include "backup/BackupStore.h"
#include "cli/CliContext.h"
#include "cli/ConsoleText.h"

namespace zt::cli {

int RunBackupsCommand(CliContext& ctx, const Args& args) {
    bool json = false;
    for (const auto& a : args) {
        if (a == "--json") {
            json = true;
            continue;
        }
        Printf(ctx.err,
               "zentrove-cli backups: unknown option '%s'\nusage: zentrove-cli backups [--json]\n",
               a.c_str());
        return kExitUsage;
    }
    // A file in the folder's place holds no backups and takes none: say so rather than list none.
    std::string folder = GetBackupFolder(ctx.system);
    if (!ctx.system.IsDirectory(folder)) {
        Printf(ctx.err, "zentrove-cli backups: the backup folder is not a folder: %s\n",
               folder.c_str());
        return kExitFailed;
    }
    auto items = ListBackups(ctx.system);
    const int count = static_cast<int>(items.size());
    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (int i = 0; i < count; ++i) {
            list.push_back({{"number", count - i},
                            {"created", FormatBackupTime(items[i].time)},
                            {"time", items[i].time},
                            {"path", items[i].path}});
        }
        nlohmann::json doc = {{"folder", folder}, {"backups", list}};
        Printf(ctx.out, "%s\n",
               doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
        return kExitOk;
    }
    for (int i = 0; i < count; ++i)
        Printf(ctx.out, "%d\t%s\t%s\n", count - i, FormatBackupTime(items[i].time).c_str(),
               items[i].path.c_str());
    return kExitOk;
}

} // namespace zt::cli
