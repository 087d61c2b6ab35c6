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

namespace {

bool AnyChecked(const FindingList& list) {
    for (int i = 0; i < list.Count(); ++i)
        if (list.IsChecked(i)) return true;
    return false;
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
    if (!AnyChecked(list)) {
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

    try {
        out.backupFile = MakeBackupFileName(ctx.sys);
        ctx.writer.Open(out.backupFile);
        for (int j = 0; j < list.Count();) {
            if (!list.IsChecked(j)) {
                ++j;
                continue;
            }
            // A copy: removing the row frees the finding.
            ScanFinding f = list.FindingAt(j);
            if (!ExportAndDelete(ctx, f)) {
                list.UncheckRow(j);
                ++out.keptBack;
                ++j;
                continue;
            }
            ++out.processed;
            list.RemoveRow(j);
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
