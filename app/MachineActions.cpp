#include "app/MachineActions.h"

#include <shellapi.h>

#include <nlohmann/json.hpp>

#include "cleaning/MachinePart.h"
#include "seams/Unicode.h"
#include "startup/StartupLocations.h"

namespace zt {

bool IsMachineWide(const StartupEntry& entry) {
    switch (entry.kind) {
    case StartupEntryKind::Service:
    case StartupEntryKind::Driver:
        return true;
    case StartupEntryKind::ScheduledTask:
    case StartupEntryKind::PackagedTask:
        return false;
    default:
        return StartsWithNoCase(entry.location, "HKLM\\") ||
               entry.location == kCommonStartupLocation;
    }
}

bool NeedsHelper(System& sys, const StartupEntry& entry) {
    return IsMachineWide(entry) && !sys.IsElevated();
}

const HelperRowOutcome* HelperOutcome::Find(std::string_view id) const {
    for (const HelperRowOutcome& row : rows)
        if (row.id == id) return &row;
    return nullptr;
}

HICON LoadShieldIcon() {
    SHSTOCKICONINFO info{};
    info.cbSize = sizeof info;
    if (SUCCEEDED(::SHGetStockIconInfo(SIID_SHIELD, SHGSI_ICON | SHGSI_SMALLICON, &info)) &&
        info.hIcon)
        return info.hIcon;
    // Older shells: the system's shared shield, copied so the caller may free it.
    HICON shared = static_cast<HICON>(::LoadImageW(nullptr, MAKEINTRESOURCEW(32518), IMAGE_ICON, 0,
                                                   0, LR_SHARED | LR_DEFAULTSIZE));
    return shared ? ::CopyIcon(shared) : nullptr;
}

HelperOutcome RunStartupHelper(System& sys, std::string_view verb,
                               const std::vector<std::string>& ids, const std::atomic<bool>* stop) {
    std::string list;
    for (const std::string& id : ids)
        list += (list.empty() ? "" : ",") + id;
    // Only a deletion asks for consent; the switches take no --yes.
    // A deletion's backup goes to the user's folder, whoever the helper runs as.
    std::string command =
        "startup " + std::string(verb) + " --id " + list +
        (verb == "delete" ? " --yes --json --backup-folder " + QuotedArgument(GetBackupFolder(sys))
                          : std::string(" --json"));
    HelperOutcome out;
    std::string whyNot;
    auto text = RunHelperForResult(sys, command, stop, whyNot);
    nlohmann::json report;
    if (text) report = nlohmann::json::parse(*text, nullptr, false);
    if (!report.is_array()) {
        out.note = "The machine-wide entries were left as they were: " +
                   (text ? std::string("the helper's result could not be read") : whyNot) + ".";
        return out;
    }
    for (const auto& row : report) {
        if (!row.is_object()) continue;
        out.rows.push_back({row.value("id", std::string()), row.value("done", false),
                            row.value("message", std::string())});
    }
    return out;
}

std::vector<std::string> TakeMachinePlaces(System& sys, JunkSelection& selection) {
    std::vector<std::string> ids;
    if (sys.IsElevated()) return ids;
    if (selection[JunkItem::SystemTemp]) {
        selection[JunkItem::SystemTemp] = false;
        ids.emplace_back(JunkPlaceName(JunkItem::SystemTemp));
    }
    std::erase_if(selection.places, [&ids](const std::string& id) {
        const JunkPlaceRow* row = FindJunkPlace(id);
        if (!row || !row->machineWide) return false;
        ids.push_back(id);
        return true;
    });
    return ids;
}

namespace {

// The report of the place `id` in `into`, made when it has none.
JunkPlaceReport& ReportOf(JunkCleanResult& into, const std::string& id) {
    if (id == JunkPlaceName(JunkItem::SystemTemp))
        return into.places[static_cast<std::size_t>(JunkItem::SystemTemp)];
    for (CatalogPlaceReport& p : into.catalog)
        if (p.row && p.row->id == id) return p;
    CatalogPlaceReport& added = into.catalog.emplace_back();
    added.row = FindJunkPlace(id);
    return added;
}

JunkPlaceOutcome OutcomeNamed(const std::string& name) {
    if (name == "cleaned") return JunkPlaceOutcome::Cleaned;
    if (name == "partly-cleaned") return JunkPlaceOutcome::PartlyCleaned;
    return JunkPlaceOutcome::NotCleaned;
}

void AddDriveGain(JunkCleanResult& into, const std::string& root, std::int64_t gained) {
    for (DriveChange& d : into.drives)
        if (NamesEqual(d.root, root)) {
            if (d.after) *d.after += static_cast<std::uint64_t>(gained);
            return;
        }
    DriveChange& d = into.drives.emplace_back();
    d.root = root;
    d.before = gained < 0 ? static_cast<std::uint64_t>(-gained) : 0;
    d.after = gained < 0 ? 0 : static_cast<std::uint64_t>(gained);
}

} // namespace

void CleanPlacesWithHelper(System& sys, const std::vector<std::string>& ids,
                           const JunkOptions& options, const std::atomic<bool>* stop,
                           JunkCleanResult& into) {
    std::string list;
    for (const std::string& id : ids)
        list += (list.empty() ? "" : ",") + id;
    std::string whyNot;
    auto text = RunHelperForResult(sys,
                                   "junk clean --places " + list + " --min-age " +
                                       std::to_string(options.minAgeHours) + " --yes --json",
                                   stop, whyNot);
    nlohmann::json doc;
    if (text) doc = nlohmann::json::parse(*text, nullptr, false);
    if (!doc.is_object() || !doc["places"].is_array()) {
        if (text) whyNot = "the helper's result could not be read";
        for (const std::string& id : ids) {
            JunkPlaceReport& r = ReportOf(into, id);
            r.outcome = JunkPlaceOutcome::NotCleaned;
            r.reason = "needs administrator rights: " + whyNot;
        }
        return;
    }
    for (const auto& place : doc["places"]) {
        if (!place.is_object()) continue;
        JunkPlaceReport& r = ReportOf(into, place.value("id", std::string()));
        r.outcome = OutcomeNamed(place.value("outcome", std::string()));
        r.reason = place["reason"].is_string() ? place["reason"].get<std::string>() : "";
        r.tally.bytes = place.value("bytes", std::uint64_t{0});
        r.tally.files = place.value("files", std::uint64_t{0});
        r.tally.filesLeft = place.value("files_left", std::uint64_t{0});
        r.tally.filesInUse = place.value("files_in_use", std::uint64_t{0});
    }
    for (const auto& d : doc.value("drives", nlohmann::json::array()))
        if (d.is_object() && d["gained_bytes"].is_number())
            AddDriveGain(into, d.value("drive", std::string()),
                         d["gained_bytes"].get<std::int64_t>());
}

} // namespace zt
