// zentrove-cli: the scan, cleaning, backups, startup manager and disk cleaner without windows.
#include <cstdio>
#include <string>

#include "cli/CliContext.h"
#include "cli/ConsoleText.h"

namespace {

struct Command {
    const char* name;
    int (*run)(zt::cli::CliContext&, const zt::cli::Args&);
    const char* usage;
};

const Command kCommands[] = {
    {"scan", zt::cli::RunScanCommand, "scan [--json] [--categories LIST]"},
    {"clean", zt::cli::RunCleanCommand,
     "clean [--yes] [--categories LIST] [--only ID[,ID...] | --plan FILE] [--json]"},
    {"backups", zt::cli::RunBackupsCommand, "backups [--json]"},
    {"restore", zt::cli::RunRestoreCommand, "restore [--dry-run] [--json] FILE|NUMBER"},
    {"startup", zt::cli::RunStartupCommand,
     "startup [--json] | startup delete N... [--yes] | startup disable N... | "
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
                    "Machine-wide entries (HKLM, most of HKCR, the system temporary folder) can "
                    "only be\ndeleted from a console run as administrator.\n");
    return zt::cli::kExitUsage;
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
            int code = c.run(ctx, args);
            std::fflush(ctx.out);
            return code;
        }
    }
    zt::cli::Printf(ctx.err, "zentrove-cli: unknown command '%s'\n", argv[1].c_str());
    return Usage(ctx.err);
}
