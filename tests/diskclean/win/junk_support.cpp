#include "junk_support.h"

#include <gtest/gtest.h>
#include "support/win_process.h"

namespace zt::test {

std::string UnixPathOf(const std::string& windowsPath) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto fn = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), n);
    char* unix = fn(wide.c_str());
    if (!unix) return {};
    std::string r(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return r;
}

bool MakeUnixLink(const std::string& target, const std::string& link) {
    std::string t = UnixPathOf(target), l = UnixPathOf(link);
    if (t.empty() || l.empty()) return false;
    // Wine starts a Unix program given by its path; its exit code does not come back, so the
    // result is judged by what appears.
    std::string cmd = "/bin/ln -s \"" + t + "\" \"" + l + "\"";
    if (!test::RunAndWait(cmd, 10000, "Z:\\bin\\ln")) return false;
    for (int i = 0; i < 50 && GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(20);
    return GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {
constexpr const char* kHoldFileVar = "ZT_JUNK_HOLD_FILE";
constexpr const char* kHoldReadyVar = "ZT_JUNK_HOLD_READY";
constexpr const char* kHoldReleaseVar = "ZT_JUNK_HOLD_RELEASE";

std::string Env(const char* name) {
    char buf[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}
} // namespace

HeldFile::HeldFile(const std::string& path) {
    std::string tag = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    std::string readyName = "ZtJunkReady-" + tag, releaseName = "ZtJunkRelease-" + tag;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    release_ = CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str());
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string cmd = std::string("\"") + exe + "\" --gtest_filter=JunkHolder.HoldFileOpen";
    SetEnvironmentVariableA(kHoldFileVar, path.c_str());
    SetEnvironmentVariableA(kHoldReadyVar, readyName.c_str());
    SetEnvironmentVariableA(kHoldReleaseVar, releaseName.c_str());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    BOOL started =
        CreateProcessA(exe, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    for (const char* v : {kHoldFileVar, kHoldReadyVar, kHoldReleaseVar})
        SetEnvironmentVariableA(v, nullptr);
    if (started) {
        CloseHandle(pi.hThread);
        HANDLE both[2] = {ready, pi.hProcess};
        if (WaitForMultipleObjects(2, both, FALSE, 30000) == WAIT_OBJECT_0)
            process_ = pi.hProcess;
        else
            CloseHandle(pi.hProcess);
    }
    CloseHandle(ready);
}

HeldFile::~HeldFile() {
    SetEvent(release_);
    if (process_) {
        WaitForSingleObject(process_, 30000);
        CloseHandle(process_);
    }
    CloseHandle(release_);
}

bool RunHolderIfAsked() {
    std::string path = Env(kHoldFileVar);
    if (path.empty()) return false;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, Env(kHoldReadyVar).c_str());
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, Env(kHoldReleaseVar).c_str());
    if (f != INVALID_HANDLE_VALUE && ready && release) {
        SetEvent(ready);
        WaitForSingleObject(release, 60000);
    }
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    if (ready) CloseHandle(ready);
    if (release) CloseHandle(release);
    return true;
}

SavedValue::SavedValue(Registry& reg, RootKey root, std::string key, std::string name)
    : reg_(reg), root_(root), key_(std::move(key)), name_(std::move(name)) {
    RegKey k(reg_, reg_.OpenKeyRead(RootHandle(root_), key_));
    if (k) saved_ = reg_.ReadValueWhole(k.get(), name_);
}

SavedValue::~SavedValue() {
    RegKey k(reg_, reg_.CreateKey(RootHandle(root_), key_));
    if (saved_)
        reg_.WriteValue(k.get(), name_, saved_->type, saved_->data.data(),
                        static_cast<std::uint32_t>(saved_->data.size()));
    else
        reg_.DeleteValue(k.get(), name_);
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
    char buf[32768];
    DWORD n = GetEnvironmentVariableA(name_.c_str(), buf, sizeof buf);
    if (n && n < sizeof buf) saved_ = std::string(buf, n);
    SetEnvironmentVariableA(name_.c_str(), value.c_str());
}

ScopedEnv::~ScopedEnv() {
    SetEnvironmentVariableA(name_.c_str(), saved_ ? saved_->c_str() : nullptr);
}

std::optional<std::string> RedirectedSystem::GetKnownFolder(KnownFolder folder) {
    auto it = folders.find(folder);
    if (it != folders.end()) return it->second;
    return Win32System::GetKnownFolder(folder);
}

bool RedirectedSystem::EnumDirectory(std::string_view path,
                                     const std::function<bool(const DirEntry&)>& visit) {
    if (!hideReparsePoints) return Win32System::EnumDirectory(path, visit);
    return Win32System::EnumDirectory(path, [&](const DirEntry& e) {
        DirEntry plain = e;
        plain.attributes &= ~kAttrReparsePoint;
        return visit(plain);
    });
}

} // namespace zt::test
