// Shows the backup, startup manager and disk cleaner pages (and the add dialog) with demo
// data in a window laid out like the program's, for screenshots:
//   zt_page_shots.exe backup|backup-partial|startup|startup-standard-user|add|cleandisk|
//                     cleandisk-unavailable
//   [--rect FILE] [--seconds N]
// backup-partial restores a backup that the registry editor can bring back only in part and
// shows the page's report of it.
// --rect writes the screen rectangle of the window's client area ("x y w h") once it is ready;
// --seconds closes it after N seconds. The demo data is planted at start and taken away at the end.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/AppSettingsLink.h"
#include "app/res/resource.h"
#include "app/DlgAddStartupItem.h"
#include "app/DlgBackup.h"
#include "app/DlgCleanDisk.h"
#include "app/res/ids_cleandisk.h"
#include "app/DlgStartupManager.h"
#include "app/res/ids_backup.h"
#include "app/res/ids_startup.h"
#include "backup/BackupStore.h"
#include "settings/SettingsStore.h"
#include "platform/memory/MemoryFileSignatures.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32StartupSources.h"
#include "platform/win32/Win32System.h"
#include "startup/StartupApproval.h"
#include "startup/StartupLocations.h"
#include "ui/DialogTemplate.h"
#include "ui/GradientDialog.h"
#include "ui/MessageBox.h"
#include "ui/TabWnd.h"
#include "ui/UiContext.h"
#include "tools/shots/ClientRect.h"
#include "seams/Unicode.h"

namespace zt {
namespace {

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

void WriteFileText(const std::string& path, const std::string& text) {
    HANDLE f = ::CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(f);
}

void SetLocalWriteTime(const std::string& path, int hour) {
    SYSTEMTIME local{2007, 12, 0, 23, static_cast<WORD>(hour), 0, 0, 0}, utc{};
    ::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
    FILETIME ft{};
    ::SystemTimeToFileTime(&utc, &ft);
    HANDLE f = ::CreateFileW(ToWide(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    ::SetFileTime(f, nullptr, nullptr, &ft);
    ::CloseHandle(f);
}

// What the pages show, planted in the running prefix and removed again afterwards.
class DemoData {
  public:
    DemoData(Registry& reg, System& sys) : reg_(reg), sys_(sys) {}
    ~DemoData() {
        if (lock_ != INVALID_HANDLE_VALUE) ::CloseHandle(lock_);
        for (const auto& path : files_)
            ::DeleteFileW(ToWide(path).c_str());
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it)
            ::RemoveDirectoryW(ToWide(*it).c_str());
        for (const auto& v : values_) {
            RegKey key(reg_, reg_.OpenKeyAllAccess(RootHandle(v.root), v.path));
            // Undoing the demo data as far as it goes; what stays is a test prefix's.
            if (key) (void)reg_.DeleteValue(key.get(), v.name);
        }
        for (const auto& k : keys_)
            (void)reg_.DeleteKeyTree(RootHandle(kCurrentUser), k);
    }

    void Backups() {
        std::string folder = GetBackupFolder(sys_);
        const char* tools[] = {"Old Tool", "Photo Viewer Trial", "Media Codec Pack"};
        for (int i = 0; i < 3; ++i) {
            int hour = 10 + i;
            std::string path = folder + "\\20071223" + std::to_string(hour) + "0000000.reg";
            WriteFileText(path, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Zentrove Demo\\" +
                                    std::string(tools[i]) +
                                    "]\r\n\"Path\"=\"C:\\\\Program Files\\\\" + tools[i] +
                                    "\\\\tool.exe\"\r\n\r\n");
            SetLocalWriteTime(path, hour);
            files_.push_back(path);
        }
    }

    // The newest backup: a key under a volatile key cannot be made lasting, so the editor
    // brings back only the first block.
    void PartialBackup() {
        const std::string base = "Software\\Zentrove Demo";
        // Made lasting first: a volatile key's missing parents would be volatile too.
        reg_.CloseKey(reg_.CreateKey(RootHandle(kCurrentUser), base));
        HKEY vol = nullptr;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, ToWide(base + "\\Session").c_str(), 0, nullptr,
                          REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &vol, nullptr);
        if (vol) ::RegCloseKey(vol);
        keys_.push_back(base);
        std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + base +
                           "\\Photo Tool]\r\n\"Path\"=\"C:\\\\Photo Tool\\\\photo.exe\"\r\n\r\n"
                           "[HKEY_CURRENT_USER\\" +
                           base + "\\Session\\Codec Pack]\r\n";
        const char* names[] = {"Path", "Version", "Language", "Codecs",  "Filters", "Player",
                               "Skin", "Volume",  "Repeat",   "Shuffle", "Updated"};
        for (const char* n : names)
            text.append(1, '"').append(n).append("\"=\"demo\"\r\n");
        std::string path = GetBackupFolder(sys_) + "\\20071223130000000.reg";
        WriteFileText(path, text + "\r\n");
        SetLocalWriteTime(path, 13);
        files_.push_back(path);
    }

    void Startup() {
        Value(kCurrentUser, kRun, "Demo Updater",
              "C:\\Program Files\\Demo\\updater.exe /background");
        Value(kLocalMachine, kRun, "Demo Tray", "C:\\Program Files\\Demo\\tray.exe");
        Value(kLocalMachine, kRun, "SoundMixer", "C:\\Windows\\mixer.exe -hidden");
        Value(kCurrentUser, kRunOnce, "Demo Setup Cleanup", "cmd /c del C:\\Temp\\setup.tmp");
        // Names in other scripts, shown as they are.
        Value(kCurrentUser, kRun, "Демо Обновление", "C:\\Программы\\Демо\\обновление.exe");
        Value(kLocalMachine, kRun, "演示工具", "C:\\Program Files\\演示\\工具.exe /tray");
        Value(kCurrentUser, kRun, "Demo 😀 Sticker", "C:\\Łódź\\sticker.exe -min");
        // A 32-bit entry switched off as the Task Manager does.
        Value(kLocalMachine, std::string(kRun32KeyPath).c_str(), "Demo Sync (32-bit)",
              "C:\\Program Files (x86)\\Demo\\sync32.exe -tray");
        ApprovalBytes off = EncodeDisabled(std::nullopt, CurrentFileTime());
        Binary(kLocalMachine, kApprovedRun32KeyPath, "Demo Sync (32-bit)", off.data(), off.size());
        if (auto folder = GetUserStartupFolder(reg_, sys_)) {
            ::CreateDirectoryW(ToWide(*folder).c_str(), nullptr);
            std::string bat = *folder + "\\Demo Notes.bat";
            WriteFileText(bat, "@start notepad.exe\r\n");
            files_.push_back(bat);
        }
    }

    void Junk() {
        std::string temp = sys_.GetTempFolder();
        std::string junk = temp + "demo-junk";
        Folder(junk);
        Folder(junk + "\\cache");
        File(junk + "\\setup-log.txt", 180000);
        File(junk + "\\cache\\old-download.tmp", 2400000);
        wchar_t windows[MAX_PATH] = {};
        ::GetWindowsDirectoryW(windows, MAX_PATH);
        std::string systemp = FromWide(windows) + "\\temp";
        ::CreateDirectoryW(ToWide(systemp).c_str(), nullptr);
        File(systemp + "\\demo-installer.tmp", 750000);
    }

    // Browser profiles and program caches in the local application data folder; Edge's lock
    // is held, as a running Edge holds it.
    void ProgramCaches() {
        auto local = sys_.GetKnownFolder(KnownFolder::LocalAppData);
        auto roaming = sys_.GetKnownFolder(KnownFolder::AppData);
        if (!local || !roaming) return;
        const std::string edge = *local + "\\Microsoft\\Edge\\User Data";
        const std::string chrome = *local + "\\Google\\Chrome\\User Data";
        const std::string fx = "Mozilla\\Firefox\\Profiles\\demo.default-release";
        Nested(*local, edge + "\\Default\\Preferences", 2000);
        Nested(*local, edge + "\\Default\\Cache\\Cache_Data\\data_1", 5200000);
        Nested(*local, edge + "\\Profile 1\\Preferences", 2000);
        Nested(*local, edge + "\\Profile 1\\Code Cache\\js\\index", 800000);
        Nested(*local, edge + "\\lockfile", 0);
        lock_ = ::CreateFileW(ToWide(edge + "\\lockfile").c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        Nested(*local, chrome + "\\Default\\Preferences", 2000);
        Nested(*local, chrome + "\\Default\\Cache\\Cache_Data\\f_000001", 12600000);
        Nested(*local, chrome + "\\Default\\GPUCache\\data_0", 300000);
        Nested(*local, *local + "\\" + fx + "\\cache2\\entries\\A1B2", 3100000);
        Nested(*roaming, *roaming + "\\Mozilla\\Firefox\\profiles.ini", 0);
        WriteFileText(*roaming + "\\Mozilla\\Firefox\\profiles.ini",
                      "[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/"
                      "demo.default-release\r\n");
        Nested(*local, *local + "\\CrashDumps\\demo.exe.4120.dmp", 4100000);
        Nested(*local, *local + "\\D3DSCache\\5e1f\\demo.idx", 1200000);
    }

  private:
    // A file below `root`, with every folder between made (and removed afterwards).
    void Nested(const std::string& root, const std::string& path, size_t bytes) {
        for (auto cut = path.find('\\', root.size() + 1); cut != std::string::npos;
             cut = path.find('\\', cut + 1)) {
            std::string folder = path.substr(0, cut);
            if (::GetFileAttributesW(ToWide(folder).c_str()) == INVALID_FILE_ATTRIBUTES)
                Folder(folder);
        }
        File(path, bytes);
    }
    HANDLE lock_ = INVALID_HANDLE_VALUE;
    struct PlantedValue {
        RootKey root;
        std::string path, name;
    };
    void Binary(RootKey root, std::string_view path, const std::string& name,
                const std::uint8_t* data, std::size_t size) {
        RegKey key(reg_, reg_.CreateKey(RootHandle(root), path));
        if (!key) return;
        // Demo data for a picture: a value not written shows as missing in it.
        (void)reg_.WriteValue(key.get(), name, kRegBinary, data, static_cast<std::uint32_t>(size));
        values_.push_back({root, std::string(path), name});
    }
    void Value(RootKey root, const char* path, const std::string& name, const std::string& data) {
        RegKey key(reg_, reg_.CreateKey(RootHandle(root), path));
        if (!key) return;
        // Demo data for a picture: a value not written shows as missing in it.
        (void)reg_.WriteValue(key.get(), name, kRegSz, data.c_str(),
                              static_cast<std::uint32_t>(data.size() + 1));
        values_.push_back({root, path, name});
    }
    void Folder(const std::string& path) {
        ::CreateDirectoryW(ToWide(path).c_str(), nullptr);
        folders_.push_back(path);
    }
    void File(const std::string& path, size_t bytes) {
        WriteFileText(path, std::string(bytes, '\0'));
        files_.push_back(path);
        // Three days old, as junk left by earlier sessions: recent files are not counted.
        HANDLE f = ::CreateFileW(ToWide(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return;
        FILETIME now;
        ::GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
        t.QuadPart -= 72ull * 3600 * 10000000;
        FILETIME old{t.LowPart, t.HighPart};
        ::SetFileTime(f, nullptr, nullptr, &old);
        ::CloseHandle(f);
    }

    Registry& reg_;
    System& sys_;
    std::vector<std::string> files_, folders_, keys_;
    std::vector<PlantedValue> values_;
};

// The system's tasks and services, with one demo task: Wine's scheduler keeps no task's
// triggers or program, so a planted task would not show.
class DemoSources : public Win32StartupSources {
  public:
    TaskListing ListTasks() override {
        TaskListing listing = Win32StartupSources::ListTasks();
        TaskInfo task;
        task.path = "\\Demo\\Demo Updater Task";
        task.triggers = {{TaskTriggerType::Logon, "", ""},
                         {TaskTriggerType::Daily, "2026-01-01T03:00:00", ""}};
        task.execActions = {{"C:\\Program Files\\Demo\\updater.exe", "/check"}};
        listing.tasks.push_back(task);
        return listing;
    }
};

// A demo service whose program is missing, through the service control manager.
void PlantDemoService() {
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    if (!manager) return;
    SC_HANDLE service =
        ::CreateServiceW(manager, L"DemoSyncService", L"Demo Sync Service", SERVICE_QUERY_CONFIG,
                         SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_IGNORE,
                         L"\"C:\\Program Files\\Demo\\syncsvc.exe\" -service", nullptr, nullptr,
                         nullptr, nullptr, nullptr);
    if (service) ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
}

// Who made the demo programs: the signature reader cannot be shown one without a signed file.
void SignDemoPrograms(MemoryFileSignatures& signatures) {
    signatures.Set("C:\\Program Files\\Demo\\updater.exe", {"Demo Software Ltd", true});
    signatures.Set("C:\\Program Files\\Demo\\tray.exe", {"Demo Software Ltd", true});
    signatures.Set("C:\\Program Files (x86)\\Demo\\sync32.exe", {"Demo Sync Inc.", false});
    signatures.Set("C:\\Windows\\mixer.exe", {"Microsoft Windows", true});
}

class NoHost : public PageHost {
  public:
    void RefreshBackupList() override {}
    HWND MainHandle() const override { return main; }
    HWND main = nullptr;
};

// A frame like the main window: the pages in the program's tab window.
class CShotFrame : public CGradientDialog {
  public:
    CShotFrame(AppContext& app, std::string mode, std::string rectFile, int seconds)
        : CGradientDialog(std::make_shared<CDialogTemplate>(WS_POPUP | WS_CAPTION | WS_SYSMENU |
                                                                WS_THICKFRAME | WS_MINIMIZEBOX,
                                                            0, 0, 408, 162, "Zentrove 1.0"),
                          IDI_ZENTROVE),
          app_(app), mode_(std::move(mode)), rectFile_(std::move(rectFile)), seconds_(seconds),
          startup_(app), cleanDisk_(app), backup_(app), add_() {}

  protected:
    bool OnInitDialog() override {
        CGradientDialog::OnInitDialog();
        SetAppMainWindow(Handle());
        RECT c = ClientRect();
        tabs_.Create(CBCGTabWnd::STYLE_FLAT, c, Handle(), 1032);
        startup_.Create(tabs_.Handle());
        cleanDisk_.Create(tabs_.Handle());
        backup_.Create(tabs_.Handle());
        tabs_.AddTab(startup_.Handle(), "Startup Manager");
        tabs_.AddTab(cleanDisk_.Handle(), "Clean Disk");
        tabs_.AddTab(backup_.Handle(), "Backup");
        tabs_.SetBorderSize(0);
        tabs_.SetFlatFrame(true);
        tabs_.SetTabsFromEdge(true);
        tabs_.SetBkColor(RGB(228, 239, 252));
        for (int i = 0; i < tabs_.GetTabsNum(); ++i)
            tabs_.SetTabBkColor(i, RGB(166, 192, 215));
        startup_.RecordLayout();
        cleanDisk_.RecordLayout();
        backup_.RecordLayout();
        const bool backupPage = mode_ == "backup" || mode_ == "backup-partial";
        tabs_.SetActiveTab(backupPage ? 2 : mode_ == "cleandisk" ? 1 : 0);
        if (backupPage && backup_.List().Count() > 1) {
            LVITEMW it{};
            it.stateMask = it.state = LVIS_SELECTED | LVIS_FOCUSED;
            backup_.List().Send(LVM_SETITEMSTATE, mode_ == "backup" ? 1 : 0,
                                reinterpret_cast<LPARAM>(&it));
        }
        if (mode_ == "startup") {
            (void)startup_.WaitForListing(); // the ticks below need the rows
            CListView list = startup_.List();
            for (int i = 0; i < list.Count(); ++i) {
                if (list.ItemText(i, 1).rfind("Demo", 0) == 0) list.SetChecked(i, true);
                if (list.ItemText(i, 1) == "Demo Sync (32-bit)") {
                    LVITEMW it{};
                    it.stateMask = it.state = LVIS_SELECTED | LVIS_FOCUSED;
                    list.Send(LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&it));
                }
            }
            // The task and the service, listed last, in view with the rows that have publishers.
            list.Send(LVM_ENSUREVISIBLE, list.Count() - 1, FALSE);
        }
        if (mode_ == "cleandisk") {
            // The browsers in view, Edge (whose lock the demo holds) among them.
            CListView places(cleanDisk_.Item(IDC_CLEANDISK_PLACES));
            places.Send(LVM_ENSUREVISIBLE, places.Count() - 1, FALSE);
            places.Send(LVM_ENSUREVISIBLE, 5, FALSE);
        }
        // Time for the measuring worker before the picture.
        ::SetTimer(Handle(), 1, mode_ == "cleandisk" ? 2500 : 700, nullptr);
        if (seconds_ > 0) ::SetTimer(Handle(), 2, seconds_ * 1000, nullptr);
        return true;
    }
    void OnSize(UINT type, int cx, int cy) override {
        CGradientDialog::OnSize(type, cx, cy);
        if (tabs_.Handle()) ::SetWindowPos(tabs_.Handle(), nullptr, 0, 0, cx, cy, SWP_NOZORDER);
    }
    bool OnTimer(UINT_PTR id) override {
        if (id == 3) {
            ::KillTimer(Handle(), 3);
            WriteBoxRect();
            return true;
        }
        if (id == 2) {
            if (HWND box = FindBox()) ::PostMessageW(box, WM_CLOSE, 0, 0);
            if (add_.Handle()) ::DestroyWindow(add_.Handle());
            EndDialog(IDCANCEL);
            return true;
        }
        if (id != 1) return false;
        ::KillTimer(Handle(), 1);
        if (mode_ == "add") {
            add_.commandLine = "C:\\Program Files\\Demo\\reminder.exe -min";
            add_.Create(Handle());
            ::ShowWindow(add_.Handle(), SW_SHOW);
        }
        if (mode_ == "backup-partial") {
            RestoreAndReport();
            return true;
        }
        WriteClientRect(Handle(), rectFile_);
        return true;
    }

    // Restores the selected backup with the question answered, then shows the page's report in
    // a real box and reports the area of the window and the box together.
    void RestoreAndReport() {
        std::string report;
        SetMessageAnswerer([&](const MessageRequest& r) {
            if (r.text != "Are you sure to restore it?") report = r.text;
            return IDOK;
        });
        HWND button = ::GetDlgItem(backup_.Handle(), IDC_BACKUP_RESTORE);
        ::SendMessageW(backup_.Handle(), WM_COMMAND, MAKEWPARAM(IDC_BACKUP_RESTORE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(button));
        SetMessageAnswerer({});
        ::SetTimer(Handle(), 3, 500, nullptr);
        ShowMessage(backup_.Handle(), report, "", MB_OK);
    }

    HWND FindBox() const {
        struct Search {
            HWND frame, found;
        } s{Handle(), nullptr};
        ::EnumThreadWindows(
            ::GetCurrentThreadId(),
            [](HWND w, LPARAM p) -> BOOL {
                auto* s = reinterpret_cast<Search*>(p);
                if (w == s->frame || !::IsWindowVisible(w)) return TRUE;
                s->found = w;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&s));
        return s.found;
    }

    void WriteBoxRect() {
        RECT r{};
        ::GetClientRect(Handle(), &r);
        ::MapWindowPoints(Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
        if (HWND box = FindBox()) {
            RECT b{};
            ::GetWindowRect(box, &b);
            ::UnionRect(&r, &r, &b);
        }
        if (std::FILE* f = std::fopen(rectFile_.c_str(), "w")) {
            std::fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
            std::fclose(f);
        }
    }

  private:
    AppContext& app_;
    std::string mode_, rectFile_;
    int seconds_;
    CBCGTabWnd tabs_;
    CDlgStartupManager startup_;
    CDlgCleanDisk cleanDisk_;
    CDlgBackup backup_;
    CDlgAddStartupItem add_;
};

} // namespace
} // namespace zt

namespace zt {
// The real system with the elevation the picture asks for (under Wine the process has it).
class RightsSystem : public Win32System {
  public:
    explicit RightsSystem(bool elevated) : elevated_(elevated) {}
    bool IsElevated() override { return elevated_ && Win32System::IsElevated(); }

  private:
    bool elevated_;
};
} // namespace zt

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    ::CoInitialize(nullptr);
    std::string mode = "backup", rectFile;
    int seconds = 0;
    for (int i = 1; i < __argc; ++i) {
        std::string a = __argv[i];
        if (a == "--rect" && i + 1 < __argc)
            rectFile = __argv[++i];
        else if (a == "--seconds" && i + 1 < __argc)
            seconds = std::atoi(__argv[++i]);
        else
            mode = a;
    }
    if (mode == "cleandisk-unavailable") {
        // A user temporary folder that does not exist: its place cannot be cleaned.
        ::SetEnvironmentVariableW(L"TMP", L"C:\\no-such-temp");
        ::SetEnvironmentVariableW(L"TEMP", L"C:\\no-such-temp");
        mode = "cleandisk";
    }
    // A standard user's process: the machine's rows show the shield on their actions.
    const bool standardUser = mode == "startup-standard-user";
    if (standardUser) mode = "startup";
    zt::SetAppSettings(nullptr);
    zt::Win32Registry reg;
    zt::RightsSystem sys(!standardUser);
    zt::SettingsStore settings(reg, "zentrove");
    zt::NoHost host;
    zt::DemoSources sources;
    zt::MemoryFileSignatures signatures;
    zt::SignDemoPrograms(signatures);
    zt::AppContext app{reg, sys, sources, signatures, settings, &host};
    {
        zt::DemoData demo(reg, sys);
        demo.Backups();
        if (mode == "backup-partial") demo.PartialBackup();
        demo.Startup();
        zt::PlantDemoService();
        demo.Junk();
        demo.ProgramCaches();
        for (const char* ticked : {"crash-dumps", "chrome-cache", "edge-cache"})
            (void)zt::WriteJunkPlaceTicked(settings, ticked, true); // a picture's ticks
        zt::CShotFrame frame(app, mode, rectFile, seconds);
        frame.DoModal(nullptr);
    }
    ::CoUninitialize();
    return 0;
}
