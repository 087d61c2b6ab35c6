// Restores through the prefix's own registry editor, judged by what reads back afterwards.
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

class VerifiedRestore : public ::testing::Test {
  protected:
    Win32Registry reg;
    Win32System sys;
    test::ScratchKey scratch{reg};
    std::string path = test::ScratchFolder(sys) + "\\backup.reg";
    std::string key = "HKEY_CURRENT_USER\\" + scratch.path();

    nlohmann::json Restore(const cli::Args& args, int expectedCode) {
        Captured c;
        EXPECT_EQ(cli::RunRestoreCommand(c.ctx, args), expectedCode) << c.Err();
        return nlohmann::json::parse(c.Out());
    }
};

TEST_F(VerifiedRestore, CompletedPartialAndNotStarted) {
    std::string body = "[" + key + "\\Back]\r\n@=\"default\"\r\n\"n\"=dword:00000007\r\n" +
                       "\"b\"=hex:01,02,\\\r\n  03\r\n\"e\"=hex(2):25,41,25,00\r\n\r\n";
    test::PlantFile(sys, path, "REGEDIT4\r\n\r\n" + body);

    // A dry run only reads.
    auto dry = Restore({"--dry-run", "--json", path}, cli::kExitOk);
    ASSERT_EQ(dry["entries"].size(), 5u);
    for (const auto& e : dry["entries"])
        EXPECT_EQ(e["state"], "missing now");
    EXPECT_FALSE(RegKey(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), scratch.path() + "\\Back")));

    auto done = Restore({"--json", path}, cli::kExitOk);
    EXPECT_EQ(done["keys"], 1);
    EXPECT_EQ(done["values"], 4);
    EXPECT_EQ(done["verified"], 5);
    EXPECT_TRUE(done["failed"].empty());
    EXPECT_FALSE(sys.Exists(path));

    // A volatile key takes no lasting subkey: the editor can bring back only part.
    HKEY vol = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (scratch.path() + "\\Vol").c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &vol, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(vol);
    (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), scratch.path() + "\\Back");
    test::PlantFile(sys, path,
                    "REGEDIT4\r\n\r\n" + body + "[" + key + "\\Vol\\Child]\r\n\"x\"=\"y\"\r\n\r\n");
    auto part = Restore({"--json", path}, cli::kExitFailed);
    EXPECT_EQ(part["keys"], 2);
    EXPECT_EQ(part["verified"], 5);
    ASSERT_EQ(part["failed"].size(), 2u);
    EXPECT_EQ(part["failed"][0]["key"], key + "\\Vol\\Child");
    EXPECT_EQ(part["failed"][1]["value"], "x");
    EXPECT_TRUE(sys.Exists(path)) << "a partial restore keeps its file";

    // An editor that cannot be started replays nothing and keeps the file.
    struct NoStart : Win32System {
        ShellResult ExecuteAndWait(std::string_view verb, std::string_view, std::string_view p,
                                   int show, std::uint32_t timeoutMs) override {
            return Win32System::ExecuteAndWait(verb, "zt-no-such-editor.exe", p, show, timeoutMs);
        }
    } noStart;
    (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), scratch.path() + "\\Back");
    RestoreReport failed = RestoreBackupFile(reg, noStart, path);
    EXPECT_EQ(failed.result, RestoreResult::StartFailed);
    EXPECT_FALSE(RegKey(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), scratch.path() + "\\Back")));
    EXPECT_TRUE(sys.Exists(path));
}

TEST_F(VerifiedRestore, BadFilesAreRefusedAndKept) {
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"empty", "", "damaged at line 1"},
        {"header only", "REGEDIT4\r\n\r\n", "holds no registry entries"},
        {"version 5", std::string("\xff\xfeW\0i\0n\0", 8), "damaged at line 1"},
        {"cut byte list", "REGEDIT4\r\n\r\n[" + key + "\\Cut]\r\n\"b\"=hex:01,02,\\\r\n",
         "damaged at line 4"},
        {"value first", "REGEDIT4\r\n\"v\"=dword:00000001\r\n", "damaged at line 2"},
        {"no such root", "REGEDIT4\r\n[HKEY_ELSEWHERE\\x]\r\n", "damaged at line 2"},
        {"long key", "REGEDIT4\r\n[" + key + "\\" + std::string(300, 'k') + "]\r\n",
         "damaged at line 2"},
    };
    for (const auto& c : cases) {
        test::PlantFile(sys, path, c.text);
        Captured out;
        EXPECT_EQ(cli::RunRestoreCommand(out.ctx, {path}), cli::kExitFailed) << c.what;
        EXPECT_NE(out.Err().find(c.message), std::string::npos) << c.what << ": " << out.Err();
        EXPECT_TRUE(sys.Exists(path)) << c.what;
    }
    EXPECT_FALSE(RegKey(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), scratch.path() + "\\Cut")));

    // Locked by another program, then gone.
    test::PlantFile(sys, path, "REGEDIT4\r\n\r\n[" + key + "\\L]\r\n\r\n");
    HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    auto locked = Restore({"--json", path}, cli::kExitFailed);
    EXPECT_NE(locked["error"].get<std::string>().find("could not be read"), std::string::npos);
    CloseHandle(lock);
    EXPECT_TRUE(sys.Exists(path));
    (void)sys.RemoveFile(path);
    Restore({"--json", path}, cli::kExitFailed);
}

} // namespace
} // namespace zt
