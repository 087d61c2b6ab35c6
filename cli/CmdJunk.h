#pragma once
// zentrove-cli junk: the disk cleaner's five places, measured or emptied.
#include <functional>
#include <optional>
#include <string>

#include "cli/CliContext.h"

namespace zt::cli {

// Asks the user a yes/no question; none when there is no terminal to ask on.
using JunkConfirm = std::function<std::optional<bool>(const std::string& question)>;

// The command with its question seam; RunJunkCommand asks on the console.
int RunJunk(CliContext& ctx, const Args& args, const JunkConfirm& confirm);

std::optional<bool> AskOnTerminal(const std::string& question);

}  // namespace zt::cli
