#pragma once
// The rule of the classic appearance check, apart from the system calls. No <windows.h>.
#include <cstring>
#include <optional>
#include <string>

namespace zt {

// "Windows 标准" (UTF-8), the Simplified Chinese name of the standard scheme.
inline constexpr char kClassicSchemeChinese[] = "Windows \xE6\xA0\x87\xE5\x87\x86";

// True for the classic look. Windows NT 4 and earlier, and Windows 2000 (5.0), have only the
// classic look. Later versions show it when the appearance scheme is the standard one; the
// value is compared whole, as read (at most 199 characters).
inline bool IsClassicLook(unsigned major, unsigned minor,
                          const std::optional<std::string>& scheme) {
    if (major <= 4 || (major == 5 && minor == 0)) return true;
    if (!scheme) return false;
    return *scheme == "Windows Standard" || *scheme == kClassicSchemeChinese;
}

} // namespace zt
