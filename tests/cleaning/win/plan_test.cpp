// Evidence and ids in `scan --json`, and `clean --plan` / `clean --only` on the real registry:
// a finding made valid after the scan is skipped, bad plans are refused.
#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <map>

#include "backup/BackupStore.h"
#include "cli/CmdClean.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "scan/RunKeys.h"
#include "support/captured_cli.h"
#include "support/seams.h"

namespace zt {
namespace {

using Json = nlohmann::ordered_json;

const std::string kRun(kRunKeyPath);
constexpr const char* kExt =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.zentroveplan";
constexpr const char* kEvent = "AppEvents\\Schemes\\Apps\\.Default\\ZentrovePlanEvent";

struct Result {
    int code;
    std::string out, err;
};

class PlanTest : public ::testing::Test {
  protected:
    Win32Registry reg;
    Win32System sys;
    std::string scratch = test::ScratchFolder(sys);

    void Put(const std::string& path, const std::string& name, const std::string& text,
             std::uint32_t type = kRegSz) {
        RegKey key(reg, reg.CreateKey(RootHandle(kCurrentUser), path));
        ASSERT_TRUE(reg.WriteValue(key.get(), name, type, text.c_str(),
                                   static_cast<std::uint32_t>(text.size() + 1)));
    }
    void SetUp() override {
        for (const auto& b : ListBackups(sys))
            (void)sys.RemoveFile(b.path);
        Put(kRun, "ZentrovePlanRun", "\"" + scratch + "\\gone.exe\" /s");
        Put(kRun, "ZentrovePlanRun2", "C:\\no such folder\\zentrove plan.exe");
        Put(std::string(kExt) + "\\OpenWithList", "a", "zentrove_gone_viewer.exe");
        Put(std::string(kExt) + "\\OpenWithProgids", "Zentrove.GoneProgId", "", kRegNone);
        Put(kEvent + std::string("\\.Current"), "", "%SystemRoot%\\media\\zentrove_gone.wav",
            kRegExpandSz);
    }
    void TearDown() override {
        RegKey run(reg, reg.OpenKeyAllAccess(RootHandle(kCurrentUser), kRun));
        (void)reg.DeleteValue(run.get(), "ZentrovePlanRun");
        (void)reg.DeleteValue(run.get(), "ZentrovePlanRun2");
        (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), kExt);
        (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), kEvent);
    }
    bool RunValueThere(const std::string& name) {
        RegKey run(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), kRun));
        return reg.ReadValueWhole(run.get(), name).has_value();
    }
    static Result Cli(bool clean, const cli::Args& args) {
        test::CapturedCli c;
        int code = clean ? cli::RunClean(c.ctx, args, [](const std::string&) { return true; })
                         : cli::RunScanCommand(c.ctx, args);
        return {code, c.Out(), c.Err()};
    }
    // `scan --json` of the three areas planted in, cut down to the planted findings.
    Json PlantedScan() {
        Result r = Cli(false, {"--json", "--categories", "5,6,7"});
        EXPECT_EQ(r.code, cli::kExitOk) << r.err;
        Json doc = Json::parse(r.out);
        Json mine = Json::array();
        for (auto& f : doc["findings"])
            if (f["path"].get<std::string>().find("entrove") != std::string::npos)
                mine.push_back(f);
        doc["findings"] = mine;
        return doc;
    }
    std::string WritePlan(const std::string& text) {
        std::string path = scratch + "\\plan.json";
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static const Json& ByValue(const Json& doc, const std::string& valueName,
                               const std::string& keyEnd) {
        for (const auto& f : doc["findings"]) {
            std::string key = f["keyPath"];
            if (f["valueName"] == valueName && key.size() >= keyEnd.size() &&
                key.compare(key.size() - keyEnd.size(), keyEnd.size(), keyEnd) == 0)
                return f;
        }
        static const Json none = Json::object();
        ADD_FAILURE() << "no finding " << keyEnd << "\\" << valueName;
        return none;
    }
    static bool HasLine(const Json& f, const std::string& line) {
        for (const auto& l : f.value("evidence", Json::array()))
            if (l == line) return true;
        ADD_FAILURE() << "no evidence line '" << line << "' in " << f.dump(1);
        return false;
    }
};

TEST_F(PlanTest, EvidenceOfEachAreaAndIdsEqualAcrossScans) {
    Json first = PlantedScan();
    ASSERT_EQ(first["findings"].size(), 5u) << first.dump(1);
    EXPECT_EQ(first["format"], "zentrove-scan-1");
    const Json& run = ByValue(first, "ZentrovePlanRun", "Run");
    // Every earlier field in its place, then the id and the evidence.
    std::vector<std::string> keys;
    for (auto it = run.begin(); it != run.end(); ++it)
        keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"no", "path", "root", "keyPath", "valueName", "kind",
                                              "value", "reason", "id", "evidence"}));
    HasLine(run, "text as found: \"" + scratch + "\\gone.exe\" /s");
    HasLine(run, "path checked: " + scratch + "\\gone.exe\" /s");
    HasLine(run, "file looked for: " + scratch + "\\gone.exe: not found");
    const Json& app = ByValue(first, "a", "OpenWithList");
    HasLine(app, "App Paths key looked for: HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                 "App Paths\\zentrove_gone_viewer.exe: not found");
    HasLine(app, "program search: zentrove_gone_viewer.exe: not found");
    HasLine(ByValue(first, "", "OpenWithProgids"),
            "class key looked for: HKCR\\Zentrove.GoneProgId: not found");
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    HasLine(ByValue(first, "", ".Current"),
            std::string("path checked: ") + windows + "\\media\\zentrove_gone.wav");

    Json second = PlantedScan();
    std::map<std::string, std::string> ids;
    for (const auto& f : first["findings"])
        ids[f["path"]] = f["id"];
    for (const auto& f : second["findings"])
        EXPECT_EQ(ids[f["path"]], f["id"]) << f["path"];
    EXPECT_EQ(ids.size(), 5u); // five different ids
}

TEST_F(PlanTest, PlanSkipsTheFindingMadeValidAndBacksUpExactlyTheOthers) {
    std::string plan = WritePlan(PlantedScan().dump(2));
    test::PlantFile(sys, scratch + "\\gone.exe"); // the program came back meanwhile
    Result r = Cli(true, {"--plan", plan, "--yes", "--json"});
    ASSERT_EQ(r.code, cli::kExitFailed) << r.out << r.err; // one was not cleaned
    Json doc = Json::parse(r.out);
    EXPECT_EQ(doc["cleaned"], 4);
    ASSERT_EQ(doc["skipped"].size(), 1u);
    EXPECT_EQ(doc["skipped"][0]["valueName"], "ZentrovePlanRun");
    EXPECT_EQ(doc["skipped"][0]["reason"], "skipped: no longer invalid");
    EXPECT_TRUE(RunValueThere("ZentrovePlanRun"));
    EXPECT_FALSE(RunValueThere("ZentrovePlanRun2"));
    auto backups = ListBackups(sys);
    ASSERT_EQ(backups.size(), 1u);
    std::ifstream in(backups[0].path, std::ios::binary);
    std::string backup((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* cleaned : {"\"ZentrovePlanRun2\"=", "zentrove_gone_viewer.exe",
                                "\"Zentrove.GoneProgId\"=", "ZentrovePlanEvent\\.Current]"})
        EXPECT_NE(backup.find(cleaned), std::string::npos) << cleaned << "\n" << backup;
    EXPECT_EQ(backup.find("\"ZentrovePlanRun\"="), std::string::npos) << backup;
    // The same plan again: what is gone is no longer invalid either; the console says so.
    r = Cli(true, {"--plan", plan, "--yes"});
    EXPECT_EQ(r.code, cli::kExitFailed);
    EXPECT_NE(r.out.find("Run\\ZentrovePlanRun2\tskipped: no longer invalid\n"), std::string::npos)
        << r.out;
}

TEST_F(PlanTest, BadPlansAndIdsAreRefusedAndNothingIsDeleted) {
    Json good = PlantedScan();
    std::string text = good.dump(2);
    Json noId = good, otherFormat = good, wrongId = good;
    noId["findings"][1].erase("id");
    otherFormat["format"] = "zentrove-scan-0";
    std::string id = good["findings"][0]["id"];
    wrongId["findings"][0]["keyPath"] = "Software\\Elsewhere";
    const std::pair<std::string, const char*> refused[] = {
        {"", "the plan is empty"},
        {"not json at all", "not JSON or is cut short"},
        {text.substr(0, text.size() / 2), "not JSON or is cut short"},
        {"[]", "not a saved scan --json of this version"},
        {otherFormat.dump(), "not a saved scan --json of this version"},
        {noId.dump(), "finding 2 of the plan has no id"},
    };
    for (const auto& [plan, message] : refused) {
        Result r = Cli(true, {"--plan", WritePlan(plan), "--yes"});
        EXPECT_EQ(r.code, cli::kExitUsage) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << message;
    }
    EXPECT_EQ(Cli(true, {"--plan", scratch + "\\missing.json", "--yes"}).code, cli::kExitUsage);
    EXPECT_EQ(Cli(true, {"--only", "12345", "--yes"}).code, cli::kExitUsage);
    EXPECT_EQ(Cli(true, {"--only", id, "--plan", "x", "--yes"}).code, cli::kExitUsage);
    EXPECT_TRUE(RunValueThere("ZentrovePlanRun"));
    EXPECT_TRUE(ListBackups(sys).empty());

    // Per id: one that is not its entry's, one no fresh scan finds; the rest is cleaned.
    Result r = Cli(true, {"--plan", WritePlan(wrongId.dump()), "--yes"});
    EXPECT_EQ(r.code, cli::kExitFailed);
    EXPECT_NE(r.out.find(id + "\tnot cleaned: does not match its entry in the plan"),
              std::string::npos)
        << r.out;
    r = Cli(true, {"--only", "0123456789abcdef," + id, "--categories", "5,6,7", "--yes"});
    EXPECT_EQ(r.code, cli::kExitFailed);
    EXPECT_NE(r.out.find("0123456789abcdef\tnot cleaned: not found by a fresh scan"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Total 1 items cleaned successfully!"), std::string::npos) << r.out;
}

} // namespace
} // namespace zt
