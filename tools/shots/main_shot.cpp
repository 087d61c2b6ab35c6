// Shows the main window on one page after a demo scan, for tools/screenshot.
// Usage: zt_main_shot PAGE --rect FILE --seconds N
//   PAGE: scan, startup, cleandisk, settings, backup (backup cleans the findings first, so
//   the page lists the backup just made); elevation: the scan page's offer to clean the
//   machine-wide findings with administrator rights, as a user without the rights sees it on
//   Clean; split: Yes to that offer, the helper started, and the one total over both parts;
//   message: the backup page with the question "Are you sure to restore it?" open over it and the
//   keyboard focus moved to its Cancel button; cleaning: the scan page cleaning 30,000 planted
//   findings, caught on the way (stopped before the driver ends); ignoremenu: the scan page's
//   context menu on a result row, opened from the keyboard; ignorelist: the settings page's ignore
//   list dialog with a few entries (the stored list is put back afterwards); evidence: the scan
//   page with the mouse resting on a row, its evidence tooltip shown. Writes "x y w h" of the
//   window's client area to FILE once it is ready, and closes after N seconds.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>

#include "app/AppContext.h"
#include "app/DlgIgnoreList.h"
#include "app/DlgMain.h"
#include "scan/ScanSink.h"
#include "seams/Unicode.h"
#include "ui/PumpWait.h"
#include "startup/RunAtStartup.h"
#include "app/res/resource.h"
#include "settings/SettingsStore.h"
#include "platform/win32/Win32FileSignatures.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32StartupSources.h"
#include "platform/win32/Win32System.h"
#include "ui/Dpi.h"
#include "ui/MessageBox.h"
#include "app/AppSettingsLink.h"
#include "scan/IgnoredFindings.h"
#include "ui/UiContext.h"
#include "tools/shots/ClientRect.h"

namespace {

// The platform as a user without administrator rights sees it.
struct UnelevatedSystem : zt::Win32System {
    bool IsElevated() override { return false; }
};

// Cancels the question box of this thread once the picture is taken.
void CALLBACK CloseQuestion(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM) -> BOOL {
            wchar_t cls[16] = {};
            ::GetClassNameW(w, cls, 16);
            if (std::wcscmp(cls, L"#32770") == 0 && ::GetWindow(w, GW_OWNER) != nullptr)
                ::PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        },
        0);
}

HWND g_shotMain = nullptr;
zt::CDialog* g_shotDialog = nullptr;
std::string g_shotRectFile;

// The main window's client area together with the dialog open over it.
void CALLBACK WriteDialogRect(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    RECT r{};
    ::GetClientRect(g_shotMain, &r);
    ::MapWindowPoints(g_shotMain, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    if (g_shotDialog && g_shotDialog->Handle()) {
        RECT d{};
        ::GetWindowRect(g_shotDialog->Handle(), &d);
        ::UnionRect(&r, &r, &d);
    }
    if (std::FILE* f = std::fopen(g_shotRectFile.c_str(), "w")) {
        std::fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        std::fclose(f);
    }
}

// Rests the mouse on the first row whose evidence has a few lines, as a user would, and waits
// for its tooltip.
void HoverRowWithEvidence(zt::CListView& list) {
    int n = list.Count();
    int item = 0;
    for (int i = 0; i < n; ++i) {
        const auto* row = reinterpret_cast<const zt::ScanRow*>(list.ItemData(i));
        if (row && row->evidence.size() >= 4) {
            item = i;
            break;
        }
    }
    list.Send(LVM_ENSUREVISIBLE, item, FALSE);
    RECT r{};
    r.left = LVIR_LABEL;
    list.Send(LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&r));
    POINT pt{r.left + 40, (r.top + r.bottom) / 2};
    ::ClientToScreen(list.Handle(), &pt);
    ::SetCursorPos(pt.x - 3, pt.y);
    zt::PumpUntil([] { return false; }, 200);
    ::SetCursorPos(pt.x, pt.y);
    zt::PumpUntil([] { return false; }, 1500);
}

} // namespace

constexpr int kPlantedForCleaning = 30000;

// Shared DLL entries whose files are gone, enough for a cleaning that lasts; `remove` takes
// away what is left of them.
void PlantSharedDlls(zt::Registry& reg, int count, bool remove = false) {
    zt::RegKey key(reg, reg.CreateKey(zt::RootHandle(zt::kLocalMachine),
                                      "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls"));
    char name[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "C:\\zt_shot_gone\\lib%05d.dll", i);
        std::uint32_t refs = 1;
        // Demo data of a picture in a test prefix: one value less changes nothing it shows.
        if (remove)
            (void)reg.DeleteValue(key.get(), name);
        else
            (void)reg.WriteValue(key.get(), name, zt::kRegDword, &refs, sizeof refs);
    }
}

// Dead Run entries named in Cyrillic, CJK and with an emoji, so the scan and startup pictures
// show names in other scripts. Written again at every start (a picture's time ends the
// process, and the cleaning pictures remove them).
void PlantNamesInOtherScripts(zt::Registry& reg) {
    zt::RegKey key(reg, reg.CreateKey(zt::RootHandle(zt::kCurrentUser), zt::kRunKeyPath));
    if (!key) return;
    const char* entries[][2] = {
        {"Программа", "C:\\Программы\\工具\\😀\\tool.exe /tray"},
        {"写真ツール", "C:\\Łódź\\写真\\viewer.exe"},
        {"Sticker 😀", "\"C:\\Demo\\Ünïcode\\sticker.exe\" -min"},
    };
    for (const auto& [name, command] : entries)
        (void)reg.WriteString(key.get(), name, command); // a row missing shows in the picture
}

// Scrolls `list` so that `row` (if any) is its top row.
void ScrollRowToTop(zt::CListView& list, int row) {
    if (row < 0) return;
    RECT r{};
    r.left = LVIR_BOUNDS;
    list.Send(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    int top = static_cast<int>(list.Send(LVM_GETTOPINDEX));
    list.Send(LVM_SCROLL, 0, (row - top) * (r.bottom - r.top));
}

// The pictures of the two lists start at their first name outside ASCII.
void ShowNamesInOtherScripts(zt::CDlgMain& main) {
    zt::CListView& scan = main.ScanPage().List();
    for (int i = 0; i < scan.Count(); ++i) {
        const zt::ScanFinding* f = main.ScanPage().FindingAt(i);
        if (f && !zt::IsAscii(f->valueName)) {
            ScrollRowToTop(scan, i);
            break;
        }
    }
    (void)main.StartupPage().WaitForListing(); // the rows arrive from a worker
    zt::CListView startup = main.StartupPage().List();
    for (int i = 0; i < startup.Count(); ++i) {
        const zt::StartupEntry* e = main.StartupPage().EntryAt(i);
        if (e && !zt::IsAscii(e->name)) {
            ScrollRowToTop(startup, i);
            break;
        }
    }
}

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
    const bool split = page == "split";
    if (split) page = "elevation";
    const bool elevation = page == "elevation";
    const bool message = page == "message";
    if (message) page = "backup";
    const bool evidence = page == "evidence";
    if (evidence) page = "scan";
    const bool cleaning = page == "cleaning";
    const bool ignoreMenu = page == "ignoremenu";
    const bool ignoreList = page == "ignorelist";
    if (ignoreMenu) page = "scan";
    if (ignoreList) page = "settings";
    int tab = elevation || cleaning ? 0 : -1;
    for (int i = 0; i < 5; ++i)
        if (page == names[i]) tab = i;
    // The program declares this in its manifest; this driver has none.
    zt::BecomePerMonitorDpiAware();
    if (tab < 0) {
        std::fprintf(stderr, "zt_main_shot: unknown page '%s'\n", page.c_str());
        return 2;
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    ::OleInitialize(nullptr);
    zt::Win32Registry registry;
    UnelevatedSystem unelevated;
    zt::Win32System platformSystem;
    zt::System& system = elevation ? unelevated : platformSystem;
    zt::SettingsStore store(registry, "zentrove");
    zt::SetAppSettings(&store);
    zt::Win32StartupSources sources;
    zt::Win32FileSignatures signatures;
    zt::AppContext app{registry, system, sources, signatures, store};
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
        if (cleaning) PlantSharedDlls(registry, kPlantedForCleaning);
        PlantNamesInOtherScripts(registry);
        zt::CDlgMain main(app);
        if (!main.Create(nullptr)) return 1;
        zt::PumpUntil([] { return false; }, 300);
        main.ScanPage().OnScanButton();
        zt::PumpUntil([&] { return !main.ScanPage().Busy(); }, 120000);
        if (page == "backup") {
            main.ScanPage().OnCleanButton();
            zt::PumpUntil([&] { return !main.ScanPage().Busy(); }, 120000);
            main.ScanPage().OnScanButton(); // the list shows what is left
            zt::PumpUntil([&] { return !main.ScanPage().Busy(); }, 120000);
        }
        main.Tabs().SetActiveTab(tab);
        if (!evidence && !cleaning && !ignoreMenu) ShowNamesInOtherScripts(main);
        ::SetForegroundWindow(main.Handle());
        zt::PumpUntil([] { return false; }, 700);
        if (evidence) HoverRowWithEvidence(main.ScanPage().List());
        if (cleaning) {
            // Only the planted rows are ticked: the demo data stays for the other pictures.
            zt::CListView& list = main.ScanPage().List();
            for (int i = 0; i < list.Count(); ++i)
                list.SetChecked(i, list.ItemText(i, 1).find("zt_shot_gone") != std::string::npos);
            main.ScanPage().OnCleanButton();
            HWND bar = main.ScanPage().Item(IDC_CLEANPROGRESS);
            zt::PumpUntil(
                [&] {
                    return ::SendMessageW(bar, PBM_GETPOS, 0, 0) * 5 >
                           ::SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
                },
                120000);
        }
        if (!ignoreList && !split) zt::WriteClientRect(main.Handle(), rectFile);
        auto endLater = [&] {
            ::SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000,
                       [](HWND, UINT, UINT_PTR, DWORD) { ::ExitProcess(0); });
        };
        if (ignoreMenu) {
            // The third row selected and focused, the menu opened as Shift+F10 opens it.
            zt::CListView& list = main.ScanPage().List();
            LVITEMA it{};
            it.stateMask = it.state = LVIS_SELECTED | LVIS_FOCUSED;
            list.Send(LVM_SETITEMSTATE, list.Count() > 2 ? 2 : 0, reinterpret_cast<LPARAM>(&it));
            ::SetFocus(list.Handle());
            endLater();
            main.ScanPage().Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list.Handle()), -1);
        } else if (ignoreList) {
            // A few of the demo findings in the list; the stored list comes back afterwards.
            zt::IgnoreList kept = zt::LoadIgnoreList(store);
            zt::IgnoreList shown;
            const zt::CListView& list = main.ScanPage().List();
            for (int i = 0; i < list.Count() && shown.Size() < 4; i += 3)
                if (const zt::ScanFinding* f = main.ScanPage().FindingAt(i))
                    shown.Add(zt::IgnoreEntryFor(*f, shown.Size() == 1));
            (void)zt::SaveIgnoreList(store, shown); // the dialog shows what it reads
            g_shotMain = main.Handle();
            g_shotRectFile = rectFile;
            zt::CDlgIgnoreList dialog(store);
            g_shotDialog = &dialog;
            ::SetTimer(nullptr, 0, 600, WriteDialogRect);
            ::SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000,
                       [](HWND, UINT, UINT_PTR id, DWORD) {
                           ::KillTimer(nullptr, id);
                           g_shotDialog->EndDialog(IDCANCEL);
                       });
            dialog.DoModal(main.Handle());
            g_shotDialog = nullptr;
            (void)zt::SaveIgnoreList(store, kept); // a test prefix's list, made again per run
        } else if (split) {
            // Yes to the offer; the total is the real box, photographed, then closed.
            zt::MessageAnswerer previous = zt::SetMessageAnswerer([&](const zt::MessageRequest& r) {
                if ((r.type & 0xF) == MB_YESNOCANCEL) return IDYES;
                zt::SetMessageAnswerer({});
                zt::WriteClientRect(main.Handle(), rectFile);
                ::SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, CloseQuestion);
                return zt::ShowMessage(r.owner, r.text, r.caption, r.type);
            });
            main.ScanPage().OnCleanButton();
            zt::PumpUntil([&] { return !main.ScanPage().Busy(); }, 120000);
            zt::SetMessageAnswerer(previous);
        } else if (elevation) {
            // The real box this time; Cancel ends it, so nothing is cleaned.
            zt::MessageAnswerer previous = zt::SetMessageAnswerer({});
            ::SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, CloseQuestion);
            main.ScanPage().OnCleanButton(); // the box comes once the ticked rows are copied
            zt::PumpUntil([&] { return !main.ScanPage().Busy(); },
                          static_cast<DWORD>(seconds) * 1000 + 5000);
            zt::SetMessageAnswerer(previous);
        } else if (message) {
            // The box runs its own loop; the process ends itself when the time is up.
            ::SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000,
                       [](HWND, UINT, UINT_PTR, DWORD) { ::ExitProcess(0); });
            // Once the box is up, Tab as the user would: the focus (and Enter) go to Cancel.
            ::SetTimer(nullptr, 0, 400, [](HWND, UINT, UINT_PTR id, DWORD) {
                ::KillTimer(nullptr, id);
                if (HWND focus = ::GetFocus()) ::PostMessageA(focus, WM_KEYDOWN, VK_TAB, 1);
            });
            zt::MessageAnswerer quiet = zt::SetMessageAnswerer(nullptr);
            zt::ShowMessage(main.Handle(), "Are you sure to restore it?", "Zentrove", MB_OKCANCEL);
            zt::SetMessageAnswerer(quiet);
        } else if (!ignoreMenu) {
            zt::PumpUntil([] { return false; }, static_cast<DWORD>(seconds) * 1000);
        }
        if (cleaning) {
            main.ScanPage().OnCleanButton();
            zt::PumpUntil([&] { return !main.ScanPage().Busy(); }, 60000);
            PlantSharedDlls(registry, kPlantedForCleaning, true);
        }
        // Not through the close command: the stored layout stays the user's own.
        main.EndDialog(IDCANCEL);
    }
    {
        zt::RegKey key(registry,
                       registry.CreateKey(zt::RootHandle(zt::kLocalMachine), zt::kRunKeyPath));
        // The prefix's own registration put back as far as it goes; it is a test prefix.
        if (run)
            (void)registry.WriteValue(key.get(), zt::kRunValueName, run->type, run->data.data(),
                                      static_cast<std::uint32_t>(run->data.size()));
        else
            (void)registry.DeleteValue(key.get(), zt::kRunValueName);
    }
    zt::SetAppSettings(nullptr);
    ::OleUninitialize();
    return 0;
}
