#include "startup/StartupEditor.h"

#include "backup/BackupStore.h"
#include "seams/StatusText.h"
#include "scan/RunApproval.h"
#include "startup/StartupApproval.h"
#include "startup/StartupLocations.h"
#include "startup/SystemStartup.h"
#include "startup/SystemStartupActions.h"

namespace zt {

namespace {

bool HasApprovalValue(Registry& reg, const StartupEntry& entry) {
    auto slot = ApprovalFor(entry);
    if (!slot) return false;
    RegKey key(reg, reg.OpenKeyRead(RootHandle(slot->root), slot->keyPath));
    return key && reg.ReadValueWhole(key.get(), slot->valueName).has_value();
}

// A backup is begun when the list holds a registry row, or when a ticked folder file has an
// approval value that goes with it.
bool NeedsBackup(Registry& reg, const StartupRowModel& rows) {
    for (int i = 0; i < rows.RowCount(); ++i) {
        StartupEntry entry = rows.RowEntry(i);
        if (entry.kind == StartupEntryKind::RegistryValue ||
            entry.kind == StartupEntryKind::WinlogonUserinit ||
            entry.kind == StartupEntryKind::WinlogonShell)
            return true;
        if (rows.IsRowTicked(i) && HasApprovalValue(reg, entry)) return true;
    }
    return false;
}

bool AnyTicked(const StartupRowModel& rows) {
    for (int i = 0; i < rows.RowCount(); ++i)
        if (rows.IsRowTicked(i)) return true;
    return false;
}

std::string FormatCannotDelete(const std::string& path) {
    std::string_view format = kCannotDeleteFile;
    std::size_t at = format.find("%s");
    std::string text(format.substr(0, at));
    text += ForDisplay(path);
    text += format.substr(at + 2);
    return text;
}

std::string FinalText(const StartupDeletionOutcome& outcome) {
    std::string text(kDeletionDone);
    auto note = [&](std::string_view heading, const std::vector<std::string>& items) {
        if (items.empty()) return;
        text += "\n\n";
        text += heading;
        // Names may hold what a person cannot read (an unpaired surrogate).
        for (const auto& item : items)
            text += "\n" + ForDisplay(item);
    };
    note(kNotBackedUpNote, outcome.notBackedUp);
    note(kFolderUnknownNote, outcome.folderUnknown);
    note(kRefusedNote, outcome.refused);
    if (!outcome.notDeleted.empty()) {
        std::vector<Status> causes;
        std::vector<std::string> entries;
        for (const auto& n : outcome.notDeleted) {
            causes.push_back(n.status);
            entries.push_back(n.entry);
        }
        note(NotDeletedSummary(causes), entries);
    }
    return text;
}

class DeletionRun {
  public:
    DeletionRun(Registry& reg, System& sys, CRegFileWriter& writer, UserPrompt& prompt,
                StartupDeletionOutcome& outcome, StartupSources* sources)
        : reg_(reg), sys_(sys), writer_(writer), prompt_(prompt), outcome_(outcome),
          sources_(sources) {}

    bool backupBegun = false;

    // True when the row is done with and leaves the list; a failed deletion keeps it.
    bool Handle(const StartupEntry& row) {
        switch (row.kind) {
        case StartupEntryKind::RegistryValue:
            return DeleteValue(row);
        case StartupEntryKind::StartupFolderFile:
            return DeleteFolderFile(row);
        case StartupEntryKind::WinlogonUserinit:
            return ResetWinlogon(row, "Userinit", DefaultUserinit(sys_));
        case StartupEntryKind::WinlogonShell:
            return ResetWinlogon(row, "Shell", std::string(kDefaultShell));
        case StartupEntryKind::ScheduledTask:
            return DeleteTask(row);
        case StartupEntryKind::Service:
        case StartupEntryKind::Driver:
            return Refuse(row, kServiceNotDeleted);
        case StartupEntryKind::PackagedTask:
            return Refuse(row, kPackageNotDeleted);
        }
        return Refuse(row, "unknown kind");
    }

  private:
    bool Refuse(const StartupEntry& row, std::string_view why) {
        outcome_.refused.push_back(row.name + ": " + std::string(why));
        return false;
    }

    bool DeleteTask(const StartupEntry& row) {
        if (!row.state.empty()) return Refuse(row, "the task folder could not be read");
        if (!sources_) return Refuse(row, "the task scheduler is not reachable here");
        std::string file;
        Status removed = BackUpAndRemoveTask(*sources_, sys_, row.name, file);
        if (!file.empty()) outcome_.taskBackups.push_back(file);
        return Failed(row.name, removed);
    }

    bool DeleteValue(const StartupEntry& row) {
        const std::string& location = row.location;
        RootKey root = kLocalMachine;
        if (location.compare(0, 5, "HKCU\\") == 0) root = kCurrentUser;
        std::string keyPath = location.size() > 5 ? location.substr(5) : std::string();
        HKey opened = kNoKey;
        Status open = reg_.OpenKeyStatus(RootHandle(root), keyPath, Access::AllAccess, opened);
        RegKey key(reg_, opened);
        const std::string entry = location + "\\" + row.name;
        if (!open) return Failed(entry, open);
        // A value that is not in the backup stays, so that nothing is lost for good.
        if (backupBegun && !writer_.ExportValue(root, keyPath, row.name)) {
            NotBackedUp(entry);
            return false;
        }
        if (!BackUpApproval(row)) return false;
        Status deleted = reg_.DeleteValue(key.get(), row.name);
        if (deleted) DeleteApproval(row);
        return Failed(entry, deleted);
    }

    // The entry the backup could not hold, with the writer's cause.
    void NotBackedUp(const std::string& entry) {
        const std::string& cause = writer_.keptBackCause();
        outcome_.notBackedUp.push_back(cause.empty() ? entry : entry + " (" + cause + ")");
    }

    // True (the row goes) when `status` is done or the entry is gone already; else the
    // failure is kept with its cause.
    bool Failed(const std::string& entry, const Status& status) {
        if (status || status.code() == StatusCode::NotFound) return true;
        outcome_.notDeleted.push_back({entry, status});
        return false;
    }

    // The approval value goes with its entry, into the same backup; an entry whose approval
    // cannot be saved is kept whole.
    bool BackUpApproval(const StartupEntry& row) {
        auto governing = ApprovalFor(row);
        if (!governing) return true;
        // The backup names the value as it is stored, whatever the entry's letter case.
        auto slot = FindApprovalValue(reg_, *governing);
        if (!backupBegun) return !HasApprovalValue(reg_, row);
        if (writer_.ExportValue(governing->root, governing->keyPath,
                                slot ? slot->valueName : governing->valueName))
            return true;
        NotBackedUp(governing->Text());
        return false;
    }

    // The entry has gone; an approval value it leaves behind is named, as the next scan
    // would report it as an orphan.
    void DeleteApproval(const StartupEntry& row) {
        auto slot = ApprovalFor(row);
        if (!slot) return;
        HKey opened = kNoKey;
        Status status =
            reg_.OpenKeyStatus(RootHandle(slot->root), slot->keyPath, Access::AllAccess, opened);
        RegKey key(reg_, opened);
        if (status) status = reg_.DeleteValue(key.get(), slot->valueName);
        if (!status && status.code() != StatusCode::NotFound)
            outcome_.notDeleted.push_back({slot->Text(), status});
    }

    bool DeleteFolderFile(const StartupEntry& row) {
        std::optional<std::string> folder;
        if (row.location == kCommonStartupLocation)
            folder = GetCommonStartupFolder(reg_, sys_);
        else if (row.location == kUserStartupLocation)
            folder = GetUserStartupFolder(reg_, sys_);
        if (!folder || folder->empty()) {
            // Guessing a folder could delete the wrong file.
            outcome_.folderUnknown.push_back(row.location + ": " + row.name);
            return true;
        }
        if (!BackUpApproval(row)) return false;
        std::string path = JoinPath(*folder, row.name);
        Status removed = sys_.RemoveFile(path);
        if (!removed) {
            outcome_.filesNotDeleted.push_back(path);
            prompt_.Ask(FormatCannotDelete(path), {}, PromptButtons::Ok);
            return Failed(path, removed);
        }
        DeleteApproval(row);
        return true;
    }

    bool ResetWinlogon(const StartupEntry& row, std::string_view valueName,
                       const std::string& defaultText) {
        HKey opened = kNoKey;
        Status open =
            reg_.OpenKeyStatus(RootHandle(kLocalMachine), kWinlogonKeyPath, Access::Write, opened);
        RegKey key(reg_, opened);
        const std::string entry = row.location + "\\" + std::string(valueName);
        if (!open) return Failed(entry, open);
        if (backupBegun && !writer_.ExportValue(kLocalMachine, kWinlogonKeyPath, valueName)) {
            NotBackedUp(entry);
            return false;
        }
        // The reset writes a value: a missing one is no success here.
        Status written = reg_.WriteString(key.get(), valueName, defaultText);
        if (!written) outcome_.notDeleted.push_back({entry, written});
        return written.ok();
    }

    Registry& reg_;
    System& sys_;
    CRegFileWriter& writer_;
    UserPrompt& prompt_;
    StartupDeletionOutcome& outcome_;
    StartupSources* sources_;
};

} // namespace

StartupDeletionOutcome DeleteSelectedEntries(Registry& reg, System& sys, CRegFileWriter& writer,
                                             StartupRowModel& rows, UserPrompt& prompt,
                                             const std::function<void()>& refreshBackupList,
                                             StartupSources* sources,
                                             std::string_view backupFolder) {
    StartupDeletionOutcome outcome;
    if (!AnyTicked(rows)) {
        outcome.nothingSelected = true;
        prompt.Ask(kNoItemsSelected, kProgramCaption, PromptButtons::Ok);
        return outcome;
    }
    // Only OK goes on; closing the box is no consent.
    if (prompt.Ask(kConfirmDeleteMessage, kProgramCaption, PromptButtons::OkCancel) != kAnswerOk) {
        outcome.cancelled = true;
        return outcome;
    }

    DeletionRun run(reg, sys, writer, prompt, outcome, sources);
    // The file is listed even when closing it fails: it holds what was deleted.
    auto finishBackup = [&] {
        if (!run.backupBegun) return;
        run.backupBegun = false;
        try {
            writer.Close();
        } catch (...) {
            if (refreshBackupList) refreshBackupList();
            throw;
        }
        if (refreshBackupList) refreshBackupList();
    };
    try {
        if (NeedsBackup(reg, rows)) {
            outcome.backupFile = backupFolder.empty() ? MakeBackupFileName(sys)
                                                      : MakeBackupFileName(sys, backupFolder);
            writer.Open(outcome.backupFile);
            run.backupBegun = true;
        }
        for (int n = 0; n < rows.RowCount();) {
            if (!rows.IsRowTicked(n)) {
                ++n;
                continue;
            }
            if (!run.Handle(rows.RowEntry(n))) {
                rows.UntickRow(n);
                ++n; // kept: the entry is still there
                continue;
            }
            // The row below moves up into index n and is examined next.
            rows.RemoveRow(n);
            ++outcome.rowsRemoved;
        }
        finishBackup();
        if (!outcome.taskBackups.empty() && refreshBackupList) refreshBackupList();
    } catch (...) {
        // The file stays complete up to the failure and is listed, since what it holds is gone.
        try {
            finishBackup();
        } catch (...) {
        }
        throw;
    }
    prompt.Ask(FinalText(outcome), {}, PromptButtons::Ok);
    return outcome;
}

std::string TrimCommandLine(std::string_view text) {
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    };
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    return std::string(text);
}

namespace {
// Only the lower-case form is taken off, as names keep the letters the user typed.
std::string WithoutExe(std::string_view name) {
    if (name.size() >= 4 && name.substr(name.size() - 4) == ".exe") name.remove_suffix(4);
    return std::string(name);
}
} // namespace

std::string DeriveValueName(std::string_view command) {
    // A quoted program names the entry, blanks and all.
    if (command.size() > 1 && command.front() == '"') {
        std::string_view program = command.substr(1, command.find('"', 1) - 1);
        std::string name = WithoutExe(program.substr(program.rfind('\\') + 1));
        if (!name.empty()) return name;
    }
    std::size_t slash = command.rfind('\\');
    std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    std::size_t end = command.find(' ', start);
    if (end == std::string_view::npos) end = command.size();
    std::string name = WithoutExe(command.substr(start, end - start));
    if (name.empty()) name = command;
    return name;
}

std::string AdditionFailedText(const StartupAddition& added) {
    return "\"" + ForDisplay(added.valueName) +
           "\" could not be added to the startup list: " + StatusReason(added.status) + ".";
}

std::string AdditionRefusal(std::string_view commandLine, System& sys) {
    std::string command = TrimCommandLine(commandLine);
    // An empty name would land in the Run key's default value.
    if (command.empty()) return "The command line is empty: there is nothing to start.";
    std::string program = ProgramOfCommand(command, sys);
    auto attributes = program.empty() ? std::nullopt : sys.GetAttributes(program);
    if (attributes && (*attributes & kAttrDirectory) == 0) return {};
    return "The command line cannot start anything: \"" + ForDisplay(program) +
           "\" is not a program on this computer.";
}

std::string ReplaceQuestion(std::string_view name, std::string_view oldCommand) {
    return "An entry named " + ForDisplay(name) + " already starts: " + ForDisplay(oldCommand) +
           ". Replace it?";
}

namespace {

struct ExistingRunValue {
    RootKey root;
    std::string name; // as stored, whatever letter case the new command has
    std::string command;
};

// The Run value of that name in the machine's key, else in the user's.
std::optional<ExistingRunValue> FindRunValue(Registry& reg, std::string_view name) {
    for (RootKey root : {kLocalMachine, kCurrentUser}) {
        auto stored = StoredValueName(reg, root, kRunKeyPath, name);
        if (!stored) continue;
        RegKey key(reg, reg.OpenKeyRead(RootHandle(root), kRunKeyPath));
        auto value = reg.ReadValueWhole(key.get(), *stored);
        if (!value) continue;
        std::string command(value->data.begin(), value->data.end());
        while (!command.empty() && command.back() == '\0')
            command.pop_back();
        return ExistingRunValue{root, *stored, command};
    }
    return std::nullopt;
}

Status WriteRunValue(Registry& reg, RootKey root, const StartupAddition& added) {
    HKey opened = kNoKey;
    Status status = reg.OpenKeyStatus(RootHandle(root), kRunKeyPath, Access::Write, opened);
    RegKey key(reg, opened);
    if (!key) key = RegKey(reg, reg.CreateKey(RootHandle(root), kRunKeyPath));
    if (!key) return status;
    // The terminating zero is counted in the data, as string values are stored.
    return reg.WriteValue(key.get(), added.valueName, kRegSz, added.command.c_str(),
                          static_cast<std::uint32_t>(added.command.size() + 1));
}

// Saves the value into a new backup file; false (with the writer's cause) when it could not.
bool BackUpRunValue(CRegFileWriter& writer, System& sys, StartupAddition& added,
                    const std::function<void()>& refreshBackupList) {
    added.backupFile = MakeBackupFileName(sys);
    writer.Open(added.backupFile);
    bool saved = writer.ExportValue(added.root, kRunKeyPath, added.valueName);
    writer.Close();
    if (refreshBackupList) refreshBackupList();
    if (!saved)
        added.refusal =
            "The entry was kept: its old value could not be saved in the backup" +
            (writer.keptBackCause().empty() ? "" : " (" + writer.keptBackCause() + ")") + ".";
    return saved;
}

} // namespace

StartupAddition AddStartupItem(Registry& reg, System& sys, CRegFileWriter& writer,
                               UserPrompt& prompt, std::string_view commandLine,
                               const std::function<void()>& refreshBackupList) {
    StartupAddition result;
    result.command = TrimCommandLine(commandLine);
    result.valueName = DeriveValueName(result.command);
    result.refusal = AdditionRefusal(result.command, sys);
    if (!result.refusal.empty()) return result;

    if (auto existing = FindRunValue(reg, result.valueName)) {
        result.root = existing->root;
        result.valueName = existing->name;
        result.replaced = existing->command;
        // Closing the box keeps the entry, as No does.
        if (prompt.Ask(ReplaceQuestion(result.valueName, existing->command), kProgramCaption,
                       PromptButtons::YesNo) != kAnswerYes) {
            result.declined = true;
            return result;
        }
        if (!BackUpRunValue(writer, sys, result, refreshBackupList)) return result;
        result.status = WriteRunValue(reg, result.root, result);
        result.written = result.status.ok();
        return result;
    }
    for (RootKey root : {kLocalMachine, kCurrentUser}) {
        result.root = root;
        result.status = WriteRunValue(reg, root, result);
        result.written = result.status.ok();
        // Only the want of rights sends the value to the user's own key.
        if (result.written || result.status.code() != StatusCode::AccessDenied) break;
    }
    return result;
}

} // namespace zt
