#include "cli/CmdJunk.h"

#include <windows.h>

#include <cstring>
#include <nlohmann/json.hpp>
#include <vector>

#include "diskclean/JunkCleaning.h"
#include "diskclean/JunkMeasuring.h"

namespace zt::cli {

namespace {

class CollectingSink : public JunkSink {
  public:
    std::vector<JunkMeasurement> results;
    void OnJunkMeasured(const JunkMeasurement& m) override { results.push_back(m); }
};

int Usage(CliContext& ctx, const std::string& why) {
    std::fprintf(ctx.err, "zentrove-cli junk: %s\n", why.c_str());
    std::fprintf(ctx.err,
                 "usage: zentrove-cli junk [--json]\n"
                 "       zentrove-cli junk clean [--recycle-bin] [--cookies] [--user-temp] "
                 "[--system-temp] [--internet-cache] [--yes]\n");
    return kExitUsage;
}

int Measure(CliContext& ctx, bool json) {
    CollectingSink sink;
    MeasureJunkSizes(ctx.registry, ctx.system, sink);
    if (!json) {
        for (const auto& m : sink.results)
            std::fprintf(ctx.out, "%s\n", m.caption.c_str());
        return kExitOk;
    }
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (const auto& m : sink.results) {
        nlohmann::ordered_json row;
        row["place"] = std::string(JunkPlaceName(m.item));
        row["path"] = m.path ? nlohmann::ordered_json(*m.path) : nlohmann::ordered_json(nullptr);
        row["bytes"] =
            m.measured ? nlohmann::ordered_json(m.bytes) : nlohmann::ordered_json(nullptr);
        row["caption"] = m.caption;
        out.push_back(std::move(row));
    }
    std::fprintf(ctx.out, "%s\n", out.dump(2).c_str());
    return kExitOk;
}

int Clean(CliContext& ctx, const Args& args, const JunkConfirm& confirm) {
    JunkSelection selection;
    bool yes = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--yes") {
            yes = true;
            continue;
        }
        bool known = false;
        for (JunkItem item : kJunkMeasuringOrder) {
            if (a == "--" + std::string(JunkPlaceName(item))) {
                selection[item] = true;
                known = true;
            }
        }
        if (!known) return Usage(ctx, "unknown option '" + a + "'");
    }
    if (!selection.Any()) return Usage(ctx, kJunkNothingSelectedText);

    ConsolePrompt dialogs(yes, confirm, ctx.out);
    JunkCleanResult r = CleanJunk(ctx.registry, ctx.system, selection, dialogs);
    if (r.outcome == JunkCleanOutcome::Cancelled) {
        if (dialogs.noTerminal) {
            std::fprintf(
                ctx.err,
                "zentrove-cli junk clean: no terminal to confirm on; pass --yes to clean\n");
            return kExitUsage;
        }
        std::fprintf(ctx.err, "zentrove-cli junk clean: cancelled, nothing deleted\n");
        return kExitFailed;
    }
    for (JunkItem item : kJunkMeasuringOrder)
        if (r.skipped[static_cast<std::size_t>(item)])
            std::fprintf(ctx.err,
                         "zentrove-cli junk clean: %s skipped: its folder is unknown or refused\n",
                         std::string(JunkPlaceName(item)).c_str());
    // The final message (printed above) says that files stayed, and why when it is known.
    return r.AllDeleted() ? kExitOk : kExitFailed;
}

} // namespace

int RunJunk(CliContext& ctx, const Args& args, const JunkConfirm& confirm) {
    if (!args.empty() && args[0] == "clean") return Clean(ctx, args, confirm);
    bool json = false;
    for (const auto& a : args) {
        if (a == "--json")
            json = true;
        else
            return Usage(ctx, "unknown option '" + a + "'");
    }
    return Measure(ctx, json);
}

int RunJunkCommand(CliContext& ctx, const Args& args) {
    return RunJunk(ctx, args, AskOnTerminal);
}

} // namespace zt::cli
