// zentrove-cli clean on the fakes with a machine key it may not write: each entry that stayed
// is named with its cause, in text and JSON, and the command exits 1.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CmdClean.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"
#include "support/win_process.h"

namespace zt {
namespace {

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class DeniedCli : public ::testing::Test {
  protected:
    MemoryRegistry reg;
    MemorySystem sys;
    cli::CliContext ctx{reg, sys};

    void SetUp() override {
        sys.AddFolder("C:\\Data");
        sys.SetKnownFolder(KnownFolder::AppData, "C:\\Data");
        for (RootKey root : {kLocalMachine, kCurrentUser}) {
            RegKey run(reg, reg.CreateKey(RootHandle(root), kRun));
            ASSERT_TRUE(reg.WriteString(run.get(), root == kLocalMachine ? "Machine" : "Mine",
                                        "C:\\no such folder\\gone.exe"));
        }
        reg.DenyWrite(kLocalMachine, kRun);
        ctx.out = std::tmpfile();
        ctx.err = std::tmpfile();
    }
    void TearDown() override {
        std::fclose(ctx.out);
        std::fclose(ctx.err);
    }
    int Clean(bool json) {
        cli::Args args{"--yes", "--categories", "CheckStartupSection"};
        if (json) args.push_back("--json");
        return cli::RunClean(ctx, args, [](const std::string&) { return std::nullopt; });
    }
};

TEST_F(DeniedCli, EntriesNotDeletedAreNamedWithTheirCauseAndExitIsOne) {
    EXPECT_EQ(Clean(false), cli::kExitFailed);
    std::string text = test::ReadAllFrom(ctx.out);
    EXPECT_NE(text.find("HKLM\\" + std::string(kRun) + "\\Machine\tnot deleted: access denied"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("1 item could not be deleted: administrator rights are needed."),
              std::string::npos)
        << text;

    // The user's entry went in the first run; the machine's is still found and still stays.
    std::fclose(ctx.out);
    ctx.out = std::tmpfile();
    EXPECT_EQ(Clean(true), cli::kExitFailed);
    auto doc = nlohmann::json::parse(test::ReadAllFrom(ctx.out));
    EXPECT_EQ(doc["cleaned"], 0);
    ASSERT_EQ(doc["notDeleted"].size(), 1u);
    EXPECT_EQ(doc["notDeleted"][0]["root"], "HKLM");
    EXPECT_EQ(doc["notDeleted"][0]["valueName"], "Machine");
    EXPECT_EQ(doc["notDeleted"][0]["reason"], "access denied");
    EXPECT_EQ(doc["remaining"].size(), 1u);
}

} // namespace
} // namespace zt
