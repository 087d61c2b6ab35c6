// zentrove-cli startup: lists the startup entries, deletes them as the Delete button does,
// and adds a program to the machine's Run key.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "backup/RegFileWriter.h"
#include "cli/CliContext.h"
#include "cli/ConsolePrompt.h"
#include "cli/ConsoleText.h"
#include "cli/IdList.h"
#include "scan/FindingId.h"
#include "seams/AsciiText.h"
#include "seams/UserPrompt.h"
#include "startup/StartupApproval.h"
#include "startup/StartupEditor.h"
#include "startup/StartupEnumerator.h"
#include "startup/StartupLocations.h"
#include "startup/SystemStartup.h"
#include "startup/SystemStartupActions.h"

namespace zt::cli {

namespace {

// The dialog's edit control takes no more than this.
constexpr std::size_t kMaxCommandLine = 400;

struct RowList : StartupEntrySink, StartupRowModel {
    std::vector<StartupEntry> rows;
    std::vector<bool> ticked;

    void ClearStartupRows() override {
        rows.clear();
        ticked.clear();
    }
    void AddStartupRow(const StartupEntry& entry) override {
        rows.push_back(entry);
        ticked.push_back(false);
    }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    bool IsRowTicked(int index) const override { return ticked[index]; }
    StartupEntry RowEntry(int index) const override { return rows[index]; }
    void RemoveRow(int index) override {
        rows.erase(rows.begin() + index);
        ticked.erase(ticked.begin() + index);
    }
    void UntickRow(int index) override { ticked[index] = false; }
};

bool IsServiceKind(StartupEntryKind kind) {
    return kind == StartupEntryKind::Service || kind == StartupEntryKind::Driver;
}

std::string JsonText(const nlohmann::ordered_json& json) {
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void PrintRows(CliContext& ctx, const std::vector<StartupEntry>& rows, bool json) {
    if (json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const auto& r : rows) {
            nlohmann::ordered_json row = {{"number", r.number},
                                          {"id", StartupEntryId(r)},
                                          {"name", r.name},
                                          {"command", r.command},
                                          {"location", r.location},
                                          {"kind", std::string(StartupKindWord(r.kind))},
                                          {"entryKind", std::string(StartupEntryKindName(r.kind))},
                                          {"kindValue", static_cast<int>(r.kind)},
                                          {"status", StartupStatusText(r)},
                                          {"enabled", !r.disabled && r.state.empty()},
                                          {"fileMissing", r.fileMissing},
                                          {"publisher", r.signature.publisher},
                                          {"verified", r.signature.verified},
                                          {"view", RegistryViewOf(r.location)}};
            if (!r.displayName.empty()) row["displayName"] = r.displayName;
            if (r.kind == StartupEntryKind::ScheduledTask) row["trigger"] = r.detail;
            if (IsServiceKind(r.kind)) row["startType"] = r.detail;
            list.push_back(std::move(row));
        }
        Printf(ctx.out, "%s\n", JsonText(list).c_str());
        return;
    }
    Printf(ctx.out, "No.\tStartup Item\tCommand\tLocation\tKind\tStatus\tWhen\tPublisher\n");
    for (const auto& r : rows)
        Printf(ctx.out, "%d\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", r.number, r.name.c_str(),
               r.command.c_str(), r.location.c_str(),
               std::string(StartupEntryKindName(r.kind)).c_str(), StartupStatusText(r).c_str(),
               r.detail.c_str(), PublisherText(r.signature).c_str());
}

// Every startup row, the system's tasks, services and packaged tasks included; those that are
// part of Windows only with `all`.
void ListAll(CliContext& ctx, StartupEntrySink& sink, bool all) {
    StartupEnumerator lister(ctx.registry, ctx.system, &ctx.startupSources, &ctx.signatures);
    lister.HideWindowsEntries(!all);
    lister.EnumerateStartupEntries(sink);
}

// The report of a change, printed with --json (the console's --result FILE keeps a copy).
void WriteReport(CliContext& ctx, const nlohmann::ordered_json& report, bool json) {
    if (json) Printf(ctx.out, "%s\n", JsonText(report).c_str());
}

// Questions go to the terminal unless --yes answered them beforehand; reports to stdout.
class StartupPrompt : public UserPrompt {
  public:
    // Without a terminal to ask on, a question not answered by --yes counts as No. With
    // `json` the standard output holds the report alone: the dialogue goes to the error stream.
    StartupPrompt(CliContext& ctx, bool yes, bool canAsk = true, bool json = false)
        : to_(json ? ctx.err : ctx.out), yes_(yes), canAsk_(canAsk) {}
    int Ask(std::string_view text, std::string_view, PromptButtons buttons) override {
        std::string t(text);
        if (buttons == PromptButtons::Ok) {
            Printf(to_, "%s\n", t.c_str());
            std::fflush(to_);
            return kAnswerOk;
        }
        bool yesNo = buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel;
        if (yes_) {
            Printf(to_, "%s yes\n", t.c_str());
            return yesNo ? kAnswerYes : kAnswerOk;
        }
        if (!canAsk_) {
            Printf(to_, "%s no\n", t.c_str());
            return yesNo ? kAnswerNo : kAnswerCancel;
        }
        Printf(to_, "%s [y/N] ", t.c_str());
        std::fflush(to_);
        std::string answer;
        std::getline(std::cin, answer);
        bool ok = !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
        if (yesNo) return ok ? kAnswerYes : kAnswerNo;
        return ok ? kAnswerOk : kAnswerCancel;
    }

  private:
    std::FILE* to_;
    bool yes_;
    bool canAsk_;
};

bool InteractiveTerminal() {
    return IsConsole(StdStream::Input);
}

void PrintUsage(std::FILE* to) {
    Printf(to, "usage: zentrove-cli startup [--all] [--json] | "
               "startup delete N... | --id ID[,ID...] [--all] [--yes] [--json] "
               "[--backup-folder DIR] | "
               "startup disable N... | --id ID[,ID...] [--all] [--json] | "
               "startup enable N... | --id ID[,ID...] [--all] [--json] | "
               "startup add \"COMMAND\" [--yes]\n"
               "Entries signed by Microsoft Windows (and, without a signature that verifies, tasks "
               "and services whose program lies in the Windows folder) are listed only with --all; "
               "row numbers are those of the listing with the same --all; ids name an entry "
               "either way.\n");
}

int UsageError(CliContext& ctx, const std::string& message) {
    Printf(ctx.err, "zentrove-cli startup: %s\n", message.c_str());
    PrintUsage(ctx.err);
    return kExitUsage;
}

bool ParseNumber(const std::string& text, int& number) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    number = std::atoi(text.c_str());
    return number > 0;
}

int List(CliContext& ctx, const Args& args) {
    bool json = false, all = false;
    for (const auto& a : args) {
        if (a == "--json")
            json = true;
        else if (a == "--all")
            all = true;
        else if (a == "--help") {
            PrintUsage(ctx.out);
            return kExitOk;
        } else
            return UsageError(ctx, "unknown argument '" + a + "'");
    }
    RowList list;
    ListAll(ctx, list, all);
    PrintRows(ctx, list.rows, json);
    return kExitOk;
}

// The rows a command names: numbers of the listing, and ids, which stay with their entry when
// the list changes in between.
struct RowChoice {
    std::vector<int> numbers;
    std::vector<std::string> ids; // lower case
    bool json = false;
    bool all = false;         // numbers count the rows of Windows too
    std::string backupFolder; // delete: where the backup goes, when not the user's own folder
};

// Ids name one entry whether or not it is hidden, so a choice by ids alone sees every row.
void ListChoosable(CliContext& ctx, StartupEntrySink& sink, const RowChoice& choice) {
    ListAll(ctx, sink, choice.all || choice.numbers.empty());
}

// The row numbers, `--id` lists and --json among `args`, and whether `flag` was
// given. False with the reason for a word that is none of them.
bool ParseRowArgs(const Args& args, std::string_view flag, bool& flagGiven, RowChoice& choice,
                  std::string& why) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        int n = 0;
        if (a == flag)
            flagGiven = true;
        else if (a == "--json")
            choice.json = true;
        else if (a == "--all")
            choice.all = true;
        else if (a == "--backup-folder" && flag == "--yes" && i + 1 < args.size())
            choice.backupFolder = args[++i];
        else if (a == "--id") {
            if (i + 1 == args.size()) {
                why = "--id needs a list of ids";
                return false;
            }
            if (!ParseIdList(args[++i], "startup", choice.ids, why)) return false;
        } else if (ParseNumber(a, n))
            choice.numbers.push_back(n);
        else {
            why = "'" + a + "' is not a row number";
            return false;
        }
    }
    return true;
}

// The indices of the named rows of `list`, each once, in the order first named. A number not
// listed is a usage error; an id not listed now is named, exit 1. Nothing is chosen then.
std::optional<int> ChooseRows(CliContext& ctx, const RowList& list, const RowChoice& choice,
                              std::vector<std::size_t>& chosen) {
    auto choose = [&](std::size_t i) {
        if (std::find(chosen.begin(), chosen.end(), i) == chosen.end()) chosen.push_back(i);
    };
    for (int n : choice.numbers) {
        auto it = std::find_if(list.rows.begin(), list.rows.end(),
                               [n](const StartupEntry& r) { return r.number == n; });
        if (it == list.rows.end())
            return UsageError(ctx, "there is no startup entry " + std::to_string(n));
        choose(static_cast<std::size_t>(it - list.rows.begin()));
    }
    std::vector<std::string> ids;
    for (const auto& r : list.rows)
        ids.push_back(StartupEntryId(r));
    std::vector<std::string> unlisted;
    for (const auto& id : choice.ids) {
        auto it = std::find(ids.begin(), ids.end(), id);
        if (it != ids.end())
            choose(static_cast<std::size_t>(it - ids.begin()));
        else if (std::find(unlisted.begin(), unlisted.end(), id) == unlisted.end())
            unlisted.push_back(id);
    }
    if (unlisted.empty()) return std::nullopt;
    for (const auto& id : unlisted)
        Printf(ctx.err, "zentrove-cli startup: no startup entry has the id %s now\n", id.c_str());
    Printf(ctx.err, "zentrove-cli startup: nothing was changed\n");
    chosen.clear();
    return kExitFailed;
}

// What a deletion did, on the console: its backup files and the rows that stayed.
// With --json the standard output holds the report alone, so these lines go to the error stream.
void PrintDeletion(CliContext& ctx, const StartupDeletionOutcome& outcome, bool json) {
    std::FILE* to = json ? ctx.err : ctx.out;
    if (!outcome.backupFile.empty()) Printf(to, "Backup file: %s\n", outcome.backupFile.c_str());
    for (const auto& file : outcome.taskBackups)
        Printf(to, "Task backup file: %s\n", file.c_str());
    for (const auto& n : outcome.notDeleted)
        Printf(to, "%s\tnot deleted: %s\n", n.entry.c_str(), n.status.Describe().c_str());
    for (const auto& r : outcome.refused)
        Printf(ctx.err, "zentrove-cli startup: not deleted: %s\n", r.c_str());
}

// One line per row asked for: a row that left the list was dealt with; one that stayed names
// its reason.
nlohmann::ordered_json DeletionReport(const RowList& list, const std::vector<StartupEntry>& asked,
                                      const StartupDeletionOutcome& outcome) {
    nlohmann::ordered_json report = nlohmann::ordered_json::array();
    for (const auto& entry : asked) {
        bool kept = std::any_of(list.rows.begin(), list.rows.end(), [&](const StartupEntry& r) {
            return StartupEntryId(r) == StartupEntryId(entry);
        });
        std::string message = kept ? "not deleted" : "deleted";
        for (const auto& r : outcome.refused)
            if (kept && r.compare(0, entry.name.size() + 2, entry.name + ": ") == 0) message = r;
        for (const auto& n : outcome.notDeleted)
            if (kept && n.entry.find(entry.name) != std::string::npos)
                message = "not deleted: " + n.status.Describe();
        report.push_back({{"number", entry.number},
                          {"id", StartupEntryId(entry)},
                          {"name", entry.name},
                          {"done", !kept},
                          {"message", message}});
    }
    return report;
}

int Delete(CliContext& ctx, const Args& args) {
    bool yes = false;
    RowChoice choice;
    std::string why;
    if (!ParseRowArgs(args, "--yes", yes, choice, why)) return UsageError(ctx, why);
    if (choice.numbers.empty() && choice.ids.empty())
        return UsageError(ctx, "delete needs the numbers or ids of the rows");

    RowList list;
    ListChoosable(ctx, list, choice);
    std::vector<std::size_t> chosen;
    if (auto failed = ChooseRows(ctx, list, choice, chosen)) return *failed;
    for (std::size_t i : chosen)
        list.ticked[i] = true;
    if (!yes && !InteractiveTerminal())
        return UsageError(ctx, "no terminal to confirm on; pass --yes to delete");
    std::vector<StartupEntry> asked;
    for (std::size_t i : chosen)
        asked.push_back(list.rows[i]);

    StartupPrompt prompt(ctx, yes, true, choice.json);
    CRegFileWriter writer(ctx.registry, ctx.system);
    StartupDeletionOutcome outcome;
    try {
        outcome = DeleteSelectedEntries(
            ctx.registry, ctx.system, writer, list, prompt, [] {}, &ctx.startupSources,
            choice.backupFolder);
    } catch (const std::exception& e) {
        Printf(ctx.err, "zentrove-cli startup: %s\n", e.what());
        if (!writer.fileName().empty())
            Printf(choice.json ? ctx.err : ctx.out, "Backup file: %s\n", writer.fileName().c_str());
        return kExitFailed;
    }
    if (outcome.cancelled) return kExitFailed;
    PrintDeletion(ctx, outcome, choice.json);
    WriteReport(ctx, DeletionReport(list, asked, outcome), choice.json);
    bool complete = outcome.notBackedUp.empty() && outcome.filesNotDeleted.empty() &&
                    outcome.folderUnknown.empty() && outcome.notDeleted.empty() &&
                    outcome.refused.empty();
    return complete ? kExitOk : kExitFailed;
}

// Switches each named row; exit 1 when any row was not switched.
int Switch(CliContext& ctx, const Args& args, bool disable) {
    bool unused = false;
    RowChoice choice;
    std::string why;
    if (!ParseRowArgs(args, "--json", unused, choice, why)) return UsageError(ctx, why);
    choice.json = choice.json || unused;
    if (choice.numbers.empty() && choice.ids.empty())
        return UsageError(ctx, std::string(disable ? "disable" : "enable") +
                                   " needs the numbers or ids of the rows");
    RowList list;
    ListChoosable(ctx, list, choice);
    std::vector<std::size_t> chosen;
    if (auto failed = ChooseRows(ctx, list, choice, chosen)) return *failed;

    bool all = true;
    nlohmann::ordered_json report = nlohmann::ordered_json::array();
    for (std::size_t index : chosen) {
        const StartupEntry& row = list.rows[index];
        SwitchOutcome result =
            SwitchStartupRow(ctx.registry, ctx.system, ctx.startupSources, row, disable);
        bool done = result.done == SwitchDone::Done;
        std::string message = result.message;
        if (result.done == SwitchDone::OpenSettings)
            message += " Open " + std::string(kStartupAppsSettings) + ".";
        all = all && done;
        report.push_back({{"number", row.number},
                          {"id", StartupEntryId(row)},
                          {"name", row.name},
                          {"done", done},
                          {"message", message}});
        if (!choice.json)
            Printf(done ? ctx.out : ctx.err, "%d\t%s\t%s\n", row.number, row.name.c_str(),
                   message.c_str());
    }
    WriteReport(ctx, report, choice.json);
    return all ? kExitOk : kExitFailed;
}

int Add(CliContext& ctx, const Args& args) {
    bool yes = false;
    Args rest;
    for (const auto& arg : args) {
        if (arg == "--yes")
            yes = true;
        else
            rest.push_back(arg);
    }
    if (rest.size() != 1) return UsageError(ctx, "add takes one quoted command line");
    std::string command = TrimCommandLine(rest[0]);
    if (command.empty()) return UsageError(ctx, "the command line is empty");
    if (Utf16Length(command) > kMaxCommandLine)
        return UsageError(ctx, "the command line is longer than 400 characters");
    StartupPrompt prompt(ctx, yes, InteractiveTerminal());
    CRegFileWriter writer(ctx.registry, ctx.system);
    StartupAddition added;
    try {
        added = AddStartupItem(ctx.registry, ctx.system, writer, prompt, command);
    } catch (const FileError& e) {
        Printf(ctx.err, "zentrove-cli startup: %s; nothing was changed\n", e.what());
        return kExitFailed;
    }
    if (!added.refusal.empty()) {
        Printf(ctx.err, "zentrove-cli startup: %s\n", added.refusal.c_str());
        return kExitFailed;
    }
    if (added.declined) {
        Printf(ctx.err, "zentrove-cli startup: \"%s\" was kept; pass --yes to replace it\n",
               added.valueName.c_str());
        return kExitFailed;
    }
    if (!added.written) {
        Printf(ctx.err, "zentrove-cli startup: could not write \"%s\" to %s%s: %s\n",
               added.valueName.c_str(), std::string(RootAbbreviation(added.root)).c_str(),
               std::string(kRunKeyPath).c_str(), added.status.Describe().c_str());
        return kExitFailed;
    }
    if (!added.backupFile.empty())
        Printf(ctx.out, "The old entry was saved in %s\n", added.backupFile.c_str());
    if (added.root != kLocalMachine && added.replaced.empty())
        Printf(ctx.out,
               "Added to HKCU\\%s: the machine's Run key needs administrator "
               "rights.\n",
               std::string(kRunKeyPath).c_str());
    RowList list;
    ListAll(ctx, list, false);
    PrintRows(ctx, list.rows, false);
    return kExitOk;
}

} // namespace

int RunStartupCommand(CliContext& ctx, const Args& args) {
    if (!args.empty() && args[0] == "delete")
        return Delete(ctx, Args(args.begin() + 1, args.end()));
    if (!args.empty() && args[0] == "add") return Add(ctx, Args(args.begin() + 1, args.end()));
    if (!args.empty() && (args[0] == "disable" || args[0] == "enable"))
        return Switch(ctx, Args(args.begin() + 1, args.end()), args[0] == "disable");
    return List(ctx, args);
}

} // namespace zt::cli
