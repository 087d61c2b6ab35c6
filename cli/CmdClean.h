#pragma once
// zentrove-cli clean: scans as `scan` does, then cleans every finding as the Clean button
// does with every item ticked.
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
