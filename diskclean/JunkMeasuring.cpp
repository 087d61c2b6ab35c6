#include "diskclean/JunkMeasuring.h"

#include "diskclean/FolderWalk.h"

namespace zt {

namespace {
bool Stopped(const std::atomic<bool>* stop) {
    return stop && stop->load();
}
} // namespace

bool MeasureJunkSizes(Registry& reg, System& sys, JunkSink& sink, const std::atomic<bool>* stop) {
    for (JunkItem item : kJunkMeasuringOrder) {
        if (Stopped(stop)) return false;
        JunkMeasurement m;
        m.item = item;
        if (item == JunkItem::RecycleBin) {
            m.bytes = GetRecycleBinTotal(sys);
        } else {
            m.path = GetJunkFolder(reg, sys, item);
            if (m.path)
                m.bytes = GetFolderSize(sys, *m.path, JunkKeepsIndexFiles(item), stop);
            else if (item == JunkItem::SystemTemp)
                m.measured = false;
        }
        // A stopped walk has counted only part of the folder: that figure is never shown.
        if (Stopped(stop)) return false;
        m.caption = m.measured ? JunkCaption(item, m.bytes) : std::string(JunkTemplateText(item));
        sink.OnJunkMeasured(m);
    }
    if (Stopped(stop)) return false;
    sink.OnJunkMeasuringFinished();
    return true;
}

} // namespace zt
