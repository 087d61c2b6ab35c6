// A backup file that cannot be created or written ends the deletion at that point.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "backup/BackupStore.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"
#include "startup/StartupApproval.h"
#include "startup/StartupEditor.h"
#include "startup/StartupEnumerator.h"
#include "startup/StartupLocations.h"
#include "startup/row_model.h"
#include "startup/scripted_prompt.h"
#include "startup/startup_support.h"

namespace zt {
namespace {

using ::testing::ElementsAre;

class StartupBackupFailureTest : public ::testing::Test {
  protected:
    MemoryRegistry reg;
    MemorySystem sys;
    test::RowModel rows;
    test::ScriptedPrompt prompt;
    int refreshes = 0;

    void SetUp() override {
        sys.AddFolder("C:\\Users");
        sys.SetKnownFolder(KnownFolder::AppData, "C:\\Users");
        for (const char* name : {"a1", "a2", "a3"})
            ASSERT_TRUE(test::PlantString(reg, kLocalMachine, std::string(kRunKeyPath), name,
                                          std::string(name) + ".exe"));
        StartupEnumerator(reg, sys).EnumerateStartupEntries(rows);
        rows.TickAll();
    }
    bool Present(const char* name) {
        RegKey key(reg, reg.OpenKeyRead(RootHandle(kLocalMachine), kRunKeyPath));
        return reg.ReadValueWhole(key.get(), name).has_value();
    }
    void Delete(CRegFileWriter& writer) {
        // Each test checks what the run told and left.
        (void)DeleteSelectedEntries(reg, sys, writer, rows, prompt, [this] { ++refreshes; });
    }
};

TEST_F(StartupBackupFailureTest, UncreatableBackupDeletesNothing) {
    sys.uncreatable.push_back(MakeBackupFileName(sys));
    CRegFileWriter writer(reg, sys);
    EXPECT_THROW(Delete(writer), FileError);
    EXPECT_TRUE(Present("a1") && Present("a2") && Present("a3"));
    EXPECT_EQ(rows.rows.size(), 3u);
    EXPECT_EQ(refreshes, 0);
    ASSERT_EQ(prompt.shown.size(), 1u) << "no Done! after a file error";
    EXPECT_FALSE(writer.IsOpen());
}

TEST_F(StartupBackupFailureTest, FullDiskStopsBeforeTheValueItCouldNotSave) {
    const std::string block =
        "\r\n[HKEY_LOCAL_MACHINE\\" + std::string(kRunKeyPath) + "]\r\n\"a1\"=\"a1.exe\"\r\n";
    sys.freeBytes = 10 + block.size() + 5;
    CRegFileWriter writer(reg, sys);
    EXPECT_THROW(Delete(writer), FileError);

    EXPECT_FALSE(Present("a1"));
    EXPECT_TRUE(Present("a2"));
    EXPECT_TRUE(Present("a3"));
    EXPECT_THAT(rows.Names(), ElementsAre("a2", "a3"));
    EXPECT_EQ(refreshes, 1) << "the file holds a1 and is listed";
    EXPECT_EQ(prompt.shown.size(), 1u);
    EXPECT_FALSE(writer.IsOpen());
    auto content = sys.FileContent(writer.fileName());
    ASSERT_TRUE(content);
    EXPECT_EQ(content->substr(0, 10 + block.size()), "REGEDIT4\r\n" + block);
}

// The entry goes; its switch, which Windows would not let go, is named rather than left silently.
TEST_F(StartupBackupFailureTest, ASwitchThatStaysAfterItsEntryWentIsNamed) {
    const ApprovalBytes disabled = EncodeDisabled(std::nullopt, 1);
    {
        RegKey approved(reg, reg.CreateKey(RootHandle(kLocalMachine), kApprovedRunKeyPath));
        ASSERT_TRUE(reg.WriteValue(approved.get(), "a2", kRegBinary, disabled.data(),
                                   static_cast<std::uint32_t>(disabled.size())));
    }
    reg.DenyWrite(kLocalMachine, kApprovedRunKeyPath, "a2");
    CRegFileWriter writer(reg, sys);
    StartupDeletionOutcome outcome =
        DeleteSelectedEntries(reg, sys, writer, rows, prompt, [this] { ++refreshes; });
    EXPECT_FALSE(Present("a1") || Present("a2") || Present("a3"));
    EXPECT_TRUE(rows.rows.empty()) << "the entries went";
    const std::string slot = "HKLM\\" + std::string(kApprovedRunKeyPath) + "\\a2";
    ASSERT_EQ(outcome.notDeleted.size(), 1u);
    EXPECT_EQ(outcome.notDeleted[0].entry, slot);
    EXPECT_EQ(outcome.notDeleted[0].status.code(), StatusCode::AccessDenied);
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_NE(prompt.shown.back().text.find("1 item could not be deleted: administrator rights are "
                                            "needed.\n" +
                                            slot),
              std::string::npos)
        << prompt.shown.back().text;
}

} // namespace
} // namespace zt
