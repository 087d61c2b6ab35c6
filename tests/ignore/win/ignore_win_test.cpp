// The ignore list on the real registry: through the console, and through the scan page's
// context menu and the settings page's dialog, with the program's own profile so the console
// sees what the page stored.
#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/AppSettingsLink.h"
#include "app/DlgIgnoreList.h"
#include "app/DlgMain.h"
#include "app/DlgScanClean.h"
#include "app/IgnoreMenu.h"
#include "app/res/ids_ignore.h"
#include "app/res/resource.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "support/captured_cli.h"
#include "support/platform_startup.h"
#include "ui/MessageBox.h"
#include "ui/PumpWait.h"

namespace zt::test {
namespace {

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kStartupSection = "6";
const std::string kRunPath = std::string("HKCU\\") + kRun + "\\";

// Run values whose programs are gone, and a program profile without an ignore list, both put
// back as they were at the end.
struct IgnoreFixture : ::testing::Test {
    Win32Registry reg;
    Win32System sys;
    SettingsStore store{reg, cli::kGuiApplicationName};
    std::vector<std::string> names = {"zt_ign_a", "zt_ign_b", "zt_ign_c"};

    void SetUp() override {
        Clear();
        RegKey key(reg, reg.CreateKey(RootHandle(kCurrentUser), kRun));
        for (const auto& n : names)
            EXPECT_TRUE(reg.WriteString(key.get(), n, "C:\\zt_ignore_gone\\" + n + ".exe"));
    }
    void TearDown() override {
        RegKey key(reg, reg.OpenKeyAllAccess(RootHandle(kCurrentUser), kRun));
        for (const auto& n : names)
            (void)reg.DeleteValue(key.get(), n);
        Clear();
    }
    // The list, and the switches the page writes, as a fresh profile has them.
    void Clear() {
        (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), store.ProfileKeyPath() + "\\IgnoreList");
        (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), store.KeyPath());
    }
    int Cli(const cli::Args& args, std::string* out = nullptr, std::string* err = nullptr) {
        CapturedCli c;
        int rc = args[0] == "scan" ? cli::RunScanCommand(c.ctx, {args.begin() + 1, args.end()})
                                   : cli::RunIgnoreCommand(c.ctx, {args.begin() + 1, args.end()});
        if (out) *out = c.Out();
        if (err) *err = c.Err();
        return rc;
    }
    // The planted names a console scan reports, and its ignored count.
    std::vector<std::string> ConsoleScan(int* ignored = nullptr) {
        std::string out;
        EXPECT_EQ(Cli({"scan", "--json", "--categories", kStartupSection}, &out), cli::kExitOk);
        auto doc = nlohmann::ordered_json::parse(out);
        std::vector<std::string> keys;
        for (const auto& item : doc.items())
            keys.push_back(item.key());
        // Every earlier field keeps its place; the count of ignored findings comes after them.
        EXPECT_EQ(keys, (std::vector<std::string>{"count", "findings", "ignored", "format"}));
        if (ignored) *ignored = doc.at("ignored").get<int>();
        std::vector<std::string> found;
        for (const auto& f : doc.at("findings"))
            for (const auto& n : names)
                if (f.at("valueName") == n) found.push_back(n);
        return found;
    }
};

TEST_F(IgnoreFixture, ConsoleAddsListsAndRemovesAndRefusesBadInput) {
    std::string out, err;
    const std::string run = std::string("HKEY_CURRENT_USER\\") + kRun;
    ASSERT_EQ(Cli({"ignore", "add", run, "--value", "zt_ign_a"}, &out, &err), cli::kExitOk) << err;
    EXPECT_NE(out.find("zt_ign_a\tadded"), std::string::npos) << out;
    ASSERT_EQ(Cli({"ignore", "add", std::string("hkcu\\") + kRun + "\\zt_gone_tree"}),
              cli::kExitOk);
    int ignored = -1;
    EXPECT_EQ(ConsoleScan(&ignored), (std::vector<std::string>{"zt_ign_c", "zt_ign_b"}));
    EXPECT_EQ(ignored, 1);

    ASSERT_EQ(Cli({"ignore", "list", "--json"}, &out), cli::kExitOk);
    auto entries = nlohmann::json::parse(out).at("entries");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].at("keyPath"), kRun);
    EXPECT_EQ(entries[0].at("kind"), "Value");
    EXPECT_EQ(entries[1].at("kind"), "KeyAndBelow");

    // The same entry in other letters is already there; wrong input is a usage error.
    EXPECT_EQ(
        Cli({"ignore", "add", "HKCU\\" + AsciiLower(kRun), "--value", "ZT_IGN_A"}, &out, &err),
        cli::kExitFailed);
    EXPECT_NE(err.find("already ignored"), std::string::npos) << err;
    const std::vector<std::pair<cli::Args, std::string>> bad = {
        {{"ignore", "add", "HKXX\\Software"}, "unknown root"},
        {{"ignore", "add", "HKCU"}, "empty"},
        {{"ignore", "add", "HKCU\\" + std::string(256, 'k')}, "255"},
        {{"ignore", "add", run, "--value"}, "needs a value name"},
        {{"ignore", "add", run, "--value", "v", "--key-only"}, "do not go together"},
        {{"ignore", "remove", "3"}, "there is no entry 3"},
        {{"ignore", "remove", "x"}, "not an entry number"},
        {{"ignore", "drop"}, "unknown subcommand"},
    };
    for (const auto& [args, why] : bad) {
        EXPECT_EQ(Cli(args, &out, &err), cli::kExitUsage) << args[2];
        EXPECT_NE(err.find(why), std::string::npos) << err;
    }

    ASSERT_EQ(Cli({"ignore", "remove", "1"}, &out), cli::kExitOk);
    EXPECT_EQ(ConsoleScan(&ignored).size(), 3u);
    EXPECT_EQ(ignored, 0);
    ASSERT_EQ(Cli({"ignore", "remove", "1"}), cli::kExitOk);
    ASSERT_EQ(Cli({"ignore", "list"}, &out), cli::kExitOk);
    EXPECT_EQ(out, "The ignore list is empty.\n");
}

// Real keys open the menu (the menu key, Shift+F10); an entry ignored there is reported neither
// by the page nor by the console until the settings page's dialog removes it.
TEST_F(IgnoreFixture, PageIgnoresFromItsMenuUntilTheDialogRemovesTheEntry) {
    ScopedMessageAnswerer answers(IDOK);
    AppContext app{reg, sys, test::PlatformStartupSources(), test::PlatformSignatures(), store};
    SetAppSettings(&store);
    CDlgMain main(app);
    main.ScanPage().enabledCategories = {6};
    ASSERT_TRUE(main.Create(nullptr));
    ::ShowWindow(main.Handle(), SW_SHOW);
    ::SetForegroundWindow(main.Handle());
    CDlgScanClean& page = main.ScanPage();
    CListView& list = page.List();
    auto scan = [&] {
        page.OnScanButton();
        ASSERT_TRUE(PumpUntil([&] { return !page.Busy(); }, 60000));
    };
    auto rowOf = [&](const std::string& name) {
        for (int i = 0; i < list.Count(); ++i)
            if (list.ItemText(i, 1) == kRunPath + name) return i;
        return -1;
    };
    static bool menuMode;
    menuMode = false;
    int asked = 0;
    // Selects the row, sends the input and answers the menu with `choice`.
    auto menu = [&](const std::string& name, std::vector<INPUT> input, IgnoreChoice choice) {
        int row = rowOf(name);
        ASSERT_GE(row, 0) << name;
        LVITEMA it{};
        it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        list.Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
        it.state = it.stateMask;
        list.Send(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&it));
        list.Send(LVM_ENSUREVISIBLE, row, FALSE);
        ::SetFocus(list.Handle());
        IgnoreMenuAnswerer previous = SetIgnoreMenuAnswerer([&](bool enabled) {
            asked += enabled;
            return choice;
        });
        ::SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
        // A menu loop left open (F10 as the menu key) would hold the thread: note it, end it.
        ::SetTimer(nullptr, 0, 700, [](HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            ::GetGUIThreadInfo(::GetCurrentThreadId(), &info);
            menuMode |= (info.flags & (GUI_INMENUMODE | GUI_SYSTEMMENUMODE)) != 0;
            ::EndMenu();
        });
        PumpUntil([] { return false; }, 1000);
        SetIgnoreMenuAnswerer(previous);
    };
    auto key = [](WORD vk, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        return in;
    };

    scan();
    int before = list.Count();
    menu("zt_ign_b", {key(VK_APPS, false), key(VK_APPS, true)}, IgnoreChoice::Entry);
    EXPECT_EQ(rowOf("zt_ign_b"), -1);
    EXPECT_EQ(list.Count(), before - 1);
    EXPECT_EQ(page.ItemText(IDC_STATUS), FoundItemsLine(before - 1));
    EXPECT_EQ(ConsoleScan(), (std::vector<std::string>{"zt_ign_c", "zt_ign_a"}));

    scan();
    EXPECT_EQ(rowOf("zt_ign_b"), -1);
    EXPECT_EQ(list.Count(), before - 1);
    // The key with everything below it takes every Run row at once; with the one unticked row
    // gone, Check All follows the rows that stay.
    list.SetChecked(rowOf("zt_ign_c"), false);
    ::SendMessageA(page.Item(IDC_CHECKALL), BM_SETCHECK, BST_UNCHECKED, 0);
    menu("zt_ign_a",
         {key(VK_SHIFT, false), key(VK_F10, false), key(VK_F10, true), key(VK_SHIFT, true)},
         IgnoreChoice::Tree);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(menuMode);
    EXPECT_EQ(list.Count(), before - 3);
    EXPECT_EQ(::SendMessageA(page.Item(IDC_CHECKALL), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(ConsoleScan().empty());

    // The settings page's dialog lists both, the first line selected, and removes the key.
    CDlgIgnoreList dialog(store);
    ASSERT_TRUE(dialog.Create(main.Handle()));
    CListView entries = dialog.List();
    ASSERT_EQ(entries.Count(), 2);
    EXPECT_EQ(entries.ItemText(0, 0), "HKCU");
    EXPECT_EQ(entries.ItemText(0, 2), "zt_ign_b");
    EXPECT_EQ(entries.ItemText(1, 1), kRun);
    EXPECT_EQ(entries.ItemText(1, 2), "(key and below)");
    EXPECT_EQ(entries.Selected(), 0);
    entries.Send(WM_KEYDOWN, VK_DOWN, 0); // then the key line, by the keyboard
    dialog.Send(WM_COMMAND, MAKEWPARAM(IDC_IGNORE_REMOVE, BN_CLICKED),
                reinterpret_cast<LPARAM>(dialog.Item(IDC_IGNORE_REMOVE)));
    ASSERT_EQ(entries.Count(), 1);
    EXPECT_EQ(entries.ItemText(0, 2), "zt_ign_b");
    ::DestroyWindow(dialog.Handle());
    EXPECT_EQ(ConsoleScan(), (std::vector<std::string>{"zt_ign_c", "zt_ign_a"}));
    scan();
    EXPECT_GE(rowOf("zt_ign_a"), 0);
    EXPECT_EQ(rowOf("zt_ign_b"), -1);
    main.EndDialog(IDCANCEL);
    SetAppSettings(nullptr);
}

} // namespace
} // namespace zt::test
