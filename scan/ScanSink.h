#pragma once
// What a running scan tells its page or console tool. The calls come from the scan's worker
// thread, in order; an implementation that owns windows queues them and posts to its own
// thread, never waiting on it, so each call must return quickly.
#include <string>
#include <string_view>

#include "scan/ScanFinding.h"

namespace zt {

// One list row: the record and its four column texts.
struct ScanRow {
    ScanFinding finding;
    std::string number;    // "No.": findings added so far in this scan plus one
    std::string path;      // "PATH": RegistryPath, then "\" and the value name
    std::string valueText; // "VALUE (invalide)": the examined data, "[None]" when empty
    std::string reason;    // "Reason"
};

inline constexpr const char* kColumnNumber = "No.";
inline constexpr const char* kColumnPath = "PATH";
inline constexpr const char* kColumnValue = "VALUE (invalide)";
inline constexpr const char* kColumnReason = "Reason";

class ScanSink {
  public:
    virtual ~ScanSink() = default;
    // A new row to insert at the top of the list (index 0), ticked.
    virtual void AddFinding(ScanRow row) = 0;
    // The status line: a key path every 200 keys, the count line at the end.
    virtual void SetStatus(std::string_view text) = 0;
    virtual void EnableClean(bool enabled) = 0;
    virtual void SetScanCaption(std::string_view caption) = 0;
    // Re-read the list's check boxes into the Check All box.
    virtual void RefreshCheckAll() = 0;
    // Last call of a scan, stopped or not: `count` rows were listed; `message` is the total
    // text ("Total found %d invalide items") to show captioned "Zentrove" with OK only.
    virtual void ScanFinished(int count, std::string_view message) = 0;
};

} // namespace zt
