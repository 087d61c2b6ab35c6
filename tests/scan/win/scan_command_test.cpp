// zentrove-cli scan on the real registry with the demo fixture.
#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

#include "scan/ScanCategories.h"
#include "cli/CliContext.h"
#include "scan/ScanFinding.h"
#include "support/win_process.h"

namespace zt::cli {
namespace {

bool ImportFixture(const char* name) {
    return test::ImportRegFile(test::FixturePath(name));
}

class ScanCommandTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(ImportFixture("demo.reg")); }
    static void TearDownTestSuite() { ImportFixture("scan-demo-removal.reg"); }

    int Run(const Args& args) {
        out = std::tmpfile();
        err = std::tmpfile();
        CliContext ctx;
        ctx.out = out;
        ctx.err = err;
        int rc = RunScanCommand(ctx, args);
        outText = test::ReadAllFrom(out);
        errText = test::ReadAllFrom(err);
        std::fclose(out);
        std::fclose(err);
        return rc;
    }
    void TearDown() override {
        // The switches of the windowed program are left as a fresh profile has them.
        CliContext ctx;
        (void)ctx.registry.DeleteKeyTree(RootHandle(kCurrentUser), ctx.settings.KeyPath());
    }

    std::FILE* out = nullptr;
    std::FILE* err = nullptr;
    std::string outText, errText;
};

TEST_F(ScanCommandTest, JsonListsThePlantedEntriesNewestFirst) {
    ASSERT_EQ(Run({"--json", "--categories", "0,1,CheckSharedDlls,checkapppath"}), kExitOk)
        << errText;
    auto doc = nlohmann::json::parse(outText);
    const auto& findings = doc.at("findings");
    ASSERT_EQ(doc.at("count").get<int>(), static_cast<int>(findings.size()));
    ASSERT_FALSE(findings.empty());
    int previous = static_cast<int>(findings.size()) + 1;
    for (const auto& f : findings) {
        EXPECT_EQ(f.at("no").get<int>(), previous - 1);
        previous = f.at("no").get<int>();
        EXPECT_EQ(f.at("path").get<std::string>().find("Keepwell"), std::string::npos);
    }
    auto find = [&](const std::string& path) -> const nlohmann::json* {
        for (const auto& f : findings)
            if (f.at("path") == path) return &f;
        return nullptr;
    };
    const auto* inproc =
        find("HKCR\\CLSID\\{D1F7A5E0-0001-4A6B-9C3D-5E2F1A0B7C01}\\InprocServer32\\");
    ASSERT_TRUE(inproc);
    EXPECT_EQ(inproc->at("root"), "HKCR");
    EXPECT_EQ(inproc->at("keyPath"),
              "CLSID\\{D1F7A5E0-0001-4A6B-9C3D-5E2F1A0B7C01}\\InprocServer32");
    EXPECT_EQ(inproc->at("valueName"), "");
    EXPECT_EQ(inproc->at("kind"), "Value");
    EXPECT_EQ(inproc->at("value"), "C:\\Program Files\\Driftly\\driftshell.dll");
    EXPECT_EQ(inproc->at("reason"), "Missing File");
    const auto* empty = find("HKCR\\Driftly.Document\\shell\\print\\command\\");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->at("kind"), "Key");
    EXPECT_EQ(empty->at("value"), "[None]");
    const auto* dll =
        find("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls\\C:\\Program "
             "Files\\Common Files\\Driftly\\driftcore.dll");
    ASSERT_TRUE(dll);
    EXPECT_EQ(dll->at("root"), "HKLM");
    EXPECT_EQ(dll->at("valueName"), "C:\\Program Files\\Common Files\\Driftly\\driftcore.dll");
    EXPECT_EQ(dll->at("value"), "3");
    EXPECT_TRUE(
        find("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\driftly.exe\\"));
    // Areas not asked for are not walked.
    for (const auto& f : findings)
        EXPECT_NE(f.at("reason"), "Invalid File");
}

TEST_F(ScanCommandTest, TextLinesThenTheCountLine) {
    ASSERT_EQ(Run({"--categories", "12"}), kExitOk);
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < outText.size();) {
        auto end = outText.find('\n', pos);
        lines.push_back(outText.substr(pos, end - pos));
        pos = end + 1;
    }
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.back(),
              std::to_string(lines.size() - 1) + " invalid items found in the registry:");
    EXPECT_EQ(lines[0].substr(0, lines[0].find('\t')), std::to_string(lines.size() - 1));
    bool codec = false;
    for (const auto& l : lines)
        codec |= l == std::to_string(std::stoi(l)) +
                          "\tHKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
                          "\\Drivers32\\msacm.driftcodec\tdriftcodec.acm\t"
                          "Invalid System Driver";
    EXPECT_TRUE(codec) << outText;
}

TEST_F(ScanCommandTest, SwitchesComeFromTheSettingsWithoutAList) {
    {
        CliContext ctx;
        for (int i = 0; i < kScanCategoryCount; ++i)
            EXPECT_TRUE(ctx.settings.WriteInt(kScanCategories[i].settingsKey, 0));
        EXPECT_TRUE(ctx.settings.WriteInt("CheckHelpSection", 1));
    }
    ASSERT_EQ(Run({"--json"}), kExitOk);
    auto doc = nlohmann::json::parse(outText);
    ASSERT_GE(doc.at("count").get<int>(), 2);
    for (const auto& f : doc.at("findings"))
        EXPECT_EQ(f.at("reason"), "Invalid Path") << f.dump();

    {
        CliContext ctx;
        EXPECT_TRUE(ctx.settings.WriteInt("CheckHelpSection", 0));
    }
    ASSERT_EQ(Run({}), kExitOk);
    EXPECT_EQ(outText, "0 invalid items found in the registry:\n");
}

TEST_F(ScanCommandTest, UsageErrors) {
    for (const Args& args :
         {Args{"--categories"}, Args{"--categories", "17"}, Args{"--categories", "1,,2"},
          Args{"--categories", "CheckNothing"}, Args{"--categories", "-1"}, Args{"--verbose"},
          Args{"--categories", "1", "--categories", "2"}, Args{"--categories", ""}}) {
        EXPECT_EQ(Run(args), kExitUsage) << args.size();
        EXPECT_TRUE(outText.empty());
        EXPECT_NE(errText.find("usage: zentrove-cli scan"), std::string::npos);
    }
}

} // namespace
} // namespace zt::cli
