#include "cleaning/CleanReport.h"

#include <nlohmann/json.hpp>

#include <unordered_map>

#include "scan/FindingId.h"

namespace zt {

namespace {

using Json = nlohmann::json;

std::string Where(const ScanFinding& f) {
    std::string where = std::string(RootAbbreviation(f.root)) + f.keyPath;
    if (f.kind == FindingKind::Value) where += "\\" + f.valueName;
    return where;
}

Json FindingJson(const ScanFinding& f, const std::string& id) {
    Json j = {{"root", RootShortName(f.root)},
              {"keyPath", f.keyPath},
              {"valueName", f.valueName},
              {"kind", f.kind == FindingKind::Key ? "Key" : "Value"}};
    if (!id.empty()) j["id"] = id;
    return j;
}

std::string StringOf(const Json& j, const char* name) {
    auto it = j.find(name);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool FindingOf(const Json& j, ScanFinding& f) {
    auto root = RootFromName(StringOf(j, "root"));
    if (!root) return false;
    f = {*root, StringOf(j, "keyPath"), StringOf(j, "valueName"),
         StringOf(j, "kind") == "Key" ? FindingKind::Key : FindingKind::Value};
    return true;
}

const Json& ArrayOf(const Json& doc, const char* name) {
    static const Json kEmpty = Json::array();
    auto it = doc.find(name);
    return it != doc.end() && it->is_array() ? *it : kEmpty;
}

} // namespace

std::string CleanReportText(const std::vector<PlanEntry>& entries, const CleanOutcome& out,
                            const std::vector<std::pair<std::string, std::string>>& refused,
                            const std::string& message) {
    // A finding's id through where it is: the outcome names findings, not rows.
    std::unordered_map<std::string, const std::string*> ids;
    for (const PlanEntry& e : entries)
        ids.emplace(FoldName(Where(e.finding)), &e.id);
    auto idOf = [&](const ScanFinding& f) -> std::string {
        auto it = ids.find(FoldName(Where(f)));
        return it == ids.end() ? std::string() : *it->second;
    };
    Json cleanedIds = Json::array(), remaining = Json::array();
    std::size_t next = 0;
    for (std::size_t row = 0; row < entries.size(); ++row) {
        bool cleaned =
            next < out.cleanedRows.size() && static_cast<std::size_t>(out.cleanedRows[next]) == row;
        if (cleaned) {
            ++next;
            cleanedIds.push_back(entries[row].id);
        } else {
            remaining.push_back(FindingJson(entries[row].finding, entries[row].id));
        }
    }
    Json notDeleted = Json::array(), keptBack = Json::array(), skipped = Json::array();
    for (const auto& n : out.notDeleted) {
        Json j = FindingJson(n.finding, idOf(n.finding));
        j["reason"] = n.status.Describe();
        j["code"] = static_cast<int>(n.status.code());
        j["osError"] = n.status.osError();
        notDeleted.push_back(std::move(j));
    }
    for (const auto& k : out.keptBackFindings) {
        Json j = FindingJson(k.finding, idOf(k.finding));
        j["reason"] = k.cause;
        keptBack.push_back(std::move(j));
    }
    for (const auto& f : out.noLongerInvalid) {
        Json j = FindingJson(f, idOf(f));
        j["reason"] = kNoLongerInvalid;
        skipped.push_back(std::move(j));
    }
    Json notCleaned = Json::array();
    for (const auto& [id, cause] : refused)
        notCleaned.push_back({{"id", id}, {"reason", cause}});
    auto orNull = [](const std::string& s) { return s.empty() ? Json(nullptr) : Json(s); };
    Json doc = {{"found", entries.size()},
                {"cleaned", out.processed},
                {"cleanedIds", cleanedIds},
                // Each entry left for want of a full backup, with why; the same list kept under
                // the name of the previous version.
                {"keptBack", keptBack},
                {"keptBackEntries", keptBack},
                {"notDeleted", notDeleted},
                {"backupFile", orNull(out.backupFile)},
                {"remaining", remaining},
                {"error", orNull(out.error)},
                {"message", message},
                {"skipped", skipped},
                {"idsNotCleaned", notCleaned}};
    return doc.dump(2, ' ', false, Json::error_handler_t::replace);
}

bool ReadCleanReport(const std::string& text, CleanReport& report) {
    report = {};
    Json doc = Json::parse(text, nullptr, false);
    if (!doc.is_object() || !doc.contains("cleaned") || !doc.contains("idsNotCleaned"))
        return false;
    for (const Json& id : ArrayOf(doc, "cleanedIds"))
        if (id.is_string()) report.cleanedIds.push_back(id.get<std::string>());
    ScanFinding f;
    for (const Json& j : ArrayOf(doc, "notDeleted")) {
        if (!FindingOf(j, f)) continue;
        auto code = static_cast<StatusCode>(j.value("code", static_cast<int>(StatusCode::Failed)));
        Status s = Status::From(code == StatusCode::Ok ? StatusCode::Failed : code,
                                j.value("osError", 0u));
        report.notDeleted.push_back({StringOf(j, "id"), {f, s}});
    }
    for (const Json& j : ArrayOf(doc, "keptBack"))
        if (FindingOf(j, f))
            report.keptBack.push_back({StringOf(j, "id"), {f, StringOf(j, "reason")}});
    for (const Json& j : ArrayOf(doc, "skipped"))
        if (FindingOf(j, f)) report.skipped.push_back({StringOf(j, "id"), f});
    for (const Json& j : ArrayOf(doc, "idsNotCleaned"))
        report.refused.push_back({StringOf(j, "id"), StringOf(j, "reason")});
    report.backupFile = StringOf(doc, "backupFile");
    report.error = StringOf(doc, "error");
    return true;
}

} // namespace zt
