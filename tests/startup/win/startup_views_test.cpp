// Both registry views in the startup list, the approval switch, and deletion that takes the
// switch along, against the real registry.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "backup/BackupStore.h"
#include "backup/RegFileWriter.h"
#include "startup/StartupApproval.h"
#include "startup/StartupEditor.h"
#include "startup/StartupEnumerator.h"
#include "startup/StartupLocations.h"
#include "startup/row_model.h"
#include "startup/scripted_prompt.h"
#include "startup/startup_support.h"
#include "support/seams.h"

namespace zt {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

using Bytes = std::vector<std::uint8_t>;

class StartupViewsTest : public ::testing::Test {
  protected:
    std::unique_ptr<Registry> reg = test::MakeRegistry();
    std::unique_ptr<System> sys = test::MakeSystem();
    test::StartupSandbox sandbox{*reg, *sys};
    test::RowModel rows;

    void Run(RootKey root, std::string_view keyPath, const std::string& name) {
        ASSERT_TRUE(test::PlantString(*reg, root, std::string(keyPath), name, "C:\\x\\" + name));
    }
    void Approval(RootKey root, std::string_view keyPath, const std::string& name,
                  const Bytes& bytes, std::uint32_t type = kRegBinary) {
        RegKey key(*reg, reg->CreateKey(RootHandle(root), keyPath));
        ASSERT_TRUE(reg->WriteValue(key.get(), name, type, bytes.data(),
                                    static_cast<std::uint32_t>(bytes.size())));
    }
    std::optional<RegValue> ReadApproval(RootKey root, std::string_view keyPath,
                                         const std::string& name) {
        RegKey key(*reg, reg->OpenKeyRead(RootHandle(root), keyPath));
        if (!key) return std::nullopt;
        return reg->ReadValueWhole(key.get(), name);
    }
    Bytes ApprovalData(RootKey root, std::string_view keyPath, const std::string& name) {
        auto value = ReadApproval(root, keyPath, name);
        return value ? value->data : Bytes{0xEE};
    }
    void Enumerate() { StartupEnumerator(*reg, *sys).EnumerateStartupEntries(rows); }
    const StartupEntry& Row(const std::string& name) {
        const StartupEntry* row = rows.Find(name);
        EXPECT_NE(row, nullptr) << name;
        static StartupEntry none;
        return row ? *row : none;
    }
};

const Bytes kDisabled{0x03, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
const Bytes kEnabled{0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

TEST_F(StartupViewsTest, ListsBothViewsWithTheStatusOfEveryKindOfApproval) {
    Run(kLocalMachine, kRunKeyPath, "Tray64");
    Run(kLocalMachine, kRun32KeyPath, "Helper32");
    Run(kLocalMachine, kRun32KeyPath, "Tray32");
    Run(kCurrentUser, kRunKeyPath, "UserApp");
    Run(kLocalMachine, kRunServices32KeyPath, "Service32");
    Run(kLocalMachine, kRunOnce32KeyPath, "Once32");
    Run(kLocalMachine, std::string(kRunOnceEx32KeyPath) + "\\0001", "Step32");
    test::PlantFile(*sys, JoinPath(sandbox.commonFolder(), "common.bat"), "x");
    test::PlantFile(*sys, JoinPath(sandbox.userFolder(), "notes"), "x");

    Approval(kLocalMachine, kApprovedRunKeyPath, "Tray64", kEnabled);
    Approval(kLocalMachine, kApprovedRun32KeyPath, "Tray32", kDisabled);
    // The 64-bit key's switch does not govern the 32-bit entry of the same name.
    Approval(kLocalMachine, kApprovedRunKeyPath, "Helper32", kDisabled);
    Approval(kCurrentUser, kApprovedRunKeyPath, "USERAPP", {0x01, 0, 0, 0}, kRegDword);
    Approval(kLocalMachine, kApprovedFolderKeyPath, "common.bat", {0x06, 0, 0, 0});
    Approval(kCurrentUser, kApprovedFolderKeyPath, "notes", {0x07});
    // A switch beside an entry that has none is ignored.
    Approval(kLocalMachine, kApprovedRun32KeyPath, "Once32", kDisabled);

    Enumerate();
    ASSERT_THAT(rows.Names(), ElementsAre("Tray64", "Helper32", "Tray32", "UserApp", "Service32",
                                          "Once32", "Step32", "common.bat", "notes"));
    const std::string wow = "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\";
    EXPECT_EQ(Row("Tray32").location, wow + "Run");
    EXPECT_EQ(Row("Service32").location, wow + "RunServices");
    EXPECT_EQ(Row("Step32").location, wow + "RunOnceEx\\0001");
    for (const char* name : {"Tray32", "Helper32", "Service32", "Once32", "Step32"})
        EXPECT_EQ(RegistryViewOf(Row(name).location), 32) << name;
    EXPECT_EQ(RegistryViewOf(Row("Tray64").location), 64);

    // The views share the policies key: a value written through either path is one row.
    Run(kLocalMachine, kPoliciesRun32KeyPath, "Policy32");
    Enumerate();
    auto names = rows.Names();
    EXPECT_EQ(std::count(names.begin(), names.end(), "Policy32"), 1);

    std::vector<std::string> disabled;
    for (const auto& r : rows.rows)
        if (r.disabled) disabled.push_back(r.name);
    EXPECT_THAT(disabled, ElementsAre("Tray32", "UserApp", "notes"));
}

TEST_F(StartupViewsTest, DisableAndEnableWriteTheSystemsBytesAndReadThemBack) {
    Run(kLocalMachine, kRun32KeyPath, "Tray32");
    Run(kCurrentUser, kRunKeyPath, "UserApp");
    Run(kLocalMachine, kRunOnce32KeyPath, "Once32");
    Approval(kCurrentUser, kApprovedRunKeyPath, "UserApp", {0x06, 9, 9, 9, 9});
    Enumerate();

    // The Run32 key does not exist yet: Disable creates it.
    const std::uint64_t before = CurrentFileTime();
    ASSERT_EQ(SetStartupEntryDisabled(*reg, Row("Tray32"), true), ApprovalWrite::Written);
    const std::uint64_t after = CurrentFileTime();
    auto value = ReadApproval(kLocalMachine, kApprovedRun32KeyPath, "Tray32");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, static_cast<std::uint32_t>(kRegBinary));
    ASSERT_EQ(value->data.size(), 12u);
    EXPECT_EQ(Bytes(value->data.begin(), value->data.begin() + 4), (Bytes{0x03, 0, 0, 0}));
    std::uint64_t time = 0;
    for (int i = 0; i < 8; ++i)
        time |= static_cast<std::uint64_t>(value->data[4 + i]) << (8 * i);
    EXPECT_GE(time, before);
    EXPECT_LE(time, after);

    // Unknown bits of an existing value are kept; the rest is rewritten whole.
    ASSERT_EQ(SetStartupEntryDisabled(*reg, Row("UserApp"), true), ApprovalWrite::Written);
    EXPECT_EQ(ApprovalData(kCurrentUser, kApprovedRunKeyPath, "UserApp").at(0), 0x07);

    Enumerate();
    EXPECT_TRUE(Row("Tray32").disabled);
    EXPECT_TRUE(Row("UserApp").disabled);
    ASSERT_EQ(SetStartupEntryDisabled(*reg, Row("Tray32"), false), ApprovalWrite::Written);
    EXPECT_EQ(ApprovalData(kLocalMachine, kApprovedRun32KeyPath, "Tray32"), kEnabled);
    Enumerate();
    EXPECT_FALSE(Row("Tray32").disabled);

    EXPECT_EQ(SetStartupEntryDisabled(*reg, Row("Once32"), true), ApprovalWrite::NotGoverned);
    EXPECT_FALSE(ReadApproval(kLocalMachine, kApprovedRun32KeyPath, "Once32"));
}

TEST_F(StartupViewsTest, DeleteBacksUpTheApprovalWithItsEntryAndRestoresBoth) {
    Run(kLocalMachine, kRun32KeyPath, "Tray32");
    Run(kLocalMachine, kRun32KeyPath, "Kept32");
    test::PlantFile(*sys, JoinPath(sandbox.userFolder(), "notes"), "x");
    Approval(kLocalMachine, kApprovedRun32KeyPath, "Tray32", kDisabled);
    Approval(kLocalMachine, kApprovedRun32KeyPath, "Kept32", kDisabled);
    Approval(kCurrentUser, kApprovedFolderKeyPath, "NOTES", kEnabled);
    Enumerate();
    rows.Tick("Tray32");
    rows.Tick("notes");

    test::ScriptedPrompt prompt;
    CRegFileWriter writer(*reg, *sys);
    StartupDeletionOutcome outcome = DeleteSelectedEntries(*reg, *sys, writer, rows, prompt, [] {});
    EXPECT_EQ(outcome.rowsRemoved, 2);
    EXPECT_FALSE(ReadApproval(kLocalMachine, kRun32KeyPath, "Tray32"));
    EXPECT_FALSE(ReadApproval(kLocalMachine, kApprovedRun32KeyPath, "Tray32"));
    EXPECT_FALSE(ReadApproval(kCurrentUser, kApprovedFolderKeyPath, "notes"));
    EXPECT_FALSE(test::PathExists(*sys, JoinPath(sandbox.userFolder(), "notes")));
    EXPECT_EQ(ApprovalData(kLocalMachine, kApprovedRun32KeyPath, "Kept32"), kDisabled);

    ASSERT_FALSE(outcome.backupFile.empty());
    std::string text = test::ReadWholeFile(*sys, outcome.backupFile).value_or("");
    EXPECT_THAT(text, HasSubstr("[HKEY_LOCAL_MACHINE\\" + std::string(kRun32KeyPath) +
                                "]\r\n\"Tray32\"=\"C:\\\\x\\\\Tray32\""));
    EXPECT_THAT(text, HasSubstr("[HKEY_LOCAL_MACHINE\\" + std::string(kApprovedRun32KeyPath) +
                                "]\r\n\"Tray32\"=hex:03,00,00,00,01,02,03,04,05,06,07,08"));
    EXPECT_THAT(text, HasSubstr("[HKEY_CURRENT_USER\\" + std::string(kApprovedFolderKeyPath) +
                                "]\r\n\"NOTES\"=hex:02,00,00,00,00,00,00,00,00,00,00,00"));
    EXPECT_THAT(text, Not(HasSubstr("Kept32")));

    EXPECT_EQ(RestoreBackupFile(*reg, *sys, outcome.backupFile).result, RestoreResult::Restored);
    EXPECT_TRUE(ReadApproval(kLocalMachine, kRun32KeyPath, "Tray32"));
    EXPECT_EQ(ApprovalData(kLocalMachine, kApprovedRun32KeyPath, "Tray32"), kDisabled);
    EXPECT_EQ(ApprovalData(kCurrentUser, kApprovedFolderKeyPath, "notes"), kEnabled);
    (void)sys->RemoveFile(outcome.backupFile);
}

} // namespace
} // namespace zt
