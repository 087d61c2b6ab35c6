#include "ui/ClassicLook.h"

#include <windows.h>

#include "seams/Unicode.h"
#include "ui/ClassicLookLogic.h"

namespace zt {

bool IsClassicAppearance() {
    OSVERSIONINFOEXW ex{};
    ex.dwOSVersionInfoSize = sizeof ex;
    unsigned major = 0, minor = 0;
    if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&ex))) {
        major = ex.dwMajorVersion;
        minor = ex.dwMinorVersion;
    } else {
        OSVERSIONINFOW basic{};
        basic.dwOSVersionInfoSize = sizeof basic;
        if (::GetVersionExW(&basic)) {
            major = basic.dwMajorVersion;
            minor = basic.dwMinorVersion;
        }
    }
    std::optional<std::string> scheme;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Appearance", 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        wchar_t value[200] = {};
        DWORD size = sizeof value - sizeof value[0], type = 0;
        if (::RegQueryValueExW(key, L"Current", nullptr, &type, reinterpret_cast<BYTE*>(value),
                               &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            scheme = FromWide(value);
        }
        ::RegCloseKey(key);
    }
    return IsClassicLook(major, minor, scheme);
}

} // namespace zt
