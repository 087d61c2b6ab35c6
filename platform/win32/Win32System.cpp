#include "platform/win32/Win32System.h"

#include "seams/Unicode.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <knownfolders.h>
#include <userenv.h>
#include <wininet.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <cstring>
#include <cwchar>
#include <iterator>
#include <memory>
#include <vector>

namespace zt {

namespace {
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

bool HasLongPrefix(std::wstring_view p) {
    return p.size() >= 4 && p[0] == L'\\' && p[1] == L'\\' && (p[2] == L'?' || p[2] == L'.') &&
           p[3] == L'\\';
}

// A result in the form the caller gave: without "\\?\" unless the input had it.
std::wstring WithoutLongPrefix(std::wstring p) {
    if (p.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + p.substr(8);
    if (p.rfind(L"\\\\?\\", 0) == 0) return p.substr(4);
    return p;
}
std::string AsGiven(std::wstring p, std::string_view input) {
    bool hadPrefix = HasLongPrefix(ToWide(input.substr(0, 4)));
    return FromWide(hadPrefix ? p : WithoutLongPrefix(std::move(p)));
}

// Calls `fill(buffer, size)` (which returns the length written, or the size needed with its
// terminating zero when the buffer is too small, or 0) with a buffer that grows until it fits.
template <class Fill> std::optional<std::wstring> Grown(Fill fill, DWORD first = MAX_PATH + 1) {
    std::wstring buf(first, L'\0');
    for (int round = 0; round < 8; ++round) {
        DWORD got = fill(buf.data(), static_cast<DWORD>(buf.size()));
        if (got == 0) return std::nullopt;
        if (got < buf.size()) {
            buf.resize(got);
            return buf;
        }
        buf.assign(static_cast<std::size_t>(got) + 1, L'\0');
    }
    return std::nullopt;
}

// The path of an open handle without its drive ("\dir\file"), for comparing with the name
// it was opened by.
bool HandleIsAt(HANDLE h, std::string_view path) {
    std::vector<char> buf(sizeof(FILE_NAME_INFO) + 2 * 32768);
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(buf.data());
    if (!GetFileInformationByHandleEx(h, FileNameInfo, info, static_cast<DWORD>(buf.size())))
        return false;
    std::wstring want = WithoutLongPrefix(ToWide(path));
    if (want.size() < 2 || want[1] != L':') return false;
    want.erase(0, 2);
    for (auto& c : want)
        if (c == L'/') c = L'\\';
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

namespace {
bool IsDriveAbsolute(std::wstring_view p) {
    return p.size() >= 3 && ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')) &&
           p[1] == L':' && (p[2] == L'\\' || p[2] == L'/');
}
bool IsUncPath(std::wstring_view p) {
    return p.size() > 2 && (p[0] == L'\\' || p[0] == L'/') && (p[1] == L'\\' || p[1] == L'/') &&
           p[2] != L'?' && p[2] != L'.';
}

// From this length on, a path takes the long form: folders are created only up to
// MAX_PATH - 12 characters in the short one.
constexpr std::size_t kLongFormFrom = MAX_PATH - 12;

// True when the error says something is there that will not tell about itself, as opposed to
// a path that names nothing (not found, no such share, a name no file can have).
bool SaysThereButClosed(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION;
}
} // namespace

bool OnWine() {
    static const bool wine =
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

std::wstring WidePath(std::string_view path) {
    std::wstring w = ToWide(path);
    if (w.size() < kLongFormFrom || HasLongPrefix(w) || !(IsDriveAbsolute(w) || IsUncPath(w)))
        return w;
    // The long form is taken as it is written: slashes, "." and ".." are resolved first, as
    // the short form would have resolved them.
    auto full = Grown(
        [&](wchar_t* buf, DWORD size) { return GetFullPathNameW(w.c_str(), size, buf, nullptr); });
    if (!full) {
        full = w;
        for (auto& c : *full)
            if (c == L'/') c = L'\\';
    }
    if (full->rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full->substr(2);
    return L"\\\\?\\" + *full;
}

std::optional<std::uint32_t> Win32System::GetAttributes(std::string_view path) {
    std::wstring p = WidePath(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(p.c_str(), GetFileExInfoStandard, &data)) return data.dwFileAttributes;
    if (path.empty() || !SaysThereButClosed(GetLastError())) return std::nullopt;
    // In use or without rights to it: the folder listing still shows its attributes.
    WIN32_FIND_DATAW fd;
    FindHandle find{
        FindFirstFileExW(p.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0)};
    if (find.h != INVALID_HANDLE_VALUE) return fd.dwFileAttributes;
    return kAttrNormal;
}

std::optional<std::string> Win32System::SearchProgramPath(std::string_view name,
                                                          std::string_view extension) {
    std::wstring n = WidePath(name);
    std::wstring e = ToWide(extension);
    auto found = Grown([&](wchar_t* buf, DWORD size) {
        return SearchPathW(nullptr, n.c_str(), e.empty() ? nullptr : e.c_str(), size, buf, nullptr);
    });
    if (!found) return std::nullopt;
    return AsGiven(std::move(*found), name);
}

std::optional<std::string> Win32System::GetEnvVar(std::string_view name) {
    std::wstring n = ToWide(name);
    SetLastError(ERROR_SUCCESS);
    auto value = Grown(
        [&](wchar_t* buf, DWORD size) { return GetEnvironmentVariableW(n.c_str(), buf, size); });
    if (value) return FromWide(*value);
    // Set but empty reads as 0 characters too.
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
}

std::optional<std::string> Win32System::ExpandEnv(std::string_view text) {
    std::wstring t = ToWide(text);
    std::wstring buf(t.size() + MAX_PATH, L'\0');
    for (int round = 0; round < 8; ++round) {
        // The count includes the terminating zero, whether it fitted or not.
        DWORD need =
            ExpandEnvironmentStringsW(t.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
        if (need == 0) return std::nullopt;
        if (need <= buf.size()) return FromWide(std::wstring_view(buf.data(), need - 1));
        buf.assign(need, L'\0');
    }
    return std::nullopt;
}

std::string Win32System::FromAnsiCodePage(std::string_view bytes) {
    if (bytes.empty()) return {};
    // The system's code page, not CP_ACP: the manifest makes the program's own ANSI code page
    // UTF-8, while older files were written in the system's.
    DWORD codePage = CP_ACP;
    if (GetLocaleInfoW(GetSystemDefaultLCID(), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(wchar_t)) == 0)
        codePage = CP_ACP;
    int n =
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return FromWide(wide);
}

std::string Win32System::LowerText(std::string_view text) {
    std::wstring t = ToWide(text);
    if (!t.empty()) CharLowerBuffW(t.data(), static_cast<DWORD>(t.size()));
    return FromWide(t);
}

bool Win32System::EnumDirectory(std::string_view path,
                                const std::function<bool(const DirEntry&)>& visit) {
    // No folder is not the working folder: an empty path lists nothing.
    if (path.empty()) return false;
    std::string pattern(path);
    if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAW fd;
    FindHandle find{FindFirstFileExW(WidePath(pattern).c_str(), FindExInfoBasic, &fd,
                                     FindExSearchNameMatch, nullptr, 0)};
    if (find.h == INVALID_HANDLE_VALUE) {
        // A drive root holds not even "." and "..": nothing found there is an empty listing.
        return GetLastError() == ERROR_FILE_NOT_FOUND && IsDirectory(path);
    }
    do {
        if (std::wcscmp(fd.cFileName, L".") == 0 || std::wcscmp(fd.cFileName, L"..") == 0) continue;
        DirEntry e;
        e.name = FromWide(fd.cFileName);
        e.attributes = fd.dwFileAttributes;
        e.size = (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        e.lastWriteTime = UnixSeconds(fd.ftLastWriteTime);
        if (!visit(e)) break;
    } while (FindNextFileW(find.h, &fd));
    return true;
}

namespace {
// The last error of a call that returned `done`, converted once.
Status Result(BOOL done) {
    return done ? Status::Success() : StatusFromOsError(GetLastError());
}

HANDLE OpenForDeleting(std::string_view path) {
    return CreateFileW(WidePath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                       nullptr);
}
} // namespace

Status Win32System::RemoveFile(std::string_view path) {
    return Result(DeleteFileW(WidePath(path).c_str()));
}

Status Win32System::RemoveFolder(std::string_view path) {
    return Result(RemoveDirectoryW(WidePath(path).c_str()));
}

Status Win32System::MakeFolder(std::string_view path) {
    return Result(CreateDirectoryW(WidePath(path).c_str(), nullptr));
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
    FileHandle f{CreateFileW(WidePath(path).c_str(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) return std::nullopt;
    auto r = Grown([&](wchar_t* buf, DWORD size) {
        return GetFinalPathNameByHandleW(f.h, buf, size, FILE_NAME_NORMALIZED);
    });
    if (r) return AsGiven(std::move(*r), path);
    // Wine's call gives up on a name of MAX_PATH or more: the folder above is resolved and
    // the last name kept as it is.
    std::string_view p = path;
    while (p.size() > 3 && (p.back() == '\\' || p.back() == '/'))
        p.remove_suffix(1);
    auto cut = p.find_last_of("\\/");
    if (Utf16Length(p) < kLongFormFrom || cut == std::string_view::npos || cut < 3)
        return std::nullopt;
    auto folder = FinalPath(p.substr(0, cut));
    if (!folder) return std::nullopt;
    return JoinPath(*folder, p.substr(cut + 1));
}

EntryHandle Win32System::OpenEntry(std::string_view path, EntryFacts& facts) {
    facts = EntryFacts{};
    HANDLE h = OpenForDeleting(path);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        facts.gone = e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
        facts.denied = e == ERROR_ACCESS_DENIED;
        facts.inUse = e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION;
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
    if (!(facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) && OnWine() && !HandleIsAt(h, path))
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
    // Opened as OpenEntry opens it, so what a measuring counts is what it could delete, but
    // without reading the facts: under Wine that is one more trip to the server per file.
    FileHandle f{OpenForDeleting(path)};
    if (f.h == INVALID_HANDLE_VALUE) return EntryCheck::NotOpened;
    // Windows opens a link itself; Wine follows it, which only the path of the handle shows.
    if (OnWine() && !HandleIsAt(f.h, path)) return EntryCheck::LinkFollowed;
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
const KNOWNFOLDERID& FolderId(KnownFolder folder) {
    switch (folder) {
    case KnownFolder::AppData:
        return FOLDERID_RoamingAppData;
    case KnownFolder::Cookies:
        return FOLDERID_Cookies;
    case KnownFolder::InternetCache:
        return FOLDERID_InternetCache;
    case KnownFolder::Fonts:
        return FOLDERID_Fonts;
    case KnownFolder::Startup:
        return FOLDERID_Startup;
    case KnownFolder::CommonStartup:
        return FOLDERID_CommonStartup;
    case KnownFolder::ProgramFiles:
        return FOLDERID_ProgramFiles;
    case KnownFolder::ProgramFilesX86:
        return FOLDERID_ProgramFilesX86;
    case KnownFolder::SystemX86:
        return FOLDERID_SystemX86;
    case KnownFolder::ProgramData:
        return FOLDERID_ProgramData;
    case KnownFolder::Profile:
        return FOLDERID_Profile;
    case KnownFolder::Profiles:
        return FOLDERID_UserProfiles;
    case KnownFolder::Desktop:
        return FOLDERID_Desktop;
    case KnownFolder::Documents:
        return FOLDERID_Documents;
    case KnownFolder::Pictures:
        return FOLDERID_Pictures;
    case KnownFolder::Music:
        return FOLDERID_Music;
    case KnownFolder::Videos:
        return FOLDERID_Videos;
    case KnownFolder::LocalAppData:
        return FOLDERID_LocalAppData;
    case KnownFolder::Downloads:
        break;
    }
    return FOLDERID_Downloads;
}
} // namespace

std::optional<std::string> Win32System::GetKnownFolder(KnownFolder folder) {
    if (folder == KnownFolder::Profiles) {
        DWORD size = 0;
        GetProfilesDirectoryW(nullptr, &size);
        std::wstring buf(size + 1, L'\0');
        size = static_cast<DWORD>(buf.size());
        if (!GetProfilesDirectoryW(buf.data(), &size)) return std::nullopt;
        buf.resize(std::wcslen(buf.c_str()));
        return FromWide(buf);
    }
    // The backup folder lives in AppData; a profile without it gets it created.
    DWORD flags = folder == KnownFolder::AppData ? DWORD{KF_FLAG_CREATE} : 0;
    PWSTR wide = nullptr;
    HRESULT hr = SHGetKnownFolderPath(FolderId(folder), flags, nullptr, &wide);
    std::string path = SUCCEEDED(hr) && wide ? FromWide(wide) : std::string();
    CoTaskMemFree(wide);
    if (path.empty()) return std::nullopt;
    return path;
}

std::string Win32System::GetTempFolder() {
    auto r = Grown([](wchar_t* buf, DWORD size) { return GetTempPathW(size, buf); });
    return r ? FromWide(*r) : std::string();
}

std::string Win32System::SystemFolder() {
    auto r = Grown([](wchar_t* buf, DWORD size) { return GetSystemDirectoryW(buf, size); });
    return r ? FromWide(*r) : std::string();
}

std::string Win32System::WindowsFolder() {
    auto r = Grown([](wchar_t* buf, DWORD size) { return GetWindowsDirectoryW(buf, size); });
    return r ? FromWide(*r) : std::string();
}

std::uint32_t Win32System::LogicalDriveMask() {
    return ::GetLogicalDrives();
}

DriveKind Win32System::GetDriveKind(char letter) {
    const int number = (letter | 0x20) - 'a';
    if (number < 0 || number >= 26) return DriveKind::Unknown;
    if ((::GetLogicalDrives() & (1u << number)) == 0) return DriveKind::Absent;
    const wchar_t root[] = {static_cast<wchar_t>(L'A' + number), L':', L'\\', L'\0'};
    switch (::GetDriveTypeW(root)) {
    case DRIVE_FIXED:
        return DriveKind::Fixed;
    case DRIVE_REMOVABLE:
        return DriveKind::Removable;
    case DRIVE_CDROM:
        return DriveKind::Optical;
    case DRIVE_REMOTE:
        return DriveKind::Network;
    case DRIVE_RAMDISK:
        return DriveKind::RamDisk;
    case DRIVE_NO_ROOT_DIR:
        return DriveKind::Absent;
    default:
        return DriveKind::Unknown;
    }
}

std::string Win32System::GetModulePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD got = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (got == 0) return {};
        if (got < buf.size()) return AsGiven(buf.substr(0, got), "");
        buf.assign(buf.size() * 2, L'\0');
    }
}

std::optional<RecycleBinInfo> Win32System::QueryRecycleBin(std::string_view rootPath) {
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    if (FAILED(SHQueryRecycleBinW(ToWide(rootPath).c_str(), &info))) return std::nullopt;
    return RecycleBinInfo{static_cast<std::uint64_t>(info.i64Size),
                          static_cast<std::uint64_t>(info.i64NumItems)};
}

bool Win32System::EmptyRecycleBin(WindowRef owner) {
    // A page lets the system show its progress and play its sound; a console stays silent.
    DWORD flags = SHERB_NOCONFIRMATION;
    if (!owner) flags |= SHERB_NOPROGRESSUI | SHERB_NOSOUND;
    return SUCCEEDED(SHEmptyRecycleBinW(reinterpret_cast<HWND>(owner), nullptr, flags));
}

bool Win32System::WalkUrlCache(const std::function<bool(const UrlCacheEntry&)>& visit) {
    std::vector<unsigned char> buf(4096);
    DWORD size = static_cast<DWORD>(buf.size());
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
    HANDLE find = FindFirstUrlCacheEntryW(nullptr, info, &size);
    if (!find && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        buf.resize(size);
        info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
        find = FindFirstUrlCacheEntryW(nullptr, info, &size);
    }
    if (!find) return GetLastError() == ERROR_NO_MORE_ITEMS;
    bool exhausted = false;
    for (;;) {
        UrlCacheEntry e;
        e.sourceUrl = FromWide(info->lpszSourceUrlName);
        e.localFile = FromWide(info->lpszLocalFileName);
        if (!visit(e)) break;
        size = static_cast<DWORD>(buf.size());
        BOOL next = FindNextUrlCacheEntryW(find, info, &size);
        if (!next && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            buf.resize(size);
            info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data());
            next = FindNextUrlCacheEntryW(find, info, &size);
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
    return DeleteUrlCacheEntryW(ToWide(sourceUrl).c_str()) != 0;
}

namespace {
struct ShellCall {
    std::wstring verb, file, parameters;
    SHELLEXECUTEINFOW sei{};
    ShellCall(std::string_view v, std::string_view f, std::string_view p, int show, ULONG mask)
        : verb(ToWide(v)), file(ToWide(f)), parameters(ToWide(p)) {
        sei.cbSize = sizeof sei;
        sei.fMask = mask;
        sei.lpVerb = verb.empty() ? nullptr : verb.c_str();
        sei.lpFile = file.c_str();
        sei.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
        sei.nShow = show;
    }
};

// A waited-for process's result: its exit code once it has ended.
ShellResult Ended(HANDLE process, DWORD wait, ShellResult r) {
    if (wait != WAIT_OBJECT_0) return r;
    DWORD code = 0;
    if (GetExitCodeProcess(process, &code)) r.exitCode = code;
    r.waited = true;
    return r;
}
} // namespace

ShellResult Win32System::Execute(std::string_view verb, std::string_view file,
                                 std::string_view parameters, int show, bool wait) {
    if (wait) return ExecuteAndWait(verb, file, parameters, show, INFINITE);
    ShellCall call(verb, file, parameters, show, SEE_MASK_FLAG_NO_UI);
    ShellResult r;
    r.started = ShellExecuteExW(&call.sei) != 0;
    return r;
}

ShellResult Win32System::RunElevated(std::string_view file, std::string_view parameters,
                                     const std::atomic<bool>* stop) {
    ShellCall call("runas", file, parameters, SW_HIDE,
                   SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS);
    ShellResult r;
    if (!ShellExecuteExW(&call.sei)) {
        r.declined = GetLastError() == ERROR_CANCELLED;
        return r;
    }
    r.started = true;
    if (!call.sei.hProcess) return r;
    FileHandle process{call.sei.hProcess};
    // A short wait at a time, so a stop is noticed while the helper works.
    DWORD wait = WAIT_TIMEOUT;
    while ((wait = WaitForSingleObject(process.h, 100)) == WAIT_TIMEOUT) {
        if (stop && stop->load()) {
            // What it deleted so far is already in its backup file, written before each deletion.
            r.stopped = TerminateProcess(process.h, 1) != 0;
            if (r.stopped)
                WaitForSingleObject(process.h, 5000);
            else
                r.timedOut = true;
            return r;
        }
    }
    return Ended(process.h, wait, r);
}

std::string Win32System::CurrentUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    FileHandle owner{token};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buf(size ? size : 1);
    if (!GetTokenInformation(token, TokenUser, buf.data(), size, &size)) return {};
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid, &text))
        return {};
    std::string sid = FromWide(text);
    LocalFree(text);
    return sid;
}

std::optional<std::string> Win32System::ResolveShortcut(std::string_view linkPath) {
    ComScope com;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link.p))))
        return std::nullopt;
    ComPtr<IPersistFile> file;
    if (FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))))
        return std::nullopt;
    if (FAILED(file.p->Load(WidePath(linkPath).c_str(), STGM_READ))) return std::nullopt;
    // No window may appear: the core has none to own it, and the console tool has no desktop.
    if (FAILED(link.p->Resolve(nullptr, SLR_NO_UI | (1000u << 16)))) return std::nullopt;
    std::wstring target(32768, L'\0');
    WIN32_FIND_DATAW fd{};
    // The raw path keeps the stored environment references unexpanded.
    if (FAILED(link.p->GetPath(target.data(), static_cast<int>(target.size()), &fd, SLGP_RAWPATH)))
        return std::nullopt;
    return FromWide(target.c_str());
}

LocalTime Win32System::GetLocalTime() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return LocalTime{st.wYear,   st.wMonth,  st.wDay,          st.wHour,
                     st.wMinute, st.wSecond, st.wMilliseconds, st.wDayOfWeek};
}

OutFileHandle Win32System::CreateOutFile(std::string_view path) {
    HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
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
    wchar_t buf[512] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, buf, static_cast<DWORD>(std::size(buf)), nullptr);
    std::string text = FromWide(std::wstring_view(buf, n));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "error " + std::to_string(code);
    return text;
}

ShellResult Win32System::ExecuteAndWait(std::string_view verb, std::string_view file,
                                        std::string_view parameters, int show,
                                        std::uint32_t timeoutMs) {
    ShellCall call(verb, file, parameters, show, SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS);
    ShellResult r;
    if (!ShellExecuteExW(&call.sei)) return r;
    r.started = true;
    if (!call.sei.hProcess) return r;
    FileHandle process{call.sei.hProcess};
    DWORD wait = WaitForSingleObject(process.h, timeoutMs);
    if (wait == WAIT_TIMEOUT) {
        r.timedOut = true;
        return r;
    }
    return Ended(process.h, wait, r);
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
    FileHandle h{CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
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

std::vector<std::string> Win32System::RunningImageNames() {
    std::vector<std::string> names;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return names;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe))
        names.push_back(FromWide(pe.szExeFile));
    CloseHandle(snap);
    return names;
}

bool Win32System::IsFileHeldOpen(std::string_view path) {
    // Sharing only reading: refused while anyone holds the file for writing or deleting, or
    // shares nothing, which is how a program keeps its lock file.
    FileHandle f{CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (f.h != INVALID_HANDLE_VALUE) return false;
    DWORD e = GetLastError();
    return e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION;
}

std::optional<std::uint64_t> Win32System::DriveFreeBytes(std::string_view root) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExW(ToWide(root).c_str(), &available, &total, &free)) return std::nullopt;
    return free.QuadPart;
}

} // namespace zt
