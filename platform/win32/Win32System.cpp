#include "platform/win32/Win32System.h"

#include "seams/Unicode.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <knownfolders.h>
#include <userenv.h>
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

// Wine opens the target of a Unix link even when asked for the link itself, and its
// listings show such a link to a file as a plain file.
bool OnWine() {
    static const bool wine =
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

// The path of an open handle without its drive ("\dir\file"), for comparing with the name
// it was opened by.
bool HandleIsAt(HANDLE h, std::string_view path) {
    alignas(FILE_NAME_INFO) char buf[sizeof(FILE_NAME_INFO) + 2 * 32768];
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(buf);
    if (!GetFileInformationByHandleEx(h, FileNameInfo, info, sizeof buf)) return false;
    if (path.size() < 2 || path[1] != ':') return false;
    std::string_view rest = path.substr(2);
    int n = MultiByteToWideChar(CP_ACP, 0, rest.data(), static_cast<int>(rest.size()), nullptr, 0);
    std::wstring want(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, rest.data(), static_cast<int>(rest.size()), want.data(), n);
    std::size_t got = info->FileNameLength / sizeof(WCHAR);
    if (got != want.size()) return false;
    return CompareStringOrdinal(info->FileName, static_cast<int>(got), want.data(),
                                static_cast<int>(want.size()), TRUE) == CSTR_EQUAL;
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

std::string Win32System::FromAnsiCodePage(std::string_view bytes) {
    if (bytes.empty()) return {};
    int n =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return FromWide(wide);
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

namespace {
// The last error of a call that returned `done`, converted once.
Status Result(BOOL done) {
    return done ? Status::Success() : StatusFromOsError(GetLastError());
}
} // namespace

Status Win32System::RemoveFile(std::string_view path) {
    return Result(DeleteFileA(Z(path).c_str()));
}

Status Win32System::RemoveFolder(std::string_view path) {
    return Result(RemoveDirectoryA(Z(path).c_str()));
}

Status Win32System::MakeFolder(std::string_view path) {
    return Result(CreateDirectoryA(Z(path).c_str(), nullptr));
}

bool Win32System::IsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    BOOL got = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    // Without the information (older systems) there is no elevation to ask for.
    return !got || elevation.TokenIsElevated != 0;
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
    if (r.rfind("\\\\?\\UNC\\", 0) == 0)
        r.replace(0, 8, "\\\\");
    else if (r.rfind("\\\\?\\", 0) == 0)
        r.erase(0, 4);
    return r;
}

EntryHandle Win32System::OpenEntry(std::string_view path, EntryFacts& facts) {
    facts = EntryFacts{};
    std::string p = Z(path);
    HANDLE h =
        CreateFileA(p.c_str(), DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        facts.gone = e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
        facts.denied = e == ERROR_ACCESS_DENIED;
        return kNoEntry;
    }
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(h, FileStandardInfo, &standard, sizeof standard)) {
        CloseHandle(h);
        return kNoEntry;
    }
    facts.attributes = basic.FileAttributes;
    facts.size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
    FILETIME ft{static_cast<DWORD>(basic.LastWriteTime.LowPart),
                static_cast<DWORD>(basic.LastWriteTime.HighPart)};
    facts.lastWriteTime = UnixSeconds(ft);
    // Windows opens a link itself here; Wine may have followed it, which only the path of
    // the handle shows.
    if (!(facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) && OnWine() && !HandleIsAt(h, p))
        facts.elsewhere = true;
    return reinterpret_cast<EntryHandle>(h);
}

Status Win32System::RemoveOpenedEntry(EntryHandle entry) {
    FILE_DISPOSITION_INFO info{TRUE};
    if (SetFileInformationByHandle(reinterpret_cast<HANDLE>(entry), FileDispositionInfo, &info,
                                   sizeof info))
        return Status::Success();
    return StatusFromOsError(GetLastError());
}

void Win32System::CloseEntry(EntryHandle entry) {
    CloseHandle(reinterpret_cast<HANDLE>(entry));
}

EntryCheck Win32System::CheckEntry(std::string_view path) {
    std::string p = Z(path);
    // Opened as OpenEntry opens it, so what a measuring counts is what it could delete, but
    // without reading the facts: under Wine that is one more trip to the server per file.
    FileHandle f{CreateFileA(p.c_str(), DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) return EntryCheck::NotOpened;
    // Windows opens a link itself; Wine follows it, which only the path of the handle shows.
    if (OnWine() && !HandleIsAt(f.h, p)) return EntryCheck::LinkFollowed;
    return EntryCheck::Itself;
}

bool Win32System::ListingShowsFileLinks() {
    return !OnWine();
}

std::int64_t Win32System::CurrentTime() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return UnixSeconds(ft);
}

namespace {
std::optional<std::string> FromKnownFolderId(REFKNOWNFOLDERID id) {
    PWSTR wide = nullptr;
    if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, &wide))) {
        CoTaskMemFree(wide);
        return std::nullopt;
    }
    char buf[MAX_PATH * 2] = {};
    int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, buf, sizeof buf, nullptr, nullptr);
    CoTaskMemFree(wide);
    if (n <= 1) return std::nullopt;
    return std::string(buf);
}
} // namespace

std::optional<std::string> Win32System::GetKnownFolder(KnownFolder folder) {
    int csidl = CSIDL_APPDATA;
    switch (folder) {
    case KnownFolder::Downloads:
        return FromKnownFolderId(FOLDERID_Downloads);
    case KnownFolder::Profiles: {
        char buf[MAX_PATH] = {};
        DWORD size = sizeof buf;
        if (!GetProfilesDirectoryA(buf, &size)) return std::nullopt;
        return std::string(buf);
    }
    case KnownFolder::ProgramFilesX86:
        csidl = CSIDL_PROGRAM_FILESX86;
        break;
    case KnownFolder::SystemX86:
        csidl = CSIDL_SYSTEMX86;
        break;
    case KnownFolder::ProgramData:
        csidl = CSIDL_COMMON_APPDATA;
        break;
    case KnownFolder::Profile:
        csidl = CSIDL_PROFILE;
        break;
    case KnownFolder::Desktop:
        csidl = CSIDL_DESKTOPDIRECTORY;
        break;
    case KnownFolder::Documents:
        csidl = CSIDL_PERSONAL;
        break;
    case KnownFolder::Pictures:
        csidl = CSIDL_MYPICTURES;
        break;
    case KnownFolder::Music:
        csidl = CSIDL_MYMUSIC;
        break;
    case KnownFolder::Videos:
        csidl = CSIDL_MYVIDEO;
        break;
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
    if (wait) return ExecuteAndWait(verb, file, parameters, show, INFINITE);
    std::string v = Z(verb), f = Z(file), p = Z(parameters);
    SHELLEXECUTEINFOA sei{};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_FLAG_NO_UI;
    sei.lpVerb = v.empty() ? nullptr : v.c_str();
    sei.lpFile = f.c_str();
    sei.lpParameters = p.empty() ? nullptr : p.c_str();
    sei.nShow = show;
    ShellResult r;
    r.started = ShellExecuteExA(&sei) != 0;
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

ShellResult Win32System::ExecuteAndWait(std::string_view verb, std::string_view file,
                                        std::string_view parameters, int show,
                                        std::uint32_t timeoutMs) {
    std::string v = Z(verb), f = Z(file), p = Z(parameters);
    SHELLEXECUTEINFOA sei{};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
    sei.lpVerb = v.empty() ? nullptr : v.c_str();
    sei.lpFile = f.c_str();
    sei.lpParameters = p.empty() ? nullptr : p.c_str();
    sei.nShow = show;
    ShellResult r;
    if (!ShellExecuteExA(&sei)) return r;
    r.started = true;
    if (!sei.hProcess) return r;
    FileHandle process{sei.hProcess};
    DWORD wait = WaitForSingleObject(sei.hProcess, timeoutMs);
    if (wait == WAIT_TIMEOUT) {
        r.timedOut = true;
        return r;
    }
    if (wait != WAIT_OBJECT_0) return r;
    DWORD code = 0;
    if (GetExitCodeProcess(sei.hProcess, &code)) r.exitCode = code;
    r.waited = true;
    return r;
}

bool Win32System::TruncateOutFile(OutFileHandle file, std::uint64_t size) {
    if (file == kNoOutFile) return false;
    DWORD error = GetLastError(); // the failure being reported is the write's, not ours
    HANDLE h = reinterpret_cast<HANDLE>(file);
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(size);
    bool ok = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    SetLastError(error);
    return ok;
}

std::optional<std::string> Win32System::ReadWholeFile(std::string_view path) {
    FileHandle h{CreateFileA(Z(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (h.h == INVALID_HANDLE_VALUE) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h.h, &size) || size.QuadPart > 0x7fffffff) return std::nullopt;
    std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD got = 0;
        if (!ReadFile(h.h, text.data() + done, static_cast<DWORD>(text.size() - done), &got,
                      nullptr))
            return std::nullopt;
        if (got == 0) break;
        done += got;
    }
    text.resize(done);
    return text;
}

} // namespace zt
