#include "cli/CmdClean.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <vector>

#include "backup/BackupStore.h"
#include "cleaning/CleanPlan.h"
#include "cleaning/CleanReport.h"
#include "cleaning/MachinePart.h"
#include "cli/ConsolePrompt.h"
#include "cli/IdList.h"
#include "cli/ScanOptions.h"
#include "cli/ConsoleText.h"
#include "cleaning/Cleaning.h"
#include "scan/FindingId.h"
#include "scan/ScanEngine.h"

namespace zt::cli {

namespace {

using Refusals = std::vector<std::pair<std::string, std::string>>;

// Shows done/total and the time so far on a line of its own that updates, when the error
// stream is a terminal; nothing when it is redirected.
class ConsoleCleaningSink : public CleaningSink {
  public:
    explicit ConsoleCleaningSink(std::FILE* err)
        : err_(err), show_(err == stderr && IsConsole(StdStream::Error)) {}
    ~ConsoleCleaningSink() override {
        if (shown_) Printf(err_, "\n");
    }
    void Progress(int done, int total) override {
        if (!show_) return;
        auto now = Clock::now();
        // A few updates a second are plenty, and each is a write to the console.
        if (done != total && shown_ && now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        shown_ = true;
        double seconds = std::chrono::duration<double>(now - start_).count();
        Printf(err_, "\rcleaning %d/%d  %.1f s ", done, total, seconds);
        std::fflush(err_);
    }

  private:
    using Clock = std::chrono::steady_clock;
    std::FILE* err_;
    bool show_;
    bool shown_ = false;
    Clock::time_point start_ = Clock::now();
    Clock::time_point last_;
};

int UsageError(CliContext& ctx, const std::string& why) {
    Printf(ctx.err,
           "zentrove-cli clean: %s\nusage: zentrove-cli clean [--yes] [--categories LIST] "
           "[--only ID[,ID...] | --plan FILE [--backup-folder DIR]] [--json]\nLIST: "
           "comma-separated indices 0-12 or names (CheckCLSID, ...); ID: a finding's id from "
           "scan --json; FILE: a saved scan --json; DIR: where the backup file goes, which also "
           "refuses every finding of the account's own hive\n",
           why.c_str());
    return kExitUsage;
}

std::string Where(const ScanFinding& f) {
    std::string where = std::string(RootAbbreviation(f.root)) + f.keyPath;
    if (f.kind == FindingKind::Value) where += "\\" + f.valueName;
    return where;
}

// What `clean` was asked: the scan options, --only LIST, --plan FILE, --backup-folder DIR.
struct CleanRequest {
    ScanOptions options;
    std::optional<std::string> only;
    std::optional<std::string> plan;
    std::optional<std::string> backupFolder;
    std::vector<std::string> onlyIds;
};

// Takes NAME VALUE and NAME=VALUE of the request's own options out of the arguments.
bool TakeValues(const Args& args, Args& rest, CleanRequest& req, std::string& why) {
    const std::pair<std::string, std::optional<std::string>*> options[] = {
        {"--only", &req.only}, {"--plan", &req.plan}, {"--backup-folder", &req.backupFolder}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto named = std::find_if(std::begin(options), std::end(options), [&](const auto& o) {
            return a == o.first || a.rfind(o.first + "=", 0) == 0;
        });
        if (named == std::end(options)) {
            rest.push_back(a);
            continue;
        }
        const auto& [name, slot] = *named;
        if (*slot) {
            why = name + " given twice";
            return false;
        }
        if (a == name && i + 1 >= args.size()) {
            why = name + " needs a value";
            return false;
        }
        *slot = a == name ? args[++i] : a.substr(name.size() + 1);
    }
    return true;
}

bool ParseCleanRequest(const Args& args, CleanRequest& req, std::string& why) {
    Args rest;
    if (!TakeValues(args, rest, req, why) || !ParseScanOptions(rest, true, req.options, why))
        return false;
    if (req.only && req.plan)
        why = "--only and --plan exclude each other";
    else if (req.plan && req.options.haveList)
        why = "--plan takes no --categories";
    else if (req.backupFolder && !req.plan)
        why = "--backup-folder needs --plan";
    else if (req.only && !ParseIdList(*req.only, "finding", req.onlyIds, why))
        return false;
    return why.empty();
}

ScanRow RowOf(const PlanEntry& e, std::size_t number) {
    ScanRow row;
    row.finding = e.finding;
    row.number = std::to_string(number);
    row.path = std::string(RootAbbreviation(e.finding.root)) + e.finding.keyPath + "\\" +
               e.finding.valueName;
    row.valueText = e.valueText;
    row.reason = e.reason;
    return row;
}

// The plan's findings, as the list would show them; an exit code when the plan is refused.
std::optional<int> RowsFromPlan(CliContext& ctx, const CleanRequest& req,
                                std::vector<ScanRow>& shown, Refusals& refused) {
    auto text = ctx.system.ReadWholeFile(*req.plan);
    if (!text) {
        Printf(ctx.err, "zentrove-cli clean: cannot read the plan %s\n", req.plan->c_str());
        return kExitUsage;
    }
    CleanPlan plan;
    std::string why;
    if (!ReadCleanPlan(*text, plan, why)) {
        Printf(ctx.err, "zentrove-cli clean: plan %s refused: %s; nothing deleted\n",
               req.plan->c_str(), why.c_str());
        return kExitUsage;
    }
    refused = std::move(plan.refused);
    // The helper's run: the account's own hive is not the machine's, whatever the plan says.
    if (req.backupFolder)
        plan.entries = RefuseOwnHive(ctx.registry, ctx.system.CurrentUserSid(),
                                     std::move(plan.entries), refused);
    for (const PlanEntry& e : plan.entries)
        shown.push_back(RowOf(e, shown.size() + 1));
    return std::nullopt;
}

// A fresh scan's findings (of --only's ids alone when given), newest first as the list shows.
void RowsFromScan(CliContext& ctx, const CleanRequest& req, std::vector<ScanRow>& shown,
                  Refusals& refused) {
    CollectingScanSink scanSink;
    RunConsoleScan(ctx, req.options, scanSink);
    std::vector<bool> found(req.onlyIds.size(), false);
    for (auto it = scanSink.rows.rbegin(); it != scanSink.rows.rend(); ++it) {
        if (req.only) {
            std::string id =
                FindingId(it->finding.root, it->finding.keyPath, it->finding.valueName, it->reason);
            auto at = std::find(req.onlyIds.begin(), req.onlyIds.end(), id);
            if (at == req.onlyIds.end()) continue;
            found[at - req.onlyIds.begin()] = true;
        }
        shown.push_back(std::move(*it));
    }
    for (std::size_t i = 0; i < req.onlyIds.size(); ++i)
        if (!found[i]) refused.emplace_back(req.onlyIds[i], "not found by a fresh scan");
}

// What is about to go, as `scan` prints it, before the question.
void PrintPreview(CliContext& ctx, const std::vector<ScanRow>& shown) {
    for (const auto& row : shown)
        Printf(ctx.out, "%s\t%s\t%s\t%s\n", row.number.c_str(), row.path.c_str(),
               row.valueText.c_str(), row.reason.c_str());
    Printf(ctx.out, "%s", FoundItemsLine(static_cast<int>(shown.size())).c_str());
    std::fflush(ctx.out);
}

void PrintOutcome(CliContext& ctx, const CleanOutcome& out, const Refusals& refused,
                  const std::string& total) {
    if (!out.backupFile.empty()) Printf(ctx.out, "%s\n", out.backupFile.c_str());
    for (const auto& n : out.notDeleted)
        Printf(ctx.out, "%s\tnot deleted: %s\n", Where(n.finding).c_str(),
               n.status.Describe().c_str());
    for (const auto& k : out.keptBackFindings)
        Printf(ctx.out, "%s\tkept back: %s\n", Where(k.finding).c_str(), k.cause.c_str());
    for (const auto& f : out.noLongerInvalid)
        Printf(ctx.out, "%s\t%s\n", Where(f).c_str(), std::string(kNoLongerInvalid).c_str());
    for (const auto& [id, cause] : refused)
        Printf(ctx.out, "%s\tnot cleaned: %s\n", id.c_str(), cause.c_str());
    if (out.status != CleanStatus::FileError) Printf(ctx.out, "%s\n", total.c_str());
}

// The outcome as text or JSON; the exit code: kept back is left undone as much as not deleted.
int Report(CliContext& ctx, bool json, const std::vector<ScanRow>& shown, const CleanOutcome& out,
           const Refusals& refused) {
    if (out.status == CleanStatus::FileError)
        Printf(ctx.err, "zentrove-cli clean: %s\n", out.error.c_str());
    const int skipped = static_cast<int>(out.noLongerInvalid.size());
    std::string total = out.status == CleanStatus::EmptyList
                            ? CleanedTotalMessage(0, 0)
                            : CleanedTotalMessage(out.processed, out.keptBack, out.notDeleted,
                                                  out.stopped, out.notReached, skipped);
    if (json) {
        std::vector<PlanEntry> entries;
        for (const auto& row : shown)
            entries.push_back({FindingId(row.finding.root, row.finding.keyPath,
                                         row.finding.valueName, row.reason),
                               row.finding, row.reason, row.valueText});
        std::string message = out.status == CleanStatus::FileError ? out.error : total;
        Printf(ctx.out, "%s\n", CleanReportText(entries, out, refused, message).c_str());
    } else {
        PrintOutcome(ctx, out, refused, total);
    }
    std::fflush(ctx.out);
    bool complete = out.status != CleanStatus::FileError && out.notDeleted.empty() &&
                    out.keptBack == 0 && skipped == 0 && refused.empty() && out.notReached == 0;
    return complete ? kExitOk : kExitFailed;
}

} // namespace

int RunClean(CliContext& ctx, const Args& args, const CleanConfirm& confirm) {
    CleanRequest req;
    std::string why;
    if (!ParseCleanRequest(args, req, why)) return UsageError(ctx, why);
    std::vector<ScanRow> shown;
    Refusals refused;
    if (req.plan) {
        if (auto code = RowsFromPlan(ctx, req, shown, refused)) return *code;
    } else {
        RowsFromScan(ctx, req, shown, refused);
    }
    if (!req.options.json) PrintPreview(ctx, shown);

    FindingVector list;
    for (const auto& row : shown)
        list.Add(row.finding, row.reason, row.valueText);
    ConsolePrompt prompt(req.options.yes, confirm);
    ConsoleCleaningSink pageSink(ctx.err);
    CRegFileWriter writer(ctx.registry, ctx.system);
    // Each finding is judged again just before its backup.
    FindingRecheck recheck(ctx.registry, ctx.system);
    CleanOutcome out =
        CleanTicked(CleaningContext{ctx.registry, ctx.system, writer, prompt, pageSink, false,
                                    &recheck, req.backupFolder.value_or(std::string())},
                    list);
    if (out.status == CleanStatus::Cancelled) {
        if (prompt.noTerminal) {
            Printf(ctx.err, "zentrove-cli clean: no terminal to confirm on; pass --yes to clean\n");
            return kExitUsage;
        }
        Printf(ctx.err, "zentrove-cli clean: cancelled, nothing deleted\n");
        return kExitFailed;
    }
    return Report(ctx, req.options.json, shown, out, refused);
}

int RunCleanCommand(CliContext& ctx, const Args& args) {
    return RunClean(ctx, args, AskOnTerminal);
}

} // namespace zt::cli
