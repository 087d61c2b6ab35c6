#include "cleaning/Cleaning.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "backup/BackupStore.h"
#include "scan/ScanSink.h"
#include "seams/AsciiText.h"
#include "seams/StatusText.h"

namespace zt {

std::string CleanedTotalMessage(int processed, int keptBack,
                                const std::vector<NotDeletedFinding>& notDeleted, bool stopped,
                                int notReached, int noLongerInvalid) {
    char buf[192];
    std::snprintf(buf, sizeof buf, "Total %d items cleaned successfully!", processed);
    std::string text = buf;
    if (keptBack > 0) {
        std::snprintf(buf, sizeof buf,
                      "\n%d items were kept because they could not be backed up completely.",
                      keptBack);
        text += buf;
    }
    if (!notDeleted.empty()) {
        std::vector<Status> causes;
        for (const auto& n : notDeleted)
            causes.push_back(n.status);
        text += '\n';
        text += NotDeletedSummary(causes);
    }
    if (stopped) {
        std::snprintf(buf, sizeof buf,
                      "\nThe cleaning was stopped: %d ticked items were not cleaned and are "
                      "still listed.",
                      notReached);
        text += buf;
    }
    if (noLongerInvalid > 0) {
        std::snprintf(buf, sizeof buf, "\n%d items %.*s.", noLongerInvalid,
                      static_cast<int>(kNoLongerInvalid.size()), kNoLongerInvalid.data());
        text += buf;
    }
    return text;
}

std::string KeptBackCauses(const std::vector<KeptBackFinding>& kept) {
    std::vector<std::string_view> causes;
    for (const auto& k : kept)
        if (!k.cause.empty() && std::find(causes.begin(), causes.end(), k.cause) == causes.end())
            causes.push_back(k.cause);
    std::string text;
    for (auto cause : causes)
        text.append("\n(").append(cause).append(")");
    return text;
}

std::string CleaningProgressLine(int done, int total) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "Cleaning... %d of %d items", done, total);
    return buf;
}

bool IsMachineWide(Registry& reg, const ScanFinding& f) {
    if (f.root == kLocalMachine) return true;
    if (f.root != kClassesRoot) return false;
    // The merged view shows the user's own key when there is one, and that one is writable.
    RegKey own(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), "Software\\Classes\\" + f.keyPath));
    return !own;
}

std::string ElevationOfferText(int machineWide) {
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "%d of the ticked items are machine-wide and need administrator rights.\n"
                  "Restart Zentrove as administrator?\n"
                  "No cleans the other items, Cancel cleans nothing.",
                  machineWide);
    return buf;
}

void FindingVector::RemoveRows(const std::vector<int>& ascending) {
    // One pass that keeps every row not named: linear however many go.
    std::size_t next = 0, kept = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (next < ascending.size() && static_cast<std::size_t>(ascending[next]) == i) {
            ++next;
            continue;
        }
        if (kept != i) rows[kept] = std::move(rows[i]);
        ++kept;
    }
    rows.resize(kept);
}

namespace {

// An entry that is already gone is what the user asked for.
Status Gone(Status s) {
    return s.code() == StatusCode::NotFound ? Status::Success() : s;
}

// The classes root merges the per-user classes over the machine's, the per-user key first.
// Backing up and deleting the key a lookup through it finds makes a restore put a per-user
// class back for that user only.
void ToPhysicalClassesKey(Registry& reg, ScanFinding& f) {
    if (f.root != kClassesRoot || f.keyPath.empty()) return;
    std::string physical = "Software\\Classes\\" + f.keyPath;
    for (RootKey r : {kCurrentUser, kLocalMachine}) {
        RegKey key(reg, reg.OpenKeyRead(RootHandle(r), physical));
        if (!key) continue;
        if (f.kind == FindingKind::Value && !reg.ReadValueWhole(key.get(), f.valueName)) continue;
        f.root = r;
        f.keyPath = physical;
        return;
    }
}

// The key of the last value finding, open for reading and deleting: consecutive values of
// one key (thousands under a shared-DLL key) share one open. A key finding may delete it, so
// it is dropped before each.
struct ValueKeyCache {
    RootKey root = 0;
    std::string path;
    RegKey key;
};

// Exports one finding and deletes it when the export holds everything the deletion removes.
// None when it was kept back for want of a full export; else how the deletion went.
std::optional<Status> ExportAndDelete(Registry& reg, CRegFileWriter& writer, ScanFinding f,
                                      ValueKeyCache& cache) {
    ToPhysicalClassesKey(reg, f);
    if (f.kind == FindingKind::Key) {
        cache.key.Reset();
        // An empty path names the whole root: never deleted.
        if (f.keyPath.empty()) return std::nullopt;
        if (!writer.ExportKey(f.root, f.keyPath)) return std::nullopt;
        return Gone(reg.DeleteKeyTree(RootHandle(f.root), f.keyPath));
    }
    if (!cache.key || cache.root != f.root || !NamesEqual(cache.path, f.keyPath)) {
        cache.key.Reset();
        HKey opened = kNoKey;
        Status open = reg.OpenKeyStatus(RootHandle(f.root), f.keyPath, Access::AllAccess, opened);
        if (open) {
            cache = ValueKeyCache{f.root, f.keyPath, RegKey(reg, opened)};
        } else {
            // Gone, or not ours to change: the export on its own decides what is reported.
            if (!writer.ExportValue(f.root, f.keyPath, f.valueName)) return std::nullopt;
            return Gone(open);
        }
    }
    if (!writer.ExportValue(f.root, f.keyPath, cache.key.get(), f.valueName)) return std::nullopt;
    return Gone(reg.DeleteValue(cache.key.get(), f.valueName));
}

int CountMachineWide(Registry& reg, const std::vector<TickedFinding>& ticked) {
    int n = 0;
    for (const TickedFinding& t : ticked)
        n += IsMachineWide(reg, t.finding);
    return n;
}

} // namespace

bool ConfirmCleaning(const CleaningContext& ctx, int listed,
                     const std::vector<TickedFinding>& ticked, CleanOutcome& out) {
    out = CleanOutcome{};
    if (listed == 0) return false;
    if (ticked.empty()) {
        out.status = CleanStatus::NoneChecked;
        ctx.prompt.Ask(kSelectItemsMessage, {}, PromptButtons::Ok);
        return false;
    }
    const int machineWide =
        ctx.offerElevation && !ctx.sys.IsElevated() ? CountMachineWide(ctx.reg, ticked) : 0;
    if (machineWide > 0) {
        // No is the consent to clean the rest; what needs the rights then stays listed.
        int answer = ctx.prompt.Ask(ElevationOfferText(machineWide), kProgramCaption,
                                    PromptButtons::YesNoCancel);
        if (answer == kAnswerYes) {
            ShellResult r =
                ctx.sys.Execute("runas", ctx.sys.GetModulePath(), {}, kShowNormal, false);
            out.status = r.started ? CleanStatus::Restarting : CleanStatus::Cancelled;
            if (!r.started) ctx.prompt.Tell(kRestartFailedMessage);
            return false;
        }
        if (answer != kAnswerNo) {
            out.status = CleanStatus::Cancelled;
            return false;
        }
    } else if (ctx.prompt.Ask(kConfirmDeleteMessage, kProgramCaption, PromptButtons::OkCancel) !=
               kAnswerOk) {
        // Only OK goes on; Cancel and a box closed through its title bar stop.
        out.status = CleanStatus::Cancelled;
        return false;
    }
    return true;
}

std::vector<TickedFinding> TickedFindings(const FindingList& list) {
    std::vector<TickedFinding> ticked;
    for (int i = 0; i < list.Count(); ++i)
        if (list.IsChecked(i)) {
            ticked.push_back({i, list.FindingAt(i), std::nullopt, {}});
            if (auto seen = list.SeenAt(i)) {
                ticked.back().reason.emplace(seen->reason);
                ticked.back().valueText.assign(seen->valueText);
            }
        }
    return ticked;
}

void RunCleaning(Registry& reg, System& sys, CRegFileWriter& writer,
                 const std::vector<TickedFinding>& findings, CleanOutcome& out,
                 CleaningSink* progress, const std::atomic<bool>* stop, FindingRecheck* recheck) {
    const int total = static_cast<int>(findings.size());
    int done = 0;
    ValueKeyCache cache;
    try {
        out.backupFile = MakeBackupFileName(sys);
        writer.Open(out.backupFile);
        for (const TickedFinding& t : findings) {
            if (stop && stop->load()) break;
            // A row without a record of what the scan saw cannot be judged again: not cleaned.
            if (recheck &&
                !(t.reason && recheck->StillInvalid(t.finding, {*t.reason, t.valueText}))) {
                out.uncheckedRows.push_back(t.row);
                out.noLongerInvalid.push_back(t.finding);
                if (progress) progress->Progress(++done, total);
                continue;
            }
            std::optional<Status> deleted = ExportAndDelete(reg, writer, t.finding, cache);
            if (deleted && *deleted) {
                ++out.processed;
                out.cleanedRows.push_back(t.row);
            } else {
                out.uncheckedRows.push_back(t.row);
                if (deleted) {
                    out.notDeleted.push_back({t.finding, *deleted});
                } else {
                    ++out.keptBack;
                    const bool root =
                        t.finding.kind == FindingKind::Key && t.finding.keyPath.empty();
                    out.keptBackFindings.push_back({t.finding, root
                                                                   ? "a whole root is never deleted"
                                                                   : writer.keptBackCause()});
                }
            }
            if (progress) progress->Progress(++done, total);
        }
        writer.Close();
        out.status = CleanStatus::Done;
    } catch (const FileError& e) {
        out.status = CleanStatus::FileError;
        out.error = e.what();
        // What was deleted before the failure is in the file: finish it as far as it goes.
        try {
            writer.Close();
        } catch (const FileError&) {
        }
    }
    if (out.status == CleanStatus::Done && done < total) {
        out.stopped = true;
        out.notReached = total - done;
    }
    // No finding reached its backup (all skipped by the re-check, or a stop came first): a
    // backup of nothing would only be clutter.
    if (out.status == CleanStatus::Done && out.processed == 0 && out.notDeleted.empty() &&
        out.keptBack == 0)
        (void)sys.RemoveFile(out.backupFile); // one that stays is still named, below
    // The file a run made is kept even after a file error: it holds what was deleted before.
    if (!sys.Exists(out.backupFile)) out.backupFile.clear();
}

void FinishCleaning(const CleaningContext& ctx, FindingList& list, CleanOutcome& out,
                    bool rowsApplied) {
    if (!rowsApplied) {
        for (int row : out.uncheckedRows)
            list.UncheckRow(row);
        // Cleaned rows leave the list together, so a large list is not shifted once per row.
        list.RemoveRows(out.cleanedRows);
    }

    ctx.sink.SetStatusText(FoundItemsLine(list.Count()));
    if (!out.backupFile.empty()) ctx.sink.RefreshBackupList();
    if (out.status == CleanStatus::FileError)
        ctx.prompt.Ask(out.error, {}, PromptButtons::Ok);
    else
        ctx.prompt.Ask(CleanedTotalMessage(out.processed, out.keptBack, out.notDeleted, out.stopped,
                                           out.notReached,
                                           static_cast<int>(out.noLongerInvalid.size())) +
                           KeptBackCauses(out.keptBackFindings),
                       {}, PromptButtons::Ok);
}

CleanOutcome CleanSelected(const CleaningContext& ctx, FindingList& list) {
    CleanOutcome out;
    std::vector<TickedFinding> ticked = TickedFindings(list);
    if (!ConfirmCleaning(ctx, list.Count(), ticked, out)) return out;
    RunCleaning(ctx.reg, ctx.sys, ctx.writer, ticked, out, &ctx.sink, nullptr, ctx.recheck);
    FinishCleaning(ctx, list, out);
    return out;
}

} // namespace zt
