#pragma once
// zentrove-cli clean: scans as `scan` does, then cleans every finding as the Clean button
// does with every item ticked.
#include <functional>
#include <optional>
#include <string>

#include "cli/CliContext.h"

namespace zt::cli {

// Asks a yes/no question; none when there is no terminal to ask on.
using CleanConfirm = std::function<std::optional<bool>(const std::string& question)>;

// The command with its question seam; RunCleanCommand asks on the console.
int RunClean(CliContext& ctx, const Args& args, const CleanConfirm& confirm);

} // namespace zt::cli
