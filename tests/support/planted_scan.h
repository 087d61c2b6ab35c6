#pragma once
// What the Wine suites that plant entries, scan, clean and restore share: the scan of the
// planted entries alone and the registry editor's own export to compare before and after.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "cli/CmdClean.h"
#include "seams/AsciiText.h"
#include "seams/Unicode.h"
#include "support/captured_cli.h"
#include "support/win_process.h"

namespace zt::test {

// `scan --json --categories CATEGORIES`, its findings cut down to those whose path holds
// `word` (lower case).
inline nlohmann::json PlantedScan(const std::string& categories, const std::string& word) {
    CapturedCli c;
    EXPECT_EQ(cli::RunScanCommand(c.ctx, {"--json", "--categories", categories}), cli::kExitOk);
    nlohmann::json doc = nlohmann::json::parse(c.Out()), mine = nlohmann::json::array();
    for (const auto& f : doc["findings"])
        if (AsciiLower(f["path"].get<std::string>()).find(word) != std::string::npos)
            mine.push_back(f);
    doc["findings"] = mine;
    return doc;
}

// The findings of `scan` (a `scan --json` document) whose PATH text is one of `paths`, by
// that path.
inline std::map<std::string, nlohmann::json> FindingsAt(const nlohmann::json& scan,
                                                        const std::vector<std::string>& paths) {
    std::map<std::string, nlohmann::json> found;
    for (const auto& f : scan.at("findings"))
        for (const auto& path : paths)
            if (NamesEqual(f.at("path").get<std::string>(), path)) found[path] = f;
    return found;
}

// The registry editor's export of each key (HKEY_... names), one text; the files go into
// `folder`, named after `tag`.
inline std::string RegeditExport(const std::string& folder, const std::string& tag,
                                 const std::vector<std::string>& keys) {
    std::string all;
    int n = 0;
    for (const std::string& key : keys) {
        std::string file = folder + "\\" + tag + std::to_string(++n) + ".reg";
        EXPECT_TRUE(RunAndWait("regedit.exe /e \"" + file + "\" \"" + key + "\"", 60000));
        std::ifstream in(file, std::ios::binary);
        std::string text{std::istreambuf_iterator<char>(in), {}};
        EXPECT_FALSE(text.empty()) << key;
        all += text;
    }
    return all;
}

// Saves `plan` (a `scan --json` document) as `file` and cleans it with `clean --plan --yes
// --json`, which must exit 0; its JSON report, or null when it did not.
inline nlohmann::json CleanPlan(const std::string& file, const nlohmann::json& plan) {
    std::ofstream(file, std::ios::binary) << plan.dump(2);
    CapturedCli clean;
    const int exit = cli::RunClean(clean.ctx, {"--plan", file, "--yes", "--json"},
                                   [](const std::string&) { return true; });
    EXPECT_EQ(exit, cli::kExitOk) << clean.Out() << clean.Err();
    if (exit != cli::kExitOk) return nullptr;
    return nlohmann::json::parse(clean.Out());
}

// `restore` of the backup a cleaning report names; false (and a failure) unless it exits 0.
inline bool RestoreBackupOf(const nlohmann::json& report) {
    if (!report.is_object() || !report["backupFile"].is_string()) {
        ADD_FAILURE() << "no backup file in " << report.dump(1);
        return false;
    }
    CapturedCli restore;
    const int exit = cli::RunRestoreCommand(restore.ctx, {report["backupFile"].get<std::string>()});
    EXPECT_EQ(exit, cli::kExitOk) << restore.Out() << restore.Err();
    return exit == cli::kExitOk;
}

} // namespace zt::test
