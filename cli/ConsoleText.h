#pragma once
// What the console commands print is UTF-8. On a console it is written through the console's
// wide interface, so every script shows whatever the console's code page; redirected to a
// file or a pipe it stays UTF-8 bytes. Arguments come from the wide command line.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#if defined(__MINGW_PRINTF_FORMAT)
#define ZT_PRINTF_FORMAT(f, a) __attribute__((format(__MINGW_PRINTF_FORMAT, f, a)))
#else
#define ZT_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#endif

namespace zt::cli {

// Writes `text` to `to`; unpaired surrogates show as U+FFFD.
void Print(std::FILE* to, std::string_view text);
// Formats as printf does, then Print.
void Printf(std::FILE* to, const char* format, ...) ZT_PRINTF_FORMAT(2, 3);

// The program's arguments (its own name first), read from the wide command line.
std::vector<std::string> CommandLineArguments();

} // namespace zt::cli
