#include "cleaning/MachinePart.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "backup/BackupStore.h"
#include "cleaning/CleanReport.h"
#include "scan/FindingId.h"
#include "seams/AsciiText.h"

namespace zt {

namespace {

// The classes root merges the user's classes over the machine's: the finding is the user's
// when the user's key (and, for a value, the value in it) is what the merged view shows.
bool InOwnClasses(Registry& reg, const ScanFinding& f) {
    RegKey own(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), "Software\\Classes\\" + f.keyPath));
    if (own) return f.kind == FindingKind::Key || reg.ReadValueWhole(own.get(), f.valueName);
    // Neither there: nothing needs rights, the user's run finds it gone.
    RegKey machine(reg,
                   reg.OpenKeyRead(RootHandle(kLocalMachine), "Software\\Classes\\" + f.keyPath));
    return !machine;
}

std::string FindingIdOf(const TickedFinding& t) {
    return FindingId(t.finding.root, t.finding.keyPath, t.finding.valueName,
                     t.reason.value_or(std::string()));
}

// A file of the temporary folder no other run uses: named after the time, then numbered.
std::string FreshTempPath(System& sys, std::string_view stem, std::string_view extension) {
    LocalTime t = sys.GetLocalTime();
    char name[96];
    std::string path;
    for (int n = 0; n < 1000; ++n) {
        std::snprintf(name, sizeof name, "zentrove-%.*s-%02d%02d%02d%03d-%03d%.*s",
                      static_cast<int>(stem.size()), stem.data(), t.hour, t.minute, t.second,
                      t.milliseconds, n, static_cast<int>(extension.size()), extension.data());
        path = JoinPath(sys.GetTempFolder(), name);
        if (!sys.Exists(path)) break;
    }
    return path;
}

bool WriteTextFile(System& sys, const std::string& path, const std::string& text) {
    OutFileHandle file = sys.CreateOutFile(path);
    if (file == kNoOutFile) return false;
    bool written = sys.WriteOutFile(file, text.data(), text.size());
    return sys.CloseOutFile(file) && written;
}

// Runs the helper with `parameters` and the result file it names; its result's text, or none.
std::optional<std::string> RunHelper(System& sys, const std::string& parameters,
                                     const std::string& resultPath, const std::atomic<bool>* stop,
                                     ShellResult& r) {
    r = sys.RunElevated(HelperPath(sys), parameters, stop);
    std::optional<std::string> text = r.started ? sys.ReadWholeFile(resultPath) : std::nullopt;
    (void)sys.RemoveFile(resultPath); // a leftover in the temporary folder harms nothing
    return text;
}

// The user's part counts first, then the helper's as a whole: one bar over both.
class PartProgress : public CleaningSink {
  public:
    PartProgress(CleaningSink* to, int total) : to_(to), total_(total) {}
    void Progress(int done, int) override {
        if (to_) to_->Progress(done, total_);
    }

  private:
    CleaningSink* to_;
    int total_;
};

std::string CountedNote(int count, std::string_view why) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d machine-wide items were not cleaned", count);
    return std::string(buf) + ": " + std::string(why) + ".";
}

// Why the helper gave no result, in the user's words.
std::string NoResultCause(const ShellResult& r) {
    if (r.declined) return "the administrator's consent was not given";
    if (!r.started) return "the helper could not be started";
    if (r.stopped)
        return "the cleaning was stopped and the helper ended early; what it deleted is in its "
               "backup file on the Backup page";
    return "the helper ended early without its result; what it deleted is in its backup file "
           "on the Backup page";
}

// Gives each of the helper's ticked rows the fate its result names; a row it names nowhere was
// not reached and stays ticked.
void MergeReport(const std::vector<TickedFinding>& machine, const CleanReport& report,
                 CleanOutcome& out) {
    // Rows by id: two rows of one finding (two areas that report it alike) share its fate.
    std::unordered_multimap<std::string, int> rowOf;
    for (const TickedFinding& t : machine)
        rowOf.emplace(FindingIdOf(t), t.row);
    auto take = [&](const std::string& id, std::vector<int>& to) {
        auto [first, last] = rowOf.equal_range(id);
        int n = 0;
        for (auto it = first; it != last; ++it, ++n)
            to.push_back(it->second);
        rowOf.erase(first, last);
        return n;
    };
    auto untick = [&](const std::string& id) { take(id, out.untickedRows); };
    for (const std::string& id : report.cleanedIds)
        out.processed += take(id, out.cleanedRows);
    for (const auto& [id, n] : report.notDeleted) {
        out.notDeleted.push_back(n);
        untick(id);
    }
    for (const auto& [id, k] : report.keptBack) {
        out.keptBackFindings.push_back(k);
        ++out.keptBack;
        untick(id);
    }
    for (const auto& [id, f] : report.skipped) {
        out.noLongerInvalid.push_back(f);
        untick(id);
    }
    const std::size_t before = rowOf.size();
    for (const auto& r : report.refused)
        untick(r.first);
    const int refused = static_cast<int>(before - rowOf.size());
    out.machineBackupFile = report.backupFile;
    if (!report.error.empty())
        out.machineNote = CountedNote(static_cast<int>(rowOf.size()), report.error);
    else if (refused > 0)
        out.machineNote = CountedNote(refused, kOwnHiveRefused);
    if (!rowOf.empty() && report.error.empty()) {
        out.stopped = true;
        out.notReached += static_cast<int>(rowOf.size());
    }
}

} // namespace

bool InOwnHive(Registry& reg, std::string_view sid, const ScanFinding& f) {
    if (f.root == kClassesRoot) return InOwnClasses(reg, f);
    return InAccountsHive(f.root, f.keyPath, sid);
}

TickedParts SplitTicked(Registry& reg, std::string_view sid,
                        const std::vector<TickedFinding>& ticked) {
    TickedParts parts;
    for (const TickedFinding& t : ticked)
        (InOwnHive(reg, sid, t.finding) ? parts.user : parts.machine).push_back(t);
    return parts;
}

std::string HelperPath(System& sys) {
    std::string self = sys.GetModulePath();
    std::size_t slash = self.find_last_of('\\');
    return JoinPath(slash == std::string::npos ? std::string() : self.substr(0, slash),
                    kHelperProgram);
}

std::string HelperCleanParameters(std::string_view plan, std::string_view backupFolder,
                                  std::string_view result) {
    return "clean --yes --json --plan " + QuotedArgument(plan) + " --backup-folder " +
           QuotedArgument(backupFolder) + " --result " + QuotedArgument(result);
}

std::vector<PlanEntry> RefuseOwnHive(Registry& reg, std::string_view sid,
                                     std::vector<PlanEntry> entries,
                                     std::vector<std::pair<std::string, std::string>>& refused) {
    std::vector<PlanEntry> kept;
    for (PlanEntry& e : entries) {
        if (InOwnHive(reg, sid, e.finding))
            refused.emplace_back(e.id, std::string(kOwnHiveRefused));
        else
            kept.push_back(std::move(e));
    }
    return kept;
}

void RunCleaningWithHelper(Registry& reg, System& sys, CRegFileWriter& writer,
                           const std::vector<TickedFinding>& findings, CleanOutcome& out,
                           CleaningSink* progress, const std::atomic<bool>* stop,
                           FindingRecheck* recheck) {
    TickedParts parts = SplitTicked(reg, sys.CurrentUserSid(), findings);
    const int total = static_cast<int>(findings.size());
    PartProgress userProgress(progress, total);
    RunCleaningHere(reg, sys, writer, parts.user, out, &userProgress, stop, recheck, {});
    const int machineCount = static_cast<int>(parts.machine.size());
    if (machineCount == 0 || out.status == CleanStatus::FileError) {
        if (machineCount > 0) out.machineNote = CountedNote(machineCount, "the cleaning ended");
        return;
    }
    if (stop && stop->load()) {
        out.stopped = true;
        out.notReached += machineCount;
        return;
    }
    std::vector<PlanEntry> plan;
    for (const TickedFinding& t : parts.machine)
        plan.push_back({FindingIdOf(t), t.finding, t.reason.value_or(std::string()), t.valueText});
    const std::string planPath = FreshTempPath(sys, "plan", ".json");
    const std::string resultPath = FreshTempPath(sys, "result", ".json");
    ShellResult r;
    std::optional<std::string> text;
    if (WriteTextFile(sys, planPath, WriteCleanPlan(plan)))
        text = RunHelper(sys, HelperCleanParameters(planPath, GetBackupFolder(sys), resultPath),
                         resultPath, stop, r);
    (void)sys.RemoveFile(planPath);
    CleanReport report;
    if (text && ReadCleanReport(*text, report))
        MergeReport(parts.machine, report, out);
    else
        out.machineNote = CountedNote(machineCount, NoResultCause(r));
    std::sort(out.cleanedRows.begin(), out.cleanedRows.end());
    std::sort(out.untickedRows.begin(), out.untickedRows.end());
    if (progress) progress->Progress(total, total);
}

RestoreReport RestoreWithHelper(Registry& reg, System& sys, const std::string& path) {
    std::vector<RegFileEntry> entries;
    RestoreReport preview = PreviewRestore(reg, sys, path, entries);
    const std::string sid = sys.CurrentUserSid();
    const auto machine = std::count_if(entries.begin(), entries.end(), [&](const RegFileEntry& e) {
        return !InAccountsHive(e.root, e.subkey, sid);
    });
    // Rights enough, nothing of the machine's, or nothing to replay: this process does it all.
    if (sys.IsElevated() || machine == 0 || preview.result != RestoreResult::Restored)
        return RestoreBackupFile(reg, sys, path);
    if (machine < static_cast<long>(entries.size())) {
        RestoreReport user = RestoreBackupFile(reg, sys, path, kEditorTimeoutMs, RestorePart::User);
        if (user.result != RestoreResult::Restored &&
            user.result != RestoreResult::RestoredInCodePage &&
            user.result != RestoreResult::Partial)
            return user; // the editor failed here: it would fail the helper too
    }
    std::string whyNot;
    auto text = RunHelperForResult(
        sys, "restore " + QuotedArgument(path) + " --part machine --json", nullptr, whyNot);
    // Verified as a whole restore is: every entry of the file read back here.
    CompareWithRegistry(reg, entries);
    RestoreReport merged = preview;
    merged.verified = 0;
    merged.failed.clear();
    for (const RegFileEntry& e : entries)
        if (e.state == EntryState::Same)
            ++merged.verified;
        else
            merged.failed.push_back(e);
    if (!merged.failed.empty())
        merged.result = RestoreResult::Partial;
    else if (merged.codePageText)
        merged.result = RestoreResult::RestoredInCodePage;
    if (!text) merged.note = "The machine-wide entries were not restored: " + whyNot + ".";
    return merged;
}

std::optional<std::string> RunHelperForResult(System& sys, std::string_view command,
                                              const std::atomic<bool>* stop, std::string& whyNot) {
    const std::string resultPath = FreshTempPath(sys, "result", ".json");
    ShellResult r;
    auto text = RunHelper(sys, std::string(command) + " --result " + QuotedArgument(resultPath),
                          resultPath, stop, r);
    if (!text) whyNot = NoResultCause(r);
    return text;
}

std::string QuotedArgument(std::string_view text) {
    std::string quoted(1, '"');
    quoted.append(text);
    // Backslashes before the closing quote would escape it: each is doubled.
    for (auto it = text.rbegin(); it != text.rend() && *it == '\\'; ++it)
        quoted.push_back('\\');
    quoted.push_back('"');
    return quoted;
}

} // namespace zt
