#pragma once
// Measuring the five junk places, reported place by place through a sink. The caller runs it
// where it likes (the disk page on a background job) and stops it through a flag.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "diskclean/JunkCatalog.h"
#include "diskclean/JunkPlaces.h"

namespace zt {

struct JunkMeasurement {
    JunkItem item = JunkItem::RecycleBin;
    // False only for the system temporary folder when it cannot be determined: the check box
    // then keeps the text it has.
    bool measured = true;
    // The folder measured, without trailing backslash; none for the Recycle Bin and for a
    // folder the system does not report (or that is refused), whose size is then 0.
    std::optional<std::string> path;
    std::uint64_t bytes = 0;
    // Why the place cannot be cleaned (see JunkFolder); Ok when it can.
    JunkFolderState state = JunkFolderState::Ok;
    std::string reason;
    std::uint64_t files = 0;     // files a cleaning would remove
    std::uint64_t youngKept = 0; // files left out for being changed recently
    std::string keptNote;        // "; 212 files kept: changed in the last 24 hours", or empty
    // The check box text: the caption with its size, "(not available)" and the like when the
    // place cannot be cleaned, or the template text when not measured.
    std::string caption;
};

// One place of the catalog, measured.
struct PlaceMeasurement {
    const JunkPlaceRow* row = nullptr;
    JunkPlaceState state = JunkPlaceState::NotFound;
    std::uint64_t bytes = 0; // what a cleaning would remove, profiles in use left out
    std::uint64_t files = 0;
    std::uint64_t youngKept = 0; // files left out for being changed recently
    std::string note;            // "Close Microsoft Edge to clean its cache."
    // "1.50 MB", "0 B; 212 files kept: changed in the last 24 hours", "(not found)"...
    std::string sizeText;
};

class JunkSink {
  public:
    virtual ~JunkSink() = default;
    // One call per place, in measuring order, from the measuring thread.
    virtual void OnJunkMeasured(const JunkMeasurement& m) = 0;
    // One call per place of the catalog, in its order, after the five.
    virtual void OnPlaceMeasured(const PlaceMeasurement&) {}
    // After the last place of a run that was not stopped.
    virtual void OnJunkMeasuringFinished() {}
};

// The size column of a measured place: its size, the files kept for the age rule, or why
// it has none.
std::string PlaceSizeText(const PlaceMeasurement& m, const JunkOptions& options);

// Measures one place of the catalog.
PlaceMeasurement MeasureJunkPlace(System& sys, const JunkPlaceRow& row,
                                  const RunningPrograms& running, const ProtectedFolders& guarded,
                                  const JunkOptions& options,
                                  const std::atomic<bool>* stop = nullptr);

// Measures the five places in order, then the catalog's, and reports each to `sink`. When `stop`
// becomes true the run ends at the next file and reports nothing more. True when the run was not
// stopped. Only what a cleaning with `options` would remove is counted.
bool MeasureJunkSizes(Registry& reg, System& sys, JunkSink& sink,
                      const std::atomic<bool>* stop = nullptr, const JunkOptions& options = {});

} // namespace zt
