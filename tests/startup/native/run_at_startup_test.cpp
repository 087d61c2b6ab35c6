// The program's own start-up registration: the machine's Run key, else the user's.
#include <gtest/gtest.h>

#include "platform/memory/MemoryRegistry.h"
#include "seams/Unicode.h"
#include "startup/RunAtStartup.h"

namespace zt {
namespace {

TEST(RunAtStartup, UsesTheUsersRunKeyWhenTheMachinesIsDenied) {
    MemoryRegistry reg;
    reg.DenyWrite(kLocalMachine, kRunKeyPath);
    const char* exe = "C:\\Tools\\Zentrove\\zentrove.exe";
    EXPECT_TRUE(SyncRunAtStartup(reg, true, exe));
    EXPECT_EQ(FindRunAtStartup(reg, "c:\\tools\\zentrove\\ZENTROVE.EXE"), kCurrentUser);
    EXPECT_TRUE(SyncRunAtStartup(reg, false, exe));
    EXPECT_FALSE(FindRunAtStartup(reg, exe));

    // With rights again the machine's key holds it, and the user's copy goes.
    MemoryRegistry open;
    RegKey user(open, open.CreateKey(RootHandle(kCurrentUser), kRunKeyPath));
    ASSERT_TRUE(open.WriteString(user.get(), kRunValueName, "C:\\old\\zentrove.exe"));
    EXPECT_TRUE(SyncRunAtStartup(open, true, exe));
    EXPECT_EQ(FindRunAtStartup(open, exe), kLocalMachine);
    EXPECT_FALSE(FindRunAtStartup(open, "C:\\old\\zentrove.exe"));
}

TEST(RunAtStartup, FindsAPathOfManyNonAsciiLettersInEitherCase) {
    // 600 characters, 1,200 bytes in UTF-8: more bytes than the registration's characters.
    std::string lower = "C:\\", upper = "C:\\";
    for (int i = 0; i < 149; ++i) {
        lower += "\xD0\xB4\xD0\xB8\xD1\x80\\"; // "дир\"
        upper += "\xD0\x94\xD0\x98\xD0\xA0\\"; // "ДИР\"
    }
    lower += "z.exe";
    upper += "Z.EXE";
    ASSERT_LT(Utf16Length(lower), 1000u);
    ASSERT_GT(lower.size(), 1000u);
    MemoryRegistry reg;
    EXPECT_TRUE(SyncRunAtStartup(reg, true, lower));
    EXPECT_EQ(FindRunAtStartup(reg, upper), kLocalMachine);
    RegKey run(reg, reg.OpenKeyRead(RootHandle(kLocalMachine), kRunKeyPath));
    std::optional<RegValue> stored = reg.ReadValueWhole(run.get(), kRunValueName);
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::string(stored->data.begin(), stored->data.end()).substr(0, lower.size()), lower);
}

} // namespace
} // namespace zt
