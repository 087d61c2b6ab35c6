#pragma once
// What `scan` and `clean` share: their options and a sink that keeps the scan's rows.
#include <array>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "scan/ScanEngine.h"

namespace zt::cli {

struct ScanOptions {
    bool json = false;
    bool yes = false;
    bool haveList = false;
    std::array<bool, kScanCategoryCount> chosen{};
};

// Parses "0,3,CheckAppPath" into switches; false with a reason on a bad item.
bool ParseCategories(const std::string& list, std::array<bool, kScanCategoryCount>& on,
                     std::string& why);

// --json, --categories LIST (or =LIST), and --yes when `acceptYes`; false with a reason.
bool ParseScanOptions(const Args& args, bool acceptYes, ScanOptions& options, std::string& why);

// Keeps the rows in the order the scan adds them; the list shows them newest first.
class CollectingScanSink : public ScanSink {
  public:
    void AddFinding(ScanRow row) override { rows.push_back(std::move(row)); }
    void ScanProgress(std::string_view) override {}
    void ScanFinished(const ScanSummary& summary) override {
        count = summary.count;
        ignored = summary.ignored;
    }
    std::vector<ScanRow> rows;
    int count = 0;
    int ignored = 0;
};

// Runs a whole scan with the chosen switches, or the settings' when no list was given; the
// ignore list is always the program's.
void RunConsoleScan(CliContext& ctx, const ScanOptions& options, CollectingScanSink& sink);

} // namespace zt::cli
