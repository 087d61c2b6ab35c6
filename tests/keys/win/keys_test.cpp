// The keyboard, for real under Wine: Enter answers the focused button of every box, access
// keys, Control+Tab between the pages, Space on a list row.
#include <gtest/gtest.h>

#include <vector>

#include "app/DlgMain.h"
#include "app/res/ids_backup.h"
#include "app/res/resource.h"
#include "app/win/app_harness.h"
#include "keys/win/key_util.h"
#include "settings/SettingsStore.h"
#include "ui/MessageBox.h"
#include "ui/SkinButton.h"
#include "ui/win/ui_test_util.h"

namespace zt::test {
namespace {

CSkinButton* Skin(HWND button) {
    return dynamic_cast<CSkinButton*>(CSubclassWindow::FromHandle(button));
}

TEST(KeysMessageBox, EnterAnswersTheFocusedButtonOfEveryButtonSet) {
    struct Case {
        unsigned type;
        std::vector<int> tabOrder; // buttons in the order Tab reaches them, from the first
    } cases[] = {{MB_OK, {IDOK}},
                 {MB_OKCANCEL, {IDOK, IDCANCEL}},
                 {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
                 {MB_YESNO, {IDYES, IDNO}}};
    for (const Case& c : cases) {
        for (size_t tabs = 0; tabs < c.tabOrder.size(); ++tabs) {
            const int expected = c.tabOrder[tabs];
            std::vector<int> marked;
            InModalLoop step([&] {
                HWND box = FindThreadDialog();
                for (size_t i = 0; i < tabs; ++i)
                    SendKey(box, VK_TAB);
                for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
                    if (CSkinButton* b = Skin(::GetDlgItem(box, id)); b && b->IsDefault())
                        marked.push_back(id);
                SendKey(box, VK_RETURN);
                // Still open: Enter answered nothing; closed here so the test goes on.
                if (::IsWindow(box)) ::PostMessageW(box, WM_CLOSE, 0, 0);
            });
            int answer = ShowMessage(nullptr, "Are you sure to restore it?", "Zentrove", c.type);
            EXPECT_EQ(answer, expected) << "type " << c.type << " after " << tabs << " tabs";
            // Only the focused button is marked as the one Enter answers.
            EXPECT_EQ(marked, std::vector<int>{expected}) << "type " << c.type;
        }
    }
}

struct MainKeys : ::testing::Test {
    AppHarness h;
    ScopedMessageAnswerer answers{IDOK};
    std::unique_ptr<CDlgMain> main;

    void SetUp() override {
        main = std::make_unique<CDlgMain>(h.app());
        ASSERT_TRUE(main->Create(nullptr));
        PumpDialog(main->Handle(), 50);
    }
    void TearDown() override {
        if (main && ::IsWindow(main->Handle())) main->Send(WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    void ShowTab(int tab) {
        ASSERT_TRUE(main->Tabs().SetActiveTab(tab));
        PumpDialog(main->Handle(), 20);
    }
};

TEST_F(MainKeys, EnterAndAccessKeysPressThePagesOwnButtons) {
    ShowTab(CDlgMain::kTabBackup);
    HWND page = main->BackupPage().Handle();
    ::SetFocus(::GetDlgItem(page, IDC_BACKUP_REMOVE));
    SendKey(main->Handle(), VK_RETURN);
    ASSERT_EQ(answers.Requests().size(), 1u);
    // Remove's own answer, whatever backups the prefix holds (none is selected).
    EXPECT_EQ(answers.Requests()[0].text, main->BackupPage().List().Count() == 0
                                              ? "No item available!"
                                              : "Please select a item you want to delete.");
    EXPECT_TRUE(Skin(::GetDlgItem(page, IDC_BACKUP_REMOVE))->IsDefault());

    // Alt+M ("Re&move") from the list; Alt+R ("&Restore") from the same place.
    answers.Clear();
    ::SetFocus(::GetDlgItem(page, IDC_BACKUP_LIST));
    SendAccessKey(main->Handle(), 'm');
    SendAccessKey(main->Handle(), 'r');
    EXPECT_EQ(answers.Requests().size(), 2u);

    // Settings: "Check A&ll" and "Silence &Button" are reached by their letters.
    ShowTab(CDlgMain::kTabSettings);
    HWND settings = main->SettingsPage().Handle();
    bool silent = IsTicked(settings, IDC_SILENCE);
    SendAccessKey(main->Handle(), 'b');
    EXPECT_NE(IsTicked(settings, IDC_SILENCE), silent);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(settings, IDOK)));
}

TEST_F(MainKeys, EnterOnSettingsAppliesOnlyWhileApplyIsAvailable) {
    ShowTab(CDlgMain::kTabSettings);
    HWND settings = main->SettingsPage().Handle();
    HWND apply = ::GetDlgItem(settings, IDOK);
    ASSERT_FALSE(::IsWindowEnabled(apply));
    (void)h.registry().DeleteKeyTree(RootHandle(kCurrentUser), h.ProfileKey());
    ASSERT_EQ(h.Stored(settings::ButtonSilence), -999);
    ::SetFocus(::GetDlgItem(settings, IDC_CHK_FONTS));
    SendKey(main->Handle(), VK_RETURN);
    EXPECT_EQ(h.Stored(settings::ButtonSilence), -999) << "Enter applied with Apply unavailable";

    SendKey(main->Handle(), VK_SPACE); // ticks the focused box: Apply becomes available
    ASSERT_TRUE(::IsWindowEnabled(apply));
    SendKey(main->Handle(), VK_RETURN);
    EXPECT_NE(h.Stored(settings::ButtonSilence), -999);
    EXPECT_FALSE(::IsWindowEnabled(apply));
}

TEST_F(MainKeys, ControlTabMovesBetweenPagesBothWaysAndAsksSettingsFirst) {
    HWND list = main->ScanPage().Item(IDC_RESULTLIST);
    ::SetFocus(list);
    SendKey(main->Handle(), VK_TAB, kCtrl);
    EXPECT_EQ(main->Tabs().GetActiveTab(), CDlgMain::kTabStartup);
    EXPECT_TRUE(::IsChild(main->StartupPage().Handle(), ::GetFocus()) ||
                ::GetFocus() == main->StartupPage().Handle());
    SendKey(main->Handle(), VK_TAB, kCtrl | kShift);
    SendKey(main->Handle(), VK_TAB, kCtrl | kShift);
    EXPECT_EQ(main->Tabs().GetActiveTab(), CDlgMain::kTabBackup); // wrapped around

    // Leaving Settings with a change asks; Cancel keeps it.
    ShowTab(CDlgMain::kTabSettings);
    HWND settings = main->SettingsPage().Handle();
    ::SetFocus(::GetDlgItem(settings, IDC_CHK_FONTS));
    SendKey(main->Handle(), VK_SPACE);
    answers.SetAnswer(IDCANCEL);
    SendKey(main->Handle(), VK_TAB, kCtrl);
    EXPECT_EQ(main->Tabs().GetActiveTab(), CDlgMain::kTabSettings);
    EXPECT_EQ(answers.Requests().size(), 1u);
}

TEST_F(MainKeys, SpaceTogglesTheFocusedRowAndCheckAllFollows) {
    CListView& list = main->ScanPage().List();
    ScanSink& reports = main->ScanPage(); // two findings, as a scan reports them
    for (int i = 0; i < 2; ++i)
        reports.AddFinding(ScanRow{{}, std::to_string(i + 1), "row", "", "", {}});
    PumpDialog(main->Handle(), 50);
    ASSERT_EQ(list.Count(), 2);
    HWND page = main->ScanPage().Handle();
    ::SetFocus(list.Handle());
    ListView_SetItemState(list.Handle(), 1, LVIS_FOCUSED | LVIS_SELECTED,
                          LVIS_FOCUSED | LVIS_SELECTED);
    SendKey(main->Handle(), VK_SPACE);
    PumpDialog(main->Handle(), 50);
    EXPECT_TRUE(list.IsChecked(0));
    EXPECT_FALSE(list.IsChecked(1));
    EXPECT_FALSE(IsTicked(page, IDC_CHECKALL));
    SendKey(main->Handle(), VK_SPACE);
    PumpDialog(main->Handle(), 50);
    EXPECT_TRUE(list.IsChecked(1));
    EXPECT_TRUE(IsTicked(page, IDC_CHECKALL));
}

} // namespace
} // namespace zt::test
