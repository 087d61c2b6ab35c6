#include "ui/ClassicLook.h"

#include <windows.h>

#include "ui/ClassicLookLogic.h"

namespace zt {

bool IsClassicAppearance() {
    OSVERSIONINFOEXA ex{};
    ex.dwOSVersionInfoSize = sizeof ex;
    unsigned major = 0, minor = 0;
    if (::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex))) {
        major = ex.dwMajorVersion;
        minor = ex.dwMinorVersion;
    } else {
        OSVERSIONINFOA basic{};
        basic.dwOSVersionInfoSize = sizeof basic;
        if (::GetVersionExA(&basic)) {
            major = basic.dwMajorVersion;
            minor = basic.dwMinorVersion;
        }
    }
    std::optional<std::string> scheme;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Appearance", 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        char value[200] = {};
        DWORD size = sizeof value, type = 0;
        if (::RegQueryValueExA(key, "Current", nullptr, &type, reinterpret_cast<BYTE*>(value),
                               &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            value[sizeof value - 1] = '\0';
            scheme = std::string(value);
        }
        ::RegCloseKey(key);
    }
    return IsClassicLook(major, minor, scheme);
}

} // namespace zt
