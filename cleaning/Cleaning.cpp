#include "cleaning/Cleaning.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "backup/BackupStore.h"
#include "cleaning/MachinePart.h"
#include "scan/RunApproval.h"
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

std::string ElevationOfferText(int machineWide) {
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "%d of the ticked items are machine-wide and need administrator rights.\n"
                  "Clean them with administrator rights? Windows asks for consent to run "
                  "Zentrove's console helper, which deletes only these items and writes their "
                  "backup to your backup folder.\n"
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

// What happened to one entry in this run, so that every finding of it shares that fate.
struct EntryFate {
    enum Kind { Deleted, NotDeleted, KeptBack } kind = Deleted;
    Status status;     // NotDeleted: why
    std::string cause; // KeptBack: why
};

// The entries a run has exported and deleted: keys, and values by key, under the registry's
// own folding of names. The same entry reported by several areas is met again here.
class RunLedger {
  public:
    explicit RunLedger(Registry& reg) : reg_(reg) {}

    // The name a finding's key is compared by: the registry's own full name when the platform
    // tells it (a key the 32-bit and 64-bit views share has one), else its root and path.
    // Taken while the key is there: the run names every finding's key before it deletes.
    const std::string& KeyName(const ScanFinding& f) {
        std::string path = std::to_string(f.root) + "\\" + FoldName(f.keyPath);
        auto it = names_.find(path);
        if (it != names_.end()) return it->second;
        std::string name = path;
        if (!f.keyPath.empty()) {
            RegKey key(reg_, reg_.OpenKeyRead(RootHandle(f.root), f.keyPath));
            if (key)
                if (auto object = reg_.KeyObjectName(key.get())) name = std::move(*object);
        }
        return names_.emplace(std::move(path), std::move(name)).first->second;
    }
    const EntryFate* Find(const ScanFinding& f) {
        const std::string& key = KeyName(f);
        auto it = entries_.find(EntryText(key, f));
        if (it != entries_.end()) return &it->second;
        // A key this run deleted took everything below it.
        static const EntryFate kGoneWithKey{};
        for (std::size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1))
            if (at > 0 && deletedKeys_.count(key.substr(0, at))) return &kGoneWithKey;
        if (f.kind == FindingKind::Value && deletedKeys_.count(key)) return &kGoneWithKey;
        return nullptr;
    }
    void Note(const ScanFinding& f, EntryFate fate) {
        const std::string& key = KeyName(f);
        if (f.kind == FindingKind::Key && fate.kind == EntryFate::Deleted) deletedKeys_.insert(key);
        entries_[EntryText(key, f)] = std::move(fate);
    }

  private:
    static std::string EntryText(const std::string& key, const ScanFinding& f) {
        if (f.kind == FindingKind::Key) return "K" + key;
        // A zero cannot be part of a name the registry hands out, so it parts key and value.
        return "V" + key + std::string(1, '\0') + FoldName(f.valueName);
    }
    Registry& reg_;
    std::unordered_map<std::string, std::string> names_;
    std::unordered_map<std::string, EntryFate> entries_;
    std::unordered_set<std::string> deletedKeys_;
};

// One run's export and deletion of findings, each finding's entry once.
class CleaningRun {
  public:
    CleaningRun(Registry& reg, CRegFileWriter& writer, CleanOutcome& out)
        : reg_(reg), writer_(writer), out_(out), ledger_(reg) {}

    bool deletedAny = false; // something left the registry, so the backup file holds it

    bool Dealt(const ScanFinding& f) { return ledger_.Find(f) != nullptr; }
    const std::string& KeyName(const ScanFinding& f) { return ledger_.KeyName(f); }

    // Exports and deletes `f` (the finding `shown` at its physical key) unless this run has
    // dealt with its entry; then it shares that entry's fate. Records the fate of `row`.
    void Clean(int row, const ScanFinding& shown, const ScanFinding& f) {
        const EntryFate* known = ledger_.Find(f);
        EntryFate fate = known ? *known : ExportAndDelete(f);
        if (!known) ledger_.Note(f, fate);
        switch (fate.kind) {
        case EntryFate::Deleted:
            ++out_.processed;
            out_.cleanedRows.push_back(row);
            break;
        case EntryFate::NotDeleted:
            out_.untickedRows.push_back(row);
            out_.notDeleted.push_back({shown, fate.status});
            break;
        case EntryFate::KeptBack:
            out_.untickedRows.push_back(row);
            ++out_.keptBack;
            out_.keptBackFindings.push_back({shown, fate.cause});
            break;
        }
    }

  private:
    static EntryFate KeptBackFor(std::string cause) {
        return {EntryFate::KeptBack, Status::Success(), std::move(cause)};
    }
    // An entry that is already gone is what the user asked for; one that went is noted.
    EntryFate Deleted(Status s) {
        if (s.ok()) deletedAny = true;
        if (s.ok() || s.code() == StatusCode::NotFound) return {};
        return {EntryFate::NotDeleted, s, {}};
    }

    // Exports the finding and deletes it when the export holds everything the deletion removes.
    EntryFate ExportAndDelete(const ScanFinding& f) {
        if (f.kind == FindingKind::Key) {
            cache_.key.Reset();
            // An empty path names the whole root: never deleted.
            if (f.keyPath.empty()) return KeptBackFor("a whole root is never deleted");
            if (!writer_.ExportKey(f.root, f.keyPath)) return KeptBackFor(writer_.keptBackCause());
            return Deleted(reg_.DeleteKeyTree(RootHandle(f.root), f.keyPath));
        }
        if (!cache_.key || cache_.root != f.root || !NamesEqual(cache_.path, f.keyPath)) {
            cache_.key.Reset();
            HKey opened = kNoKey;
            Status open =
                reg_.OpenKeyStatus(RootHandle(f.root), f.keyPath, Access::AllAccess, opened);
            if (open) {
                cache_ = ValueKeyCache{f.root, f.keyPath, RegKey(reg_, opened)};
            } else {
                // Gone, or not ours to change: the export on its own decides what is reported.
                if (!writer_.ExportValue(f.root, f.keyPath, f.valueName))
                    return KeptBackFor(writer_.keptBackCause());
                return Deleted(open);
            }
        }
        if (!writer_.ExportValue(f.root, f.keyPath, cache_.key.get(), f.valueName))
            return KeptBackFor(writer_.keptBackCause());
        // A Run value's Task Manager switch goes with it, into the same backup, as the startup
        // page deletes it; a switch the backup cannot hold keeps its entry whole.
        auto approval = RunValueApproval(reg_, f.root, f.keyPath, f.valueName);
        if (approval &&
            !writer_.ExportValue(approval->root, approval->keyPath, approval->valueName))
            return KeptBackFor("its startup approval value: " + writer_.keptBackCause());
        Status deleted = reg_.DeleteValue(cache_.key.get(), f.valueName);
        if (deleted.ok() && approval) DeleteApproval(*approval);
        return Deleted(deleted);
    }

    void DeleteApproval(const ApprovalValue& a) {
        ScanFinding entry{a.root, a.keyPath, a.valueName, FindingKind::Value};
        HKey opened = kNoKey;
        Status s = reg_.OpenKeyStatus(RootHandle(a.root), a.keyPath, Access::AllAccess, opened);
        RegKey key(reg_, opened);
        if (s.ok()) s = reg_.DeleteValue(key.get(), a.valueName);
        EntryFate fate = Deleted(s);
        // Not a row of the list: a switch left behind is named among what was not deleted.
        if (fate.kind == EntryFate::NotDeleted) out_.notDeleted.push_back({entry, fate.status});
        ledger_.Note(entry, std::move(fate));
    }

    Registry& reg_;
    CRegFileWriter& writer_;
    CleanOutcome& out_;
    ValueKeyCache cache_;
    RunLedger ledger_;
};

// For each finding, the later key findings whose key holds its entry, outermost first: they
// are cleaned before it, so their re-check sees the key as the scan did and their backup holds
// the whole key (a value deleted first would have changed the key's reason).
class EnclosingKeys {
  public:
    // `keys`: each finding's key as the run's ledger names it.
    EnclosingKeys(const std::vector<ScanFinding>& physical, std::vector<std::string> keys)
        : physical_(physical), keys_(std::move(keys)) {
        for (std::size_t i = 0; i < physical.size(); ++i)
            if (physical[i].kind == FindingKind::Key)
                byKey_[keys_[i]].push_back(static_cast<int>(i));
    }
    std::vector<int> After(int index, const std::vector<bool>& handled) const {
        std::vector<int> found;
        if (byKey_.empty()) return found;
        const std::string& key = keys_[index];
        auto take = [&](const std::string& path) {
            auto it = byKey_.find(path);
            if (it == byKey_.end()) return;
            for (int j : it->second)
                if (j > index && !handled[j]) found.push_back(j);
        };
        // Shorter prefixes first: the outermost key goes first and takes the rest with it.
        for (std::size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1))
            if (at > 0) take(key.substr(0, at));
        if (physical_[index].kind == FindingKind::Value) take(key);
        return found;
    }

  private:
    const std::vector<ScanFinding>& physical_;
    std::vector<std::string> keys_;
    std::unordered_map<std::string, std::vector<int>> byKey_;
};

// Opens a new backup file in `folder` (empty: the user's). A name another run (a helper
// beside the window) took between the choice and the creation is passed over for the next.
void OpenNewBackupFile(System& sys, CRegFileWriter& writer, std::string_view folder,
                       std::string& path) {
    for (int attempt = 0;; ++attempt) {
        path = folder.empty() ? MakeBackupFileName(sys) : MakeBackupFileName(sys, folder);
        try {
            writer.Open(path);
            return;
        } catch (const FileError&) {
            if (attempt >= 8 || !sys.Exists(path)) throw;
        }
    }
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
        ctx.offerElevation && !ctx.sys.IsElevated()
            ? static_cast<int>(
                  SplitTicked(ctx.reg, ctx.sys.CurrentUserSid(), ticked).machine.size())
            : 0;
    if (machineWide > 0) {
        // No is the consent to clean the rest; what needs the rights then stays listed.
        int answer = ctx.prompt.Ask(ElevationOfferText(machineWide), kProgramCaption,
                                    PromptButtons::YesNoCancel);
        out.machineByHelper = answer == kAnswerYes;
        if (answer != kAnswerYes && answer != kAnswerNo) {
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
        if (list.IsTicked(i)) {
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
    if (out.machineByHelper)
        RunCleaningWithHelper(reg, sys, writer, findings, out, progress, stop, recheck);
    else
        RunCleaningHere(reg, sys, writer, findings, out, progress, stop, recheck, {});
}

void RunCleaningHere(Registry& reg, System& sys, CRegFileWriter& writer,
                     const std::vector<TickedFinding>& findings, CleanOutcome& out,
                     CleaningSink* progress, const std::atomic<bool>* stop, FindingRecheck* recheck,
                     std::string_view backupFolder) {
    const int total = static_cast<int>(findings.size());
    int done = 0;
    // Each finding at the key the scan's view showed, fixed before anything goes: a per-user
    // class this run deletes must not turn a later finding of it into the machine's class.
    std::vector<ScanFinding> physical;
    physical.reserve(findings.size());
    for (const TickedFinding& t : findings) {
        physical.push_back(t.finding);
        ToPhysicalClassesKey(reg, physical.back());
    }
    CleaningRun run(reg, writer, out);
    std::vector<std::string> keys;
    keys.reserve(findings.size());
    for (const ScanFinding& f : physical)
        keys.push_back(run.KeyName(f));
    const EnclosingKeys enclosing(physical, std::move(keys));
    std::vector<bool> handled(findings.size(), false);
    auto handle = [&](int i) {
        handled[i] = true;
        const TickedFinding& t = findings[i];
        // Judged again unless this run already dealt with its entry. A row without a record of
        // what the scan saw cannot be judged again: not cleaned.
        if (recheck && !run.Dealt(physical[i]) &&
            !(t.reason && recheck->StillInvalid(t.finding, {*t.reason, t.valueText}))) {
            out.untickedRows.push_back(t.row);
            out.noLongerInvalid.push_back(t.finding);
        } else {
            run.Clean(t.row, t.finding, physical[i]);
        }
        if (progress) progress->Progress(++done, total);
    };
    try {
        OpenNewBackupFile(sys, writer, backupFolder, out.backupFile);
        for (int i = 0; i < total; ++i) {
            if (handled[i]) continue;
            if (stop && stop->load()) break;
            for (int j : enclosing.After(i, handled))
                if (!handled[j]) handle(j);
            handle(i);
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
    std::sort(out.cleanedRows.begin(), out.cleanedRows.end());
    std::sort(out.untickedRows.begin(), out.untickedRows.end());
    if (out.status == CleanStatus::Done && done < total) {
        out.stopped = true;
        out.notReached = total - done;
    }
    // A run that deleted nothing has nothing to undo: its file, whatever it holds (entries
    // that stayed, or only the header), would only be clutter. One that cannot be removed is
    // named below as the run's file.
    if (!run.deletedAny) static_cast<void>(sys.RemoveFile(out.backupFile));
    // The file a run made is kept even after a file error: it holds what was deleted before.
    if (!sys.Exists(out.backupFile)) out.backupFile.clear();
}

void FinishCleaning(const CleaningContext& ctx, FindingList& list, CleanOutcome& out,
                    bool rowsApplied) {
    if (!rowsApplied) {
        for (int row : out.untickedRows)
            list.UntickRow(row);
        // Cleaned rows leave the list together, so a large list is not shifted once per row.
        list.RemoveRows(out.cleanedRows);
    }

    // A helper that ended early may have left a file of its own: the page looks again.
    if (!out.backupFile.empty() || out.machineByHelper) ctx.sink.BackupWritten();
    std::string note = out.machineNote.empty() ? std::string() : "\n" + out.machineNote;
    if (out.status == CleanStatus::FileError)
        ctx.prompt.Ask(out.error + note, {}, PromptButtons::Ok);
    else
        ctx.prompt.Ask(CleanedTotalMessage(out.processed, out.keptBack, out.notDeleted, out.stopped,
                                           out.notReached,
                                           static_cast<int>(out.noLongerInvalid.size())) +
                           KeptBackCauses(out.keptBackFindings) + note,
                       {}, PromptButtons::Ok);
}

CleanOutcome CleanTicked(const CleaningContext& ctx, FindingList& list) {
    CleanOutcome out;
    std::vector<TickedFinding> ticked = TickedFindings(list);
    if (!ConfirmCleaning(ctx, list.Count(), ticked, out)) return out;
    if (out.machineByHelper)
        RunCleaningWithHelper(ctx.reg, ctx.sys, ctx.writer, ticked, out, &ctx.sink, nullptr,
                              ctx.recheck);
    else
        RunCleaningHere(ctx.reg, ctx.sys, ctx.writer, ticked, out, &ctx.sink, nullptr, ctx.recheck,
                        ctx.backupFolder);
    FinishCleaning(ctx, list, out);
    return out;
}

} // namespace zt
