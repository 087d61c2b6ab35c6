// zentrove-cli backups and restore on the real backup folder of the test prefix.
#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "backup/BackupStore.h"
#include "cli/CliContext.h"
#include "support/seams.h"
#include "support/captured_cli.h"
#include "support/win_process.h"

namespace zt {
namespace {

using Captured = test::CapturedCli;

class CliBackups : public ::testing::Test {
  protected:
    Win32Registry reg;
    Win32System sys;
    test::ScratchKey scratch{reg};
    std::string folder = GetBackupFolder(sys);

    void SetUp() override {
        for (const auto& b : ListBackups(sys))
            (void)sys.RemoveFile(b.path);
    }
    // A backup that sets value `name` below the scratch key, with the given write time.
    std::string Plant(const std::string& file, const std::string& name, int ageSeconds) {
        std::string path = folder + "\\" + file;
        test::PlantFile(sys, path,
                        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + scratch.path() + "]\r\n\"" + name +
                            "\"=dword:00000001\r\n\r\n");
        HANDLE h =
            CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME ft;
        GetSystemTimeAsFileTime(&ft);
        ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
        t.QuadPart -= static_cast<ULONGLONG>(ageSeconds) * 10000000ULL;
        ft.dwLowDateTime = t.LowPart;
        ft.dwHighDateTime = t.HighPart;
        SetFileTime(h, nullptr, nullptr, &ft);
        CloseHandle(h);
        return path;
    }
    bool ValueThere(const std::string& name) {
        RegKey k(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), scratch.path()));
        std::uint32_t v = 0;
        return k && reg.ReadDword(k.get(), name, v);
    }
};

TEST_F(CliBackups, ListsNewestFirstAsTextAndJson) {
    std::string oldest = Plant("20200101000000000.reg", "a", 7200);
    std::string newest = Plant("by hand.REG", "b", 60);
    std::string middle = Plant("20200101010000000.reg", "c", 3600);
    Plant("notes.txt", "d", 0);
    {
        Captured c;
        EXPECT_EQ(cli::RunBackupsCommand(c.ctx, {}), cli::kExitOk);
        std::string out = c.Out();
        auto first = out.find("3\t");
        auto second = out.find("\n2\t");
        auto third = out.find("\n1\t");
        ASSERT_EQ(first, 0u) << out;
        ASSERT_NE(second, std::string::npos) << out;
        ASSERT_NE(third, std::string::npos) << out;
        EXPECT_NE(out.find("\t" + newest + "\n"), std::string::npos);
        EXPECT_LT(out.find(newest), out.find(middle));
        EXPECT_LT(out.find(middle), out.find(oldest));
        EXPECT_EQ(out.find("notes.txt"), std::string::npos);
        EXPECT_NE(out.find(" - "), std::string::npos);
    }
    Captured c;
    EXPECT_EQ(cli::RunBackupsCommand(c.ctx, {"--json"}), cli::kExitOk);
    auto doc = nlohmann::json::parse(c.Out());
    ASSERT_EQ(doc["backups"].size(), 3u);
    EXPECT_EQ(doc["backups"][0]["number"], 3);
    EXPECT_EQ(doc["backups"][0]["path"], newest);
    EXPECT_EQ(doc["backups"][2]["path"], oldest);
    EXPECT_EQ(doc["backups"][1]["created"],
              FormatBackupTime(doc["backups"][1]["time"].get<std::int64_t>()));
    EXPECT_EQ(doc["folder"], folder);
}

TEST_F(CliBackups, RestoreByNumberOrPathReplaysAndRemoves) {
    std::string older = Plant("20200101000000000.reg", "older", 600);
    std::string newer = Plant("20200101000000001.reg", "newer", 60);
    {
        Captured c;
        EXPECT_EQ(cli::RunRestoreCommand(c.ctx, {"2"}), cli::kExitOk) << c.Err();
        EXPECT_EQ(c.Out(), "The item is restored successfully!\n1 keys, 1 values; 2 verified\n");
    }
    EXPECT_TRUE(ValueThere("newer"));
    EXPECT_FALSE(ValueThere("older"));
    EXPECT_FALSE(sys.Exists(newer));
    Captured c;
    EXPECT_EQ(cli::RunRestoreCommand(c.ctx, {older}), cli::kExitOk) << c.Err();
    EXPECT_TRUE(ValueThere("older"));
    EXPECT_FALSE(sys.Exists(older));
}

TEST_F(CliBackups, RestoreRefusals) {
    std::string txt = Plant("notes.txt", "t", 0);
    Plant("20200101000000000.reg", "one", 0);
    struct Case {
        cli::Args args;
        int code;
    };
    for (const Case& k :
         {Case{{}, cli::kExitUsage}, Case{{"1", "2"}, cli::kExitUsage},
          Case{{"2"}, cli::kExitFailed}, Case{{"0"}, cli::kExitFailed},
          Case{{txt}, cli::kExitFailed}, Case{{folder + "\\gone.reg"}, cli::kExitFailed}}) {
        Captured c;
        EXPECT_EQ(cli::RunRestoreCommand(c.ctx, k.args), k.code)
            << (k.args.empty() ? "" : k.args[0]);
        EXPECT_FALSE(c.Err().empty());
        EXPECT_TRUE(c.Out().empty());
    }
    EXPECT_TRUE(sys.Exists(txt));
    EXPECT_FALSE(ValueThere("t"));
    EXPECT_FALSE(ValueThere("one"));
    (void)sys.RemoveFile(txt);
}

} // namespace
} // namespace zt
