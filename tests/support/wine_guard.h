#pragma once
// True only under Wine, in a prefix that carries the test marker of tools/test.
#include <windows.h>

#include <cstdio>
#include <string>

namespace zt::test {

inline bool InMarkedWinePrefix(std::string& why) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) {
        why = "not running under Wine";
        return false;
    }
    char marker[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("ZENTROVE_TEST_MARKER", marker, sizeof marker);
    if (n == 0 || n >= sizeof marker) {
        why = "ZENTROVE_TEST_MARKER is not set (run through tools/test)";
        return false;
    }
    if (GetFileAttributesA(marker) == INVALID_FILE_ATTRIBUTES) {
        why = std::string("marker file missing: ") + marker;
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
