// zentrove-cli scan [--json] [--categories LIST]: the registry scan without windows.
#include <windows.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "engine/ScanEngine.h"

namespace zt::cli {

namespace {

// Keeps the rows in the order the scan adds them; the list shows them newest first.
class CollectingSink : public ScanSink {
public:
    void AddFinding(ScanRow row) override { rows.push_back(std::move(row)); }
    void SetStatus(std::string_view) override {}
    void EnableClean(bool) override {}
    void SetScanCaption(std::string_view) override {}
    void RefreshCheckAll() override {}
    void ScanFinished(int n, std::string_view) override { count = n; }

    std::vector<ScanRow> rows;
    int count = 0;
};

// Registry text is in the ANSI code page; JSON wants UTF-8.
std::string ToUtf8(const std::string& ansi) {
    if (ansi.empty()) return ansi;
    int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (wide <= 0) return ansi;
    std::wstring w(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), w.data(), wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return ansi;
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), bytes, nullptr, nullptr);
    return out;
}

int UsageError(CliContext& ctx, const std::string& why) {
    std::fprintf(ctx.err, "zentrove-cli scan: %s\nusage: zentrove-cli scan [--json] [--categories LIST]\n"
                          "LIST: comma-separated indices 0-12 or names (CheckCLSID, ...)\n",
                 why.c_str());
    return kExitUsage;
}

// Parses "0,3,CheckAppPath" into switches; false with a reason on a bad item.
bool ParseCategories(const std::string& list, std::array<bool, kScanCategoryCount>& on,
                     std::string& why) {
    on.fill(false);
    std::size_t pos = 0;
    for (;;) {
        auto comma = list.find(',', pos);
        std::string item = list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
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
        if (comma == std::string::npos) return true;
        pos = comma + 1;
    }
}

std::string RootName(RootKey root) {
    std::string name(RootAbbreviation(root));
    if (!name.empty() && name.back() == '\\') name.pop_back();
    return name;
}

}  // namespace

int RunScanCommand(CliContext& ctx, const Args& args) {
    bool json = false;
    bool haveList = false;
    std::array<bool, kScanCategoryCount> chosen{};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string list;
        if (a == "--json") {
            json = true;
            continue;
        }
        if (a == "--categories") {
            if (i + 1 >= args.size()) return UsageError(ctx, "--categories needs a list");
            list = args[++i];
        } else if (a.rfind("--categories=", 0) == 0) {
            list = a.substr(13);
        } else {
            return UsageError(ctx, "unknown argument: " + a);
        }
        if (haveList) return UsageError(ctx, "--categories given twice");
        std::string why;
        if (!ParseCategories(list, chosen, why)) return UsageError(ctx, why);
        haveList = true;
    }

    CollectingSink sink;
    ScanEngine engine(ctx.registry, ctx.system, sink);
    if (haveList) {
        for (int c = 0; c < kScanCategoryCount; ++c) engine.categoryEnabled[c] = chosen[c];
    } else {
        engine.LoadSwitches(ctx.settings);
    }
    engine.BeginScan();
    engine.RunScan();

    if (json) {
        nlohmann::ordered_json findings = nlohmann::ordered_json::array();
        for (auto it = sink.rows.rbegin(); it != sink.rows.rend(); ++it) {
            const auto& r = *it;
            findings.push_back({
                {"no", std::stoi(r.number)},
                {"path", ToUtf8(r.path)},
                {"root", RootName(r.finding.root)},
                {"keyPath", ToUtf8(r.finding.keyPath)},
                {"valueName", ToUtf8(r.finding.valueName)},
                {"kind", r.finding.kind == FindingKind::Key ? "Key" : "Value"},
                {"value", ToUtf8(r.valueText)},
                {"reason", r.reason},
            });
        }
        nlohmann::ordered_json doc = {{"count", sink.count}, {"findings", std::move(findings)}};
        std::string text = doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        std::fprintf(ctx.out, "%s\n", text.c_str());
    } else {
        for (auto it = sink.rows.rbegin(); it != sink.rows.rend(); ++it)
            std::fprintf(ctx.out, "%s\t%s\t%s\t%s\n", it->number.c_str(), it->path.c_str(),
                         it->valueText.c_str(), it->reason.c_str());
        std::fprintf(ctx.out, "%d invalid items found in the registry:\n", sink.count);
    }
    std::fflush(ctx.out);
    return kExitOk;
}

}  // namespace zt::cli
