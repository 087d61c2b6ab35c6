#include "diskclean/FolderWalk.h"
#include "seams/AsciiText.h"

#include <algorithm>
#include <vector>

namespace zt {

namespace {

std::string Join(std::string_view folder, std::string_view name) {
    std::string p;
    p.reserve(folder.size() + 1 + name.size());
    p.append(folder);
    p += '\\';
    p.append(name);
    return p;
}

bool IsLink(std::uint32_t attributes) {
    return (attributes & kAttrReparsePoint) != 0;
}

class Walk {
  public:
    Walk(System& sys, const JunkWalkRules& rules, const std::atomic<bool>* stop)
        : sys_(sys), rules_(rules), stop_(stop), linksShown_(sys.ListingShowsFileLinks()) {}
    JunkTally tally;

    void Measure(const std::string& folder) {
        // Counted straight from the listing: measuring deletes nothing that could disturb it,
        // and a path is only built where an entry must be opened.
        bool listed = sys_.EnumDirectory(folder, [&](const DirEntry& e) {
            if (Stopped()) return false;
            if (e.IsDirectory()) {
                // A folder link holds none of its target's bytes.
                if (rules_.filesOnly || IsLink(e.attributes)) return true;
                std::string path = Join(folder, e.name);
                if (PlainFolder(path)) Measure(path);
            } else if (Wanted(e.name, e.lastWriteTime)) {
                if (!IsLink(e.attributes) && !linksShown_) {
                    // Only opening it tells a link the listing shows as a plain file.
                    EntryCheck c = sys_.CheckEntry(Join(folder, e.name));
                    if (c != EntryCheck::Itself) {
                        if (c == EntryCheck::LinkFollowed) ++tally.linksLeft;
                        return true;
                    }
                }
                tally.bytes += e.size;
                ++tally.files;
            }
            return true;
        });
        if (!listed && sys_.Exists(folder)) ++tally.unreadable;
    }

    void Empty(const std::string& folder) {
        std::vector<DirEntry> entries;
        if (!List(folder, entries)) return;
        for (const DirEntry& e : entries) {
            std::string path = Join(folder, e.name);
            if (e.IsDirectory()) {
                if (!rules_.filesOnly) EmptySubfolder(path);
                continue;
            }
            if (!Wanted(e.name, e.lastWriteTime)) continue;
            OpenedEntry f(sys_, path);
            if (!f) {
                if (!f.facts.gone) {
                    ++tally.filesLeft;
                    tally.filesDenied += f.facts.denied;
                    tally.filesInUse += f.facts.inUse;
                }
                continue;
            }
            if (f.facts.elsewhere) {
                ++tally.linksLeft;
                continue;
            }
            // Checked again on the handle: the entry may have changed since it was listed.
            if ((f.facts.attributes & kAttrDirectory) && !IsLink(f.facts.attributes)) continue;
            if (!IsLink(f.facts.attributes) && !Wanted(e.name, f.facts.lastWriteTime)) continue;
            Status removed = f.Remove();
            if (removed) {
                tally.bytes += f.facts.size;
                ++tally.files;
            } else {
                ++tally.filesLeft;
                tally.filesInUse += removed.osError() == kOsErrorSharingViolation;
                // A read-only file is refused for its mark, not for want of rights.
                if (removed.code() == StatusCode::AccessDenied &&
                    !(f.facts.attributes & kAttrReadOnly))
                    ++tally.filesDenied;
            }
        }
    }

  private:
    bool Stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }

    // The listing is taken first so deleting never disturbs the enumeration.
    bool List(const std::string& folder, std::vector<DirEntry>& entries) {
        if (sys_.EnumDirectory(folder, [&](const DirEntry& e) {
                entries.push_back(e);
                return true;
            }))
            return true;
        // A folder that went away meanwhile is not a failure.
        if (sys_.Exists(folder)) ++tally.unreadable;
        return false;
    }

    // Counted and deleted unless an index file that is kept or changed too recently.
    bool Wanted(std::string_view name, std::int64_t changed) {
        if (rules_.keepIndexFiles && IsIndexFileName(name)) return false;
        if (!rules_.namePatterns.empty() &&
            std::none_of(rules_.namePatterns.begin(), rules_.namePatterns.end(),
                         [&](const std::string& p) { return NameMatches(p, name); }))
            return false;
        if (changed >= rules_.keepChangedSince) {
            ++tally.youngKept;
            return false;
        }
        return true;
    }

    // A subfolder that is itself, not a link the platform showed as a folder.
    bool PlainFolder(const std::string& path) {
        OpenedEntry d(sys_, path);
        if (!d) {
            if (!d.facts.gone) ++tally.unreadable;
            return false;
        }
        if (d.facts.elsewhere) ++tally.linksLeft;
        return !d.facts.elsewhere && !IsLink(d.facts.attributes) &&
               (d.facts.attributes & kAttrDirectory);
    }

    void EmptySubfolder(const std::string& path) {
        {
            // Closed before the folder is listed: some platforms list only folders that no
            // one holds open for deleting.
            OpenedEntry d(sys_, path);
            if (!d) {
                if (!d.facts.gone) ++tally.unreadable;
                return;
            }
            if (d.facts.elsewhere) {
                ++tally.linksLeft;
                return;
            }
            if (IsLink(d.facts.attributes)) {
                // The link itself, never what it points to; one that stays is counted as left.
                if (rules_.removeSubfolders && !d.Remove()) ++tally.filesLeft;
                return;
            }
            if (!(d.facts.attributes & kAttrDirectory)) return;
        }
        Empty(path);
        if (!rules_.removeSubfolders) return;
        // Checked again on the handle it is removed through; one that still holds something
        // stays, and that is not counted as a failure.
        OpenedEntry d(sys_, path);
        if (d && !d.facts.elsewhere) (void)d.Remove();
    }

    System& sys_;
    const JunkWalkRules& rules_;
    const std::atomic<bool>* stop_;
    bool linksShown_;
};

} // namespace

bool SamePath(std::string_view a, std::string_view b) {
    return NamesEqual(a, b);
}

bool IsBelow(std::string_view path, std::string_view ancestor) {
    while (!ancestor.empty() && ancestor.back() == '\\')
        ancestor.remove_suffix(1);
    // Folded whole: a letter and its other case may differ in length.
    std::string p = FoldName(path), a = FoldName(ancestor);
    return p.size() > a.size() + 1 && p[a.size()] == '\\' && p.compare(0, a.size(), a) == 0;
}

bool NameMatches(std::string_view pattern, std::string_view name) {
    std::string p = FoldName(pattern), n = FoldName(name);
    // Greedy match with one remembered star, enough for patterns of a few stars.
    std::size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

bool IsIndexFileName(std::string_view name) {
    return SamePath(name, "index.dat") || SamePath(name, "desktop.ini");
}

std::optional<std::string> RealFolderPath(System& sys, std::string_view folder) {
    std::string root(folder);
    while (root.size() > 1 && root.back() == '\\')
        root.pop_back();
    if (root.empty()) return std::nullopt;
    auto real = sys.FinalPath(root);
    if (!real) return std::nullopt;
    while (real->size() > 3 && real->back() == '\\')
        real->pop_back();
    if (!sys.IsDirectory(*real)) return std::nullopt;
    return real;
}

JunkTally MeasureJunkFolder(System& sys, std::string_view folder, const JunkWalkRules& rules,
                            const std::atomic<bool>* stop) {
    Walk walk(sys, rules, stop);
    // The real path is walked, so every entry's name is where it really is.
    if (auto real = RealFolderPath(sys, folder)) walk.Measure(*real);
    return walk.tally;
}

JunkTally EmptyJunkFolder(System& sys, std::string_view folder, const JunkWalkRules& rules) {
    Walk walk(sys, rules, nullptr);
    if (auto real = RealFolderPath(sys, folder))
        walk.Empty(*real);
    else if (sys.Exists(folder))
        ++walk.tally.unreadable;
    return walk.tally;
}

std::uint64_t GetFolderSize(System& sys, std::string_view folder, bool keepIndexFiles,
                            const std::atomic<bool>* stop) {
    JunkWalkRules rules;
    rules.keepIndexFiles = keepIndexFiles;
    return MeasureJunkFolder(sys, folder, rules, stop).bytes;
}

void DeleteFolderContents(System& sys, std::string_view folder, bool removeSubfolders,
                          bool keepIndexFiles, bool& allDeleted) {
    JunkWalkRules rules;
    rules.keepIndexFiles = keepIndexFiles;
    rules.removeSubfolders = removeSubfolders;
    if (EmptyJunkFolder(sys, folder, rules).filesLeft > 0) allDeleted = false;
}

} // namespace zt
