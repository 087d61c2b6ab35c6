#pragma once
// What the Wine suites that plant entries, scan, clean and restore share: the scan of the
// planted entries alone and the registry editor's own export to compare before and after.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "seams/AsciiText.h"
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

} // namespace zt::test
