// Adding a startup entry: what is refused, and replacing an entry of the same name.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "backup/BackupStore.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"
#include "startup/StartupEditor.h"
#include "startup/StartupLocations.h"
#include "startup/scripted_prompt.h"
#include "startup/startup_support.h"

namespace zt {
namespace {

using ::testing::HasSubstr;

class StartupAdditionTest : public ::testing::Test {
  protected:
    MemoryRegistry reg;
    MemorySystem sys;
    test::ScriptedPrompt prompt;
    int refreshes = 0;

    void SetUp() override {
        sys.AddFile("C:\\Program Files\\Sync Tool\\sync.exe");
        sys.AddFile("C:\\Tools\\agent.exe");
        sys.AddFolder("C:\\Tools\\folder.exe");
        sys.SetEnvironment("TOOLS", "C:\\Tools");
    }
    StartupAddition Add(std::string_view command) {
        CRegFileWriter writer(reg, sys);
        return AddStartupItem(reg, sys, writer, prompt, command, [this] { ++refreshes; });
    }
    std::optional<std::string> Run(RootKey root, const std::string& name) {
        RegKey key(reg, reg.OpenKeyRead(RootHandle(root), kRunKeyPath));
        auto value = key ? reg.ReadValueWhole(key.get(), name) : std::nullopt;
        if (!value) return std::nullopt;
        return std::string(value->data.begin(), value->data.end() - 1);
    }
    std::size_t RunValueCount(RootKey root) {
        RegKey key(reg, reg.OpenKeyRead(RootHandle(root), kRunKeyPath));
        auto info = key ? reg.QueryKeyInfo(key.get()) : std::nullopt;
        return info ? info->values : 0;
    }
};

TEST_F(StartupAdditionTest, WritesOnlyCommandsWhoseProgramExists) {
    struct Case {
        const char* command;
        const char* name; // empty when refused
        const char* refusalPart;
    };
    const Case cases[] = {
        {"", "", "empty"},
        {" \t ", "", "empty"},
        {"C:\\Nowhere\\gone.exe /min", "", "\"C:\\Nowhere\\gone.exe\""},
        {"\"C:\\Program Files\\Gone\\x.exe\" -q", "", "\"C:\\Program Files\\Gone\\x.exe\""},
        {"%NOTSET%\\agent.exe", "", "%NOTSET%\\agent.exe"},
        {"C:\\Tools\\folder.exe", "", "folder.exe"},
        {"C:\\Program Files\\Sync Tool\\sync.exe -quiet", "sync", nullptr},
        {"  \"C:\\Program Files\\Sync Tool\\sync.exe\" -quiet ", "sync", nullptr},
        {"%TOOLS%\\agent.exe /start", "agent", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        StartupAddition added = Add(c.command);
        if (!*c.name) {
            EXPECT_THAT(added.refusal, HasSubstr(c.refusalPart));
            EXPECT_FALSE(added.written);
            EXPECT_EQ(RunValueCount(kLocalMachine) + RunValueCount(kCurrentUser), 0u);
            continue;
        }
        EXPECT_EQ(added.refusal, "");
        EXPECT_TRUE(added.written);
        EXPECT_EQ(added.valueName, c.name);
        EXPECT_EQ(Run(kLocalMachine, c.name), TrimCommandLine(c.command));
        RegKey key(reg, reg.OpenKeyAllAccess(RootHandle(kLocalMachine), kRunKeyPath));
        ASSERT_TRUE(reg.DeleteValue(key.get(), c.name));
    }
    EXPECT_TRUE(prompt.shown.empty()) << "a new entry asks nothing";
}

TEST_F(StartupAdditionTest, ReplacesAnEntryOfThatNameOnlyAfterYesWithItsOldValueSaved) {
    ASSERT_TRUE(test::PlantString(reg, kCurrentUser, std::string(kRunKeyPath), "AGENT",
                                  "C:\\Old\\agent.exe"));

    prompt.answers = {kAnswerNo};
    StartupAddition kept = Add("C:\\Tools\\agent.exe /new");
    EXPECT_TRUE(kept.declined);
    EXPECT_FALSE(kept.written);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text,
              "An entry named AGENT already starts: C:\\Old\\agent.exe. Replace it?");
    EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(Run(kCurrentUser, "AGENT"), "C:\\Old\\agent.exe");
    EXPECT_EQ(Run(kLocalMachine, "agent"), std::nullopt) << "no second entry beside it";
    EXPECT_EQ(refreshes, 0);

    prompt.answers = {kAnswerYes};
    StartupAddition replaced = Add("C:\\Tools\\agent.exe /new");
    EXPECT_TRUE(replaced.written);
    EXPECT_EQ(replaced.root, kCurrentUser);
    EXPECT_EQ(replaced.replaced, "C:\\Old\\agent.exe");
    EXPECT_EQ(replaced.valueName, "AGENT") << "the entry keeps its own name";
    EXPECT_EQ(Run(kCurrentUser, "agent"), "C:\\Tools\\agent.exe /new");
    EXPECT_EQ(Run(kLocalMachine, "agent"), std::nullopt);
    EXPECT_EQ(refreshes, 1);
    auto backup = test::ReadWholeFile(sys, replaced.backupFile);
    ASSERT_TRUE(backup.has_value()) << replaced.backupFile;
    EXPECT_THAT(*backup, HasSubstr("\"AGENT\"=\"C:\\\\Old\\\\agent.exe\""));
    EXPECT_EQ(ListBackups(sys).size(), 1u) << "the Backup page lists it";

    // A backup that cannot be made keeps the old entry.
    prompt.answers = {kAnswerYes};
    sys.uncreatable.push_back(MakeBackupFileName(sys));
    EXPECT_THROW((void)Add("C:\\Tools\\agent.exe /newer"), FileError);
    EXPECT_EQ(Run(kCurrentUser, "agent"), "C:\\Tools\\agent.exe /new");
}

} // namespace
} // namespace zt
