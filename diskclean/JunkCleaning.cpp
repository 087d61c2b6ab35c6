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
               : t.filesInUse == t.filesLeft
                   ? " could not be deleted (in use)"
                   : " could not be deleted (in use, read-only or not allowed)");
    if (t.unreadable) {
        if (!why.empty()) why += "; ";
        why += Count(t.unreadable, "folder", "folders") + " could not be read";
    }
    return why;
}

// "C:\" or "\\server\share\" of a full path; empty for anything else.
std::string DriveRoot(std::string_view path) {
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\')
        return std::string(path.substr(0, 3));
    if (!path.starts_with("\\\\")) return {};
    auto server = path.find('\\', 2);
    if (server == std::string_view::npos) return {};
    auto share = path.find('\\', server + 1);
    return share == std::string_view::npos ? std::string(path) + "\\"
                                           : std::string(path.substr(0, share + 1));
}

// Takes each drive's free space the first time a cleaning is about to touch it.
class DriveWatch {
  public:
    DriveWatch(System& sys, std::vector<DriveChange>& drives) : sys_(sys), drives_(drives) {}
    void Touch(std::string_view path) {
        std::string root = DriveRoot(path);
        if (root.empty()) return;
        for (const DriveChange& d : drives_)
            if (SamePath(d.root, root)) return;
        drives_.push_back({root, sys_.DriveFreeBytes(root), std::nullopt});
    }
    void Finish() {
        for (DriveChange& d : drives_)
            d.after = sys_.DriveFreeBytes(d.root);
    }

  private:
    System& sys_;
    std::vector<DriveChange>& drives_;
};

void Settle(JunkPlaceReport& report) {
    report.outcome =
        report.tally.Complete() ? JunkPlaceOutcome::Cleaned : JunkPlaceOutcome::PartlyCleaned;
    report.reason = Shortfall(report.tally);
}

void Add(JunkTally& sum, const JunkTally& t) {
    sum.bytes += t.bytes;
    sum.files += t.files;
    sum.filesLeft += t.filesLeft;
    sum.filesDenied += t.filesDenied;
    sum.filesInUse += t.filesInUse;
    sum.unreadable += t.unreadable;
    sum.youngKept += t.youngKept;
    sum.linksLeft += t.linksLeft;
}

} // namespace

std::uint64_t JunkCleanResult::Sum(std::uint64_t JunkTally::*field) const {
    std::uint64_t n = 0;
    for (const auto& p : places)
        n += p.tally.*field;
    for (const auto& p : catalog)
        n += p.tally.*field;
    return n;
}

std::string JunkTotalsLine(const JunkCleanResult& result) {
    std::string line = FormatSize(result.BytesDeleted()) + " deleted";
    for (const DriveChange& d : result.drives) {
        auto gained = d.Gained();
        if (!gained) continue;
        std::string name = d.root.size() == 3 ? d.root.substr(0, 2) : d.root;
        line += "; drive " + name + (*gained >= 0 ? " gained " : " lost ") +
                FormatSize(static_cast<std::uint64_t>(*gained >= 0 ? *gained : -*gained));
    }
    return line;
}

void CleanJunkPlace(System& sys, const JunkPlaceRow& row, const RunningPrograms& running,
                    const ProtectedFolders& guarded, const JunkOptions& options,
                    CatalogPlaceReport& report,
                    const std::function<void(const std::string&)>& touched) {
    report.row = &row;
    // Resolved again right before emptying: a browser may have started since measuring.
    ResolvedPlace place = ResolveJunkPlace(sys, row, running, guarded);
    if (place.instances.empty()) {
        // Nothing there is nothing left: only a refused folder is a place not cleaned.
        const bool refused = place.state == JunkPlaceState::Protected;
        report.outcome = refused ? JunkPlaceOutcome::NotCleaned : JunkPlaceOutcome::Cleaned;
        if (refused) report.reason = place.refused.front();
        return;
    }
    const JunkWalkRules rules = CatalogRules(row, options, sys.CurrentTime());
    for (const JunkInstance& inst : place.instances) {
        if (inst.inUse) continue;
        for (const std::string& folder : inst.caches) {
            if (touched) touched(folder);
            Add(report.tally, EmptyJunkFolder(sys, folder, rules));
        }
    }
    Settle(report);
    if (place.instancesInUse == 0) return;
    report.outcome = place.instancesInUse == place.instances.size()
                         ? JunkPlaceOutcome::NotCleaned
                         : JunkPlaceOutcome::PartlyCleaned;
    report.reason = place.note + (report.reason.empty() ? "" : " " + report.reason);
}

std::string JunkFinalMessage(const JunkCleanResult& result) {
    if (result.Complete()) return kJunkFinishedText + ("\n\n" + JunkTotalsLine(result) + ".");
    bool anyNotCleaned = false;
    for (const auto& p : result.places)
        anyNotCleaned |= p.outcome == JunkPlaceOutcome::NotCleaned;
    for (const auto& p : result.catalog)
        anyNotCleaned |= p.outcome == JunkPlaceOutcome::NotCleaned;
    std::string text = anyNotCleaned ? kJunkNotFinishedText : kJunkFinishedSomeLeftText;
    text += "\n\n" + JunkTotalsLine(result) + ".\n";
    // One line per place not, or only partly, cleaned.
    auto tell = [&](std::string title, const JunkPlaceReport& p) {
        if (p.outcome != JunkPlaceOutcome::NotCleaned &&
            p.outcome != JunkPlaceOutcome::PartlyCleaned)
            return;
        text += '\n';
        text += title;
        text += p.outcome == JunkPlaceOutcome::NotCleaned ? " not cleaned: " : " partly cleaned: ";
        text += p.reason;
        if (!p.reason.ends_with(".")) text += ".";
    };
    for (JunkItem item : kJunkMeasuringOrder) {
        std::string title = JunkPlaceTitle(item);
        title[0] = static_cast<char>(title[0] - 'a' + 'A');
        tell(std::move(title), result[item]);
    }
    for (const CatalogPlaceReport& p : result.catalog)
        tell(std::string(p.row->label), p);
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
    DriveWatch drives(sys, result.drives);
    auto emptyFolder = [&](JunkItem item) {
        JunkPlaceReport& report = result.places[static_cast<std::size_t>(item)];
        // Located again right before emptying: the rule is applied where the deleting is done.
        JunkFolder folder = LocateJunkFolder(reg, sys, item, guarded);
        if (!folder.ok()) {
            report.outcome = JunkPlaceOutcome::NotCleaned;
            report.reason = folder.reason;
            return;
        }
        drives.Touch(folder.real);
        report.tally = EmptyJunkFolder(sys, folder.real, JunkRulesFor(item, options, now, false));
        Settle(report);
    };
    if (selection[JunkItem::Cookies]) emptyFolder(JunkItem::Cookies);
    if (selection[JunkItem::UserTemp]) emptyFolder(JunkItem::UserTemp);
    if (selection[JunkItem::InternetCache]) {
        // An entry that stays is a file of the cache folder, which the emptying below counts.
        (void)ClearUrlCache(sys);
        emptyFolder(JunkItem::InternetCache);
    }
    if (selection[JunkItem::RecycleBin]) {
        std::uint32_t mask = sys.LogicalDriveMask();
        for (int i = 0; i < 26; ++i) {
            std::string root = std::string(1, static_cast<char>('A' + i)) + ":\\";
            auto bin = (mask & (1u << i)) ? sys.QueryRecycleBin(root) : std::nullopt;
            if (bin && bin->bytes > 0) drives.Touch(root);
        }
        const std::uint64_t before = GetRecycleBinTotal(sys);
        // The system answers a failure for a bin that was empty already; what stays shows in
        // the measuring run that follows, and only what left the bins counts as deleted.
        (void)sys.EmptyRecycleBin(owner);
        const std::uint64_t after = GetRecycleBinTotal(sys);
        result.recycleBinBytes = before > after ? before - after : 0;
        result.places[static_cast<std::size_t>(JunkItem::RecycleBin)].outcome =
            JunkPlaceOutcome::Cleaned;
    }
    if (selection[JunkItem::SystemTemp]) emptyFolder(JunkItem::SystemTemp);
    if (!selection.places.empty()) {
        const RunningPrograms running = RunningPrograms::Take(sys);
        for (const std::string& id : selection.places) {
            const JunkPlaceRow* row = FindJunkPlace(id);
            if (!row) continue;
            CleanJunkPlace(sys, *row, running, guarded, options, result.catalog.emplace_back(),
                           [&](const std::string& f) { drives.Touch(f); });
        }
    }
    drives.Finish();

    if (placesEmptied) placesEmptied();
    result.outcome = JunkCleanOutcome::Cleaned;
    result.finalMessage = JunkFinalMessage(result);
    prompt.Tell(result.finalMessage);
    return result;
}

} // namespace zt
