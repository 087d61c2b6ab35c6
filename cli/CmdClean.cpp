#include "cli/CmdClean.h"

#include <nlohmann/json.hpp>

#include <array>
#include <chrono>
#include <vector>

#include "backup/BackupStore.h"
#include "cli/ConsolePrompt.h"
#include "cli/ScanOptions.h"
#include "cli/ConsoleText.h"
#include "cleaning/Cleaning.h"
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
        if (shown_) std::fprintf(err_, "\n");
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
        std::fprintf(err_, "\rcleaning %d/%d  %.1f s ", done, total, seconds);
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
    std::fprintf(ctx.err,
                 "zentrove-cli clean: %s\nusage: zentrove-cli clean [--yes] [--categories LIST] "
                 "[--json]\nLIST: comma-separated indices 0-12 or names (CheckCLSID, ...)\n",
                 why.c_str());
    return kExitUsage;
}

nlohmann::json FindingJson(const ScanFinding& f) {
    std::string root(RootAbbreviation(f.root));
    if (!root.empty() && root.back() == '\\') root.pop_back();
    return {{"root", root},
            {"keyPath", AnsiToUtf8(f.keyPath)},
            {"valueName", AnsiToUtf8(f.valueName)},
            {"kind", f.kind == FindingKind::Key ? "Key" : "Value"}};
}

} // namespace

int RunClean(CliContext& ctx, const Args& args, const CleanConfirm& confirm) {
    ScanOptions options;
    std::string why;
    if (!ParseScanOptions(args, true, options, why)) return UsageError(ctx, why);
    const bool json = options.json;
    CollectingScanSink scanSink;
    RunConsoleScan(ctx, options, scanSink);

    // Newest first, as the list shows them, every one ticked.
    FindingVector list;
    for (auto it = scanSink.rows.rbegin(); it != scanSink.rows.rend(); ++it)
        list.Add(it->finding);
    const int found = list.Count();

    // What is about to go, as `scan` prints it, before the question.
    if (!json) {
        for (auto it = scanSink.rows.rbegin(); it != scanSink.rows.rend(); ++it)
            std::fprintf(ctx.out, "%s\t%s\t%s\t%s\n", it->number.c_str(), it->path.c_str(),
                         it->valueText.c_str(), it->reason.c_str());
        std::fprintf(ctx.out, "%s", FoundItemsLine(found).c_str());
        std::fflush(ctx.out);
    }

    ConsolePrompt prompt(options.yes, confirm);
    ConsoleCleaningSink pageSink(ctx.err);
    CRegFileWriter writer(ctx.registry, ctx.system);
    CleanOutcome out =
        CleanSelected(CleaningContext{ctx.registry, ctx.system, writer, prompt, pageSink}, list);

    if (out.status == CleanStatus::Cancelled) {
        if (prompt.noTerminal) {
            std::fprintf(ctx.err,
                         "zentrove-cli clean: no terminal to confirm on; pass --yes to clean\n");
            return kExitUsage;
        }
        std::fprintf(ctx.err, "zentrove-cli clean: cancelled, nothing deleted\n");
        return kExitFailed;
    }
    if (out.status == CleanStatus::FileError)
        std::fprintf(ctx.err, "zentrove-cli clean: %s\n", out.error.c_str());

    std::string total = out.status == CleanStatus::EmptyList
                            ? CleanedTotalMessage(0, 0)
                            : CleanedTotalMessage(out.processed, out.keptBack, out.notDeleted);
    if (json) {
        nlohmann::json kept = nlohmann::json::array();
        for (const auto& row : list.rows)
            kept.push_back(FindingJson(row.finding));
        nlohmann::json notDeleted = nlohmann::json::array();
        for (const auto& n : out.notDeleted) {
            nlohmann::json entry = FindingJson(n.finding);
            entry["reason"] = n.status.Describe();
            notDeleted.push_back(entry);
        }
        nlohmann::json doc = {
            {"found", found},
            {"cleaned", out.processed},
            {"keptBack", out.keptBack},
            {"notDeleted", notDeleted},
            {"backupFile", out.backupFile.empty() ? nlohmann::json(nullptr)
                                                  : nlohmann::json(AnsiToUtf8(out.backupFile))},
            {"remaining", kept},
            {"error", out.error.empty() ? nlohmann::json(nullptr) : nlohmann::json(out.error)},
            {"message", out.status == CleanStatus::FileError ? out.error : total}};
        std::fprintf(ctx.out, "%s\n",
                     doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
        if (!out.backupFile.empty()) std::fprintf(ctx.out, "%s\n", out.backupFile.c_str());
        for (const auto& n : out.notDeleted) {
            const ScanFinding& f = n.finding;
            std::string where = std::string(RootAbbreviation(f.root)) + f.keyPath;
            if (f.kind == FindingKind::Value) where += "\\" + f.valueName;
            std::fprintf(ctx.out, "%s\tnot deleted: %s\n", where.c_str(),
                         n.status.Describe().c_str());
        }
        if (out.status != CleanStatus::FileError) std::fprintf(ctx.out, "%s\n", total.c_str());
    }
    std::fflush(ctx.out);
    bool complete = out.status != CleanStatus::FileError && out.notDeleted.empty();
    return complete ? kExitOk : kExitFailed;
}

int RunCleanCommand(CliContext& ctx, const Args& args) {
    return RunClean(ctx, args, AskOnTerminal);
}

} // namespace zt::cli
