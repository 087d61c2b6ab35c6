// zentrove-cli restore FILE|NUMBER: replays one backup through the registry editor, waits
// for it, and removes the backup as the backup page does.
#include <cctype>

#include "backup/BackupStore.h"
#include "cli/CliContext.h"

namespace zt::cli {

namespace {

// The editor's messages go to the error stream: every one of them reports a failure.
class ErrorStreamPrompt : public UserPrompt {
  public:
    explicit ErrorStreamPrompt(std::FILE* to) : to_(to) {}
    int Ask(std::string_view text, std::string_view, PromptButtons) override {
        std::fprintf(to_, "zentrove-cli restore: %.*s\n", static_cast<int>(text.size()),
                     text.data());
        return kAnswerOk;
    }

  private:
    std::FILE* to_;
};

bool AllDigits(const std::string& s) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

} // namespace

int RunRestoreCommand(CliContext& ctx, const Args& args) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        std::fprintf(ctx.err, "usage: zentrove-cli restore FILE|NUMBER\n");
        return kExitUsage;
    }
    std::string path = args[0];
    if (AllDigits(path)) {
        // Numbers as `backups` shows them: the newest carries the highest.
        auto items = ListBackups(ctx.system);
        int number = std::stoi(path);
        int count = static_cast<int>(items.size());
        if (number < 1 || number > count) {
            std::fprintf(ctx.err,
                         "zentrove-cli restore: there is no backup number %d (%d backups)\n",
                         number, count);
            return kExitFailed;
        }
        path = items[count - number].path;
    }
    if (!ctx.system.Exists(path) || ctx.system.IsDirectory(path)) {
        std::fprintf(ctx.err, "zentrove-cli restore: no such backup file: %s\n", path.c_str());
        return kExitFailed;
    }
    ErrorStreamPrompt prompt(ctx.err);
    switch (RestoreBackupFile(ctx.system, prompt, path)) {
    case RestoreResult::Restored:
        break;
    case RestoreResult::NotABackup:
        std::fprintf(ctx.err, "zentrove-cli restore: not a backup file (it must end in .reg): %s\n",
                     path.c_str());
        return kExitFailed;
    case RestoreResult::NoEditor:
    case RestoreResult::StartFailed:
        return kExitFailed;
    }
    std::fprintf(ctx.out, "The item is restored successfully!\n");
    // The editor has ended, so the file has been read.
    if (!ctx.system.RemoveFile(path))
        std::fprintf(ctx.err, "zentrove-cli restore: the backup file could not be removed: %s\n",
                     path.c_str());
    return kExitOk;
}

} // namespace zt::cli
