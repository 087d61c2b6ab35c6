#include "cli/CmdClean.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <unordered_map>
#include <vector>

#include "backup/BackupStore.h"
#include "cli/CleanPlan.h"
#include "cli/ConsolePrompt.h"
#include "cli/IdList.h"
#include "cli/ScanOptions.h"
#include "cli/ConsoleText.h"
#include "cleaning/Cleaning.h"
#include "scan/FindingId.h"
#include "scan/ScanEngine.h"

namespace zt::cli {

namespace {

// Shows done/total and the time so far on a line of its own that updates, when the error
// stream is a terminal; nothing when it is redirected.
class ConsoleCleaningSink : public CleaningSink {
  public:
    explicit ConsoleCleaningSink(std::FILE* err)
        : err_(err), show_(err == stderr && IsConsole(StdStream::Error)) {}
    ~ConsoleCleaningSink() override {
        if (shown_) Printf(err_, "\n");
    }
    void SetStatusText(std::string_view) override {}
    void RefreshBackupList() override {}
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
           "[--only ID[,ID...] | --plan FILE] [--json]\nLIST: comma-separated indices 0-12 "
           "or names (CheckCLSID, ...); ID: a finding's id from scan --json; FILE: a saved "
           "scan --json\n",
           why.c_str());
    return kExitUsage;
}

nlohmann::json FindingJson(const ScanFinding& f, std::string_view reason = {}) {
    std::string root(RootAbbreviation(f.root));
    if (!root.empty() && root.back() == '\\') root.pop_back();
    nlohmann::json j = {{"root", root},
                        {"keyPath", f.keyPath},
                        {"valueName", f.valueName},
                        {"kind", f.kind == FindingKind::Key ? "Key" : "Value"}};
    if (!reason.empty()) j["id"] = FindingId(f.root, f.keyPath, f.valueName, reason);
    return j;
}

std::string Where(const ScanFinding& f) {
    std::string where = std::string(RootAbbreviation(f.root)) + f.keyPath;
    if (f.kind == FindingKind::Value) where += "\\" + f.valueName;
    return where;
}

// --only LIST and --plan FILE (or =LIST, =FILE), taken out of the arguments.
struct Selection {
    std::optional<std::string> only;
    std::optional<std::string> plan;
};

bool TakeSelection(const Args& args, Args& rest, Selection& sel, std::string& why) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::optional<std::string>* slot = nullptr;
        std::string value;
        for (auto [name, target] :
             {std::pair{"--only", &sel.only}, std::pair{"--plan", &sel.plan}}) {
            std::string n = name;
            if (a == n) {
                if (i + 1 >= args.size()) {
                    why = n + " needs " + (target == &sel.only ? "a list of ids" : "a file");
                    return false;
                }
                slot = target;
                value = args[++i];
            } else if (a.rfind(n + "=", 0) == 0) {
                slot = target;
                value = a.substr(n.size() + 1);
            }
            if (slot) break;
        }
        if (!slot) {
            rest.push_back(a);
            continue;
        }
        if (*slot) {
            why = a.substr(0, 6) + " given twice";
            return false;
        }
        *slot = value;
    }
    if (sel.only && sel.plan) {
        why = "--only and --plan exclude each other";
        return false;
    }
    return true;
}

} // namespace

int RunClean(CliContext& ctx, const Args& args, const CleanConfirm& confirm) {
    Args rest;
    Selection sel;
    std::string why;
    if (!TakeSelection(args, rest, sel, why)) return UsageError(ctx, why);
    ScanOptions options;
    if (!ParseScanOptions(rest, true, options, why)) return UsageError(ctx, why);
    if (sel.plan && options.haveList) return UsageError(ctx, "--plan takes no --categories");
    std::vector<std::string> onlyIds;
    if (sel.only && !ParseIdList(*sel.only, "finding", onlyIds, why)) return UsageError(ctx, why);
    const bool json = options.json;

    // The rows about to be cleaned, as the list shows them (newest first), every one ticked;
    // ids asked for that will not be cleaned, each with why.
    FindingVector list;
    std::vector<ScanRow> shown;
    std::vector<std::pair<std::string, std::string>> refused;
    if (sel.plan) {
        auto text = ctx.system.ReadWholeFile(*sel.plan);
        if (!text) {
            Printf(ctx.err, "zentrove-cli clean: cannot read the plan %s\n", sel.plan->c_str());
            return kExitUsage;
        }
        CleanPlan plan;
        if (!ReadCleanPlan(*text, plan, why)) {
            Printf(ctx.err, "zentrove-cli clean: plan %s refused: %s; nothing deleted\n",
                   sel.plan->c_str(), why.c_str());
            return kExitUsage;
        }
        refused = std::move(plan.refused);
        for (auto& e : plan.entries) {
            ScanRow row;
            row.finding = e.finding;
            row.number = std::to_string(shown.size() + 1);
            row.path = std::string(RootAbbreviation(e.finding.root)) + e.finding.keyPath + "\\" +
                       e.finding.valueName;
            row.valueText = e.valueText;
            row.reason = e.reason;
            shown.push_back(std::move(row));
        }
    } else {
        CollectingScanSink scanSink;
        RunConsoleScan(ctx, options, scanSink);
        std::vector<bool> found(onlyIds.size(), false);
        for (auto it = scanSink.rows.rbegin(); it != scanSink.rows.rend(); ++it) {
            if (sel.only) {
                std::string id = FindingId(it->finding.root, it->finding.keyPath,
                                           it->finding.valueName, it->reason);
                auto at = std::find(onlyIds.begin(), onlyIds.end(), id);
                if (at == onlyIds.end()) continue;
                found[at - onlyIds.begin()] = true;
            }
            shown.push_back(std::move(*it));
        }
        for (std::size_t i = 0; i < onlyIds.size(); ++i)
            if (!found[i]) refused.emplace_back(onlyIds[i], "not found by a fresh scan");
    }
    for (const auto& row : shown)
        list.Add(row.finding, row.reason, row.valueText);
    const int found = list.Count();

    // What is about to go, as `scan` prints it, before the question.
    if (!json) {
        for (const auto& row : shown)
            Printf(ctx.out, "%s\t%s\t%s\t%s\n", row.number.c_str(), row.path.c_str(),
                   row.valueText.c_str(), row.reason.c_str());
        Printf(ctx.out, "%s", FoundItemsLine(found).c_str());
        std::fflush(ctx.out);
    }

    ConsolePrompt prompt(options.yes, confirm);
    ConsoleCleaningSink pageSink(ctx.err);
    CRegFileWriter writer(ctx.registry, ctx.system);
    // Each finding is judged again just before its backup.
    FindingRecheck recheck(ctx.registry, ctx.system);
    CleanOutcome out = CleanTicked(
        CleaningContext{ctx.registry, ctx.system, writer, prompt, pageSink, false, &recheck}, list);

    if (out.status == CleanStatus::Cancelled) {
        if (prompt.noTerminal) {
            Printf(ctx.err, "zentrove-cli clean: no terminal to confirm on; pass --yes to clean\n");
            return kExitUsage;
        }
        Printf(ctx.err, "zentrove-cli clean: cancelled, nothing deleted\n");
        return kExitFailed;
    }
    if (out.status == CleanStatus::FileError)
        Printf(ctx.err, "zentrove-cli clean: %s\n", out.error.c_str());

    const int skipped = static_cast<int>(out.noLongerInvalid.size());
    std::string total = out.status == CleanStatus::EmptyList
                            ? CleanedTotalMessage(0, 0)
                            : CleanedTotalMessage(out.processed, out.keptBack, out.notDeleted,
                                                  out.stopped, out.notReached, skipped);
    // The reason of each finding, for its id.
    std::unordered_map<std::string, std::string_view> reasons;
    for (const auto& row : shown)
        reasons.emplace(FoldName(Where(row.finding)), row.reason);
    auto reasonOf = [&](const ScanFinding& f) -> std::string_view {
        auto it = reasons.find(FoldName(Where(f)));
        return it == reasons.end() ? std::string_view{} : it->second;
    };
    if (json) {
        nlohmann::json kept = nlohmann::json::array();
        for (const auto& row : list.rows)
            kept.push_back(FindingJson(row.finding, row.reason));
        nlohmann::json notDeleted = nlohmann::json::array();
        for (const auto& n : out.notDeleted) {
            nlohmann::json entry = FindingJson(n.finding, reasonOf(n.finding));
            entry["reason"] = n.status.Describe();
            notDeleted.push_back(entry);
        }
        nlohmann::json keptBackJson = nlohmann::json::array();
        for (const auto& k : out.keptBackFindings) {
            nlohmann::json entry = FindingJson(k.finding, reasonOf(k.finding));
            entry["reason"] = k.cause;
            keptBackJson.push_back(entry);
        }
        nlohmann::json skippedJson = nlohmann::json::array();
        for (const auto& f : out.noLongerInvalid) {
            nlohmann::json entry = FindingJson(f, reasonOf(f));
            entry["reason"] = kNoLongerInvalid;
            skippedJson.push_back(entry);
        }
        nlohmann::json notCleaned = nlohmann::json::array();
        for (const auto& [id, cause] : refused)
            notCleaned.push_back({{"id", id}, {"reason", cause}});
        nlohmann::json doc = {
            {"found", found},
            {"cleaned", out.processed},
            // Each entry left for want of a full backup, with why; the same list kept under
            // the name of the previous version.
            {"keptBack", keptBackJson},
            {"keptBackEntries", keptBackJson},
            {"notDeleted", notDeleted},
            {"backupFile",
             out.backupFile.empty() ? nlohmann::json(nullptr) : nlohmann::json(out.backupFile)},
            {"remaining", kept},
            {"error", out.error.empty() ? nlohmann::json(nullptr) : nlohmann::json(out.error)},
            {"message", out.status == CleanStatus::FileError ? out.error : total},
            {"skipped", skippedJson},
            {"idsNotCleaned", notCleaned}};
        Printf(ctx.out, "%s\n",
               doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
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
    std::fflush(ctx.out);
    // Kept back is left undone as much as not deleted: a partial run.
    bool complete = out.status != CleanStatus::FileError && out.notDeleted.empty() &&
                    out.keptBack == 0 && skipped == 0 && refused.empty();
    return complete ? kExitOk : kExitFailed;
}

int RunCleanCommand(CliContext& ctx, const Args& args) {
    return RunClean(ctx, args, AskOnTerminal);
}

} // namespace zt::cli
