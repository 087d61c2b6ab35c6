// A kept-back finding makes `clean` partial: named with its cause in text and JSON, exit 1; and a
// run that deleted nothing leaves no backup file. On the real registry, with a Run value whose
// name holds a lone surrogate, which no backup file can hold.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "backup/BackupStore.h"
#include "cli/CmdClean.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "support/captured_cli.h"

namespace zt {
namespace {

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kBad = "ZentroveBad\xED\xA0\x80"; // WTF-8 of an unpaired high surrogate

class KeptBackCli : public ::testing::Test {
  protected:
    Win32Registry reg;
    Win32System sys;
    RegKey run{reg, reg.CreateKey(RootHandle(kCurrentUser), kRun)};

    void SetUp() override {
        for (const auto& b : ListBackups(sys))
            static_cast<void>(sys.RemoveFile(b.path));
        ASSERT_TRUE(reg.WriteString(run.get(), kBad, "C:\\no such folder\\bad.exe"));
    }
    void TearDown() override {
        for (const std::string& name : {kBad, std::string("ZentroveGood")})
            static_cast<void>(reg.DeleteValue(run.get(), name));
    }
    int Clean(test::CapturedCli& c, bool json) {
        cli::Args args{"--yes", "--categories", "CheckStartupSection"};
        if (json) args.push_back("--json");
        return cli::RunClean(c.ctx, args, [](const std::string&) { return true; });
    }
};

TEST_F(KeptBackCli, KeptBackIsNamedExitsOneAndANothingRunLeavesNoFile) {
    test::CapturedCli alone;
    EXPECT_EQ(Clean(alone, false), cli::kExitFailed);
    const std::string text = alone.Out();
    // Shown for people: the broken unit as U+FFFD.
    EXPECT_NE(text.find("\\ZentroveBad\xEF\xBF\xBD\tkept back: "), std::string::npos) << text;
    EXPECT_NE(text.find("surrogate"), std::string::npos) << text;
    EXPECT_TRUE(ListBackups(sys).empty()); // nothing deleted, no file
    EXPECT_TRUE(reg.ReadValueWhole(run.get(), kBad).has_value());

    // Beside an entry that goes: still partial, and the file holds what went.
    ASSERT_TRUE(reg.WriteString(run.get(), "ZentroveGood", "C:\\no such folder\\good.exe"));
    test::CapturedCli mixed;
    EXPECT_EQ(Clean(mixed, true), cli::kExitFailed);
    auto doc = nlohmann::json::parse(mixed.Out());
    EXPECT_EQ(doc["cleaned"], 1);
    ASSERT_EQ(doc["keptBack"].size(), 1u) << doc.dump(1);
    EXPECT_EQ(doc["keptBack"][0]["valueName"].get<std::string>().rfind("ZentroveBad", 0), 0u);
    EXPECT_NE(doc["keptBack"][0]["reason"].get<std::string>().find("surrogate"), std::string::npos);
    EXPECT_TRUE(doc["keptBack"][0]["id"].is_string());
    ASSERT_EQ(ListBackups(sys).size(), 1u);
    EXPECT_EQ(doc["backupFile"], ListBackups(sys)[0].path);
    EXPECT_FALSE(reg.ReadValueWhole(run.get(), "ZentroveGood").has_value());
}

} // namespace
} // namespace zt
