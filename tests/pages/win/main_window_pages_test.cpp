// The pages inside the real main window: the backup page reloads after a startup deletion,
// and closing the window while the disk page is measuring a large folder ends cleanly.
#include <chrono>

#include "app/DlgMain.h"
#include "app/res/ids_startup.h"
#include "backup/BackupStore.h"
#include "pages/win/PageFixture.h"
#include "seams/Unicode.h"

namespace zt::test {
namespace {

constexpr const char* kRunPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class MainWindowPagesTest : public PageTest {
  protected:
    void TearDown() override {
        RegKey key(*reg_, reg_->OpenKeyAllAccess(RootHandle(kCurrentUser), kRunPath));
        if (key) (void)reg_->DeleteValue(key.get(), "ZtPagesMain");
        PageTest::TearDown();
    }
    // The main window's close path, as its close box takes it.
    static void Close(CDlgMain& main) {
        HWND h = main.Handle();
        main.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
        PumpUntil([h] { return !::IsWindow(h); }, 5000);
    }
};

TEST_F(MainWindowPagesTest, StartupDeletionIsListedOnTheBackupPageAtOnce) {
    {
        RegKey key(*reg_, reg_->CreateKey(RootHandle(kCurrentUser), kRunPath));
        std::string data = "C:\\zt\\main.exe";
        ASSERT_TRUE(reg_->WriteValue(key.get(), "ZtPagesMain", kRegSz, data.c_str(),
                                     static_cast<std::uint32_t>(data.size() + 1)));
    }
    CDlgMain main(app_);
    ASSERT_TRUE(main.Create(nullptr));
    int backups = main.BackupPage().List().Count();
    ASSERT_TRUE(main.StartupPage().WaitForListing());
    CListView list = main.StartupPage().List();
    int row = -1;
    for (int i = 0; i < list.Count(); ++i)
        if (list.ItemText(i, 1) == "ZtPagesMain") row = i;
    ASSERT_GE(row, 0);
    list.SetChecked(row, true);

    Answerer answers;
    Click(main.StartupPage(), IDC_STARTUP_DELETE);
    EXPECT_EQ(answers.Texts().back(), "Done!");
    ASSERT_EQ(main.BackupPage().List().Count(), backups + 1);
    const CBackupItem* newest = main.BackupPage().ItemOfRow(0);
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(main.BackupPage().List().ItemText(0, 0), std::to_string(backups + 1));
    ::DeleteFileW(ToWide(newest->path).c_str());
    Close(main);
}

TEST_F(MainWindowPagesTest, ClosingWhileTheDiskPageMeasuresALargeFolderEndsCleanly) {
    PlantLargeFolder(*sys_);
    auto main = std::make_unique<CDlgMain>(app_);
    ASSERT_TRUE(main->Create(nullptr));
    ASSERT_TRUE(main->CleanDiskPage().IsMeasuring())
        << "the measuring finished before the window could close";
    auto start = std::chrono::steady_clock::now();
    Close(*main);
    main.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    PumpMessages();
}

} // namespace
} // namespace zt::test
