// The settings page and the About box in process.
#include <gtest/gtest.h>

#include "scan/ScanCategories.h"
#include "app/DlgAbout.h"
#include "app/DlgMain.h"
#include "startup/RunAtStartup.h"
#include "app/VersionText.h"
#include "app/res/resource.h"
#include "app_harness.h"
#include "platform/memory/MemoryRegistry.h"
#include "support/platform_startup.h"
#include "ui/MessageBox.h"

namespace zt::test {
namespace {

constexpr int kCategoryIds[] = {
    IDC_CHK_CLSID,      IDC_CHK_FILEASSOC, IDC_CHK_USERSOFTWARE, IDC_CHK_SYSTEMSOFTWARE,
    IDC_CHK_SHAREDDLLS, IDC_CHK_FILEEXT,   IDC_CHK_STARTUP,      IDC_CHK_SOUNDS,
    IDC_CHK_UNINSTALL,  IDC_CHK_FONTS,     IDC_CHK_HELP,         IDC_CHK_APPPATH,
    IDC_CHK_DRIVERS,    IDC_CHK_MUICACHE,  IDC_CHK_COMPATSTORE,  IDC_CHK_INSTALLERFOLDERS,
    IDC_CHK_TYPELIBS};

struct SettingsFixture : ::testing::Test {
    AppHarness h;
    ScopedMessageAnswerer answers{IDOK};
    std::unique_ptr<CDlgMain> main;
    HWND page = nullptr;

    void SetUp() override {
        main = std::make_unique<CDlgMain>(h.app());
        ASSERT_TRUE(main->Create(nullptr));
        page = main->SettingsPage().Handle();
    }
    void TearDown() override {
        if (main && ::IsWindow(main->Handle())) main->Send(WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    bool ApplyEnabled() { return ::IsWindowEnabled(::GetDlgItem(page, IDOK)) != FALSE; }
};

TEST_F(SettingsFixture, FirstStartShowsTheDefaults) {
    static_assert(std::size(kCategoryIds) == kScanCategoryCount);
    for (int i = 0; i < kScanCategoryCount; ++i)
        EXPECT_EQ(IsTicked(page, kCategoryIds[i]), kScanCategories[i].onByDefault) << i;
    // Type libraries start off, so not every area is ticked.
    EXPECT_FALSE(IsTicked(page, IDC_CHECKALL));
    EXPECT_FALSE(IsTicked(page, IDC_SILENCE));
    EXPECT_TRUE(IsTicked(page, IDC_ADDSTARTUP));
    EXPECT_TRUE(IsTicked(page, IDC_SAVELAYOUT));
    EXPECT_FALSE(ApplyEnabled());
}

TEST_F(SettingsFixture, CategoryBoxesAndCheckAllFollowEachOther) {
    ClickBox(page, IDC_CHK_TYPELIBS, true);
    EXPECT_TRUE(IsTicked(page, IDC_CHECKALL));
    ClickBox(page, IDC_CHK_HELP, false);
    EXPECT_FALSE(IsTicked(page, IDC_CHECKALL));
    EXPECT_TRUE(ApplyEnabled());
    ClickBox(page, IDC_CHK_HELP, true);
    EXPECT_TRUE(IsTicked(page, IDC_CHECKALL));

    ClickBox(page, IDC_CHECKALL, false);
    for (int id : kCategoryIds)
        EXPECT_FALSE(IsTicked(page, id)) << id;
    EXPECT_TRUE(IsTicked(page, IDC_ADDSTARTUP)); // options untouched
    EXPECT_TRUE(IsTicked(page, IDC_SAVELAYOUT));
    ClickBox(page, IDC_CHECKALL, true);
    for (int id : kCategoryIds)
        EXPECT_TRUE(IsTicked(page, id)) << id;

    // An option enables Apply and leaves Check All alone.
    ClickBox(page, IDC_CHK_FONTS, false);
    ClickBox(page, IDC_SILENCE, true);
    EXPECT_FALSE(IsTicked(page, IDC_CHECKALL));
}

TEST_F(SettingsFixture, ApplyWritesTheSwitchesAndTheOptions) {
    ClickBox(page, IDC_CHK_CLSID, false);
    ClickBox(page, IDC_CHK_DRIVERS, false);
    ClickBox(page, IDC_SILENCE, true);
    ClickBox(page, IDC_ADDSTARTUP, false);
    ClickBox(page, IDC_SAVELAYOUT, false);
    Click(page, IDOK);

    EXPECT_FALSE(ApplyEnabled());
    for (int i = 0; i < kScanCategoryCount; ++i)
        EXPECT_EQ(h.Stored(kScanCategories[i].settingsKey),
                  (i == 0 || i == 12 || !kScanCategories[i].onByDefault) ? 0 : 1)
            << i;
    EXPECT_EQ(h.Stored("ButtonSilence"), 1);
    EXPECT_EQ(h.Stored("StartupMode"), 0);
    EXPECT_EQ(h.Stored("SavePos"), 0);
    std::vector<int> want{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 15};
    EXPECT_EQ(main->ScanPage().enabledCategories, want);
    EXPECT_FALSE(main->ScanPage().Engine().categoryEnabled[0].load());
    EXPECT_TRUE(main->ScanPage().Engine().categoryEnabled[1].load());
    EXPECT_TRUE(main->ScanPage().IsSilent());
    EXPECT_FALSE(main->SavePosSwitch());

    // Every box off: every area's key written as 0.
    ClickBox(page, IDC_CHECKALL, false);
    Click(page, IDOK);
    EXPECT_TRUE(main->ScanPage().enabledCategories.empty());
    for (const auto& area : kScanCategories)
        EXPECT_EQ(h.Stored(area.settingsKey), 0) << area.settingsKey;
}

// What Windows refuses on Apply is told, not dropped; starting the window tells nothing.
TEST(SettingsRefused, ApplyNamesTheSettingsAndTheStartWithWindowsSwitch) {
    MemoryRegistry reg;
    Win32System sys;
    SettingsStore store(reg, "ZtRefused");
    AppContext app{reg, sys, test::PlatformStartupSources(), test::PlatformSignatures(), store};
    reg.DenyWrite(kCurrentUser, store.KeyPath());
    reg.DenyWrite(kLocalMachine, kRunKeyPath);
    reg.DenyWrite(kCurrentUser, kRunKeyPath);
    ScopedMessageAnswerer answers{IDOK};
    CDlgMain main(app);
    ASSERT_TRUE(main.Create(nullptr));
    EXPECT_TRUE(answers.Requests().empty());
    HWND page = main.SettingsPage().Handle();
    ClickBox(page, IDC_SILENCE, true);
    Click(page, IDOK);
    ASSERT_EQ(answers.Requests().size(), 1u);
    const std::string& text = answers.Requests()[0].text;
    EXPECT_NE(text.find("The settings could not be saved: administrator rights are needed."),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Zentrove could not be set to start with Windows: administrator rights"),
              std::string::npos)
        << text;
    EXPECT_TRUE(main.ScanPage().IsSilent()) << "the switch holds until the program closes";
    main.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
}

TEST_F(SettingsFixture, PageGrowsItsGroupAndMovesTheRightColumn) {
    RECT pageRect = main->SettingsPage().ClientRect();
    auto rect = [&](HWND w) { return ChildRectIn(page, w); };
    HWND group = ::GetDlgItem(page, -1);
    ASSERT_NE(group, nullptr);
    RECT group0 = rect(group), apply0 = rect(::GetDlgItem(page, IDOK)),
         save0 = rect(::GetDlgItem(page, IDC_SAVELAYOUT)),
         clsid0 = rect(::GetDlgItem(page, IDC_CHK_CLSID));
    ::SetWindowPos(page, nullptr, 0, 0, pageRect.right + 100, pageRect.bottom + 40,
                   SWP_NOMOVE | SWP_NOZORDER);
    RECT group1 = rect(group), apply1 = rect(::GetDlgItem(page, IDOK)),
         save1 = rect(::GetDlgItem(page, IDC_SAVELAYOUT)),
         clsid1 = rect(::GetDlgItem(page, IDC_CHK_CLSID));
    EXPECT_EQ(group1.left, group0.left);
    EXPECT_EQ(group1.right, group0.right + 100);
    EXPECT_EQ(group1.bottom, group0.bottom + 40);
    EXPECT_EQ(apply1.left, apply0.left + 100);
    EXPECT_EQ(apply1.top, apply0.top);
    EXPECT_EQ(save1.left, save0.left + 100);
    EXPECT_EQ(clsid1.left, clsid0.left);
}

TEST(AboutBox, ShowsTheNameAndTheTrimmedVersion) {
    AppHarness h;
    CDlgAbout about(h.app());
    ASSERT_TRUE(about.Create(nullptr));
    // The build's one version, project() in CMakeLists.txt, as the version resource holds it.
    const std::uint32_t ms = (ZT_VERSION_MAJOR << 16) | ZT_VERSION_MINOR;
    const std::uint32_t ls = (ZT_VERSION_BUILD << 16) | ZT_VERSION_REVISION;
    EXPECT_EQ(about.ItemText(IDC_VERSION), "Zentrove Version " + FormatVersionText(ms, ls, ms, ls));
    EXPECT_EQ(about.GetText(), "About Zentrove");
    EXPECT_NE(about.ItemText(IDC_WEBSITE).find("Website: http"), std::string::npos);
    EXPECT_NE(about.ItemText(IDC_FEEDBACK).find("Email: "), std::string::npos);
    ::DestroyWindow(about.Handle());
}

TEST(VersionText, TrimsOnlyATrailingDoubleZero) {
    EXPECT_EQ(FormatVersionText(0x00030007, 0x00000000, 0x00030007, 0), "3.7");
    EXPECT_EQ(FormatVersionText(0x00030007, 0x00000001, 0x00030007, 0), "3.7.0.1");
    EXPECT_EQ(FormatVersionText(0x00030007, 0x00010000, 0x00030007, 0), "3.7.1.0");
    // The product version wins only when its major and minor are higher.
    EXPECT_EQ(FormatVersionText(0x00020000, 0x00050000, 0x00030001, 0x00020000), "3.1.2.0");
    EXPECT_EQ(FormatVersionText(0x00040000, 0x00000000, 0x00030001, 0x00020000), "4.0");
}

} // namespace
} // namespace zt::test
