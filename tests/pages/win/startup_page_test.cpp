// The startup manager page and the add dialog over the real registry and startup folder.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/DlgAddStartupItem.h"
#include "app/DlgBackup.h"
#include "app/DlgStartupManager.h"
#include "app/res/ids_startup.h"
#include "backup/BackupStore.h"
#include "pages/win/PageFixture.h"
#include "platform/memory/MemoryFileSignatures.h"
#include "startup/StartupApproval.h"
#include "startup/StartupEntry.h"
#include "startup/StartupLocations.h"
#include "seams/Unicode.h"

namespace zt::test {
namespace {

constexpr const char* kRunPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunOncePath = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

class StartupPageTest : public PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        userStartup_ = GetUserStartupFolder(*reg_, *sys_).value_or("");
        ASSERT_FALSE(userStartup_.empty());
        ::CreateDirectoryW(ToWide(userStartup_).c_str(), nullptr);
        Cleanup();
        ASSERT_TRUE(settings_.Write(settings::HideWindowsStartup, 1)); // a test may clear it
    }
    void TearDown() override {
        Cleanup();
        PageTest::TearDown();
    }

    void Cleanup() {
        for (RootKey root : {kCurrentUser, kLocalMachine}) {
            for (const char* path : {kRunPath, kRunOncePath}) {
                RegKey key(*reg_, reg_->OpenKeyAllAccess(RootHandle(root), path));
                if (!key) continue;
                for (const char* name :
                     {"ZtPagesRun", "ZtPagesOnce", "ZtPagesOther", "ztpagesapp", "ztpagesnote"})
                    (void)reg_->DeleteValue(key.get(), name);
            }
        }
        ::DeleteFileW(ToWide(userStartup_ + "\\zt-pages.bat").c_str());
        RegKey approved(*reg_,
                        reg_->OpenKeyAllAccess(RootHandle(kCurrentUser), kApprovedRunKeyPath));
        if (approved) (void)reg_->DeleteValue(approved.get(), "ZtPagesRun");
    }

    void PlantValue(RootKey root, const char* path, const char* name, const std::string& data) {
        RegKey key(*reg_, reg_->CreateKey(RootHandle(root), path));
        ASSERT_TRUE(key);
        ASSERT_TRUE(reg_->WriteValue(key.get(), name, kRegSz, data.c_str(),
                                     static_cast<std::uint32_t>(data.size() + 1)));
    }
    bool ValueExists(RootKey root, const char* path, const char* name) {
        RegKey key(*reg_, reg_->OpenKeyRead(RootHandle(root), path));
        char buf[1024];
        return key && reg_->ReadValue(key.get(), name, buf, sizeof buf);
    }
    std::string ReadString(RootKey root, const char* path, const char* name) {
        RegKey key(*reg_, reg_->OpenKeyRead(RootHandle(root), path));
        char buf[1024] = {};
        if (!key || !reg_->ReadValue(key.get(), name, buf, sizeof buf)) return "<missing>";
        return buf;
    }
    static int FindRow(const CListView& list, const std::string& name) {
        for (int i = 0; i < list.Count(); ++i)
            if (list.ItemText(i, 1) == name) return i;
        return -1;
    }

    std::string userStartup_;
};

TEST_F(StartupPageTest, ListsThePlantedEntriesNumberedInOrder) {
    PlantValue(kCurrentUser, kRunPath, "ZtPagesRun", "C:\\zt\\run.exe /quiet");
    PlantValue(kLocalMachine, kRunOncePath, "ZtPagesOnce", "C:\\zt\\once.exe");
    PlantFile(*sys_, userStartup_ + "\\zt-pages.bat", "@echo off\r\n");

    CDlgStartupManager page(app_);
    CreatePage(page);
    ASSERT_TRUE(page.WaitForListing());
    CListView list = page.List();
    ASSERT_GE(list.Count(), 3);
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(list.ItemText(i, 0), std::to_string(i + 1));

    int run = FindRow(list, "ZtPagesRun");
    ASSERT_GE(run, 0);
    EXPECT_EQ(list.ItemText(run, 2), "C:\\zt\\run.exe /quiet");
    EXPECT_EQ(list.ItemText(run, 3), std::string("HKCU\\") + kRunPath);
    ASSERT_NE(page.EntryAt(run), nullptr);
    EXPECT_EQ(page.EntryAt(run)->kind, StartupEntryKind::RegistryValue);

    int once = FindRow(list, "ZtPagesOnce");
    ASSERT_GE(once, 0);
    EXPECT_EQ(list.ItemText(once, 3), std::string("HKLM\\") + kRunOncePath);

    int file = FindRow(list, "zt-pages.bat");
    ASSERT_GE(file, 0);
    EXPECT_EQ(list.ItemText(file, 2), userStartup_ + "\\zt-pages.bat");
    EXPECT_EQ(list.ItemText(file, 3), "Startup");
    ASSERT_NE(page.EntryAt(file), nullptr);
    EXPECT_EQ(page.EntryAt(file)->kind, StartupEntryKind::StartupFolderFile);
    EXPECT_GT(file, run); // folders come after the registry

    // Seven columns that fill the list at first, the Status one never cutting a state.
    EXPECT_EQ(list.ItemText(run, 4), "Enabled");
    RECT client = list.ClientRect();
    int total = 0;
    for (int c = 0; c < 7; ++c)
        total += list.ColumnWidth(c);
    EXPECT_EQ(total, client.right - client.left);
    EXPECT_GT(list.ColumnWidth(4),
              static_cast<int>(list.Send(LVM_GETSTRINGWIDTHW, 0,
                                         reinterpret_cast<LPARAM>(L"Disabled (File not found)"))));
    EXPECT_TRUE(::SendMessageW(list.Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) &
                LVS_EX_CHECKBOXES);
}

TEST_F(StartupPageTest, HideBoxListsWindowsSignedRowsOnlyWhenClearedAndIsRemembered) {
    PlantValue(kCurrentUser, kRunPath, "ZtPagesRun", "C:\\zt\\win.exe");
    PlantValue(kCurrentUser, kRunPath, "ZtPagesOther", "C:\\zt\\vendor.exe");
    MemoryFileSignatures signatures;
    signatures.Set("C:\\zt\\win.exe", {"Microsoft Windows", true});
    signatures.Set("C:\\zt\\vendor.exe", {"Vendor Ltd", false});
    AppContext app{*reg_, *sys_, PlatformStartupSources(), signatures, settings_, &host_};
    auto hideBox = [](const CDlgStartupManager& page) {
        return CButton(page.Item(IDC_STARTUP_HIDE_WINDOWS));
    };
    {
        CDlgStartupManager page(app);
        CreatePage(page);
        ASSERT_TRUE(page.WaitForListing());
        EXPECT_TRUE(hideBox(page).IsChecked());
        EXPECT_EQ(FindRow(page.List(), "ZtPagesRun"), -1);
        int vendor = FindRow(page.List(), "ZtPagesOther");
        ASSERT_GE(vendor, 0);
        EXPECT_EQ(page.List().ItemText(vendor, 6), "Vendor Ltd (not verified)");

        hideBox(page).Send(BM_CLICK);
        ASSERT_TRUE(page.WaitForListing());
        int win = FindRow(page.List(), "ZtPagesRun");
        ASSERT_GE(win, 0);
        EXPECT_EQ(page.List().ItemText(win, 6), "Microsoft Windows");
        EXPECT_EQ(settings_.Read(settings::HideWindowsStartup), 0);
    }
    CDlgStartupManager again(app);
    CreatePage(again);
    ASSERT_TRUE(again.WaitForListing());
    EXPECT_FALSE(hideBox(again).IsChecked());
    EXPECT_GE(FindRow(again.List(), "ZtPagesRun"), 0);
}

TEST_F(StartupPageTest, DeleteWithNothingCheckedOnlySaysSo) {
    PlantValue(kCurrentUser, kRunPath, "ZtPagesRun", "C:\\zt\\run.exe");
    CDlgStartupManager page(app_);
    CreatePage(page);
    ASSERT_TRUE(page.WaitForListing());
    Answerer answers;
    Click(page, IDC_STARTUP_DELETE);
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_EQ(answers.asked[0].text, "No items selected!");
    EXPECT_EQ(answers.asked[0].caption, "Zentrove");
    EXPECT_TRUE(ValueExists(kCurrentUser, kRunPath, "ZtPagesRun"));
    EXPECT_EQ(host_.refreshes, 0);
}

TEST_F(StartupPageTest, DeleteBacksUpCheckedValuesAndReloadsTheBackupPage) {
    std::string folder = GetBackupFolder(*sys_);
    PlantValue(kCurrentUser, kRunPath, "ZtPagesRun", "C:\\zt\\run.exe");
    PlantValue(kCurrentUser, kRunPath, "ZtPagesOther", "C:\\zt\\other.exe");
    PlantValue(kLocalMachine, kRunOncePath, "ZtPagesOnce", "C:\\zt\\once.exe");

    CDlgBackup backups(app_);
    CreatePage(backups);
    int backupsBefore = backups.List().Count();
    host_.onRefresh = [&] { backups.RefreshBackupList(); };

    CDlgStartupManager page(app_);
    CreatePage(page);
    ASSERT_TRUE(page.WaitForListing());
    CListView list = page.List();
    int rowsBefore = list.Count();
    int run = FindRow(list, "ZtPagesRun"), other = FindRow(list, "ZtPagesOther"),
        once = FindRow(list, "ZtPagesOnce");
    ASSERT_GE(run, 0);
    ASSERT_GE(other, 0);
    ASSERT_GE(once, 0);
    std::string onceNumber = list.ItemText(once, 0);
    list.SetChecked(run, true);
    list.SetChecked(other, true);

    Answerer answers;
    Click(page, IDC_STARTUP_DELETE);
    ASSERT_EQ(answers.Texts(),
              (std::vector<std::string>{"Are you sure to delete these items?", "Done!"}));
    EXPECT_EQ(answers.asked[0].caption, "Zentrove");
    EXPECT_EQ(answers.asked[0].type, static_cast<unsigned>(MB_OKCANCEL));

    EXPECT_FALSE(ValueExists(kCurrentUser, kRunPath, "ZtPagesRun"));
    EXPECT_FALSE(ValueExists(kCurrentUser, kRunPath, "ZtPagesOther"));
    EXPECT_TRUE(ValueExists(kLocalMachine, kRunOncePath, "ZtPagesOnce"));
    EXPECT_EQ(list.Count(), rowsBefore - 2);
    EXPECT_EQ(FindRow(list, "ZtPagesRun"), -1);
    EXPECT_EQ(list.ItemText(FindRow(list, "ZtPagesOnce"), 0), onceNumber); // not renumbered

    // One new backup, listed at once on the backup page, holding both values.
    EXPECT_EQ(host_.refreshes, 1);
    ASSERT_EQ(backups.List().Count(), backupsBefore + 1);
    const CBackupItem* newest = backups.ItemOfRow(0);
    ASSERT_NE(newest, nullptr);
    std::ifstream in(newest->path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("\"ZtPagesRun\"=\"C:\\\\zt\\\\run.exe\""), std::string::npos)
        << text.str();
    EXPECT_NE(text.str().find("\"ZtPagesOther\"="), std::string::npos);
    EXPECT_EQ(text.str().find("ZtPagesOnce"), std::string::npos);

    // The backup page brings them back.
    Select(backups.List(), 0);
    Click(backups, 1007);
    EXPECT_EQ(ReadString(kCurrentUser, kRunPath, "ZtPagesRun"), "C:\\zt\\run.exe");
    EXPECT_EQ(ReadString(kCurrentUser, kRunPath, "ZtPagesOther"), "C:\\zt\\other.exe");

    // Refresh numbers without gaps again, once its listing has ended.
    Click(page, IDC_STARTUP_REFRESH);
    ASSERT_TRUE(page.WaitForListing());
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(list.ItemText(i, 0), std::to_string(i + 1));
}

TEST_F(StartupPageTest, DisableAndEnableFollowTheSelectedRow) {
    PlantValue(kCurrentUser, kRunPath, "ZtPagesRun", "C:\\zt\\run.exe");
    PlantValue(kCurrentUser, kRunOncePath, "ZtPagesOnce", "C:\\zt\\once.exe");
    CDlgStartupManager page(app_);
    CreatePage(page);
    ASSERT_TRUE(page.WaitForListing());
    CListView list = page.List();
    HWND disable = ::GetDlgItem(page.Handle(), IDC_STARTUP_DISABLE);
    HWND enable = ::GetDlgItem(page.Handle(), IDC_STARTUP_ENABLE);
    EXPECT_FALSE(::IsWindowEnabled(disable)); // nothing selected

    int run = FindRow(list, "ZtPagesRun");
    Select(list, run);
    EXPECT_TRUE(::IsWindowEnabled(disable));
    EXPECT_FALSE(::IsWindowEnabled(enable));
    Click(page, IDC_STARTUP_DISABLE);
    EXPECT_EQ(list.ItemText(run, 4), "Disabled");
    StartupEntry entry;
    entry.name = "ZtPagesRun";
    entry.location = std::string("HKCU\\") + kRunPath;
    EXPECT_TRUE(ReadApprovalDisabled(*reg_, *ApprovalFor(entry)));
    EXPECT_FALSE(::IsWindowEnabled(disable));
    EXPECT_TRUE(::IsWindowEnabled(enable));
    Click(page, IDC_STARTUP_ENABLE);
    EXPECT_EQ(list.ItemText(run, 4), "Enabled");
    EXPECT_FALSE(ReadApprovalDisabled(*reg_, *ApprovalFor(entry)));

    // RunOnce has no switch: it can only be deleted.
    Select(list, FindRow(list, "ZtPagesOnce"));
    EXPECT_FALSE(::IsWindowEnabled(disable));
    EXPECT_FALSE(::IsWindowEnabled(enable));
}

TEST_F(StartupPageTest, EveryActionTakesTheSelectedRowWhenNoneIsTicked) {
    PlantValue(kCurrentUser, kRunPath, "ZtPagesRun", "C:\\zt\\run.exe");
    PlantValue(kCurrentUser, kRunPath, "ZtPagesOther", "C:\\zt\\other.exe");
    CDlgStartupManager page(app_);
    CreatePage(page);
    ASSERT_TRUE(page.WaitForListing());
    CListView list = page.List();
    // The selection stays in sight when the list has no focus.
    EXPECT_TRUE(::GetWindowLongPtrW(list.Handle(), GWL_STYLE) & LVS_SHOWSELALWAYS);
    Select(list, FindRow(list, "ZtPagesRun"));
    Answerer answers;
    Click(page, IDC_STARTUP_DELETE);
    EXPECT_EQ(answers.asked.at(0).text, "Are you sure to delete these items?");
    EXPECT_FALSE(ValueExists(kCurrentUser, kRunPath, "ZtPagesRun"));
    EXPECT_TRUE(ValueExists(kCurrentUser, kRunPath, "ZtPagesOther"));
    EXPECT_EQ(FindRow(list, "ZtPagesRun"), -1);
    ASSERT_GE(FindRow(list, "ZtPagesOther"), 0);

    // Ticked rows win over the selection.
    PlantValue(kCurrentUser, kRunPath, "ZtPagesRun", "C:\\zt\\run.exe");
    page.RefreshList();
    list.SetChecked(FindRow(list, "ZtPagesRun"), true);
    Select(list, FindRow(list, "ZtPagesOther"));
    Click(page, IDC_STARTUP_DISABLE);
    EXPECT_EQ(list.ItemText(FindRow(list, "ZtPagesRun"), 4), "Disabled");
    EXPECT_EQ(list.ItemText(FindRow(list, "ZtPagesOther"), 4), "Enabled");
}

TEST_F(StartupPageTest, CancelDeletesNothing) {
    PlantValue(kCurrentUser, kRunPath, "ZtPagesRun", "C:\\zt\\run.exe");
    CDlgStartupManager page(app_);
    CreatePage(page);
    ASSERT_TRUE(page.WaitForListing());
    CListView list = page.List();
    int rows = list.Count();
    list.SetChecked(FindRow(list, "ZtPagesRun"), true);
    Answerer answers;
    answers.answer = [](const MessageRequest&) { return IDCANCEL; };
    Click(page, IDC_STARTUP_DELETE);
    EXPECT_EQ(answers.Texts(), (std::vector<std::string>{"Are you sure to delete these items?"}));
    EXPECT_TRUE(ValueExists(kCurrentUser, kRunPath, "ZtPagesRun"));
    EXPECT_EQ(list.Count(), rows);
    EXPECT_EQ(host_.refreshes, 0);
}

TEST_F(StartupPageTest, DeletingAStartupFolderFileRemovesOnlyThatFile) {
    std::string bat = userStartup_ + "\\zt-pages.bat";
    PlantFile(*sys_, bat, "@echo off\r\n");
    CDlgStartupManager page(app_);
    CreatePage(page);
    ASSERT_TRUE(page.WaitForListing());
    CListView list = page.List();
    int row = FindRow(list, "zt-pages.bat");
    ASSERT_GE(row, 0);
    list.SetChecked(row, true);
    Answerer answers;
    Click(page, IDC_STARTUP_DELETE);
    EXPECT_EQ(answers.Texts().back(), "Done!");
    EXPECT_EQ(::GetFileAttributesW(ToWide(bat).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(FindRow(list, "zt-pages.bat"), -1);
}

// The add dialog runs modally; a thread timer fills it in from inside its own loop.
std::string g_typed;
bool g_filled = false;
void CALLBACK FillAddDialog(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dlg = ::FindWindowW(nullptr, L"Add Startup Item");
    if (!dlg) return;
    ::KillTimer(nullptr, id);
    g_filled = true;
    ::SetDlgItemTextW(dlg, IDC_ADD_COMMAND, ToWide(g_typed).c_str());
    ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dlg, IDOK)));
}

TEST_F(StartupPageTest, AddWritesTheDerivedNameUnderTheMachinesRunKeyAndRefusesNoProgram) {
    const std::string folder = JoinPath(test::ScratchFolder(*sys_), "Pages App");
    ASSERT_TRUE(sys_->MakeFolder(folder));
    const std::string program = JoinPath(folder, "ztpagesapp.exe");
    PlantFile(*sys_, program, "MZ");
    CDlgStartupManager page(app_);
    CreatePage(page);
    ASSERT_TRUE(page.WaitForListing());
    Answerer answers;

    g_typed = "  \"" + program + "\" -min  ";
    g_filled = false;
    ::SetTimer(nullptr, 0, 50, FillAddDialog);
    Click(page, IDC_STARTUP_ADD);
    EXPECT_TRUE(g_filled);
    EXPECT_EQ(ReadString(kLocalMachine, kRunPath, "ztpagesapp"), "\"" + program + "\" -min");
    CListView list = page.List();
    int row = FindRow(list, "ztpagesapp");
    ASSERT_GE(row, 0);
    EXPECT_EQ(list.ItemText(row, 3), std::string("HKLM\\") + kRunPath);
    EXPECT_TRUE(answers.asked.empty()) << "adding reports nothing";

    g_typed = "ztpagesnote.exe";
    g_filled = false;
    ::SetTimer(nullptr, 0, 50, FillAddDialog);
    Click(page, IDC_STARTUP_ADD);
    EXPECT_TRUE(g_filled);
    EXPECT_FALSE(ValueExists(kLocalMachine, kRunPath, "ztpagesnote"));
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_NE(answers.Texts().back().find("cannot start anything"), std::string::npos)
        << answers.Texts().back();
}

TEST_F(StartupPageTest, AddCancelledChangesNothing) {
    CDlgStartupManager page(app_);
    CreatePage(page);
    ASSERT_TRUE(page.WaitForListing());
    int rows = page.List().Count();
    page.SetAddDialogRunner([](HWND, std::string&) { return false; });
    Click(page, IDC_STARTUP_ADD);
    EXPECT_EQ(page.List().Count(), rows);
    EXPECT_FALSE(ValueExists(kLocalMachine, kRunPath, "ztpagesapp"));
}

TEST_F(StartupPageTest, AddDialogTakesAtMost400CharactersAndRefusesMoreOnOk) {
    CDlgAddStartupItem dialog;
    ASSERT_TRUE(dialog.Create(host_.main));
    HWND edit = dialog.Item(IDC_ADD_COMMAND);
    EXPECT_EQ(::SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 400);
    EXPECT_EQ(dialog.GetText(), "Add Startup Item");

    // Typing stops at the limit.
    ::SetFocus(edit);
    for (int i = 0; i < 410; ++i)
        ::SendMessageW(edit, WM_CHAR, 'a', 0);
    EXPECT_EQ(::GetWindowTextLengthW(edit), 400);

    // A longer text placed there otherwise (as Browse... may) is refused on OK.
    std::string tooLong(401, 'b');
    ::SetWindowTextW(edit, ToWide(tooLong).c_str());
    Answerer answers;
    Click(dialog, IDOK);
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_TRUE(::IsWindow(dialog.Handle()));
    EXPECT_TRUE(dialog.commandLine.empty());

    std::string longest(400, 'c');
    ::SetWindowTextW(edit, ToWide(longest).c_str());
    Click(dialog, IDOK);
    EXPECT_EQ(dialog.commandLine, longest);
    EXPECT_EQ(answers.asked.size(), 1u);
}

// The open-file dialog of Browse..., answered from inside its own loop.
std::vector<std::string> g_filters;
bool g_browsed = false;
void CALLBACK AnswerOpenDialog(HWND, UINT, UINT_PTR id, DWORD) {
    HWND add = ::FindWindowW(nullptr, L"Add Startup Item");
    HWND open = nullptr;
    for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
        if (w != add && ::GetWindow(w, GW_OWNER) == add && ::IsWindowVisible(w)) open = w;
    if (!open) return;
    ::KillTimer(nullptr, id);
    g_browsed = true;
    HWND types = ::GetDlgItem(open, 1136); // the file type list
    int n = static_cast<int>(::SendMessageW(types, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t text[256] = {};
        ::SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        g_filters.push_back(FromWide(text));
    }
    ::SetDlgItemTextW(open, 1148, L"C:\\windows\\notepad.exe");
    ::PostMessageW(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST_F(StartupPageTest, BrowsePutsTheChosenPathUnquotedIntoTheCommandLine) {
    CDlgAddStartupItem dialog;
    ASSERT_TRUE(dialog.Create(host_.main));
    ::SetWindowTextW(dialog.Item(IDC_ADD_COMMAND), L"typed before");
    g_filters.clear();
    g_browsed = false;
    ::SetTimer(nullptr, 0, 100, AnswerOpenDialog);
    Click(dialog, IDC_ADD_BROWSE);
    ASSERT_TRUE(g_browsed);
    EXPECT_EQ(g_filters, (std::vector<std::string>{"Execute Files (*.exe;*.com)",
                                                   "Batch Files (*.bat)", "All Files (*.*)"}));
    EXPECT_EQ(dialog.ItemText(IDC_ADD_COMMAND), "C:\\windows\\notepad.exe");
    EXPECT_EQ(dialog.commandLine, "C:\\windows\\notepad.exe");
    ::DestroyWindow(dialog.Handle());
}

TEST_F(StartupPageTest, ResizeGrowsTheListAndMovesTheButtonsRight) {
    CDlgStartupManager page(app_);
    CreatePage(page);
    ASSERT_TRUE(page.WaitForListing());
    HWND h = page.Handle();
    const int ids[] = {IDC_STARTUP_REFRESH, IDC_STARTUP_DELETE, IDC_STARTUP_ADD, IDCANCEL};
    RECT list0 = RectIn(h, IDC_STARTUP_LIST);
    RECT client = page.ClientRect();
    ::SetWindowPos(h, nullptr, 0, 0, client.right + 40, client.bottom + 40,
                   SWP_NOMOVE | SWP_NOZORDER);
    RECT early = RectIn(h, IDC_STARTUP_LIST);
    EXPECT_TRUE(::EqualRect(&list0, &early));
    ::SetWindowPos(h, nullptr, 0, 0, client.right, client.bottom, SWP_NOMOVE | SWP_NOZORDER);

    std::vector<RECT> before;
    for (int id : ids)
        before.push_back(RectIn(h, id));
    page.RecordLayout();
    const int dx = 100, dy = 50;
    ::SetWindowPos(h, nullptr, 0, 0, client.right + dx, client.bottom + dy,
                   SWP_NOMOVE | SWP_NOZORDER);
    RECT list = RectIn(h, IDC_STARTUP_LIST);
    EXPECT_EQ(list.left, list0.left);
    EXPECT_EQ(list.top, list0.top);
    EXPECT_EQ(list.right, list0.right + dx);
    EXPECT_EQ(list.bottom, list0.bottom + dy);
    for (size_t i = 0; i < std::size(ids); ++i) {
        RECT now = RectIn(h, ids[i]);
        EXPECT_EQ(now.left, before[i].left + dx) << ids[i];
        EXPECT_EQ(now.top, before[i].top) << ids[i];
        EXPECT_EQ(now.bottom - now.top, before[i].bottom - before[i].top) << ids[i];
    }
}

TEST_F(StartupPageTest, ExitAndEscapeCloseTheTopLevelWindow) {
    CDlgStartupManager page(app_);
    CreatePage(page);
    ASSERT_TRUE(page.WaitForListing());
    Click(page, IDCANCEL);
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, host_.main, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(SC_CLOSE));
    EXPECT_TRUE(::IsWindow(page.Handle()));
}

TEST_F(StartupPageTest, ColumnWidthsNeedAllFourStored) {
    CDlgStartupManager page(app_);
    CreatePage(page);
    ASSERT_TRUE(page.WaitForListing());
    CListView list = page.List();
    int initial[4];
    for (int c = 0; c < 4; ++c)
        initial[c] = list.ColumnWidth(c);
    for (int c = 0; c < 3; ++c)
        EXPECT_TRUE(settings_.WriteInt("Startup_List_" + std::to_string(c), initial[c] + 7));
    EXPECT_TRUE(settings_.WriteInt("Startup_List_3", -1));
    page.RestoreColumnWidths();
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(list.ColumnWidth(c), initial[c]) << c;

    EXPECT_TRUE(settings_.WriteInt("Startup_List_3", initial[3] + 7));
    page.RestoreColumnWidths();
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(list.ColumnWidth(c), initial[c] + 7) << c;
    list.SetColumnWidth(2, 33);
    page.SaveColumnWidths();
    EXPECT_EQ(settings_.ReadInt("Startup_List_2", -1), 33);
}

} // namespace
} // namespace zt::test
