#pragma once
// zentrove-cli as a user runs it: a child process with its own standard handles, standard
// input from the NUL device (no terminal to ask on).
#include <windows.h>

#include <string>

#include "seams/Unicode.h"

namespace zt::test {

struct CliRun {
    DWORD exitCode = 0xffffffff;
    std::string out, err;
};

// The console tool beside the test programs' folder, UTF-8.
inline std::string CliPath() {
    wchar_t buf[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::string path = FromWide(buf);
    path.erase(path.find_last_of('\\')); // tests folder
    path.erase(path.find_last_of('\\')); // build folder
    return path + "\\zentrove-cli.exe";
}

inline std::string ReadBack(HANDLE file) {
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    std::string text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(file, buf, sizeof buf, &got, nullptr) && got > 0)
        text.append(buf, got);
    return text;
}

inline HANDLE TempFile(SECURITY_ATTRIBUTES& sa) {
    wchar_t dir[MAX_PATH], name[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"ztc", 0, name);
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                       nullptr);
}

// Runs the console tool with `arguments` (UTF-8, passed on as a wide command line) and waits
// for it at most a minute.
inline CliRun RunCli(const std::string& arguments) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                            OPEN_EXISTING, 0, nullptr);
    HANDLE out = TempFile(sa), err = TempFile(sa);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    std::wstring cmd = L"\"" + ToWide(CliPath()) + L"\" " + ToWide(arguments);
    PROCESS_INFORMATION pi{};
    CliRun run;
    if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    run.out = ReadBack(out);
    run.err = ReadBack(err);
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    return run;
}

} // namespace zt::test
