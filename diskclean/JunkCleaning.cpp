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
                          UserPrompt& prompt, const std::function<void()>& placesEmptied,
                          WindowRef owner) {
    JunkCleanResult result;
    if (!selection.Any()) {
        prompt.Tell(kJunkNothingSelectedText);
        return result;
    }
    if (prompt.Ask(kJunkConfirmText, kProgramCaption, PromptButtons::OkCancel) != kAnswerOk) {
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
        DeleteFolderContents(sys, *folder, removeSubfolders, keepIndexFiles,
                             result.allDeleted[index]);
    };
    if (selection[JunkItem::Cookies]) emptyFolder(JunkItem::Cookies, false, true);
    if (selection[JunkItem::UserTemp]) emptyFolder(JunkItem::UserTemp, true, false);
    if (selection[JunkItem::InternetCache]) {
        ClearUrlCache(sys);
        emptyFolder(JunkItem::InternetCache, true, false);
    }
    if (selection[JunkItem::RecycleBin]) sys.EmptyRecycleBin(owner);
    if (selection[JunkItem::SystemTemp]) emptyFolder(JunkItem::SystemTemp, true, false);

    if (placesEmptied) placesEmptied();
    result.outcome = JunkCleanOutcome::Cleaned;
    result.finalMessage = result.AllDeleted() ? kJunkFinishedText : kJunkFinishedSomeLeftText;
    prompt.Tell(result.finalMessage);
    return result;
}

} // namespace zt
