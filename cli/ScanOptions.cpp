#include "cli/ScanOptions.h"

#include "cli/IdList.h"
#include "scan/ScanCategories.h"

namespace zt::cli {

namespace {

// An index 0 to 12 or a switch name; false with the reason.
bool ParseCategory(const std::string& item, std::array<bool, kScanCategoryCount>& on,
                   std::string& why) {
    if (item.empty()) {
        why = "empty item in the category list";
        return false;
    }
    if (item.find_first_not_of("0123456789") == std::string::npos) {
        int index = item.size() <= 2 ? std::stoi(item) : kScanCategoryCount;
        if (index >= kScanCategoryCount) {
            why = "category index out of range: " + item;
            return false;
        }
        on[index] = true;
    } else if (auto index = CategoryFromSettingsKey(item)) {
        on[*index] = true;
    } else {
        why = "unknown category: " + item;
        return false;
    }
    return true;
}

} // namespace

bool ParseCategories(const std::string& list, std::array<bool, kScanCategoryCount>& on,
                     std::string& why) {
    on.fill(false);
    for (const std::string& item : SplitAtCommas(list))
        if (!ParseCategory(item, on, why)) return false;
    return true;
}

bool ParseScanOptions(const Args& args, bool acceptYes, ScanOptions& options, std::string& why) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string list;
        if (a == "--json") {
            options.json = true;
            continue;
        }
        if (acceptYes && a == "--yes") {
            options.yes = true;
            continue;
        }
        if (a == "--categories") {
            if (i + 1 >= args.size()) {
                why = "--categories needs a list";
                return false;
            }
            list = args[++i];
        } else if (a.rfind("--categories=", 0) == 0) {
            list = a.substr(13);
        } else {
            why = "unknown argument: " + a;
            return false;
        }
        if (options.haveList) {
            why = "--categories given twice";
            return false;
        }
        if (!ParseCategories(list, options.chosen, why)) return false;
        options.haveList = true;
    }
    return true;
}

void RunConsoleScan(CliContext& ctx, const ScanOptions& options, CollectingScanSink& sink) {
    ScanEngine engine(ctx.registry, ctx.system, sink);
    if (options.haveList) {
        for (int c = 0; c < kScanCategoryCount; ++c)
            engine.categoryEnabled[c] = options.chosen[c];
    } else {
        engine.LoadSwitches(ctx.settings);
    }
    engine.UseIgnoreListOf(&ctx.settings);
    engine.BeginScan();
    engine.RunScan();
}

} // namespace zt::cli
