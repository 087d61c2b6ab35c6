// Shows the backup, startup manager and disk cleaner pages (and the add dialog) with demo
// data in a window laid out like the program's, for screenshots:
//   zt_page_shots.exe backup|startup|add|cleandisk [--rect FILE] [--seconds N]
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
#include "app/DlgStartupManager.h"
#include "app/res/ids_startup.h"
#include "backup/BackupStore.h"
#include "settings/SettingsStore.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "startup/StartupApproval.h"
#include "startup/StartupLocations.h"
#include "ui/DialogTemplate.h"
#include "ui/GradientDialog.h"
#include "ui/TabWnd.h"
#include "ui/UiContext.h"
#include "tools/shots/ClientRect.h"

namespace zt {
namespace {

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

void WriteFileText(const std::string& path, const std::string& text) {
    HANDLE f = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
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
    HANDLE f = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
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
        for (const auto& path : files_)
            ::DeleteFileA(path.c_str());
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it)
            ::RemoveDirectoryA(it->c_str());
        for (const auto& v : values_) {
            RegKey key(reg_, reg_.OpenKeyAllAccess(RootHandle(v.root), v.path));
            if (key) reg_.DeleteValue(key.get(), v.name);
        }
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

    void Startup() {
        Value(kCurrentUser, kRun, "Demo Updater",
              "C:\\Program Files\\Demo\\updater.exe /background");
        Value(kLocalMachine, kRun, "Demo Tray", "C:\\Program Files\\Demo\\tray.exe");
        Value(kLocalMachine, kRun, "SoundMixer", "C:\\Windows\\mixer.exe -hidden");
        Value(kCurrentUser, kRunOnce, "Demo Setup Cleanup", "cmd /c del C:\\Temp\\setup.tmp");
        // A 32-bit entry switched off as the Task Manager does.
        Value(kLocalMachine, std::string(kRun32KeyPath).c_str(), "Demo Sync (32-bit)",
              "C:\\Program Files (x86)\\Demo\\sync32.exe -tray");
        ApprovalBytes off = EncodeDisabled(std::nullopt, CurrentFileTime());
        Binary(kLocalMachine, kApprovedRun32KeyPath, "Demo Sync (32-bit)", off.data(), off.size());
        if (auto folder = GetUserStartupFolder(reg_, sys_)) {
            ::CreateDirectoryA(folder->c_str(), nullptr);
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
        char windows[MAX_PATH] = {};
        ::GetWindowsDirectoryA(windows, MAX_PATH);
        std::string systemp = std::string(windows) + "\\temp";
        ::CreateDirectoryA(systemp.c_str(), nullptr);
        File(systemp + "\\demo-installer.tmp", 750000);
    }

  private:
    struct PlantedValue {
        RootKey root;
        std::string path, name;
    };
    void Binary(RootKey root, std::string_view path, const std::string& name,
                const std::uint8_t* data, std::size_t size) {
        RegKey key(reg_, reg_.CreateKey(RootHandle(root), path));
        if (!key) return;
        reg_.WriteValue(key.get(), name, kRegBinary, data, static_cast<std::uint32_t>(size));
        values_.push_back({root, std::string(path), name});
    }
    void Value(RootKey root, const char* path, const std::string& name, const std::string& data) {
        RegKey key(reg_, reg_.CreateKey(RootHandle(root), path));
        if (!key) return;
        reg_.WriteValue(key.get(), name, kRegSz, data.c_str(),
                        static_cast<std::uint32_t>(data.size() + 1));
        values_.push_back({root, path, name});
    }
    void Folder(const std::string& path) {
        ::CreateDirectoryA(path.c_str(), nullptr);
        folders_.push_back(path);
    }
    void File(const std::string& path, size_t bytes) {
        WriteFileText(path, std::string(bytes, '\0'));
        files_.push_back(path);
    }

    Registry& reg_;
    System& sys_;
    std::vector<std::string> files_, folders_;
    std::vector<PlantedValue> values_;
};

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
          startup_(app), cleanDisk_(app), backup_(app), add_(app.settings) {}

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
        tabs_.SetActiveTab(mode_ == "backup" ? 2 : mode_ == "cleandisk" ? 1 : 0);
        if (mode_ == "backup" && backup_.List().Count() > 1) {
            LVITEMA it{};
            it.stateMask = it.state = LVIS_SELECTED | LVIS_FOCUSED;
            backup_.List().Send(LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&it));
        }
        if (mode_ == "startup") {
            CListView list = startup_.List();
            for (int i = 0; i < list.Count(); ++i) {
                if (list.ItemText(i, 1).rfind("Demo", 0) == 0) list.SetChecked(i, true);
                if (list.ItemText(i, 1) == "Demo Sync (32-bit)") {
                    LVITEMA it{};
                    it.stateMask = it.state = LVIS_SELECTED | LVIS_FOCUSED;
                    list.Send(LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&it));
                }
            }
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
        if (id == 2) {
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
        WriteClientRect(Handle(), rectFile_);
        return true;
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
    zt::SetAppSettings(nullptr);
    zt::Win32Registry reg;
    zt::Win32System sys;
    zt::SettingsStore settings(reg, "zentrove");
    zt::NoHost host;
    zt::AppContext app{reg, sys, settings, &host};
    {
        zt::DemoData demo(reg, sys);
        demo.Backups();
        demo.Startup();
        demo.Junk();
        zt::CShotFrame frame(app, mode, rectFile, seconds);
        frame.DoModal(nullptr);
    }
    ::CoUninitialize();
    return 0;
}
