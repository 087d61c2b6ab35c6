#include "junk_support.h"

#include <gtest/gtest.h>
#include "seams/Unicode.h"
#include "support/win_process.h"

namespace zt::test {

std::string UnixPathOf(const std::string& windowsPath) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto fn = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn) return {};
    char* unix = fn(ToWide(windowsPath).c_str());
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
    for (int i = 0; i < 50 && GetFileAttributesW(WidePath(link).c_str()) == INVALID_FILE_ATTRIBUTES;
         ++i)
        Sleep(20);
    return GetFileAttributesW(WidePath(link).c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {
constexpr const char* kHoldFileVar = "ZT_JUNK_HOLD_FILE";
constexpr const char* kHoldReadyVar = "ZT_JUNK_HOLD_READY";
constexpr const char* kHoldReleaseVar = "ZT_JUNK_HOLD_RELEASE";
constexpr const char* kHoldLockVar = "ZT_JUNK_HOLD_LOCK";

std::optional<std::string> Env(const std::string& name) {
    std::wstring buf(32768, L'\0');
    DWORD n =
        GetEnvironmentVariableW(ToWide(name).c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0 || n >= buf.size()) return std::nullopt;
    return FromWide(std::wstring_view(buf.data(), n));
}
void SetEnv(const std::string& name, const std::optional<std::string>& value) {
    SetEnvironmentVariableW(ToWide(name).c_str(), value ? ToWide(*value).c_str() : nullptr);
}
} // namespace

HeldFile::HeldFile(const std::string& path, const std::string& program, bool asLock) {
    std::string tag = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    std::string readyName = "ZtJunkReady-" + tag, releaseName = "ZtJunkRelease-" + tag;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, ToWide(readyName).c_str());
    release_ = CreateEventW(nullptr, TRUE, FALSE, ToWide(releaseName).c_str());
    std::wstring exe = WidePath(program.empty() ? Win32System().GetModulePath() : program);
    std::wstring cmd = L"\"" + exe + L"\" --gtest_list_tests";
    SetEnv(kHoldFileVar, path);
    SetEnv(kHoldReadyVar, readyName);
    SetEnv(kHoldReleaseVar, releaseName);
    SetEnv(kHoldLockVar, asLock ? std::optional<std::string>("1") : std::nullopt);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &si, &pi);
    for (const char* v : {kHoldFileVar, kHoldReadyVar, kHoldReleaseVar, kHoldLockVar})
        SetEnv(v, std::nullopt);
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

namespace {
// The holder's side, when HeldFile started this program: true when the file was held until
// released. Not asked: nullopt.
std::optional<bool> RunHolderIfAsked() {
    std::string path = Env(kHoldFileVar).value_or("");
    if (path.empty()) return std::nullopt;
    const bool lock = Env(kHoldLockVar).has_value();
    HANDLE f =
        CreateFileW(WidePath(path).c_str(), GENERIC_READ | (lock ? GENERIC_WRITE : 0),
                    FILE_SHARE_READ, nullptr, lock ? OPEN_ALWAYS : OPEN_EXISTING, 0, nullptr);
    HANDLE ready =
        OpenEventW(EVENT_MODIFY_STATE, FALSE, ToWide(Env(kHoldReadyVar).value_or("")).c_str());
    HANDLE release =
        OpenEventW(SYNCHRONIZE, FALSE, ToWide(Env(kHoldReleaseVar).value_or("")).c_str());
    const bool held = f != INVALID_HANDLE_VALUE && ready && release;
    if (held) {
        SetEvent(ready);
        WaitForSingleObject(release, 60000);
    }
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    if (ready) CloseHandle(ready);
    if (release) CloseHandle(release);
    return held;
}

// Decided as the program loads, before any test is registered or run: the holder runs no test.
[[maybe_unused]] const bool kHolderRole = [] {
    std::optional<bool> held = RunHolderIfAsked();
    if (held) ::ExitProcess(*held ? 0 : 1);
    return false;
}();
} // namespace

SavedValue::SavedValue(Registry& reg, RootKey root, std::string key, std::string name)
    : reg_(reg), root_(root), key_(std::move(key)), name_(std::move(name)) {
    RegKey k(reg_, reg_.OpenKeyRead(RootHandle(root_), key_));
    if (k) saved_ = reg_.ReadValueWhole(k.get(), name_);
}

SavedValue::~SavedValue() {
    RegKey k(reg_, reg_.CreateKey(RootHandle(root_), key_));
    if (saved_)
        EXPECT_TRUE(reg_.WriteValue(k.get(), name_, saved_->type, saved_->data.data(),
                                    static_cast<std::uint32_t>(saved_->data.size())));
    else
        (void)reg_.DeleteValue(k.get(), name_);
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
    saved_ = Env(name_);
    SetEnv(name_, value);
}

ScopedEnv::~ScopedEnv() {
    SetEnv(name_, saved_);
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
