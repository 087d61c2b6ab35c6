#include "cli/ConsolePrompt.h"
#include "cli/ConsoleText.h"

#include <windows.h>

namespace zt::cli {

bool IsConsole(StdStream stream) {
    DWORD mode = 0;
    HANDLE h = GetStdHandle(stream == StdStream::Input ? STD_INPUT_HANDLE : STD_ERROR_HANDLE);
    return GetConsoleMode(h, &mode) != 0;
}

std::optional<bool> AskOnTerminal(const std::string& question) {
    if (!IsConsole(StdStream::Input)) return std::nullopt;
    Printf(stdout, "%s [y/N] ", question.c_str());
    std::fflush(stdout);
    char line[64] = {};
    if (!std::fgets(line, sizeof line, stdin)) return false;
    return line[0] == 'y' || line[0] == 'Y';
}

int ConsolePrompt::Ask(std::string_view text, std::string_view, PromptButtons buttons) {
    if (buttons == PromptButtons::Ok) {
        if (echo_) {
            Printf(echo_, "%.*s\n", static_cast<int>(text.size()), text.data());
            std::fflush(echo_);
        } else {
            reports.emplace_back(text);
        }
        return kAnswerOk;
    }
    if (yes_) return kAnswerOk;
    auto answer = confirm_ ? confirm_(std::string(text)) : std::nullopt;
    if (!answer) {
        noTerminal = true;
        return kAnswerCancel;
    }
    return *answer ? kAnswerOk : kAnswerCancel;
}

} // namespace zt::cli
