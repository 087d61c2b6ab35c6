#pragma once
// The rule of the classic appearance check, apart from the system calls. No <windows.h>.
#include <cstring>
#include <optional>
#include <string>

namespace zt {

// "Windows 标准" in code page 936, the Simplified Chinese name of the standard scheme.
inline constexpr char kClassicSchemeChinese[] = "Windows \xB1\xEA\xD7\xBC";

// True for the classic look. Windows NT 4 and earlier, and Windows 2000 (5.0), have only the
// classic look. Later versions show it when the appearance scheme is the standard one; the
// value is compared with its terminating zero, as read (at most 200 bytes).
inline bool IsClassicLook(unsigned major, unsigned minor,
                          const std::optional<std::string>& scheme) {
    if (major <= 4 || (major == 5 && minor == 0)) return true;
    if (!scheme) return false;
    return *scheme == "Windows Standard" || *scheme == kClassicSchemeChinese;
}

} // namespace zt
