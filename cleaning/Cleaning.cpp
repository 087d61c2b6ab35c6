#include "cleaning/Cleaning.h"

#include <cstdio>
#include <optional>

#include "backup/BackupStore.h"
#include "scan/ScanSink.h"
#include "seams/StatusText.h"

namespace zt {

std::string CleanedTotalMessage(int processed, int keptBack,
                                const std::vector<NotDeletedFinding>& notDeleted,
                                int noLongerInvalid) {
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
        text += "\n" + NotDeletedSummary(causes);
    }
    if (noLongerInvalid > 0)
        text += "\n" + std::to_string(noLongerInvalid) + " items " + std::string(kNoLongerInvalid) +
                ".";
    return text;
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

int CountChecked(const FindingList& list) {
    int n = 0;
    for (int i = 0; i < list.Count(); ++i)
        n += list.IsChecked(i);
    return n;
}

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

// Exports one finding and deletes it when the export holds everything the deletion removes.
// None when it was kept back for want of a full export; else how the deletion went.
std::optional<Status> ExportAndDelete(const CleaningContext& ctx, ScanFinding f) {
    ToPhysicalClassesKey(ctx.reg, f);
    if (f.kind == FindingKind::Key) {
        // An empty path names the whole root: never deleted.
        if (f.keyPath.empty()) return std::nullopt;
        if (!ctx.writer.ExportKey(f.root, f.keyPath)) return std::nullopt;
        return Gone(ctx.reg.DeleteKeyTree(RootHandle(f.root), f.keyPath));
    }
    if (!ctx.writer.ExportValue(f.root, f.keyPath, f.valueName)) return std::nullopt;
    HKey opened = kNoKey;
    Status open = ctx.reg.OpenKeyStatus(RootHandle(f.root), f.keyPath, Access::AllAccess, opened);
    RegKey key(ctx.reg, opened);
    if (!open) return Gone(open);
    return Gone(ctx.reg.DeleteValue(key.get(), f.valueName));
}

// A row without a record of what the scan saw cannot be judged again, so it is not cleaned.
bool StillInvalid(const CleaningContext& ctx, const FindingList& list, int index) {
    std::optional<FindingSeen> seen = list.SeenAt(index);
    return seen && ctx.recheck->StillInvalid(list.FindingAt(index), *seen);
}

int CountMachineWideTicked(Registry& reg, const FindingList& list) {
    int n = 0;
    for (int i = 0; i < list.Count(); ++i)
        if (list.IsChecked(i) && IsMachineWide(reg, list.FindingAt(i))) ++n;
    return n;
}

} // namespace

CleanOutcome CleanSelected(const CleaningContext& ctx, FindingList& list) {
    CleanOutcome out;
    if (list.Count() == 0) return out;
    const int ticked = CountChecked(list);
    if (ticked == 0) {
        out.status = CleanStatus::NoneChecked;
        ctx.prompt.Ask(kSelectItemsMessage, {}, PromptButtons::Ok);
        return out;
    }
    const int machineWide =
        ctx.offerElevation && !ctx.sys.IsElevated() ? CountMachineWideTicked(ctx.reg, list) : 0;
    if (machineWide > 0) {
        // No is the consent to clean the rest; what needs the rights then stays listed.
        int answer = ctx.prompt.Ask(ElevationOfferText(machineWide), kProgramCaption,
                                    PromptButtons::YesNoCancel);
        if (answer == kAnswerYes) {
            ShellResult r =
                ctx.sys.Execute("runas", ctx.sys.GetModulePath(), {}, kShowNormal, false);
            out.status = r.started ? CleanStatus::Restarting : CleanStatus::Cancelled;
            if (!r.started) ctx.prompt.Tell(kRestartFailedMessage);
            return out;
        }
        if (answer != kAnswerNo) {
            out.status = CleanStatus::Cancelled;
            return out;
        }
    } else if (ctx.prompt.Ask(kConfirmDeleteMessage, kProgramCaption, PromptButtons::OkCancel) !=
               kAnswerOk) {
        // Only OK goes on; Cancel and a box closed through its title bar stop.
        out.status = CleanStatus::Cancelled;
        return out;
    }

    // Cleaned rows leave the list together at the end, so a large list is not shifted once per
    // row; a file error still removes those that were deleted before it.
    std::vector<int> cleaned;
    try {
        out.backupFile = MakeBackupFileName(ctx.sys);
        ctx.writer.Open(out.backupFile);
        int done = 0;
        for (int j = 0; j < list.Count(); ++j) {
            if (!list.IsChecked(j)) continue;
            if (ctx.recheck && !StillInvalid(ctx, list, j)) {
                list.UncheckRow(j);
                out.noLongerInvalid.push_back(list.FindingAt(j));
                ctx.sink.Progress(++done, ticked);
                continue;
            }
            std::optional<Status> deleted = ExportAndDelete(ctx, list.FindingAt(j));
            if (deleted && *deleted) {
                ++out.processed;
                cleaned.push_back(j);
            } else {
                list.UncheckRow(j);
                if (deleted)
                    out.notDeleted.push_back({list.FindingAt(j), *deleted});
                else
                    ++out.keptBack;
            }
            ctx.sink.Progress(++done, ticked);
        }
        ctx.writer.Close();
        out.status = CleanStatus::Done;
    } catch (const FileError& e) {
        out.status = CleanStatus::FileError;
        out.error = e.what();
        // What was deleted before the failure is in the file: finish it as far as it goes.
        try {
            ctx.writer.Close();
        } catch (const FileError&) {
        }
    }
    list.RemoveRows(cleaned);

    ctx.sink.SetStatusText(FoundItemsLine(list.Count()));
    // After a file error the file still holds what was deleted before it, so it is listed.
    if (ctx.sys.Exists(out.backupFile))
        ctx.sink.RefreshBackupList();
    else
        out.backupFile.clear();
    if (out.status == CleanStatus::FileError)
        ctx.prompt.Ask(out.error, {}, PromptButtons::Ok);
    else
        ctx.prompt.Ask(CleanedTotalMessage(out.processed, out.keptBack, out.notDeleted,
                                           static_cast<int>(out.noLongerInvalid.size())),
                       {}, PromptButtons::Ok);
    return out;
}

} // namespace zt
