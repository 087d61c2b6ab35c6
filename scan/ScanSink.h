#pragma once
// What a running scan tells its page or console tool: findings, progress and the end. The
// calls come from the scan's worker thread, in order; an implementation that owns windows
// hands them to its own thread, never waiting on it, so each call must return quickly. What
// the user sees of them (captions, buttons, boxes) is the receiver's business.
#include <string>
#include <string_view>
#include <vector>

#include "scan/ScanFinding.h"

namespace zt {

// One list row: the record and its four column texts.
struct ScanRow {
    ScanFinding finding;
    std::string number;    // "No.": findings added so far in this scan plus one
    std::string path;      // "PATH": RegistryPath, then "\" and the value name
    std::string valueText; // "VALUE (invalide)": the examined data, "[None]" when empty
    std::string reason;    // "Reason"
    // What was checked, one short line each: the text as found, the path judged after
    // expansion and quote removal, and every other place that was tried.
    std::vector<std::string> evidence;
};

// How a scan ended.
struct ScanSummary {
    int count = 0;        // findings reported
    bool stopped = false; // a stop was asked before the end
    int ignored = 0;      // findings left out because the ignore list names them
};

class ScanSink {
  public:
    virtual ~ScanSink() = default;
    // A new row to insert at the top of the list (index 0), ticked.
    virtual void AddFinding(ScanRow row) = 0;
    // Every 200 keys: the path of the key being examined.
    virtual void ScanProgress(std::string_view keyPath) = 0;
    // Last call of a scan, stopped or not.
    virtual void ScanFinished(const ScanSummary& summary) = 0;
};

// "%d invalid items found in the registry:\n": the status line after a scan or cleaning.
std::string FoundItemsLine(int count);
// "Total found %d invalide items": the message at the end of a scan.
std::string TotalFoundMessage(int count);

} // namespace zt
