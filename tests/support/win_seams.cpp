#include "support/seams.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>

#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "seams/Unicode.h"

#include "support/scratch_key.inc"

namespace zt::test {

std::unique_ptr<Registry> MakeRegistry() {
    return std::make_unique<Win32Registry>();
}
std::unique_ptr<System> MakeSystem() {
    return std::make_unique<Win32System>();
}
bool IsRealPlatform() {
    return true;
}

std::string ScratchFolder(System& sys) {
    static std::atomic<int> counter{0};
    std::string base = sys.GetTempFolder() + "zt-scratch";
    CreateDirectoryW(WidePath(base).c_str(), nullptr);
    for (;;) {
        std::string path =
            base + "\\p" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
        // A leftover from an earlier run is emptied by the shell so each test starts clean;
        // one the shell cannot empty (a Unix link left dangling) is passed over.
        std::wstring doubleZero = ToWide(path) + std::wstring(2, L'\0');
        SHFILEOPSTRUCTW op{};
        op.wFunc = FO_DELETE;
        op.pFrom = doubleZero.c_str();
        op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
        SHFileOperationW(&op);
        if (CreateDirectoryW(WidePath(path).c_str(), nullptr) ||
            GetLastError() != ERROR_ALREADY_EXISTS)
            return path;
    }
}

void PlantFile(System&, const std::string& path, const std::string& content) {
    HANDLE f = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << "cannot create " << path;
    DWORD written = 0;
    if (!content.empty())
        WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(f);
}

void PlantFolder(System&, const std::string& path) {
    CreateDirectoryW(WidePath(path).c_str(), nullptr);
}

void SetEnv(System&, const std::string& name, const std::string& value) {
    SetEnvironmentVariableW(ToWide(name).c_str(), value.empty() ? nullptr : ToWide(value).c_str());
}

} // namespace zt::test
