// The main window laid out for 96, 120, 144 and 192 DPI: control rectangles scale with the
// DPI, nothing overlaps, the button artwork is drawn at the buttons' size, and the layout kept
// in the profile does not depend on the DPI it was saved at.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "app/DlgMain.h"
#include "app/res/resource.h"
#include "app/win/app_harness.h"
#include "keys/win/key_util.h"
#include "settings/SettingsStore.h"
#include "ui/Dpi.h"
#include "ui/MessageBox.h"
#include "ui/SkinButton.h"
#include "support/win_process.h"
#include "seams/Unicode.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace zt::test {
namespace {

// Every visible control of `parent` (group boxes hold others, so they are left out).
std::map<int, RECT> Controls(HWND parent) {
    std::map<int, RECT> out;
    for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        LONG_PTR style = ::GetWindowLongPtrW(c, GWL_STYLE);
        if (!(style & WS_VISIBLE) || ::GetDlgCtrlID(c) <= 0) continue;
        if (CWindow(c).ClassName() == "Button" && (style & BS_TYPEMASK) == BS_GROUPBOX) continue;
        out[::GetDlgCtrlID(c)] = ChildRectIn(parent, c);
    }
    return out;
}

void ExpectNoOverlap(const std::map<int, RECT>& controls, const char* where, UINT dpi) {
    for (auto a = controls.begin(); a != controls.end(); ++a)
        for (auto b = std::next(a); b != controls.end(); ++b) {
            RECT both{};
            EXPECT_FALSE(::IntersectRect(&both, &a->second, &b->second))
                << where << " at " << dpi << ": " << a->first << " overlaps " << b->first;
        }
}

void ExpectScaled(const std::map<int, RECT>& base, const std::map<int, RECT>& now, UINT dpi,
                  const char* where) {
    for (const auto& [id, r] : base) {
        ASSERT_TRUE(now.count(id)) << where << " lost " << id;
        const RECT& n = now.at(id);
        const int d = static_cast<int>(dpi);
        // Rounding happens once per edge and once per resize step.
        EXPECT_NEAR(n.left, ScaleForDpi(r.left, d), 3) << where << " " << id << " at " << dpi;
        EXPECT_NEAR(n.top, ScaleForDpi(r.top, d), 3) << where << " " << id << " at " << dpi;
        EXPECT_NEAR(n.right - n.left, ScaleForDpi(r.right - r.left, d), 3)
            << where << " " << id << " at " << dpi;
        EXPECT_NEAR(n.bottom - n.top, ScaleForDpi(r.bottom - r.top, d), 3)
            << where << " " << id << " at " << dpi;
    }
}

TEST(Dpi, MainWindowRelaysForEachDpiAndNothingOverlaps) {
    AppHarness h;
    ScopedMessageAnswerer answers;
    CDlgMain main(h.app());
    ASSERT_TRUE(main.Create(nullptr));
    PumpDialog(main.Handle(), 50);
    ASSERT_EQ(WindowDpi(main.Handle()), 96u) << "the test prefix runs at 96 DPI";

    std::vector<HWND> pages;
    for (int tab = 0; tab < 5; ++tab)
        pages.push_back(main.PageOfTab(tab)->Handle());
    auto snapshot = [&] {
        std::vector<std::map<int, RECT>> all{Controls(main.Handle())};
        for (int tab = 0; tab < 5; ++tab) {
            main.Tabs().SetActiveTab(tab);
            PumpDialog(main.Handle(), 10);
            all.push_back(Controls(pages[tab]));
        }
        main.Tabs().SetActiveTab(0);
        return all;
    };
    const auto base = snapshot();
    const RECT baseWindow = main.WindowRect();
    const RECT baseClient = main.ClientRect();
    // The frame stays as the system draws it; the client area is what scales.
    const int frameX = (baseWindow.right - baseWindow.left) - baseClient.right;
    const int frameY = (baseWindow.bottom - baseWindow.top) - baseClient.bottom;
    const int baseTabs = main.Tabs().TabsHeight();
    const int baseColumn = main.ScanPage().List().ColumnWidth(1);

    for (UINT dpi : {120u, 144u, 192u, 96u}) {
        const int d = static_cast<int>(dpi);
        RECT want{baseWindow.left, baseWindow.top,
                  baseWindow.left + ScaleForDpi(baseClient.right, d) + frameX,
                  baseWindow.top + ScaleForDpi(baseClient.bottom, d) + frameY};
        main.Send(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&want));
        PumpDialog(main.Handle(), 20);
        auto now = snapshot();
        ExpectScaled(base[0], now[0], dpi, "main window");
        ExpectNoOverlap(now[0], "main window", dpi);
        for (int tab = 0; tab < 5; ++tab) {
            ExpectScaled(base[tab + 1], now[tab + 1], dpi, ("tab " + std::to_string(tab)).c_str());
            ExpectNoOverlap(now[tab + 1], ("tab " + std::to_string(tab)).c_str(), dpi);
        }
        EXPECT_NEAR(main.Tabs().TabsHeight(), ScaleForDpi(baseTabs, d), 2) << dpi;
        EXPECT_NEAR(main.ScanPage().List().ColumnWidth(1), ScaleForDpi(baseColumn, d), 3 + d / 48)
            << dpi;
        // The button artwork is drawn at the button's own size, not centred or stretched.
        HWND scan = main.ScanPage().Item(IDC_SCAN);
        auto* skin = dynamic_cast<CSkinButton*>(CSubclassWindow::FromHandle(scan));
        ASSERT_NE(skin, nullptr);
        RECT client{};
        ::GetClientRect(scan, &client);
        SIZE fitted = skin->FittedSize();
        if (dpi != 96 || fitted.cx) {
            EXPECT_EQ(fitted.cx, client.right) << dpi;
            EXPECT_EQ(fitted.cy, client.bottom) << dpi;
        }
    }
    main.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
}

TEST(Dpi, SavedRectangleAndColumnsAreKeptAt96Dpi) {
    AppHarness h;
    ScopedMessageAnswerer answers;
    {
        CDlgMain main(h.app());
        ASSERT_TRUE(main.Create(nullptr));
        RECT r = main.WindowRect();
        RECT at144{r.left, r.top, r.left + ScaleForDpi(r.right - r.left, 144),
                   r.top + ScaleForDpi(r.bottom - r.top, 144)};
        main.Send(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&at144));
        main.ScanPage().List().SetColumnWidth(0, 150);
        main.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
        // What a 150% screen saved is what a 100% screen shows.
        WindowRect saved{};
        ASSERT_TRUE(ReadWindowRect(h.store(), saved));
        EXPECT_NEAR(saved.right - saved.left, r.right - r.left, 2);
        EXPECT_NEAR(saved.bottom - saved.top, r.bottom - r.top, 2);
        EXPECT_EQ(h.store().ReadInt(SettingsStore::ListWidthKey(settings::RegistryList, 0), -1) &
                      0xFFFF,
                  100);
    }
    CDlgMain again(h.app());
    ASSERT_TRUE(again.Create(nullptr));
    EXPECT_EQ(again.ScanPage().List().ColumnWidth(0), 100);
    again.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
}

// The same window started on a screen of each DPI: a child process of this suite, started
// after HKCU\Control Panel\Desktop\LogPixels is set, as the program runs (per-monitor aware).
// It writes every control rectangle of the main window and the scan page.
TEST(Dpi, StartsLaidOutForTheScreensDpi) {
    wchar_t out[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"ZT_DPI_CHILD", out, MAX_PATH)) {
        BecomePerMonitorDpiAware();
        AppHarness h;
        ScopedMessageAnswerer answers;
        CDlgMain main(h.app());
        ASSERT_TRUE(main.Create(nullptr));
        PumpDialog(main.Handle(), 50);
        std::ofstream file(out);
        file << WindowDpi(main.Handle()) << "\n";
        for (HWND parent :
             {main.Handle(), main.ScanPage().Handle(), main.SettingsPage().Handle()}) {
            main.Tabs().SetActiveTab(parent == main.SettingsPage().Handle() ? 3 : 0);
            for (const auto& [id, r] : Controls(parent))
                file << (parent == main.Handle()              ? 0
                         : parent == main.ScanPage().Handle() ? 1
                                                              : 2)
                     << " " << id << " " << r.left << " " << r.top << " " << r.right << " "
                     << r.bottom << "\n";
        }
        main.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
    }
    HKEY desktop = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &desktop, nullptr),
              ERROR_SUCCESS);
    DWORD old = 0, size = sizeof old;
    bool had = ::RegQueryValueExW(desktop, L"LogPixels", nullptr, nullptr,
                                  reinterpret_cast<BYTE*>(&old), &size) == ERROR_SUCCESS;
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::string file = FromWide(temp) + "zt-dpi-layout.txt";

    using Layout = std::map<std::pair<int, int>, RECT>;
    auto run = [&](DWORD dpi, UINT& seen) {
        Layout layout;
        ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dpi),
                         sizeof dpi);
        ::DeleteFileW(ToWide(file).c_str());
        ::SetEnvironmentVariableW(L"ZT_DPI_CHILD", ToWide(file).c_str());
        std::string command = "\"";
        command.append(FromWide(exe)).append("\" --gtest_filter=Dpi.StartsLaidOutForTheScreensDpi");
        RunAndWait(command, 120000);
        ::SetEnvironmentVariableW(L"ZT_DPI_CHILD", nullptr);
        std::ifstream in(file);
        in >> seen;
        int where, id;
        RECT r;
        while (in >> where >> id >> r.left >> r.top >> r.right >> r.bottom)
            layout[{where, id}] = r;
        return layout;
    };
    UINT dpi96 = 0;
    const Layout base = run(96, dpi96);
    for (DWORD dpi : {120u, 144u, 192u}) {
        UINT seen = 0;
        Layout now = run(dpi, seen);
        EXPECT_EQ(seen, dpi) << "the window does not see the screen's DPI";
        ASSERT_EQ(now.size(), base.size()) << dpi;
        std::map<int, std::map<int, RECT>> byParent;
        for (const auto& [key, r] : now) {
            byParent[key.first][key.second] = r;
            const RECT& b = base.at(key);
            // Dialog units follow the font, whose size is not exactly proportional.
            const double scale = dpi / 96.0;
            const double slack = 0.12 * scale * ((b.right - b.left) + (b.bottom - b.top)) + 4;
            EXPECT_NEAR(r.right - r.left, (b.right - b.left) * scale, slack)
                << "control " << key.second << " at " << dpi;
            EXPECT_NEAR(r.bottom - r.top, (b.bottom - b.top) * scale, slack)
                << "control " << key.second << " at " << dpi;
        }
        for (const auto& [where, controls] : byParent)
            ExpectNoOverlap(controls, where == 0 ? "main window" : "page", dpi);
    }
    if (had)
        ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&old),
                         sizeof old);
    else
        ::RegDeleteValueW(desktop, L"LogPixels");
    ::RegCloseKey(desktop);
    ::DeleteFileW(ToWide(file).c_str());
}

} // namespace
} // namespace zt::test
