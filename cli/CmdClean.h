#pragma once
// zentrove-cli clean: scans as `scan` does, then cleans every finding as the Clean button
// does with every item ticked; with --only, the findings of those ids alone; with --plan, the
// findings of a saved `scan --json` without a new scan. Each is judged again just before its
// backup.
#include <functional>
#include <optional>
#include <string>

#include "cli/CliContext.h"
#include "cli/ConsolePrompt.h"

namespace zt::cli {

using CleanConfirm = ConsoleConfirm;

// The command with its question seam; RunCleanCommand asks on the console.
int RunClean(CliContext& ctx, const Args& args, const CleanConfirm& confirm);

} // namespace zt::cli
