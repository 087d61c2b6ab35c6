#include "platform/win32/Win32System.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstring>
#include <memory>
#include <vector>

namespace zt {

namespace {
std::string Z(std::string_view s) {
    return std::string(s);
}

struct FindHandle {
    HANDLE h;
    ~FindHandle() {
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
};
struct FileHandle {
    HANDLE h;
    ~FileHandle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

// File times count 100 ns steps from 1601; the core counts seconds from 1970.
std::int64_t UnixSeconds(const FILETIME& ft) {
    std::uint64_t t = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return (static_cast<std::int64_t>(t) - 116444736000000000LL) / 10000000LL;
}

// COM initialised for the current thread for the lifetime of the object.
struct ComScope {
    HRESULT hr;
    ComScope() : hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr)) CoUninitialize();
    }
};

template <class T> struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
};
} // namespace

std::optional<std::uint32_t> Win32System::GetAttributes(std::string_view path) {
    DWORD a = GetFileAttributesA(Z(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return a;
}

std::optional<std::string> Win32System::SearchProgramPath(std::string_view name,
                                                          std::string_view extension) {
    std::string n = Z(name);
    std::string e = Z(extension);
    char buf[MAX_PATH * 2 + 2] = {}; // 522 characters
    DWORD got = SearchPathA(nullptr, n.c_str(), e.empty() ? nullptr : e.c_str(),
                            static_cast<DWORD>(sizeof buf), buf, nullptr);
    if (got == 0) return std::nullopt;
    if (got < sizeof buf) return std::string(buf, got);
    // A longer result: the name was found all the same.
    std::string big(got + 1, '\0');
    got = SearchPathA(nullptr, n.c_str(), e.empty() ? nullptr : e.c_str(),
                      static_cast<DWORD>(big.size()), big.data(), nullptr);
    if (got == 0 || got >= big.size()) return std::nullopt;
    big.resize(got);
    return big;
}

std::optional<std::string> Win32System::GetEnvVar(std::string_view name) {
    std::string n = Z(name);
    DWORD need = GetEnvironmentVariableA(n.c_str(), nullptr, 0);
    if (need == 0) return std::nullopt;
    std::string v(need, '\0');
    DWORD got = GetEnvironmentVariableA(n.c_str(), v.data(), need);
    if (got == 0 || got >= need) return std::nullopt;
    v.resize(got);
    return v;
}

std::optional<std::string> Win32System::ExpandEnv(std::string_view text) {
    std::string t = Z(text);
    DWORD need = ExpandEnvironmentStringsA(t.c_str(), nullptr, 0);
    if (need == 0) return std::nullopt;
    std::string v(need + 1, '\0');
    DWORD got = ExpandEnvironmentStringsA(t.c_str(), v.data(), need + 1);
    if (got == 0 || got > need + 1) return std::nullopt;
    v.resize(got - 1);
    return v;
}

std::string Win32System::LowerText(std::string_view text) {
    std::string t(text);
    if (!t.empty()) CharLowerBuffA(t.data(), static_cast<DWORD>(t.size()));
    return t;
}

bool Win32System::EnumDirectory(std::string_view path,
                                const std::function<bool(const DirEntry&)>& visit) {
    std::string pattern = Z(path);
    if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA fd;
    FindHandle find{FindFirstFileA(pattern.c_str(), &fd)};
    if (find.h == INVALID_HANDLE_VALUE) return false;
    do {
        if (std::strcmp(fd.cFileName, ".") == 0 || std::strcmp(fd.cFileName, "..") == 0) continue;
        DirEntry e;
        e.name = fd.cFileName;
        e.attributes = fd.dwFileAttributes;
        e.size = (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        e.lastWriteTime = UnixSeconds(fd.ftLastWriteTime);
        if (!visit(e)) break;
    } while (FindNextFileA(find.h, &fd));
    return true;
}

bool Win32System::RemoveFile(std::string_view path) {
    return DeleteFileA(Z(path).c_str()) != 0;
}

bool Win32System::RemoveFolder(std::string_view path) {
    return RemoveDirectoryA(Z(path).c_str()) != 0;
}

bool Win32System::MakeFolder(std::string_view path) {
    return CreateDirectoryA(Z(path).c_str(), nullptr) != 0;
}

std::optional<std::string> Win32System::FinalPath(std::string_view path) {
    FileHandle f{CreateFileA(Z(path).c_str(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) return std::nullopt;
    char buf[MAX_PATH * 4];
    DWORD got = GetFinalPathNameByHandleA(f.h, buf, sizeof buf, FILE_NAME_NORMALIZED);
    if (got == 0 || got >= sizeof buf) return std::nullopt;
    std::string r(buf, got);
    if (r.rfind("\\\\?\\", 0) == 0) r.erase(0, 4);
    return r;
}

std::optional<std::string> Win32System::GetKnownFolder(KnownFolder folder) {
    int csidl = CSIDL_APPDATA;
    switch (folder) {
    case KnownFolder::AppData:
        // The backup folder lives there; a profile without it gets it created.
        csidl = CSIDL_APPDATA | CSIDL_FLAG_CREATE;
        break;
    case KnownFolder::Cookies:
        csidl = CSIDL_COOKIES;
        break;
    case KnownFolder::InternetCache:
        csidl = CSIDL_INTERNET_CACHE;
        break;
    case KnownFolder::Fonts:
        csidl = CSIDL_FONTS;
        break;
    case KnownFolder::Startup:
        csidl = CSIDL_STARTUP;
        break;
    case KnownFolder::CommonStartup:
        csidl = CSIDL_COMMON_STARTUP;
        break;
    case KnownFolder::ProgramFiles:
        csidl = CSIDL_PROGRAM_FILES;
        break;
    }
    char buf[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf)))
        return std::nullopt;
    return std::string(buf);
}

std::string Win32System::GetTempFolder() {
    char buf[MAX_PATH + 1] = {};
    DWORD got = GetTempPathA(sizeof buf, buf);
    if (got == 0 || got > sizeof buf) return {};
    return std::string(buf, got);
}

std::string Win32System::SystemFolder() {
    char buf[MAX_PATH] = {};
    UINT got = GetSystemDirectoryA(buf, sizeof buf);
    if (got == 0 || got >= sizeof buf) return {};
    return std::string(buf, got);
}

std::string Win32System::WindowsFolder() {
    char buf[MAX_PATH] = {};
    UINT got = GetWindowsDirectoryA(buf, sizeof buf);
    if (got == 0 || got >= sizeof buf) return {};
    return std::string(buf, got);
}

std::uint32_t Win32System::LogicalDriveMask() {
    return ::GetLogicalDrives();
}

std::string Win32System::GetModulePath() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        DWORD got = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (got == 0) return {};
        if (got < buf.size()) return std::string(buf.data(), got);
        buf.resize(buf.size() * 2);
    }
}

std::optional<RecycleBinInfo> Win32System::QueryRecycleBin(std::string_view rootPath) {
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    if (FAILED(SHQueryRecycleBinA(Z(rootPath).c_str(), &info))) return std::nullopt;
    return RecycleBinInfo{static_cast<std::uint64_t>(info.i64Size),
                          static_cast<std::uint64_t>(info.i64NumItems)};
}

bool Win32System::EmptyRecycleBin(WindowRef owner) {
    // A page lets the system show its progress and play its sound; a console stays silent.
    DWORD flags = SHERB_NOCONFIRMATION;
    if (!owner) flags |= SHERB_NOPROGRESSUI | SHERB_NOSOUND;
    return SUCCEEDED(SHEmptyRecycleBinA(reinterpret_cast<HWND>(owner), nullptr, flags));
}

bool Win32System::WalkUrlCache(const std::function<bool(const UrlCacheEntry&)>& visit) {
    std::vector<unsigned char> buf(4096);
    DWORD size = static_cast<DWORD>(buf.size());
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buf.data());
    HANDLE find = FindFirstUrlCacheEntryA(nullptr, info, &size);
    if (!find && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        buf.resize(size);
        info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buf.data());
        find = FindFirstUrlCacheEntryA(nullptr, info, &size);
    }
    if (!find) return GetLastError() == ERROR_NO_MORE_ITEMS;
    bool exhausted = false;
    for (;;) {
        UrlCacheEntry e;
        if (info->lpszSourceUrlName) e.sourceUrl = info->lpszSourceUrlName;
        if (info->lpszLocalFileName) e.localFile = info->lpszLocalFileName;
        if (!visit(e)) break;
        size = static_cast<DWORD>(buf.size());
        BOOL next = FindNextUrlCacheEntryA(find, info, &size);
        if (!next && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            buf.resize(size);
            info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buf.data());
            next = FindNextUrlCacheEntryA(find, info, &size);
        }
        if (!next) {
            exhausted = GetLastError() == ERROR_NO_MORE_ITEMS;
            break;
        }
    }
    FindCloseUrlCache(find);
    return exhausted;
}

bool Win32System::DeleteUrlEntry(std::string_view sourceUrl) {
    return DeleteUrlCacheEntryA(Z(sourceUrl).c_str()) != 0;
}

ShellResult Win32System::Execute(std::string_view verb, std::string_view file,
                                 std::string_view parameters, int show, bool wait) {
    std::string v = Z(verb), f = Z(file), p = Z(parameters);
    SHELLEXECUTEINFOA sei{};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_FLAG_NO_UI | (wait ? SEE_MASK_NOCLOSEPROCESS : 0);
    sei.lpVerb = v.empty() ? nullptr : v.c_str();
    sei.lpFile = f.c_str();
    sei.lpParameters = p.empty() ? nullptr : p.c_str();
    sei.nShow = show;
    ShellResult r;
    if (!ShellExecuteExA(&sei)) return r;
    r.started = true;
    if (wait && sei.hProcess) {
        WaitForSingleObject(sei.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(sei.hProcess, &code)) r.exitCode = code;
        r.waited = true;
        CloseHandle(sei.hProcess);
    }
    return r;
}

std::optional<std::string> Win32System::ResolveShortcut(std::string_view linkPath) {
    ComScope com;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link.p))))
        return std::nullopt;
    ComPtr<IPersistFile> file;
    if (FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))))
        return std::nullopt;
    std::string p = Z(linkPath);
    // The shell link object takes a path of at most MAX_PATH wide characters.
    wchar_t wide[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_ACP, 0, p.c_str(), -1, wide, MAX_PATH) == 0) return std::nullopt;
    if (FAILED(file.p->Load(wide, STGM_READ))) return std::nullopt;
    // No window may appear: the core has none to own it, and the console tool has no desktop.
    if (FAILED(link.p->Resolve(nullptr, SLR_NO_UI | (1000u << 16)))) return std::nullopt;
    char target[MAX_PATH] = {};
    WIN32_FIND_DATAA fd{};
    // The raw path keeps the stored environment references unexpanded.
    if (FAILED(link.p->GetPath(target, MAX_PATH, &fd, SLGP_RAWPATH))) return std::nullopt;
    return std::string(target);
}

LocalTime Win32System::GetLocalTime() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return LocalTime{st.wYear,   st.wMonth,  st.wDay,          st.wHour,
                     st.wMinute, st.wSecond, st.wMilliseconds, st.wDayOfWeek};
}

OutFileHandle Win32System::CreateOutFile(std::string_view path) {
    HANDLE h = CreateFileA(Z(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return kNoOutFile;
    return reinterpret_cast<OutFileHandle>(h);
}

bool Win32System::WriteOutFile(OutFileHandle file, const void* data, std::size_t size) {
    if (file == kNoOutFile) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    auto* p = static_cast<const char*>(data);
    while (size > 0) {
        DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(file), p, chunk, &written, nullptr)) return false;
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        p += written;
        size -= written;
    }
    return true;
}

bool Win32System::CloseOutFile(OutFileHandle file) {
    if (file == kNoOutFile) return false;
    return CloseHandle(reinterpret_cast<HANDLE>(file)) != 0;
}

std::string Win32System::LastFileError() {
    DWORD code = GetLastError();
    char buf[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, buf, sizeof buf, nullptr);
    std::string text(buf, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "error " + std::to_string(code);
    return text;
}

} // namespace zt
