// zentrove-cli as a user runs it with names outside any code page: the argument arrives whole
// and the redirected output is UTF-8.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Win32Registry.h"
#include "seams/Unicode.h"
#include "support/seams.h"

namespace zt {
namespace {

struct CliRun {
    DWORD exitCode = 0xffffffff;
    std::string out;
};

std::wstring CliPath() {
    wchar_t buf[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path = buf;
    path.erase(path.find_last_of(L'\\')); // tests folder
    path.erase(path.find_last_of(L'\\')); // build folder
    return path + L"\\zentrove-cli.exe";
}

// Runs the console tool with a wide command line, standard output to a file.
CliRun RunCli(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    wchar_t dir[MAX_PATH], name[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"ztu", 0, name);
    HANDLE out = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &sa, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    std::wstring cmd = L"\"" + CliPath() + L"\" " + arguments;
    PROCESS_INFORMATION pi{};
    CliRun run;
    if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    SetFilePointer(out, 0, nullptr, FILE_BEGIN);
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(out, buf, sizeof buf, &got, nullptr) && got > 0)
        run.out.append(buf, got);
    CloseHandle(out);
    return run;
}

TEST(CliText, ACyrillicArgumentArrivesWholeAndPrintsAsUtf8) {
    Win32Registry reg;
    test::ScratchKey scratch(reg);
    const std::string key = "HKCU\\" + scratch.path() + "\\\xd0\x9f\xd1\x80\xd0\xbe"; // Про
    const std::string value = "\xd0\x97\xd0\xb0\xd0\xbf\xd1\x83\xd1\x81\xd0\xba"; // Запуск
    CliRun added = RunCli(L"ignore add \"" + ToWide(key) + L"\" --value " + ToWide(value));
    ASSERT_EQ(added.exitCode, 0u) << added.out;
    EXPECT_NE(added.out.find(key + "\t"), std::string::npos) << added.out;
    EXPECT_NE(added.out.find(value), std::string::npos) << added.out;

    CliRun listed = RunCli(L"ignore list --json");
    EXPECT_NE(listed.out.find("\"valueName\": \"" + value + "\""), std::string::npos) << listed.out;
    // Leave the shared list as it was.
    std::string number = added.out.substr(0, added.out.find('\t'));
    EXPECT_EQ(RunCli(L"ignore remove " + ToWide(number)).exitCode, 0u);
}

} // namespace
} // namespace zt
