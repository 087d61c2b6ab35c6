#pragma once
// zentrove-cli junk: the disk cleaner's five places, measured or emptied.
#include <functional>
#include <optional>
#include <string>

#include "cli/CliContext.h"
#include "cli/ConsolePrompt.h"

namespace zt::cli {

using JunkConfirm = ConsoleConfirm;

// The command with its question seam; RunJunkCommand asks on the console.
int RunJunk(CliContext& ctx, const Args& args, const JunkConfirm& confirm);

} // namespace zt::cli
