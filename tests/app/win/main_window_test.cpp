// The main window in process: first start, run-at-start-up registration, tabs and the
// settings veto, resizing, layout persistence, close during a scan.
#include <gtest/gtest.h>

#include "scan/ScanCategories.h"
#include "app/DlgMain.h"
#include "startup/RunAtStartup.h"
#include "app/res/resource.h"
#include "app_harness.h"
#include "ui/MessageBox.h"

namespace zt::test {
namespace {

std::string RunValue(Registry& reg) {
    RegKey key(reg, reg.OpenKeyRead(RootHandle(kLocalMachine), kRunKeyPath));
    char value[1000] = {};
    if (!key || !reg.ReadValue(key.get(), kRunValueName, value, sizeof value - 1)) return "<none>";
    return value;
}

void SetRunValue(Registry& reg, const std::string& text) {
    RegKey key(reg, reg.CreateKey(RootHandle(kLocalMachine), kRunKeyPath));
    EXPECT_TRUE(reg.WriteValue(key.get(), kRunValueName, kRegSz, text.c_str(),
                               static_cast<std::uint32_t>(text.size() + 1)));
}

void DeleteRunValue(Registry& reg) {
    RegKey key(reg, reg.CreateKey(RootHandle(kLocalMachine), kRunKeyPath));
    (void)reg.DeleteValue(key.get(), kRunValueName);
}

SIZE OuterSize(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// The outer size a window of template 134 gets, measured on a window made from it alone.
SIZE TemplateOuterSize() {
    HWND probe = ::CreateDialogParamW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    SIZE s = OuterSize(probe);
    ::DestroyWindow(probe);
    return s;
}

void CloseMain(CDlgMain& main) {
    if (main.Handle() && ::IsWindow(main.Handle())) main.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
}

TEST(MainWindow, FirstStartUsesDefaultsAndRegistersTheProgram) {
    AppHarness h;
    DeleteRunValue(h.registry());
    CDlgMain main(h.app());
    ASSERT_TRUE(main.Create(nullptr));

    EXPECT_EQ(main.Tabs().GetActiveTab(), 0);
    EXPECT_TRUE(main.ScanPage().IsVisible());
    EXPECT_EQ(h.Stored("ButtonSilence"), 0);
    EXPECT_EQ(h.Stored("SavePos"), 1);
    EXPECT_EQ(h.Stored("StartupMode"), 1);
    for (const auto& area : kScanCategories)
        EXPECT_EQ(h.Stored(area.settingsKey), area.onByDefault ? 1 : 0) << area.settingsKey;
    EXPECT_TRUE(NamesEqual(RunValue(h.registry()), main.ExecutablePath()));

    // Template size, centred on the screen.
    SIZE want = TemplateOuterSize();
    SIZE got = OuterSize(main.Handle());
    EXPECT_EQ(got.cx, want.cx);
    EXPECT_EQ(got.cy, want.cy);
    RECT r = main.WindowRect();
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 2);
    EXPECT_NEAR((r.top + r.bottom) / 2, (work.top + work.bottom) / 2, 2);

    // Caption with the version, five tabs, the banner at rest.
    EXPECT_EQ(main.GetText(), "Zentrove 1.0");
    EXPECT_EQ(main.Tabs().GetTabsNum(), 5);
    EXPECT_TRUE(::IsWindow(main.Item(IDC_BANNER)));
    EXPECT_EQ(main.Banner().Text(), "Boosts your system");

    // The About entry at the end of the system menu.
    HMENU menu = ::GetSystemMenu(main.Handle(), FALSE);
    wchar_t text[64] = {};
    ASSERT_GT(::GetMenuStringW(menu, IDM_ABOUTBOX, text, 64, MF_BYCOMMAND), 0);
    EXPECT_STREQ(text, L"&About Zentrove...");
    CloseMain(main);
}

TEST(MainWindow, ExitAndEscapeOnTheScanPageCloseTheWindow) {
    AppHarness h;
    {
        CDlgMain main(h.app());
        ASSERT_TRUE(main.Create(nullptr));
        Click(main.ScanPage().Handle(), IDCANCEL); // Exit
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(main.Handle()); }, 2000));
    }
    {
        CDlgMain main(h.app());
        ASSERT_TRUE(main.Create(nullptr));
        // Escape reaches the dialog as its cancel command while the page holds the focus.
        ::SetFocus(main.ScanPage().Item(IDC_RESULTLIST));
        main.Send(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(main.Handle()); }, 2000));
    }
    {
        // Escape with the focus on the settings page leaves the window open.
        CDlgMain main(h.app());
        ASSERT_TRUE(main.Create(nullptr));
        main.Tabs().SetActiveTab(CDlgMain::kTabSettings);
        ::SetFocus(main.SettingsPage().Item(IDC_CHK_FONTS));
        main.Send(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        Pump(100);
        EXPECT_TRUE(::IsWindow(main.Handle()));
        CloseMain(main);
    }
}

TEST(MainWindow, StartupModeOffRemovesTheRegistration) {
    AppHarness h;
    SetRunValue(h.registry(), "C:\\somewhere\\else.exe");
    EXPECT_TRUE(h.store().WriteInt("StartupMode", 0));
    CDlgMain main(h.app());
    ASSERT_TRUE(main.Create(nullptr));
    EXPECT_EQ(RunValue(h.registry()), "<none>");
    CloseMain(main);
}

// The pages read no switch of their own: a stored silence must reach each of them from the
// main window, and sound must come back to each on Apply.
TEST(MainWindow, TheStoredSilenceReachesEveryPageAndApplyLiftsIt) {
    AppHarness h;
    EXPECT_TRUE(h.store().Write(settings::ButtonSilence, 1));
    CDlgMain main(h.app());
    ASSERT_TRUE(main.Create(nullptr));
    CGradientDialog* pages[] = {&main.ScanPage(), &main.SettingsPage(), &main.BackupPage(),
                                &main.StartupPage(), &main.CleanDiskPage()};
    for (CGradientDialog* page : pages)
        EXPECT_TRUE(page->IsSilent()) << page->GetText();
    HWND settings = main.SettingsPage().Handle();
    ::SendMessageW(::GetDlgItem(settings, IDC_SILENCE), BM_SETCHECK, BST_UNCHECKED, 0);
    main.SettingsPage().OnApply();
    for (CGradientDialog* page : pages)
        EXPECT_FALSE(page->IsSilent()) << page->GetText();
    EXPECT_EQ(h.Stored(settings::ButtonSilence), 0);
    CloseMain(main);
}

TEST(RunAtStartup, SamePathInOtherLetterCaseIsLeftAlone) {
    Win32Registry reg;
    SetRunValue(reg, "C:\\PROGRAM FILES\\ZENTROVE.EXE");
    EXPECT_TRUE(SyncRunAtStartup(reg, true, "c:\\program files\\zentrove.exe"));
    EXPECT_EQ(RunValue(reg), "C:\\PROGRAM FILES\\ZENTROVE.EXE");
    EXPECT_TRUE(SyncRunAtStartup(reg, true, "c:\\other\\zentrove.exe"));
    EXPECT_EQ(RunValue(reg), "c:\\other\\zentrove.exe");
    EXPECT_TRUE(SyncRunAtStartup(reg, false, "c:\\other\\zentrove.exe"));
    EXPECT_EQ(RunValue(reg), "<none>");
}

TEST(MainWindow, LeavingSettingsWithChangesAsksAndObeysTheAnswer) {
    AppHarness h;
    ScopedMessageAnswerer answers(IDCANCEL);
    CDlgMain main(h.app());
    ASSERT_TRUE(main.Create(nullptr));
    HWND page = main.SettingsPage().Handle();
    UINT change = BCGM_ONCHANGE_ACTIVE_TAB;
    auto leave = [&] { return main.Send(change, 0, CDlgMain::kTabSettings); };

    // No change: no question.
    ASSERT_TRUE(main.Tabs().SetActiveTab(CDlgMain::kTabSettings));
    EXPECT_EQ(leave(), 0);
    EXPECT_TRUE(answers.Requests().empty());

    // Cancel keeps the page with the change pending.
    ClickBox(page, IDC_CHK_FONTS, false);
    EXPECT_EQ(static_cast<UINT>(leave()), change);
    ASSERT_EQ(answers.Requests().size(), 1u);
    EXPECT_EQ(answers.Requests()[0].text, "Are you want to apply the setting?");
    EXPECT_EQ(answers.Requests()[0].type & 0xF, static_cast<unsigned>(MB_YESNOCANCEL));
    EXPECT_EQ(answers.Requests()[0].caption, main.GetText());
    EXPECT_FALSE(IsTicked(page, IDC_CHK_FONTS));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDOK)));

    // No restores the boxes and lets the tab change.
    answers.SetAnswer(IDNO);
    EXPECT_EQ(leave(), 0);
    EXPECT_TRUE(IsTicked(page, IDC_CHK_FONTS));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDOK)));
    EXPECT_EQ(h.Stored("CheckFontSection"), 1);

    // Yes applies.
    ClickBox(page, IDC_CHK_FONTS, false);
    answers.SetAnswer(IDYES);
    EXPECT_EQ(leave(), 0);
    EXPECT_EQ(h.Stored("CheckFontSection"), 0);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDOK)));

    // Leaving another page never asks.
    answers.Clear();
    ClickBox(page, IDC_CHK_HELP, false);
    EXPECT_EQ(main.Send(change, CDlgMain::kTabSettings, CDlgMain::kTabScan), 0);
    EXPECT_TRUE(answers.Requests().empty());
    CloseMain(main);
}

TEST(MainWindow, ResizeMovesAndGrowsAsTabled) {
    AppHarness h;
    CDlgMain main(h.app());
    ASSERT_TRUE(main.Create(nullptr));
    HWND w = main.Handle();
    auto rect = [&](int id) { return ChildRectIn(w, ::GetDlgItem(w, id)); };
    RECT tab0 = rect(IDC_TABWND), banner0 = rect(IDC_BANNER), tell0 = rect(IDC_TELLFRIENDS),
         site0 = rect(IDC_WEBSITE), help0 = rect(IDC_FEEDBACK);
    HWND list = main.ScanPage().Item(IDC_RESULTLIST);
    RECT list0 = ChildRectIn(main.ScanPage().Handle(), list);
    RECT scan0 = ChildRectIn(main.ScanPage().Handle(), main.ScanPage().Item(IDC_SCAN));

    const int dx = 120, dy = 70;
    RECT r = main.WindowRect();
    ::SetWindowPos(w, nullptr, 0, 0, r.right - r.left + dx, r.bottom - r.top + dy,
                   SWP_NOMOVE | SWP_NOZORDER);

    RECT tab1 = rect(IDC_TABWND), banner1 = rect(IDC_BANNER), tell1 = rect(IDC_TELLFRIENDS),
         site1 = rect(IDC_WEBSITE), help1 = rect(IDC_FEEDBACK);
    EXPECT_EQ(tab1.left, tab0.left);
    EXPECT_EQ(tab1.top, tab0.top);
    EXPECT_EQ(tab1.right, tab0.right + dx);
    EXPECT_EQ(tab1.bottom, tab0.bottom + dy);
    EXPECT_EQ(banner1.left, banner0.left);
    EXPECT_EQ(banner1.top, banner0.top + dy);
    EXPECT_EQ(banner1.right, banner0.right + dx);
    EXPECT_EQ(banner1.bottom - banner1.top, banner0.bottom - banner0.top);
    EXPECT_EQ(tell1.left, tell0.left + dx);
    EXPECT_EQ(tell1.top, tell0.top + dy);
    EXPECT_EQ(tell1.right - tell1.left, tell0.right - tell0.left);
    EXPECT_EQ(site1.left, site0.left);
    EXPECT_EQ(site1.top, site0.top + dy);
    EXPECT_EQ(help1.left, help0.left);
    EXPECT_EQ(help1.top, help0.top + dy);

    // The page follows the tab window and lays out its own controls.
    RECT list1 = ChildRectIn(main.ScanPage().Handle(), list);
    RECT scan1 = ChildRectIn(main.ScanPage().Handle(), main.ScanPage().Item(IDC_SCAN));
    EXPECT_EQ(list1.left, list0.left);
    EXPECT_EQ(list1.top, list0.top);
    EXPECT_EQ(list1.right, list0.right + dx);
    EXPECT_EQ(list1.bottom, list0.bottom + dy);
    EXPECT_EQ(scan1.left, scan0.left + dx);
    EXPECT_EQ(scan1.top, scan0.top);
    CloseMain(main);
}

TEST(MainWindow, LayoutSurvivesARestartWhenSavePosIsOn) {
    AppHarness h;
    RECT placed{60, 50, 60 + 900, 50 + 520};
    int widths[4];
    {
        CDlgMain main(h.app());
        ASSERT_TRUE(main.Create(nullptr));
        ::SetWindowPos(main.Handle(), nullptr, placed.left, placed.top, placed.right - placed.left,
                       placed.bottom - placed.top, SWP_NOZORDER);
        CListView& list = main.ScanPage().List();
        for (int i = 0; i < 4; ++i)
            list.SetColumnWidth(i, 50 + 10 * i);
        for (int i = 0; i < 4; ++i)
            widths[i] = list.ColumnWidth(i);
        main.Tabs().SetActiveTab(CDlgMain::kTabCleanDisk);
        CloseMain(main);
    }
    EXPECT_EQ(h.Stored("main_left"), placed.left);
    EXPECT_EQ(h.Stored("main_bottom"), placed.bottom);
    EXPECT_EQ(h.Stored("ActiveTab"), CDlgMain::kTabCleanDisk);
    EXPECT_EQ(h.Stored("Registry_List_3"), widths[3]);
    {
        CDlgMain main(h.app());
        ASSERT_TRUE(main.Create(nullptr));
        RECT r = main.WindowRect();
        EXPECT_EQ(r.left, placed.left);
        EXPECT_EQ(r.top, placed.top);
        EXPECT_EQ(r.right, placed.right);
        EXPECT_EQ(r.bottom, placed.bottom);
        EXPECT_EQ(main.Tabs().GetActiveTab(), CDlgMain::kTabCleanDisk);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(main.ScanPage().List().ColumnWidth(i), widths[i]);
        CloseMain(main);
    }
}

TEST(MainWindow, ClosingWhileMinimisedSavesTheScreenRectangleTheNextStartPlaces) {
    AppHarness h;
    RECT placed{70, 40, 70 + 880, 40 + 500};
    CDlgMain main(h.app());
    ASSERT_TRUE(main.Create(nullptr));
    ::SetWindowPos(main.Handle(), nullptr, placed.left, placed.top, placed.right - placed.left,
                   placed.bottom - placed.top, SWP_NOZORDER);
    ::ShowWindow(main.Handle(), SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(main.Handle()));
    CloseMain(main);
    EXPECT_EQ(h.Stored("main_left"), placed.left);
    EXPECT_EQ(h.Stored("main_top"), placed.top);
    EXPECT_EQ(h.Stored("main_right"), placed.right);
    EXPECT_EQ(h.Stored("main_bottom"), placed.bottom);
}

TEST(MainWindow, LayoutIsNeitherSavedNorReadWhenSavePosIsOff) {
    AppHarness h;
    // Values of an earlier run that must not be read.
    EXPECT_TRUE(WriteWindowRect(h.store(), {10, 10, 500, 400}));
    EXPECT_TRUE(h.store().WriteInt("ActiveTab", 2));
    EXPECT_TRUE(h.store().WriteInt("SavePos", 0));
    CDlgMain main(h.app());
    ASSERT_TRUE(main.Create(nullptr));
    EXPECT_EQ(main.Tabs().GetActiveTab(), 0);
    SIZE got = OuterSize(main.Handle());
    SIZE want = TemplateOuterSize();
    EXPECT_EQ(got.cx, want.cx);
    ::SetWindowPos(main.Handle(), nullptr, 100, 100, 700, 500, SWP_NOZORDER);
    CloseMain(main);
    EXPECT_EQ(h.Stored("main_left"), 10);
    EXPECT_EQ(h.Stored("ActiveTab"), 2);
    EXPECT_EQ(h.Stored("Registry_List_0"), -999);
}

TEST(MainWindow, IncompleteSavedLayoutIsIgnored) {
    AppHarness h;
    EXPECT_TRUE(h.store().WriteInt("main_left", 10));
    EXPECT_TRUE(h.store().WriteInt("main_top", 10));
    EXPECT_TRUE(h.store().WriteInt("main_right", 600)); // main_bottom missing
    EXPECT_TRUE(h.store().WriteInt("ActiveTab", 5));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(h.store().WriteInt("Registry_List_" + std::to_string(i), 40));
    CDlgMain main(h.app());
    ASSERT_TRUE(main.Create(nullptr));
    EXPECT_EQ(OuterSize(main.Handle()).cx, TemplateOuterSize().cx);
    EXPECT_EQ(main.Tabs().GetActiveTab(), 0);
    EXPECT_NE(main.ScanPage().List().ColumnWidth(0), 40);
    CloseMain(main);
}

} // namespace
} // namespace zt::test
