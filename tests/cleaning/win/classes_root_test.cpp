// A classes-root finding on the real registry: Wine's classes root is the machine's classes
// key alone, so the finding is backed up and deleted there and comes back there.
#include "backup/BackupStore.h"
#include "tests/cleaning/common/cleaning_fixture.h"

namespace zt::test {
namespace {

TEST_F(CleaningTest, AClassesRootKeyRoundTripsThroughItsMachineKey) {
    const std::string name = ".ztundo-classes-test";
    (void)reg->DeleteKeyTree(RootHandle(kClassesRoot), name);
    {
        RegKey k(*reg, reg->CreateKey(RootHandle(kClassesRoot), name + "\\OpenWithProgids"));
        ASSERT_TRUE(k);
        ASSERT_TRUE(reg->WriteString(k.get(), "ztfile", "x"));
    }
    list.Add(ScanFinding{kClassesRoot, name, {}, FindingKind::Key});
    CleanOutcome out = Clean();
    EXPECT_EQ(out.processed, 1);
    EXPECT_FALSE(RegKey(*reg, reg->OpenKeyRead(RootHandle(kClassesRoot), name)));
    std::string text = ReadFileText(sys, out.backupFile).value_or("");
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Classes\\" + name + "\\OpenWithProgids]"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("HKEY_CLASSES_ROOT"), std::string::npos);

    RestoreReport r = RestoreBackupFile(*reg, sys, out.backupFile);
    EXPECT_EQ(r.result, RestoreResult::Restored) << RestoreMessage(r);
    EXPECT_EQ(r.verified, 3);
    RegKey back(*reg, reg->OpenKeyRead(RootHandle(kClassesRoot), name + "\\OpenWithProgids"));
    EXPECT_TRUE(back && reg->ReadValueWhole(back.get(), "ztfile"));
    back.Reset();
    (void)reg->DeleteKeyTree(RootHandle(kClassesRoot), name);
}

} // namespace
} // namespace zt::test
