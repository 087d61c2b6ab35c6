#pragma once
// `clean --plan FILE`: a saved `scan --json` read back as the findings to clean.
#include <string>
#include <utility>
#include <vector>

#include "scan/ScanFinding.h"

namespace zt {

// The mark `scan --json` ends its document with; a plan must carry this one.
inline constexpr const char* kScanJsonFormat = "zentrove-scan-1";

struct PlanEntry {
    std::string id;
    ScanFinding finding;
    std::string reason;
    std::string valueText; // "value": the examined data as the scan showed it
};

struct CleanPlan {
    std::vector<PlanEntry> entries; // in the file's order, each id once
    // Ids that are left alone, each with why: not their entry's (an id of an earlier version
    // for a name outside ASCII, or an edited plan).
    std::vector<std::pair<std::string, std::string>> refused;
};

// Reads a plan's text. False with the reason when the plan is refused as a whole: empty, not
// JSON or cut short, of another format, or with a finding that has no id or lacks a field.
bool ReadCleanPlan(const std::string& text, CleanPlan& plan, std::string& why);

// "HKLM", "HKCU"...: how plans and results name a root.
std::string RootShortName(RootKey root);

// The entries as `scan --json` writes its findings, so ReadCleanPlan reads them back.
std::string WriteCleanPlan(const std::vector<PlanEntry>& entries);

} // namespace zt
