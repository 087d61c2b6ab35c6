#include "cli/ConsoleText.h"

#include <windows.h>
#include <shellapi.h>

#include <io.h>

#include <cstdarg>

#include "seams/Unicode.h"

namespace zt::cli {

namespace {

// The console behind standard output or error, or none when it is redirected. Asked once:
// under Wine every question is a server round trip, and a scan prints thousands of rows.
HANDLE ConsoleOf(std::FILE* to) {
    auto ask = [](DWORD which) {
        HANDLE h = GetStdHandle(which);
        DWORD mode = 0;
        return h != INVALID_HANDLE_VALUE && h && GetConsoleMode(h, &mode) ? h : nullptr;
    };
    static const HANDLE out = ask(STD_OUTPUT_HANDLE);
    static const HANDLE err = ask(STD_ERROR_HANDLE);
    if (to == stdout) return out;
    if (to == stderr) return err;
    return nullptr;
}

} // namespace

void Print(std::FILE* to, std::string_view text) {
    std::string shown = ForDisplay(text);
    if (HANDLE console = ConsoleOf(to)) {
        std::fflush(to); // whatever the runtime still holds goes first
        std::wstring wide = ToWide(shown);
        const wchar_t* p = wide.data();
        std::size_t left = wide.size();
        while (left > 0) {
            DWORD chunk = static_cast<DWORD>(left < 8192 ? left : 8192);
            DWORD done = 0;
            if (!WriteConsoleW(console, p, chunk, &done, nullptr) || done == 0) return;
            p += done;
            left -= done;
        }
        return;
    }
    std::fwrite(shown.data(), 1, shown.size(), to);
}

void Printf(std::FILE* to, const char* format, ...) {
    char small[512];
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        return;
    }
    if (static_cast<std::size_t>(n) < sizeof small) {
        va_end(again);
        Print(to, std::string_view(small, static_cast<std::size_t>(n)));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(big.data(), big.size(), format, again);
    va_end(again);
    big.resize(static_cast<std::size_t>(n));
    Print(to, big);
}

std::vector<std::string> CommandLineArguments() {
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return args;
    for (int i = 0; i < count; ++i)
        args.push_back(FromWide(wide[i]));
    LocalFree(wide);
    return args;
}

} // namespace zt::cli
