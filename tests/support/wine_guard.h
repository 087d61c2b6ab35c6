#pragma once
// True only under Wine, in a prefix that carries the test marker of tools/test.
#include <windows.h>

#include <cstdio>
#include <string>

#include "seams/Unicode.h"

namespace zt::test {

inline bool InMarkedWinePrefix(std::string& why) {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) {
        why = "not running under Wine";
        return false;
    }
    std::wstring marker(32768, L'\0');
    DWORD n = GetEnvironmentVariableW(L"ZENTROVE_TEST_MARKER", marker.data(),
                                      static_cast<DWORD>(marker.size()));
    if (n == 0 || n >= marker.size()) {
        why = "ZENTROVE_TEST_MARKER is not set (run through tools/test)";
        return false;
    }
    marker.resize(n);
    if (GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES) {
        why = "marker file missing: " + zt::FromWide(marker);
        return false;
    }
    return true;
}

// For the programs' main: says why on stderr and returns false outside a marked prefix.
inline bool RunsInMarkedWinePrefix() {
    std::string why;
    if (InMarkedWinePrefix(why)) return true;
    std::fprintf(stderr, "refusing to run: %s\n", why.c_str());
    return false;
}

} // namespace zt::test
