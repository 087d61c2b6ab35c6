#pragma once
// The pages' message boxes on a console: questions go to the terminal unless --yes answered
// them beforehand; reports are printed or kept for the command to print.
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "seams/UserPrompt.h"

namespace zt::cli {

// Asks a yes/no question; none when there is no terminal to ask on.
using ConsoleConfirm = std::function<std::optional<bool>(const std::string& question)>;

enum class StdStream { Input, Error };
// Whether a standard stream is a console, not a pipe, a file or NUL (which _isatty takes for
// a terminal).
bool IsConsole(StdStream stream);

// Asks on the console; none when standard input is no console (a pipe, a file or NUL).
std::optional<bool> AskOnTerminal(const std::string& question);

class ConsolePrompt : public UserPrompt {
  public:
    // `echo` null keeps the reports in `reports` instead of printing them.
    ConsolePrompt(bool yes, const ConsoleConfirm& confirm, std::FILE* echo = nullptr)
        : yes_(yes), confirm_(confirm), echo_(echo) {}

    int Ask(std::string_view text, std::string_view caption, PromptButtons buttons) override;

    bool noTerminal = false; // a question found no terminal and counted as Cancel
    std::vector<std::string> reports;

  private:
    bool yes_;
    const ConsoleConfirm& confirm_;
    std::FILE* echo_;
};

} // namespace zt::cli
