#include "cleaning/Cleaning.h"

#include <cstdio>

#include "backup/BackupStore.h"
#include "scan/ScanSink.h"

namespace zt {

std::string CleanedTotalMessage(int processed, int keptBack) {
    char buf[192];
    std::snprintf(buf, sizeof buf, "Total %d items cleaned successfully!", processed);
    std::string text = buf;
    if (keptBack > 0) {
        std::snprintf(buf, sizeof buf,
                      "\n%d items were kept because they could not be backed up completely.",
                      keptBack);
        text += buf;
    }
    return text;
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

// Exports one finding and deletes it when the export holds everything the deletion removes.
bool ExportAndDelete(const CleaningContext& ctx, const ScanFinding& f) {
    if (f.kind == FindingKind::Key) {
        // An empty path names the whole root: never deleted.
        if (f.keyPath.empty()) return false;
        if (!ctx.writer.ExportKey(f.root, f.keyPath)) return false;
        ctx.reg.DeleteKeyTree(RootHandle(f.root), f.keyPath);
        return true;
    }
    if (!ctx.writer.ExportValue(f.root, f.keyPath, f.valueName)) return false;
    RegKey key(ctx.reg, ctx.reg.OpenKeyAllAccess(RootHandle(f.root), f.keyPath));
    if (key) ctx.reg.DeleteValue(key.get(), f.valueName);
    return true;
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
    // Only OK goes on; Cancel and a box closed through its title bar stop.
    if (ctx.prompt.Ask(kConfirmDeleteMessage, kProgramCaption, PromptButtons::OkCancel) !=
        kAnswerOk) {
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
            if (ExportAndDelete(ctx, list.FindingAt(j))) {
                ++out.processed;
                cleaned.push_back(j);
            } else {
                list.UncheckRow(j);
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
        ctx.prompt.Ask(CleanedTotalMessage(out.processed, out.keptBack), {}, PromptButtons::Ok);
    return out;
}

} // namespace zt
