#pragma once
// Measuring the five junk places, reported place by place through a sink. The caller runs it
// where it likes (the disk page on a background job) and stops it through a flag.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

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
    // The check box text: the caption with its size, "(not available)" and the like when the
    // place cannot be cleaned, or the template text when not measured.
    std::string caption;
};

class JunkSink {
  public:
    virtual ~JunkSink() = default;
    // One call per place, in measuring order, from the measuring thread.
    virtual void OnJunkMeasured(const JunkMeasurement& m) = 0;
    // After the last place of a run that was not stopped.
    virtual void OnJunkMeasuringFinished() {}
};

// Measures the five places in order and reports each to `sink`. When `stop` becomes true the
// run ends at the next file and reports nothing more. True when the run was not stopped.
// Only what a cleaning with `options` would remove is counted.
bool MeasureJunkSizes(Registry& reg, System& sys, JunkSink& sink,
                      const std::atomic<bool>* stop = nullptr, const JunkOptions& options = {});

} // namespace zt
