#include "diskclean/JunkCleaning.h"

#include "diskclean/FolderWalk.h"

namespace zt {

bool ClearUrlCache(System& sys) {
    return sys.WalkUrlCache([&](const UrlCacheEntry& e) {
        sys.DeleteUrlEntry(e.sourceUrl);
        return true;
    });
}

namespace {

std::string Count(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Why a place was only partly emptied.
std::string Shortfall(const JunkTally& t) {
    std::string why;
    if (t.filesLeft)
        why = Count(t.filesLeft, "file", "files") +
              (t.filesDenied == t.filesLeft
                   ? " could not be deleted (administrator rights are needed)"
                   : " could not be deleted (in use, read-only or not allowed)");
    if (t.unreadable) {
        if (!why.empty()) why += "; ";
        why += Count(t.unreadable, "folder", "folders") + " could not be read";
    }
    return why;
}

} // namespace

std::string JunkFinalMessage(const JunkCleanResult& result) {
    if (result.Complete()) return kJunkFinishedText;
    bool anyNotCleaned = false;
    for (const auto& p : result.places)
        anyNotCleaned |= p.outcome == JunkPlaceOutcome::NotCleaned;
    std::string text = anyNotCleaned ? kJunkNotFinishedText : kJunkFinishedSomeLeftText;
    text += "\n";
    for (JunkItem item : kJunkMeasuringOrder) {
        const JunkPlaceReport& p = result[item];
        if (p.outcome != JunkPlaceOutcome::NotCleaned &&
            p.outcome != JunkPlaceOutcome::PartlyCleaned)
            continue;
        std::string title = JunkPlaceTitle(item);
        title[0] = static_cast<char>(title[0] - 'a' + 'A');
        text +=
            "\n" + title +
            (p.outcome == JunkPlaceOutcome::NotCleaned ? " not cleaned: " : " partly cleaned: ") +
            p.reason + ".";
    }
    return text;
}

JunkCleanResult CleanJunk(Registry& reg, System& sys, const JunkSelection& selection,
                          UserPrompt& prompt, const std::function<void()>& placesEmptied,
                          WindowRef owner, const JunkOptions& options) {
    JunkCleanResult result;
    if (!selection.Any()) {
        prompt.Tell(kJunkNothingSelectedText);
        return result;
    }
    if (prompt.Ask(kJunkConfirmText, kProgramCaption, PromptButtons::OkCancel) != kAnswerOk) {
        result.outcome = JunkCleanOutcome::Cancelled;
        return result;
    }

    const ProtectedFolders guarded = ProtectedFolders::Gather(reg, sys);
    const std::int64_t now = sys.CurrentTime();
    auto emptyFolder = [&](JunkItem item) {
        JunkPlaceReport& report = result.places[static_cast<std::size_t>(item)];
        // Located again right before emptying: the rule is applied where the deleting is done.
        JunkFolder folder = LocateJunkFolder(reg, sys, item, guarded);
        if (!folder.ok()) {
            report.outcome = JunkPlaceOutcome::NotCleaned;
            report.reason = folder.reason;
            return;
        }
        report.tally = EmptyJunkFolder(sys, folder.real, JunkRulesFor(item, options, now, false));
        report.outcome =
            report.tally.Complete() ? JunkPlaceOutcome::Cleaned : JunkPlaceOutcome::PartlyCleaned;
        report.reason = Shortfall(report.tally);
    };
    if (selection[JunkItem::Cookies]) emptyFolder(JunkItem::Cookies);
    if (selection[JunkItem::UserTemp]) emptyFolder(JunkItem::UserTemp);
    if (selection[JunkItem::InternetCache]) {
        // An entry that stays is a file of the cache folder, which the emptying below counts.
        (void)ClearUrlCache(sys);
        emptyFolder(JunkItem::InternetCache);
    }
    if (selection[JunkItem::RecycleBin]) {
        // The system answers a failure for a bin that was empty already; what stays shows in
        // the measuring run that follows.
        (void)sys.EmptyRecycleBin(owner);
        result.places[static_cast<std::size_t>(JunkItem::RecycleBin)].outcome =
            JunkPlaceOutcome::Cleaned;
    }
    if (selection[JunkItem::SystemTemp]) emptyFolder(JunkItem::SystemTemp);

    if (placesEmptied) placesEmptied();
    result.outcome = JunkCleanOutcome::Cleaned;
    result.finalMessage = JunkFinalMessage(result);
    prompt.Tell(result.finalMessage);
    return result;
}

} // namespace zt
