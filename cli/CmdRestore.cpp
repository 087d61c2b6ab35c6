#include "cli/CliContext.h"

namespace zt::cli {

// Not built yet: its issue replaces this file.
int RunRestoreCommand(CliContext& ctx, const Args&) {
    std::fprintf(ctx.err, "zentrove-cli: this command is not available yet\n");
    return kExitFailed;
}

}  // namespace zt::cli
