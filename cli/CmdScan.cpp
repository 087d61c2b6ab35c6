// zentrove-cli scan [--json] [--categories LIST]: the registry scan without windows.
#include <nlohmann/json.hpp>

#include <string>

#include "cleaning/CleanPlan.h"
#include "cli/CliContext.h"
#include "cli/CommandOutput.h"
#include "cli/ConsoleText.h"
#include "cli/ScanOptions.h"
#include "scan/FindingId.h"

namespace zt::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: zentrove-cli scan [--json] [--categories LIST]\n"
    "LIST: comma-separated indices 0-12 or names (CheckCLSID, ...)\n";

nlohmann::ordered_json FindingJson(const ScanRow& r) {
    nlohmann::ordered_json evidence = nlohmann::ordered_json::array();
    for (const auto& line : r.evidence)
        evidence.push_back(line);
    return {
        {"no", std::stoi(r.number)},
        {"path", r.path},
        {"root", RootName(r.finding.root)},
        {"keyPath", r.finding.keyPath},
        {"valueName", r.finding.valueName},
        {"kind", r.finding.kind == FindingKind::Key ? "Key" : "Value"},
        {"value", r.valueText},
        {"reason", r.reason},
        {"id", FindingId(r.finding.root, r.finding.keyPath, r.finding.valueName, r.reason)},
        {"evidence", std::move(evidence)},
    };
}

// Newest first, as the scan page lists them.
void PrintFindingsJson(CliContext& ctx, const CollectingScanSink& sink) {
    nlohmann::ordered_json findings = nlohmann::ordered_json::array();
    for (auto it = sink.rows.rbegin(); it != sink.rows.rend(); ++it)
        findings.push_back(FindingJson(*it));
    PrintJson(ctx.out, nlohmann::ordered_json{{"count", sink.count},
                                              {"findings", std::move(findings)},
                                              {"ignored", sink.ignored},
                                              {"format", kScanJsonFormat}});
}

void PrintFindingRows(CliContext& ctx, const CollectingScanSink& sink) {
    for (auto it = sink.rows.rbegin(); it != sink.rows.rend(); ++it)
        Printf(ctx.out, "%s\t%s\t%s\t%s\n", it->number.c_str(), it->path.c_str(),
               it->valueText.c_str(), it->reason.c_str());
    Printf(ctx.out, "%s", FoundItemsLine(sink.count).c_str());
    if (sink.ignored > 0)
        Printf(ctx.out, "%d ignored entries not listed (zentrove-cli ignore list)\n", sink.ignored);
}

} // namespace

int RunScanCommand(CliContext& ctx, const Args& args) {
    ScanOptions options;
    std::string why;
    if (!ParseScanOptions(args, false, options, why)) return UsageError(ctx, "scan", why, kUsage);
    CollectingScanSink sink;
    RunConsoleScan(ctx, options, sink);
    if (options.json)
        PrintFindingsJson(ctx, sink);
    else
        PrintFindingRows(ctx, sink);
    std::fflush(ctx.out);
    return kExitOk;
}

} // namespace zt::cli
