#include "cleaning/CleanPlan.h"

#include <nlohmann/json.hpp>

#include <set>

#include "scan/FindingId.h"

namespace zt {

namespace {

using Json = nlohmann::json;

const Json* StringField(const Json& object, const char* name) {
    auto it = object.find(name);
    return it != object.end() && it->is_string() ? &*it : nullptr;
}

} // namespace

bool ReadCleanPlan(const std::string& text, CleanPlan& plan, std::string& why) {
    plan = {};
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        why = "the plan is empty";
        return false;
    }
    Json doc;
    try {
        doc = Json::parse(text);
    } catch (const Json::parse_error& e) {
        why = "the plan is not JSON or is cut short (at byte " + std::to_string(e.byte) + ")";
        return false;
    }
    const Json* format = doc.is_object() ? StringField(doc, "format") : nullptr;
    if (!format || *format != kScanJsonFormat) {
        why = std::string("the plan is not a saved scan --json of this version (format \"") +
              kScanJsonFormat + "\" expected)";
        return false;
    }
    auto findings = doc.find("findings");
    if (findings == doc.end() || !findings->is_array()) {
        why = "the plan has no list of findings";
        return false;
    }
    std::set<std::string> seen;
    int n = 0;
    for (const Json& f : *findings) {
        ++n;
        const Json* id = f.is_object() ? StringField(f, "id") : nullptr;
        if (!id) {
            why = "finding " + std::to_string(n) + " of the plan has no id";
            return false;
        }
        const char* fields[] = {"root", "keyPath", "valueName", "kind", "reason", "value"};
        std::string values[6];
        for (int i = 0; i < 6; ++i) {
            const Json* v = StringField(f, fields[i]);
            if (!v) {
                why = "finding " + std::to_string(n) + " of the plan has no " + fields[i];
                return false;
            }
            values[i] = v->get<std::string>();
        }
        auto root = RootFromName(values[0]);
        if (!root || (values[3] != "Key" && values[3] != "Value")) {
            why = "finding " + std::to_string(n) + " of the plan names an unknown root or kind";
            return false;
        }
        std::string key = AsciiLower(id->get<std::string>());
        if (!seen.insert(key).second) continue;
        // The text is UTF-8 as the scan wrote it; the id, recomputed, must be the one given.
        if (FindingId(*root, values[1], values[2], values[4]) != key) {
            plan.refused.emplace_back(key, "does not match its entry in the plan");
            continue;
        }
        FindingKind kind = values[3] == "Key" ? FindingKind::Key : FindingKind::Value;
        plan.entries.push_back(
            {key, ScanFinding{*root, values[1], values[2], kind}, values[4], values[5]});
    }
    return true;
}

std::string RootShortName(RootKey root) {
    std::string name(RootAbbreviation(root));
    if (!name.empty() && name.back() == '\\') name.pop_back();
    return name;
}

std::string WriteCleanPlan(const std::vector<PlanEntry>& entries) {
    Json findings = Json::array();
    for (const PlanEntry& e : entries)
        findings.push_back({{"id", e.id},
                            {"root", RootShortName(e.finding.root)},
                            {"keyPath", e.finding.keyPath},
                            {"valueName", e.finding.valueName},
                            {"kind", e.finding.kind == FindingKind::Key ? "Key" : "Value"},
                            {"reason", e.reason},
                            {"value", e.valueText}});
    Json doc = {{"count", entries.size()}, {"findings", findings}, {"format", kScanJsonFormat}};
    return doc.dump(2, ' ', false, Json::error_handler_t::replace);
}

} // namespace zt
