// Plants the startup manager's demo files in both startup folders of a Wine prefix:
// shortcuts made with the shell link object, a batch file, and files the listing skips.
// Built and run by tools/demo.d/20-startup.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

static std::string ShellFolderPath(int csidl) {
    char buf[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buf);
    return buf;
}

static bool MakeShortcut(const std::string& link, const char* target, const char* args) {
    IShellLinkA* sl = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&sl))))
        return false;
    sl->SetPath(target);
    if (args) sl->SetArguments(args);
    IPersistFile* pf = nullptr;
    bool ok = false;
    if (SUCCEEDED(sl->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf)))) {
        wchar_t wide[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        ok = SUCCEEDED(pf->Save(wide, TRUE));
        pf->Release();
    }
    sl->Release();
    return ok;
}

static void WriteText(const std::string& path, const char* text, DWORD attributes) {
    HANDLE f =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, text, static_cast<DWORD>(lstrlenA(text)), &written, nullptr);
    CloseHandle(f);
}

int main() {
    CoInitialize(nullptr);
    std::string common = ShellFolderPath(CSIDL_COMMON_STARTUP);
    std::string user = ShellFolderPath(CSIDL_STARTUP);
    if (common.empty() || user.empty()) return 1;
    bool ok = MakeShortcut(common + "\\Demo Sync.lnk", "C:\\windows\\notepad.exe", "/sync");
    ok &= MakeShortcut(user + "\\Notes.LNK", "C:\\windows\\system32\\notepad.exe", nullptr);
    ok &= MakeShortcut(user + "\\Old Tool.lnk", "C:\\Gone\\oldtool.exe", nullptr);
    WriteText(user + "\\backup-nightly.bat", "@echo off\r\nrem demo\r\n", FILE_ATTRIBUTE_NORMAL);
    WriteText(common + "\\desktop.ini", "[.ShellClassInfo]\r\n",
              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    WriteText(user + "\\settings.INI", "[demo]\r\n", FILE_ATTRIBUTE_NORMAL);
    CreateDirectoryA((user + "\\Archive").c_str(), nullptr);
    WriteText(user + "\\Archive\\inside.bat", "@echo off\r\n", FILE_ATTRIBUTE_NORMAL);
    CoUninitialize();
    std::printf("startup folders: %s | %s\n", common.c_str(), user.c_str());
    return ok ? 0 : 1;
}
