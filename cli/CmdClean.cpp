#include "cli/CmdClean.h"

#include <nlohmann/json.hpp>

#include <array>
#include <vector>

#include "backup/BackupStore.h"
#include "cli/CmdJunk.h"
#include "cli/ConsoleText.h"
#include "engine/Cleaning.h"
#include "engine/ScanEngine.h"

namespace zt::cli {

namespace {

class CollectingSink : public ScanSink {
  public:
    void AddFinding(ScanRow row) override { rows.push_back(std::move(row)); }
    void SetStatus(std::string_view) override {}
    void EnableClean(bool) override {}
    void SetScanCaption(std::string_view) override {}
    void RefreshCheckAll() override {}
    void ScanFinished(int, std::string_view) override {}
    std::vector<ScanRow> rows; // in the order the scan adds them
};

// The page's message boxes on the console: the confirmation goes to the terminal (or is
// answered by --yes); the reports are kept for the command to print.
class ConsolePrompt : public UserPrompt {
  public:
    ConsolePrompt(bool yes, const CleanConfirm& confirm) : yes_(yes), confirm_(confirm) {}
    bool noTerminal = false;
    std::vector<std::string> reports;

    int Ask(std::string_view text, std::string_view, PromptButtons buttons) override {
        if (buttons == PromptButtons::Ok) {
            reports.emplace_back(text);
            return kAnswerOk;
        }
        if (yes_) return kAnswerOk;
        auto answer = confirm_ ? confirm_(std::string(text)) : std::nullopt;
        if (!answer) {
            noTerminal = true;
            return kAnswerCancel;
        }
        return *answer ? kAnswerOk : kAnswerCancel;
    }

  private:
    bool yes_;
    const CleanConfirm& confirm_;
};

class NoPageSink : public CleaningSink {
  public:
    void SetStatusText(std::string_view) override {}
    void RefreshBackupList() override {}
};

int UsageError(CliContext& ctx, const std::string& why) {
    std::fprintf(ctx.err,
                 "zentrove-cli clean: %s\nusage: zentrove-cli clean [--yes] [--categories LIST] "
                 "[--json]\nLIST: comma-separated indices 0-12 or names (CheckCLSID, ...)\n",
                 why.c_str());
    return kExitUsage;
}

bool ParseCategories(const std::string& list, std::array<bool, kScanCategoryCount>& on,
                     std::string& why) {
    on.fill(false);
    std::size_t pos = 0;
    for (;;) {
        auto comma = list.find(',', pos);
        std::string item =
            list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        if (item.empty()) {
            why = "empty item in the category list";
            return false;
        }
        if (item.find_first_not_of("0123456789") == std::string::npos) {
            int index = item.size() <= 2 ? std::stoi(item) : kScanCategoryCount;
            if (index >= kScanCategoryCount) {
                why = "category index out of range: " + item;
                return false;
            }
            on[index] = true;
        } else if (auto index = CategoryFromSettingsKey(item)) {
            on[*index] = true;
        } else {
            why = "unknown category: " + item;
            return false;
        }
        if (comma == std::string::npos) return true;
        pos = comma + 1;
    }
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
    bool json = false, yes = false, haveList = false;
    std::array<bool, kScanCategoryCount> chosen{};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string list;
        if (a == "--json") {
            json = true;
            continue;
        }
        if (a == "--yes") {
            yes = true;
            continue;
        }
        if (a == "--categories") {
            if (i + 1 >= args.size()) return UsageError(ctx, "--categories needs a list");
            list = args[++i];
        } else if (a.rfind("--categories=", 0) == 0) {
            list = a.substr(13);
        } else {
            return UsageError(ctx, "unknown argument: " + a);
        }
        if (haveList) return UsageError(ctx, "--categories given twice");
        std::string why;
        if (!ParseCategories(list, chosen, why)) return UsageError(ctx, why);
        haveList = true;
    }

    CollectingSink scanSink;
    ScanEngine engine(ctx.registry, ctx.system, scanSink);
    if (haveList) {
        for (int c = 0; c < kScanCategoryCount; ++c)
            engine.categoryEnabled[c] = chosen[c];
    } else {
        engine.LoadSwitches(ctx.settings);
    }
    engine.BeginScan();
    engine.RunScan();

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
        std::fprintf(ctx.out, "%s", FoundItemsStatus(found).c_str());
        std::fflush(ctx.out);
    }

    ConsolePrompt prompt(yes, confirm);
    NoPageSink pageSink;
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
                            : CleanedTotalMessage(out.processed, out.keptBack);
    if (json) {
        nlohmann::json kept = nlohmann::json::array();
        for (const auto& row : list.rows)
            kept.push_back(FindingJson(row.finding));
        nlohmann::json doc = {
            {"found", found},
            {"cleaned", out.processed},
            {"keptBack", out.keptBack},
            {"backupFile", out.backupFile.empty() ? nlohmann::json(nullptr)
                                                  : nlohmann::json(AnsiToUtf8(out.backupFile))},
            {"remaining", kept},
            {"error", out.error.empty() ? nlohmann::json(nullptr) : nlohmann::json(out.error)},
            {"message", out.status == CleanStatus::FileError ? out.error : total}};
        std::fprintf(ctx.out, "%s\n",
                     doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
        if (!out.backupFile.empty()) std::fprintf(ctx.out, "%s\n", out.backupFile.c_str());
        if (out.status != CleanStatus::FileError) std::fprintf(ctx.out, "%s\n", total.c_str());
    }
    std::fflush(ctx.out);
    return out.status == CleanStatus::FileError ? kExitFailed : kExitOk;
}

int RunCleanCommand(CliContext& ctx, const Args& args) {
    return RunClean(ctx, args, AskOnTerminal);
}

} // namespace zt::cli
