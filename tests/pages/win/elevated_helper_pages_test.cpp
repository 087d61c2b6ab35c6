// The pages of a process without administrator rights: the machine's startup rows and
// disk places go to the elevated helper (`zentrove-cli` of the build folder; under Wine
// "runas" starts it as the same user), the user's are done in process, and one message tells
// the whole.
#include <atomic>

#include <gmock/gmock.h>

#include "app/DlgCleanDisk.h"
#include "app/DlgStartupManager.h"
#include "app/MachineActions.h"
#include "app/res/ids_cleandisk.h"
#include "app/res/ids_startup.h"
#include "diskclean/JunkPlaces.h"
#include "pages/win/PageFixture.h"
#include "support/build_folder_system.h"
#include "startup/StartupApproval.h"
#include "startup/StartupEntry.h"

namespace zt::test {
namespace {

using ::testing::HasSubstr;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kNames[] = {"ZtHelperUser", "ZtHelperMachine", "ZtHelperOnce"};

// The build folder's helper, a process that lacks the rights, and a consent the test may
// refuse.
class NotElevatedSystem : public BuildFolderSystem {
  public:
    ShellResult RunElevated(std::string_view file, std::string_view parameters,
                            const std::atomic<bool>* stop) override {
        ++runs;
        lastParameters = parameters;
        if (!decline) return Win32System::RunElevated(file, parameters, stop);
        ShellResult r;
        r.declined = true;
        return r;
    }
    std::atomic<int> runs{0};
    std::string lastParameters;
    bool decline = false;
};

class StartupHelperTest : public PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        Cleanup();
        Plant(kCurrentUser, kRun, kNames[0]);
        Plant(kLocalMachine, kRun, kNames[1]);
        Plant(kLocalMachine, kRunOnce, kNames[2]);
    }
    void TearDown() override {
        Cleanup();
        PageTest::TearDown();
    }
    void Plant(RootKey root, const char* path, const char* name) {
        RegKey key(*reg_, reg_->CreateKey(RootHandle(root), path));
        ASSERT_TRUE(
            reg_->WriteString(key.get(), name, std::string("C:\\zt\\") + name + ".exe").ok());
    }
    void Cleanup() {
        for (RootKey root : {kCurrentUser, kLocalMachine})
            for (const char* path : {kRun, kRunOnce})
                for (const char* name : kNames) {
                    RegKey key(*reg_, reg_->OpenKeyAllAccess(RootHandle(root), path));
                    if (key) (void)reg_->DeleteValue(key.get(), name);
                    if (auto slot = ApprovalFor(Entry(root, path, name))) {
                        RegKey approved(
                            *reg_, reg_->OpenKeyAllAccess(RootHandle(slot->root), slot->keyPath));
                        if (approved) (void)reg_->DeleteValue(approved.get(), name);
                    }
                }
    }
    static StartupEntry Entry(RootKey root, const char* path, const char* name) {
        StartupEntry e;
        e.name = name;
        e.location = std::string(root == kLocalMachine ? "HKLM\\" : "HKCU\\") + path;
        return e;
    }
    bool Disabled(RootKey root, const char* name) {
        return ReadApprovalDisabled(*reg_, *ApprovalFor(Entry(root, kRun, name)));
    }
    static int RowOf(CDlgStartupManager& page, const char* name) {
        CListView list = page.List();
        for (int i = 0; i < list.Count(); ++i)
            if (list.ItemText(i, 1) == name) return i;
        return -1;
    }
    // Lists the page and ticks the three planted rows.
    void TickPlanted(CDlgStartupManager& page) {
        CreatePage(page);
        ASSERT_TRUE(page.WaitForListing());
        for (const char* name : kNames) {
            ASSERT_GE(RowOf(page, name), 0) << name;
            page.List().SetChecked(RowOf(page, name), true);
        }
    }
    std::string StatusOf(CDlgStartupManager& page, const char* name) {
        int row = RowOf(page, name);
        return row < 0 ? "<gone>" : page.List().ItemText(row, 4);
    }

    NotElevatedSystem helperSys_;
    AppContext helperApp_{*reg_,     helperSys_, PlatformStartupSources(), PlatformSignatures(),
                          settings_, &host_};
};

TEST_F(StartupHelperTest, MachineRowsAreSwitchedByTheHelperAndOneMessageNamesWhatStayed) {
    CDlgStartupManager page(helperApp_);
    TickPlanted(page);
    EXPECT_TRUE(page.ShowsShield(IDC_STARTUP_DISABLE));
    EXPECT_TRUE(page.ShowsShield(IDC_STARTUP_DELETE));
    Answerer answers;
    Click(page, IDC_STARTUP_DISABLE);
    ASSERT_TRUE(page.WaitForHelper());

    // One start of the helper, for the machine's rows only; the user's row switched here.
    EXPECT_EQ(helperSys_.runs.load(), 1);
    StartupEntry machine = Entry(kLocalMachine, kRun, kNames[1]);
    StartupEntry user = Entry(kCurrentUser, kRun, kNames[0]);
    EXPECT_THAT(helperSys_.lastParameters, HasSubstr(StartupEntryId(machine)));
    EXPECT_EQ(helperSys_.lastParameters.find(StartupEntryId(user)), std::string::npos);
    EXPECT_TRUE(Disabled(kCurrentUser, kNames[0]));
    EXPECT_TRUE(Disabled(kLocalMachine, kNames[1]));
    EXPECT_EQ(StatusOf(page, kNames[0]), "Disabled");
    EXPECT_EQ(StatusOf(page, kNames[1]), "Disabled");
    // RunOnce has no switch: the helper says so, in the one message of the run.
    EXPECT_EQ(StatusOf(page, kNames[2]), "Enabled");
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_THAT(answers.asked[0].text, HasSubstr(kNames[2]));
    EXPECT_EQ(answers.asked[0].text.find(kNames[1]), std::string::npos) << answers.asked[0].text;
}

TEST_F(StartupHelperTest, ARefusedConsentLeavesTheMachineRowsAndSaysSo) {
    helperSys_.decline = true;
    CDlgStartupManager page(helperApp_);
    TickPlanted(page);
    // The user's own row alone needs no rights: no shield.
    page.List().SetChecked(RowOf(page, kNames[1]), false);
    page.List().SetChecked(RowOf(page, kNames[2]), false);
    EXPECT_FALSE(page.ShowsShield(IDC_STARTUP_DISABLE));
    page.List().SetChecked(RowOf(page, kNames[1]), true);
    EXPECT_TRUE(page.ShowsShield(IDC_STARTUP_DISABLE));
    Answerer answers;
    Click(page, IDC_STARTUP_DISABLE);
    ASSERT_TRUE(page.WaitForHelper());

    EXPECT_TRUE(Disabled(kCurrentUser, kNames[0])); // the user's part is done all the same
    EXPECT_FALSE(Disabled(kLocalMachine, kNames[1]));
    EXPECT_EQ(StatusOf(page, kNames[1]), "Enabled");
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_THAT(answers.asked[0].text, HasSubstr("consent was not given"));
}

TEST_F(StartupHelperTest, DeletionAsksOnceAndTheHelperDeletesTheMachinesRows) {
    CDlgStartupManager page(helperApp_);
    TickPlanted(page);
    Answerer answers;
    Click(page, IDC_STARTUP_DELETE);
    ASSERT_TRUE(page.WaitForHelper());

    EXPECT_EQ(helperSys_.runs.load(), 1);
    for (const char* name : kNames)
        EXPECT_EQ(RowOf(page, name), -1) << name;
    auto there = [&](RootKey root, const char* path, const char* name) {
        RegKey key(*reg_, reg_->OpenKeyRead(RootHandle(root), path));
        return key && reg_->ReadValueWhole(key.get(), name).has_value();
    };
    EXPECT_FALSE(there(kCurrentUser, kRun, kNames[0]));
    EXPECT_FALSE(there(kLocalMachine, kRun, kNames[1]));
    EXPECT_FALSE(there(kLocalMachine, kRunOnce, kNames[2]));
    // The question and the word at the end, once each, over both parts.
    EXPECT_EQ(answers.Texts(),
              (std::vector<std::string>{"Are you sure to delete these items?", "Done!"}));
    EXPECT_GE(host_.refreshes, 1);
}

class CleanDiskHelperTest : public PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        ASSERT_TRUE(settings_.Write(settings::KeepRecentJunk, 0)); // the files are new
        userJunk_ = sys_->GetTempFolder() + "zt-helper-user.tmp";
        machineJunk_ = GetSystemTempFolder(*reg_, *sys_).value_or("") + "\\zt-helper-machine.tmp";
        PlantFile(*sys_, userJunk_, "user");
        PlantFile(*sys_, machineJunk_, "machine");
    }
    void TearDown() override {
        (void)settings_.Write(settings::KeepRecentJunk, 1);
        ::DeleteFileW(ToWide(userJunk_).c_str());
        ::DeleteFileW(ToWide(machineJunk_).c_str());
        PageTest::TearDown();
    }
    static bool Exists(const std::string& path) {
        return ::GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // Ticks both temporary folders and cleans; the one question is answered OK.
    void CleanBoth(CDlgCleanDisk& page, Answerer& answers) {
        CreatePage(page);
        ASSERT_TRUE(PumpUntil([&] { return !page.IsMeasuring(); }));
        CButton(page.Item(IDC_CLEANDISK_USERTEMP)).SetCheck(true);
        Click(page, IDC_CLEANDISK_USERTEMP);
        EXPECT_FALSE(page.ShowsShield());
        CButton(page.Item(IDC_CLEANDISK_SYSTEMP)).SetCheck(true);
        Click(page, IDC_CLEANDISK_SYSTEMP);
        EXPECT_TRUE(page.ShowsShield());
        Click(page, IDC_CLEANDISK_CLEAN);
        ASSERT_TRUE(PumpUntil([&] { return !page.IsCleaningWithHelper(); }));
        PumpUntil([&] { return answers.asked.size() >= 2; }, 2000);
    }

    NotElevatedSystem helperSys_;
    AppContext helperApp_{*reg_,     helperSys_, PlatformStartupSources(), PlatformSignatures(),
                          settings_, &host_};
    std::string userJunk_, machineJunk_;
};

TEST_F(CleanDiskHelperTest, TheSystemFolderIsEmptiedByTheHelperUnderOneTotal) {
    CDlgCleanDisk page(helperApp_);
    Answerer answers;
    CleanBoth(page, answers);

    EXPECT_EQ(helperSys_.runs.load(), 1);
    EXPECT_THAT(helperSys_.lastParameters, HasSubstr("--places system-temp "));
    EXPECT_EQ(helperSys_.lastParameters.find("user-temp"), std::string::npos);
    EXPECT_FALSE(Exists(userJunk_));
    EXPECT_FALSE(Exists(machineJunk_));
    ASSERT_EQ(answers.asked.size(), 2u);
    EXPECT_EQ(answers.asked[0].text, "Are you sure to delete them?");
    EXPECT_EQ(answers.asked[1].text.rfind("The cleaning is finished!", 0), 0u)
        << answers.asked[1].text;
}

TEST_F(CleanDiskHelperTest, ARefusedConsentCleansTheUsersPartAndSaysWhatStayed) {
    helperSys_.decline = true;
    CDlgCleanDisk page(helperApp_);
    Answerer answers;
    CleanBoth(page, answers);

    EXPECT_FALSE(Exists(userJunk_));
    EXPECT_TRUE(Exists(machineJunk_));
    ASSERT_EQ(answers.asked.size(), 2u);
    EXPECT_THAT(answers.asked[1].text, HasSubstr("consent was not given"));
    EXPECT_THAT(answers.asked[1].text, HasSubstr("system temporary folder not cleaned"));
}

} // namespace
} // namespace zt::test
