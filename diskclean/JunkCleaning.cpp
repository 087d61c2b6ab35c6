#include "diskclean/JunkCleaning.h"

#include "diskclean/FolderWalk.h"

namespace zt {

bool ClearUrlCache(System& sys) {
    return sys.WalkUrlCache([&](const UrlCacheEntry& e) {
        sys.DeleteUrlEntry(e.sourceUrl);
        return true;
    });
}

JunkCleanResult CleanJunk(Registry& reg, System& sys, const JunkSelection& selection,
                          JunkCleanDialogs& dialogs) {
    JunkCleanResult result;
    if (!selection.Any()) {
        dialogs.ShowMessage(kJunkNothingSelectedText, "", kMessageOk);
        return result;
    }
    if (dialogs.ShowMessage(kJunkConfirmText, kJunkConfirmCaption, kMessageOkCancel) != kAnswerOk) {
        result.outcome = JunkCleanOutcome::Cancelled;
        return result;
    }

    auto emptyFolder = [&](JunkItem item, bool removeSubfolders, bool keepIndexFiles) {
        auto index = static_cast<std::size_t>(item);
        auto folder = GetJunkFolder(reg, sys, item);
        if (!folder) {
            result.skipped[index] = true;
            return;
        }
        DeleteFolderContents(sys, *folder, removeSubfolders, keepIndexFiles, result.allDeleted[index]);
    };
    if (selection[JunkItem::Cookies]) emptyFolder(JunkItem::Cookies, false, true);
    if (selection[JunkItem::UserTemp]) emptyFolder(JunkItem::UserTemp, true, false);
    if (selection[JunkItem::InternetCache]) {
        ClearUrlCache(sys);
        emptyFolder(JunkItem::InternetCache, true, false);
    }
    if (selection[JunkItem::RecycleBin]) sys.EmptyRecycleBin();
    if (selection[JunkItem::SystemTemp]) emptyFolder(JunkItem::SystemTemp, true, false);

    dialogs.OnPlacesEmptied();
    result.outcome = JunkCleanOutcome::Cleaned;
    result.finalMessage = result.AllDeleted() ? kJunkFinishedText : kJunkFinishedSomeLeftText;
    dialogs.ShowMessage(result.finalMessage, "", kMessageOk);
    return result;
}

}  // namespace zt
