#include "cli/CmdJunk.h"

#include <windows.h>

#include <nlohmann/json.hpp>
#include <vector>

#include "cli/CommandOutput.h"
#include "cli/ConsoleText.h"
#include "cli/IdList.h"
#include "diskclean/JunkCleaning.h"
#include "diskclean/JunkMeasuring.h"
#include "settings/SettingsStore.h"

namespace zt::cli {

namespace {

using Json = nlohmann::ordered_json;

class CollectingSink : public JunkSink {
  public:
    std::vector<JunkMeasurement> results;
    std::vector<PlaceMeasurement> places;
    void OnJunkMeasured(const JunkMeasurement& m) override { results.push_back(m); }
    void OnPlaceMeasured(const PlaceMeasurement& m) override { places.push_back(m); }
};

// What the command line asked for.
struct JunkRequest {
    bool clean = false;
    bool json = false;
    bool yes = false;
    bool placesGiven = false;
    JunkOptions options;
    JunkSelection selection;
};

constexpr std::string_view kUsage =
    "usage: zentrove-cli junk [--json] [--min-age HOURS]\n"
    "       zentrove-cli junk clean [--places ID[,ID...]] [--recycle-bin] [--cookies] "
    "[--user-temp] [--system-temp] [--internet-cache] [--min-age HOURS] [--yes] [--json]\n"
    "ID: a place's id as junk --json lists it; without places, those ticked on the Clean Disk "
    "page\n"
    "--min-age: files changed within HOURS stay (0: none stay; default from the Settings "
    "page)\n";

int Usage(CliContext& ctx, const std::string& why) {
    return UsageError(ctx, "junk", why, kUsage);
}

Json OrNull(bool present, const Json& value) {
    return present ? value : Json(nullptr);
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

// A classic place by its name, or none.
std::optional<JunkItem> ClassicPlace(std::string_view name) {
    for (JunkItem item : kJunkMeasuringOrder)
        if (name == JunkPlaceName(item)) return item;
    return std::nullopt;
}

// Adds one place by id; false for an unknown one.
bool SelectPlace(std::string_view id, JunkSelection& selection) {
    if (auto item = ClassicPlace(id)) {
        selection[*item] = true;
        return true;
    }
    const JunkPlaceRow* row = FindJunkPlace(id);
    if (!row) return false;
    for (const std::string& have : selection.places)
        if (have == row->id) return true;
    selection.places.emplace_back(row->id);
    return true;
}

bool ParsePlaceList(const std::string& list, JunkSelection& selection, std::string& why) {
    for (const std::string& id : SplitAtCommas(list))
        if (!SelectPlace(id, selection)) {
            why = id.empty() ? "--places needs a list of place ids" : "no place '" + id + "'";
            return false;
        }
    return true;
}

// The places ticked on the page, for a clean that names none.
void StoredSelection(CliContext& ctx, JunkSelection& selection) {
    for (const JunkPlaceRow& row : JunkCatalog())
        if (ReadJunkPlaceTicked(ctx.settings, row.id)) selection.places.emplace_back(row.id);
}

// Reads the arguments into `r`; kExitOk, or the usage error already printed.
int ParseRequest(CliContext& ctx, const Args& args, JunkRequest& r) {
    if (!ctx.settings.IsOn(settings::KeepRecentJunk)) r.options.minAgeHours = 0;
    r.clean = !args.empty() && args[0] == "clean";
    for (std::size_t i = r.clean ? 1 : 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string why;
        if (a == "--json") {
            r.json = true;
        } else if (a == "--min-age") {
            if (!ReadMinAge(args, i, r.options))
                return Usage(ctx, "--min-age needs a number of hours");
        } else if (r.clean && a == "--yes") {
            r.yes = true;
        } else if (r.clean && a == "--places") {
            r.placesGiven = true;
            if (!ParsePlaceList(i + 1 < args.size() ? args[++i] : "", r.selection, why))
                return Usage(ctx, why);
        } else if (r.clean && a.starts_with("--") && ClassicPlace(a.substr(2))) {
            r.placesGiven = true;
            r.selection[*ClassicPlace(a.substr(2))] = true;
        } else {
            return Usage(ctx, "unknown option '" + a + "'");
        }
    }
    if (r.clean && !r.placesGiven) StoredSelection(ctx, r.selection);
    if (r.clean && !r.selection.Any()) return Usage(ctx, kJunkNothingSelectedText);
    return kExitOk;
}

Json ClassicJson(const JunkMeasurement& m) {
    const bool counted = m.measured && m.state == JunkFolderState::Ok;
    const char* state = m.state == JunkFolderState::Ok          ? "found"
                        : m.state == JunkFolderState::Protected ? "protected"
                                                                : "not-found";
    return Json{{"id", JunkPlaceName(m.item)},
                {"place", JunkPlaceName(m.item)},
                {"group", JunkGroupName(JunkGroup::Windows)},
                {"bytes", OrNull(counted, m.bytes)},
                {"files", OrNull(counted, m.files)},
                {"state", state},
                {"path", OrNull(m.path.has_value(), m.path.value_or(""))},
                {"available", m.state == JunkFolderState::Ok},
                {"reason", OrNull(!m.reason.empty(), m.reason)},
                {"kept_recent", m.youngKept},
                {"caption", m.caption}};
}

Json PlaceJson(const PlaceMeasurement& m) {
    return Json{{"id", m.row->id},
                {"place", m.row->id},
                {"group", JunkGroupName(m.row->group)},
                {"bytes", m.bytes},
                {"files", m.files},
                {"state", JunkPlaceStateName(m.state)},
                {"label", m.row->label},
                {"machine_wide", m.row->machineWide},
                {"note", OrNull(!m.note.empty(), m.note)},
                {"kept_recent", m.youngKept},
                {"size", m.sizeText}};
}

int Measure(CliContext& ctx, const JunkRequest& r) {
    CollectingSink sink;
    MeasureJunkSizes(ctx.registry, ctx.system, sink, nullptr, r.options);
    if (r.json) {
        Json out = Json::array();
        for (const auto& m : sink.results)
            out.push_back(ClassicJson(m));
        for (const auto& m : sink.places)
            out.push_back(PlaceJson(m));
        Printf(ctx.out, "%s\n", out.dump(2, ' ', false, Json::error_handler_t::replace).c_str());
        return kExitOk;
    }
    for (const auto& m : sink.results) {
        if (m.state == JunkFolderState::Ok)
            Printf(ctx.out, "%s\n", m.caption.c_str());
        else
            Printf(ctx.out, "%s: %s\n", m.caption.c_str(), m.reason.c_str());
    }
    for (const auto& m : sink.places) {
        Printf(ctx.out, "%s [%s] %s: %s\n", std::string(m.row->label).c_str(),
               std::string(m.row->id).c_str(), std::string(JunkGroupName(m.row->group)).c_str(),
               m.sizeText.c_str());
        if (!m.note.empty()) Printf(ctx.out, "  %s\n", m.note.c_str());
    }
    return kExitOk;
}

const char* OutcomeName(JunkPlaceOutcome o) {
    switch (o) {
    case JunkPlaceOutcome::NotTicked:
        return "not-asked";
    case JunkPlaceOutcome::Cleaned:
        return "cleaned";
    case JunkPlaceOutcome::PartlyCleaned:
        return "partly-cleaned";
    case JunkPlaceOutcome::NotCleaned:
        break;
    }
    return "not-cleaned";
}

Json ReportJson(std::string_view id, const JunkPlaceReport& p) {
    return Json{{"id", id},
                {"outcome", OutcomeName(p.outcome)},
                {"bytes", p.tally.bytes},
                {"files", p.tally.files},
                {"files_left", p.tally.filesLeft},
                {"files_in_use", p.tally.filesInUse},
                {"reason", OrNull(!p.reason.empty(), p.reason)}};
}

void PrintCleanJson(CliContext& ctx, const JunkCleanResult& r) {
    Json places = Json::array();
    for (JunkItem item : kJunkMeasuringOrder)
        if (r[item].outcome != JunkPlaceOutcome::NotTicked)
            places.push_back(ReportJson(JunkPlaceName(item), r[item]));
    for (const CatalogPlaceReport& p : r.catalog)
        places.push_back(ReportJson(p.row->id, p));
    Json drives = Json::array();
    for (const DriveChange& d : r.drives) {
        auto gained = d.Gained();
        drives.push_back(
            Json{{"drive", d.root}, {"gained_bytes", OrNull(bool(gained), gained.value_or(0))}});
    }
    Json doc{{"deleted_bytes", r.BytesDeleted()}, {"deleted_files", r.FilesDeleted()},
             {"files_left", r.FilesLeft()},       {"complete", r.Complete()},
             {"drives", std::move(drives)},       {"places", std::move(places)},
             {"message", r.finalMessage}};
    Printf(ctx.out, "%s\n", doc.dump(2, ' ', false, Json::error_handler_t::replace).c_str());
}

int Clean(CliContext& ctx, const JunkRequest& req, const JunkConfirm& confirm) {
    // With --json the final message travels inside the document.
    ConsolePrompt dialogs(req.yes, confirm, req.json ? nullptr : ctx.out);
    JunkCleanResult r =
        CleanJunk(ctx.registry, ctx.system, req.selection, dialogs, {}, 0, req.options);
    if (r.outcome == JunkCleanOutcome::Cancelled) {
        if (dialogs.noTerminal) {
            Printf(ctx.err,
                   "zentrove-cli junk clean: no terminal to confirm on; pass --yes to clean\n");
            return kExitUsage;
        }
        Printf(ctx.err, "zentrove-cli junk clean: cancelled, nothing deleted\n");
        return kExitFailed;
    }
    if (req.json) PrintCleanJson(ctx, r);
    if (!r.Complete()) {
        Printf(ctx.err, "zentrove-cli junk clean: not every place asked for was cleaned\n");
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

int RunJunk(CliContext& ctx, const Args& args, const JunkConfirm& confirm) {
    JunkRequest request;
    if (int code = ParseRequest(ctx, args, request); code != kExitOk) return code;
    return request.clean ? Clean(ctx, request, confirm) : Measure(ctx, request);
}

int RunJunkCommand(CliContext& ctx, const Args& args) {
    return RunJunk(ctx, args, AskOnTerminal);
}

} // namespace zt::cli
