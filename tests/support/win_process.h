#pragma once
// What the Windows suites share for child processes, fixtures and captured console output.
#include <windows.h>

#include <cstdio>
#include <string>

#include "seams/Unicode.h"

namespace zt::test {

// Starts `commandLine` (with `application` when given) and waits for it at most `timeoutMs`.
// False when it could not be started. Wine gives no exit code for Unix programs, so callers
// of those judge by the effect.
inline bool RunAndWait(std::string commandLine, DWORD timeoutMs,
                       const char* application = nullptr) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = zt::ToWide(commandLine);
    std::wstring app = application ? zt::ToWide(application) : std::wstring();
    if (!CreateProcessW(application ? app.c_str() : nullptr, line.data(), nullptr, nullptr, FALSE,
                        0, nullptr, nullptr, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, timeoutMs);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

// Replays a .reg file with the prefix's own registry editor and waits for it.
inline bool ImportRegFile(const std::string& file, DWORD timeoutMs = 60000) {
    return RunAndWait("regedit.exe /s \"" + file + "\"", timeoutMs);
}

// The Windows path of tests/fixtures/<name> (the source tree is seen through drive Z:).
inline std::string FixturePath(const char* name) {
    std::string path = std::string("Z:") + ZT_SOURCE_DIR + "/tests/fixtures/" + name;
    for (auto& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Everything written to a temporary file so far.
inline std::string ReadAllFrom(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        text.append(buf, n);
    return text;
}

} // namespace zt::test
