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
    std::string command = "startup " + std::string(verb) + " --id " + list +
                          (verb == "delete" ? " --yes --json" : " --json");
    HelperOutcome out;
    std::string whyNot;
    auto text = RunHelperForResult(sys, command, stop, whyNot);
    nlohmann::json report;
    // A deletion names its backup file on a line before the report.
    if (text) {
        std::size_t at = text->rfind("\n[");
        at = text->compare(0, 1, "[") == 0 || at == std::string::npos ? 0 : at + 1;
        report = nlohmann::json::parse(text->substr(at), nullptr, false);
    }
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

} // namespace zt
