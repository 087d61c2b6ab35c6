// Shows the main window on one page after a demo scan, for tools/screenshot.
// Usage: zt_main_shot PAGE --rect FILE --seconds N
//   PAGE: scan, startup, cleandisk, settings, backup (backup cleans the findings first, so
//   the page lists the backup just made). Writes "x y w h" of the window's client area to
//   FILE once it is ready, and closes after N seconds.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "app/AppContext.h"
#include "app/DlgMain.h"
#include "ui/PumpWait.h"
#include "app/RunAtStartup.h"
#include "settings/SettingsStore.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "ui/MessageBox.h"
#include "app/AppSettingsLink.h"
#include "ui/UiContext.h"
#include "tools/shots/ClientRect.h"

int main(int argc, char** argv) {
    std::string page = argc > 1 ? argv[1] : "scan";
    std::string rectFile;
    int seconds = 8;
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--rect") == 0)
            rectFile = argv[++i];
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atoi(argv[++i]);
    }
    const char* names[] = {"scan", "startup", "cleandisk", "settings", "backup"};
    int tab = -1;
    for (int i = 0; i < 5; ++i)
        if (page == names[i]) tab = i;
    if (tab < 0) {
        std::fprintf(stderr, "zt_main_shot: unknown page '%s'\n", page.c_str());
        return 2;
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    ::OleInitialize(nullptr);
    zt::Win32Registry registry;
    zt::Win32System system;
    zt::SettingsStore store(registry, "zentrove");
    zt::SetAppSettings(&store);
    zt::AppContext app{registry, system, store};
    // The main window registers the running program to start with Windows; this driver is not
    // the program, so the registration is put back afterwards.
    std::optional<zt::RegValue> run;
    {
        zt::RegKey key(registry,
                       registry.OpenKeyRead(zt::RootHandle(zt::kLocalMachine), zt::kRunKeyPath));
        if (key) run = registry.ReadValueWhole(key.get(), zt::kRunValueName);
    }
    // Reports and questions are answered at once, so only the window is photographed.
    zt::ScopedMessageAnswerer answers(IDOK);
    {
        zt::CDlgMain main(app);
        if (!main.Create(nullptr)) return 1;
        zt::PumpUntil([] { return false; }, 300);
        main.ScanPage().OnScanButton();
        zt::PumpUntil([&] { return !main.ScanPage().ScanInProgress(); }, 120000);
        if (page == "backup") {
            main.ScanPage().CleanSelected();
            main.ScanPage().OnScanButton(); // the list shows what is left
            zt::PumpUntil([&] { return !main.ScanPage().ScanInProgress(); }, 120000);
        }
        main.Tabs().SetActiveTab(tab);
        ::SetForegroundWindow(main.Handle());
        zt::PumpUntil([] { return false; }, 700);
        zt::WriteClientRect(main.Handle(), rectFile);
        zt::PumpUntil([] { return false; }, static_cast<DWORD>(seconds) * 1000);
        // Not through the close command: the stored layout stays the user's own.
        main.EndDialog(IDCANCEL);
    }
    {
        zt::RegKey key(registry,
                       registry.CreateKey(zt::RootHandle(zt::kLocalMachine), zt::kRunKeyPath));
        if (run)
            registry.WriteValue(key.get(), zt::kRunValueName, run->type, run->data.data(),
                                static_cast<std::uint32_t>(run->data.size()));
        else
            registry.DeleteValue(key.get(), zt::kRunValueName);
    }
    zt::SetAppSettings(nullptr);
    ::OleUninitialize();
    return 0;
}
