// zentrove-cli scan [--json] [--categories LIST]: the registry scan without windows.
#include <windows.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "cleaning/CleanPlan.h"
#include "cli/CliContext.h"
#include "cli/ConsoleText.h"
#include "cli/ScanOptions.h"
#include "scan/FindingId.h"

namespace zt::cli {

namespace {

int UsageError(CliContext& ctx, const std::string& why) {
    Printf(ctx.err,
           "zentrove-cli scan: %s\nusage: zentrove-cli scan [--json] [--categories LIST]\n"
           "LIST: comma-separated indices 0-12 or names (CheckCLSID, ...)\n",
           why.c_str());
    return kExitUsage;
}

std::string RootName(RootKey root) {
    std::string name(RootAbbreviation(root));
    if (!name.empty() && name.back() == '\\') name.pop_back();
    return name;
}

} // namespace

int RunScanCommand(CliContext& ctx, const Args& args) {
    ScanOptions options;
    std::string why;
    if (!ParseScanOptions(args, false, options, why)) return UsageError(ctx, why);
    const bool json = options.json;
    CollectingScanSink sink;
    RunConsoleScan(ctx, options, sink);

    if (json) {
        nlohmann::ordered_json findings = nlohmann::ordered_json::array();
        for (auto it = sink.rows.rbegin(); it != sink.rows.rend(); ++it) {
            const auto& r = *it;
            nlohmann::ordered_json evidence = nlohmann::ordered_json::array();
            for (const auto& line : r.evidence)
                evidence.push_back(line);
            findings.push_back({
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
            });
        }
        nlohmann::ordered_json doc = {{"count", sink.count},
                                      {"findings", std::move(findings)},
                                      {"ignored", sink.ignored},
                                      {"format", kScanJsonFormat}};
        std::string text =
            doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        Printf(ctx.out, "%s\n", text.c_str());
    } else {
        for (auto it = sink.rows.rbegin(); it != sink.rows.rend(); ++it)
            Printf(ctx.out, "%s\t%s\t%s\t%s\n", it->number.c_str(), it->path.c_str(),
                   it->valueText.c_str(), it->reason.c_str());
        Printf(ctx.out, "%s", FoundItemsLine(sink.count).c_str());
        if (sink.ignored > 0)
            Printf(ctx.out, "%d ignored entries not listed (zentrove-cli ignore list)\n",
                   sink.ignored);
    }
    std::fflush(ctx.out);
    return kExitOk;
}

} // namespace zt::cli
