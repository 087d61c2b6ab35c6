// zentrove-cli clean on the real registry: scan, back up, delete, and the way back.
#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "backup/BackupStore.h"
#include "cli/CmdClean.h"
#include "support/seams.h"
#include "support/win_process.h"

namespace zt {
namespace {

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Read(std::FILE* f) {
    return test::ReadAllFrom(f);
}

class CliClean : public ::testing::Test {
  protected:
    cli::CliContext ctx;
    Win32Registry reg;
    Win32System sys;
    std::string value = "ZentroveCleanTest";

    void SetUp() override {
        ctx.out = std::tmpfile();
        ctx.err = std::tmpfile();
        for (const auto& b : ListBackups(sys))
            (void)sys.RemoveFile(b.path);
        RegKey run(reg, reg.CreateKey(RootHandle(kCurrentUser), kRun));
        ASSERT_TRUE(reg.WriteString(run.get(), value, "C:\\no such folder\\gone away.exe -start"));
    }
    void TearDown() override {
        RegKey run(reg, reg.OpenKeyAllAccess(RootHandle(kCurrentUser), kRun));
        (void)reg.DeleteValue(run.get(), value);
        std::fclose(ctx.out);
        std::fclose(ctx.err);
    }
    bool Planted() {
        RegKey run(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), kRun));
        char buf[300];
        return reg.ReadValue(run.get(), value, buf, sizeof buf, nullptr, nullptr);
    }
    int Clean(cli::Args args, std::optional<bool> answer) {
        return cli::RunClean(ctx, args, [&](const std::string&) { return answer; });
    }
};

TEST_F(CliClean, CleansWithYesAndTheBackupRestoresIt) {
    ASSERT_EQ(Clean({"--yes", "--categories", "CheckStartupSection"}, std::nullopt), cli::kExitOk)
        << Read(ctx.err);
    std::string out = Read(ctx.out);
    EXPECT_FALSE(Planted());
    auto backups = ListBackups(sys);
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_NE(out.find(value), std::string::npos) << out;
    EXPECT_NE(out.find("\n" + backups[0].path + "\n"), std::string::npos) << out;
    EXPECT_NE(out.find("items cleaned successfully!"), std::string::npos) << out;

    ASSERT_EQ(cli::RunRestoreCommand(ctx, {"1"}), cli::kExitOk);
    EXPECT_TRUE(Planted());
    EXPECT_TRUE(ListBackups(sys).empty());
}

TEST_F(CliClean, AsksWithoutYesAndRefusesWithoutATerminal) {
    EXPECT_EQ(Clean({"--categories", "6"}, std::nullopt), cli::kExitUsage);
    EXPECT_NE(Read(ctx.err).find("no terminal"), std::string::npos);
    EXPECT_EQ(Clean({"--categories", "6"}, false), cli::kExitFailed);
    EXPECT_TRUE(Planted());
    EXPECT_TRUE(ListBackups(sys).empty());
    EXPECT_EQ(Clean({"--categories", "6", "--json"}, true), cli::kExitOk);
    EXPECT_FALSE(Planted());
    std::string out = Read(ctx.out);
    auto doc = nlohmann::json::parse(out.substr(out.find('{')));
    EXPECT_GE(doc["cleaned"].get<int>(), 1);
    EXPECT_EQ(doc["keptBack"], nlohmann::json::array());
    ASSERT_TRUE(doc["backupFile"].is_string());
    EXPECT_EQ(doc["backupFile"], ListBackups(sys).at(0).path);
    EXPECT_EQ(cli::RunRestoreCommand(ctx, {doc["backupFile"].get<std::string>()}), cli::kExitOk);
    EXPECT_TRUE(Planted());
}

TEST_F(CliClean, UsageErrors) {
    EXPECT_EQ(Clean({"--categories"}, true), cli::kExitUsage);
    EXPECT_EQ(Clean({"--categories", "17"}, true), cli::kExitUsage);
    EXPECT_EQ(Clean({"--bogus"}, true), cli::kExitUsage);
    EXPECT_TRUE(Planted());
}

} // namespace
} // namespace zt
