#include "diskclean/JunkMeasuring.h"

#include "diskclean/FolderWalk.h"

namespace zt {

namespace {
bool Stopped(const std::atomic<bool>* stop) {
    return stop && stop->load();
}
} // namespace

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
            m.caption = JunkCaption(item, m.bytes);
        sink.OnJunkMeasured(m);
    }
    if (Stopped(stop)) return false;
    sink.OnJunkMeasuringFinished();
    return true;
}

} // namespace zt
