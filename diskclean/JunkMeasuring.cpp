#include "diskclean/JunkMeasuring.h"

#include "diskclean/FolderWalk.h"

namespace zt {

namespace {
bool Stopped(const std::atomic<bool>* stop) {
    return stop && stop->load();
}
} // namespace

PlaceMeasurement MeasureJunkPlace(System& sys, const JunkPlaceRow& row,
                                  const RunningPrograms& running, const ProtectedFolders& guarded,
                                  const JunkOptions& options, const std::atomic<bool>* stop) {
    PlaceMeasurement m;
    m.row = &row;
    ResolvedPlace place = ResolveJunkPlace(sys, row, running, guarded);
    m.state = place.state;
    m.note = place.note;
    const JunkWalkRules rules = CatalogRules(row, options, sys.CurrentTime());
    for (const JunkInstance& inst : place.instances) {
        if (inst.inUse) continue;
        for (const std::string& folder : inst.caches) {
            JunkTally t = MeasureJunkFolder(sys, folder, rules, stop);
            m.bytes += t.bytes;
            m.files += t.files;
            m.youngKept += t.youngKept;
        }
    }
    m.sizeText = PlaceSizeText(m, options);
    return m;
}

std::string PlaceSizeText(const PlaceMeasurement& m, const JunkOptions& options) {
    switch (m.state) {
    case JunkPlaceState::NotFound:
        return "(not found)";
    case JunkPlaceState::Protected:
        return "(protected folder)";
    case JunkPlaceState::InUse:
        // Profiles not in use are still cleaned; their size goes before the mark.
        if (m.bytes == 0 && m.youngKept == 0) return "(in use)";
        return FormatSize(m.bytes) + JunkKeptText(m.youngKept, options) + " (in use)";
    case JunkPlaceState::Found:
        break;
    }
    return FormatSize(m.bytes) + JunkKeptText(m.youngKept, options);
}

bool MeasureJunkSizes(Registry& reg, System& sys, JunkSink& sink, const std::atomic<bool>* stop,
                      const JunkOptions& options) {
    const ProtectedFolders guarded = ProtectedFolders::Gather(reg, sys);
    const std::int64_t now = sys.CurrentTime();
    for (JunkItem item : kJunkMeasuringOrder) {
        if (Stopped(stop)) return false;
        JunkMeasurement m;
        m.item = item;
        if (item == JunkItem::RecycleBin) {
            m.bytes = GetRecycleBinTotal(sys);
        } else {
            JunkFolder folder = LocateJunkFolder(reg, sys, item, guarded);
            m.state = folder.state;
            m.reason = folder.reason;
            if (folder.ok()) {
                m.path = folder.reported;
                JunkTally t = MeasureJunkFolder(sys, folder.real,
                                                JunkRulesFor(item, options, now, true), stop);
                m.bytes = t.bytes;
                m.files = t.files;
                m.youngKept = t.youngKept;
                m.keptNote = JunkKeptText(t.youngKept, options);
            } else if (item == JunkItem::SystemTemp && folder.state == JunkFolderState::Unknown) {
                // Without administrator rights the check box keeps the text it has.
                m.measured = false;
            }
        }
        // A stopped walk has counted only part of the folder: that figure is never shown.
        if (Stopped(stop)) return false;
        if (!m.measured)
            m.caption = std::string(JunkTemplateText(item));
        else if (m.state != JunkFolderState::Ok)
            m.caption = JunkUnavailableCaption(item, m.state);
        else
            m.caption = JunkCaption(item, m.bytes, m.keptNote);
        sink.OnJunkMeasured(m);
    }
    const RunningPrograms running = RunningPrograms::Take(sys);
    for (const JunkPlaceRow& row : JunkCatalog()) {
        PlaceMeasurement m = MeasureJunkPlace(sys, row, running, guarded, options, stop);
        if (Stopped(stop)) return false;
        sink.OnPlaceMeasured(m);
    }
    if (Stopped(stop)) return false;
    sink.OnJunkMeasuringFinished();
    return true;
}

} // namespace zt
