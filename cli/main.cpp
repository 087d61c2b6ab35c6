// zentrove-cli: the scan, cleaning, backups, startup manager and disk cleaner without windows.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/CliContext.h"
#include "cli/ConsoleText.h"
#include "seams/Unicode.h"

namespace {

struct Command {
    const char* name;
    int (*run)(zt::cli::CliContext&, const zt::cli::Args&);
    const char* usage;
};

const Command kCommands[] = {
    {"scan", zt::cli::RunScanCommand, "scan [--json] [--categories LIST]"},
    {"clean", zt::cli::RunCleanCommand,
     "clean [--yes] [--categories LIST] [--only ID[,ID...] | --plan FILE [--backup-folder DIR]] "
     "[--json]"},
    {"backups", zt::cli::RunBackupsCommand, "backups [--json]"},
    {"restore", zt::cli::RunRestoreCommand, "restore [--dry-run] [--json] FILE|NUMBER"},
    {"startup", zt::cli::RunStartupCommand,
     "startup [--all] [--json] | startup delete N... [--yes] | startup disable N... | "
     "startup enable N... | startup add \"COMMAND\""},
    {"junk", zt::cli::RunJunkCommand,
     "junk [--json] [--min-age HOURS] | junk clean [--places ID[,ID...]] [--recycle-bin] "
     "[--cookies] [--user-temp] [--system-temp] [--internet-cache] [--min-age HOURS] [--yes] "
     "[--json]"},
    {"ignore", zt::cli::RunIgnoreCommand,
     "ignore list [--json] | ignore add KEYPATH [--value NAME | --key-only] | ignore remove N"},
};

int Usage(std::FILE* to) {
    zt::cli::Printf(to, "usage: zentrove-cli COMMAND [OPTIONS]\ncommands:\n");
    for (const auto& c : kCommands)
        zt::cli::Printf(to, "  %s\n", c.usage);
    zt::cli::Printf(to,
                    "Every command also takes --result FILE: its output (with --json, its JSON "
                    "result) is\nwritten to FILE as well, whole, when the command ends.\n"
                    "Machine-wide entries (HKLM, most of HKCR, the system temporary folder) can "
                    "only be\ndeleted from a console run as administrator.\n");
    return zt::cli::kExitUsage;
}

// --result FILE (or --result=FILE) among a command's arguments, taken out of them.
bool TakeResultOption(zt::cli::Args& args, std::optional<std::string>& file) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--result" && i + 1 < args.size()) {
            file = args[i + 1];
            args.erase(args.begin() + i, args.begin() + i + 2);
            return true;
        }
        if (args[i].rfind("--result=", 0) == 0) {
            file = args[i].substr(9);
            args.erase(args.begin() + i);
            return true;
        }
    }
    return std::find(args.begin(), args.end(), "--result") == args.end();
}

// Runs the command with its output going to FILE.part as well as to the standard output; the
// part file becomes FILE only when the command has ended, so a reader never sees half of it.
int RunWithResult(const Command& c, zt::cli::CliContext& ctx, const zt::cli::Args& args,
                  const std::string& file) {
    const std::wstring part = zt::ToWide(file + ".part");
    std::FILE* to = _wfopen(part.c_str(), L"w+b");
    if (!to) {
        zt::cli::Printf(ctx.err, "zentrove-cli: cannot write the result file %s\n", file.c_str());
        return zt::cli::kExitUsage;
    }
    ctx.out = to;
    int code = c.run(ctx, args);
    ctx.out = stdout;
    std::string text;
    std::fflush(to);
    std::rewind(to);
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, to)) > 0;)
        text.append(buf, n);
    bool written = !std::ferror(to);
    written = std::fclose(to) == 0 && written;
    zt::cli::Print(stdout, text);
    if (!written || !MoveFileExW(part.c_str(), zt::ToWide(file).c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        zt::cli::Printf(ctx.err, "zentrove-cli: cannot write the result file %s\n", file.c_str());
        return zt::cli::kExitFailed;
    }
    return code;
}

} // namespace

int main() {
    // Under Wine every unbuffered write is a server round trip; tens of thousands of rows
    // would take most of a minute.
    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
    zt::cli::CliContext ctx;
    // The narrow arguments would hold only what the code page can spell.
    std::vector<std::string> argv = zt::cli::CommandLineArguments();
    if (argv.size() < 2) return Usage(ctx.err);
    if (argv[1] == "--help" || argv[1] == "help") {
        Usage(ctx.out);
        return zt::cli::kExitOk;
    }
    for (const auto& c : kCommands) {
        if (argv[1] == c.name) {
            zt::cli::Args args(argv.begin() + 2, argv.end());
            std::optional<std::string> result;
            if (!TakeResultOption(args, result)) {
                zt::cli::Printf(ctx.err, "zentrove-cli: --result needs a file\n");
                return zt::cli::kExitUsage;
            }
            int code = result ? RunWithResult(c, ctx, args, *result) : c.run(ctx, args);
            std::fflush(ctx.out);
            return code;
        }
    }
    zt::cli::Printf(ctx.err, "zentrove-cli: unknown command '%s'\n", argv[1].c_str());
    return Usage(ctx.err);
}
