#include "cli/CmdJunk.h"

#include <windows.h>

#include <cstring>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/ConsoleText.h"
#include "diskclean/JunkCleaning.h"
#include "diskclean/JunkMeasuring.h"
#include "settings/SettingsStore.h"

namespace zt::cli {

namespace {

class CollectingSink : public JunkSink {
  public:
    std::vector<JunkMeasurement> results;
    void OnJunkMeasured(const JunkMeasurement& m) override { results.push_back(m); }
};

int Usage(CliContext& ctx, const std::string& why) {
    Printf(ctx.err, "zentrove-cli junk: %s\n", why.c_str());
    Printf(ctx.err, "usage: zentrove-cli junk [--json] [--min-age HOURS]\n"
                    "       zentrove-cli junk clean [--recycle-bin] [--cookies] [--user-temp] "
                    "[--system-temp] [--internet-cache] [--min-age HOURS] [--yes]\n"
                    "--min-age: files in the temporary folders changed within HOURS stay "
                    "(0: none stay; default from the Settings page)\n");
    return kExitUsage;
}

// "--min-age HOURS" at args[i]: consumes the number. False when it is not one.
bool ReadMinAge(const Args& args, std::size_t& i, JunkOptions& options) {
    if (i + 1 >= args.size()) return false;
    const std::string& n = args[++i];
    if (n.empty() || n.size() > 6 || n.find_first_not_of("0123456789") != std::string::npos)
        return false;
    options.minAgeHours = std::stoi(n);
    return true;
}

JunkOptions StoredOptions(CliContext& ctx) {
    JunkOptions options;
    if (!ctx.settings.IsOn(settings::KeepRecentJunk)) options.minAgeHours = 0;
    return options;
}

int Measure(CliContext& ctx, bool json, const JunkOptions& options) {
    CollectingSink sink;
    MeasureJunkSizes(ctx.registry, ctx.system, sink, nullptr, options);
    if (!json) {
        for (const auto& m : sink.results) {
            if (m.state == JunkFolderState::Ok)
                Printf(ctx.out, "%s\n", m.caption.c_str());
            else
                Printf(ctx.out, "%s: %s\n", m.caption.c_str(), m.reason.c_str());
        }
        return kExitOk;
    }
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (const auto& m : sink.results) {
        nlohmann::ordered_json row;
        row["place"] = std::string(JunkPlaceName(m.item));
        row["path"] = m.path ? nlohmann::ordered_json(*m.path) : nlohmann::ordered_json(nullptr);
        bool counted = m.measured && m.state == JunkFolderState::Ok;
        row["available"] = m.state == JunkFolderState::Ok;
        row["reason"] =
            m.reason.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(m.reason);
        row["bytes"] = counted ? nlohmann::ordered_json(m.bytes) : nlohmann::ordered_json(nullptr);
        row["files"] = counted ? nlohmann::ordered_json(m.files) : nlohmann::ordered_json(nullptr);
        row["kept_recent"] = m.youngKept;
        row["caption"] = m.caption;
        out.push_back(std::move(row));
    }
    Printf(ctx.out, "%s\n",
           out.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    return kExitOk;
}

int Clean(CliContext& ctx, const Args& args, const JunkConfirm& confirm) {
    JunkSelection selection;
    JunkOptions options = StoredOptions(ctx);
    bool yes = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--yes") {
            yes = true;
            continue;
        }
        if (a == "--min-age") {
            if (!ReadMinAge(args, i, options))
                return Usage(ctx, "--min-age needs a number of hours");
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
    JunkCleanResult r = CleanJunk(ctx.registry, ctx.system, selection, dialogs, {}, 0, options);
    if (r.outcome == JunkCleanOutcome::Cancelled) {
        if (dialogs.noTerminal) {
            Printf(ctx.err,
                   "zentrove-cli junk clean: no terminal to confirm on; pass --yes to clean\n");
            return kExitUsage;
        }
        Printf(ctx.err, "zentrove-cli junk clean: cancelled, nothing deleted\n");
        return kExitFailed;
    }
    if (!r.Complete()) {
        Printf(ctx.err, "zentrove-cli junk clean: not every place asked for was cleaned\n");
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

int RunJunk(CliContext& ctx, const Args& args, const JunkConfirm& confirm) {
    if (!args.empty() && args[0] == "clean") return Clean(ctx, args, confirm);
    bool json = false;
    JunkOptions options = StoredOptions(ctx);
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json")
            json = true;
        else if (args[i] == "--min-age") {
            if (!ReadMinAge(args, i, options))
                return Usage(ctx, "--min-age needs a number of hours");
        } else
            return Usage(ctx, "unknown option '" + args[i] + "'");
    }
    return Measure(ctx, json, options);
}

int RunJunkCommand(CliContext& ctx, const Args& args) {
    return RunJunk(ctx, args, AskOnTerminal);
}

} // namespace zt::cli
