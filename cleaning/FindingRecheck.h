#pragma once
// The re-check just before a finding is backed up and deleted: the rules judge its key again,
// on the registry and files as they are now.
#include <string_view>
#include <vector>

#include "scan/ScanEngine.h"
#include "scan/ScanSink.h"

namespace zt {

inline constexpr std::string_view kNoLongerInvalid = "skipped: no longer invalid";

// What the scan showed of a finding besides where it is: its reason and examined data (the
// "VALUE (invalide)" text).
struct FindingSeen {
    std::string_view reason;
    std::string_view valueText;
};

class FindingRecheck {
  public:
    // Every area takes part, whatever the switches: the finding names its own rule by its
    // reason.
    FindingRecheck(Registry& registry, System& system);
    FindingRecheck(const FindingRecheck&) = delete;
    FindingRecheck& operator=(const FindingRecheck&) = delete;

    // True when the entry is still there, with the same data, and a rule at its key still
    // reports it for the same reason.
    bool StillInvalid(const ScanFinding& f, const FindingSeen& seen);

  private:
    class Rows : public ScanSink {
      public:
        void AddFinding(ScanRow row) override { rows.push_back(std::move(row)); }
        void ScanProgress(std::string_view) override {}
        void ScanFinished(const ScanSummary&) override {}
        std::vector<ScanRow> rows;
    };
    Rows rows_;
    ScanEngine engine_;
};

} // namespace zt
