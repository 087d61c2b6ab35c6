// zentrove-cli ignore: the list of entries the scan leaves alone, shared with the program.
#include <nlohmann/json.hpp>

#include <string>

#include "cli/CliContext.h"
#include "cli/CommandOutput.h"
#include "cli/ConsoleText.h"
#include "settings/IgnoreList.h"

namespace zt::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: zentrove-cli ignore list [--json] | ignore add KEYPATH [--value NAME | --key-only] | "
    "ignore remove N\n"
    "KEYPATH: the key with its root, e.g. HKEY_CURRENT_USER\\Software\\X or HKCU\\Software\\X\n";

int UsageError(CliContext& ctx, const std::string& why) {
    return UsageError(ctx, "ignore", why, kUsage);
}

bool Fail(std::string& why, std::string reason) {
    why = std::move(reason);
    return false;
}

std::string Describe(const IgnoreEntry& e) {
    return RootName(e.root) + "\\" + e.keyPath + "\t" + IgnoreWhatText(e);
}

// --- list [--json] ---

void PrintEntriesJson(CliContext& ctx, const std::vector<IgnoreEntry>& entries) {
    constexpr const char* kKinds[] = {"Value", "Key", "KeyAndBelow"};
    nlohmann::ordered_json items = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        items.push_back({{"number", i + 1},
                         {"root", RootName(e.root)},
                         {"keyPath", e.keyPath},
                         {"valueName", e.valueName},
                         {"kind", kKinds[static_cast<int>(e.kind)]}});
    }
    PrintJson(ctx.out,
              nlohmann::ordered_json{{"count", entries.size()}, {"entries", std::move(items)}});
}

void PrintEntryRows(CliContext& ctx, const std::vector<IgnoreEntry>& entries) {
    if (entries.empty()) Printf(ctx.out, "The ignore list is empty.\n");
    for (std::size_t i = 0; i < entries.size(); ++i)
        Printf(ctx.out, "%zu\t%s\n", i + 1, Describe(entries[i]).c_str());
}

int List(CliContext& ctx, const Args& args) {
    bool json = false;
    for (const auto& a : args) {
        if (a != "--json") return UsageError(ctx, "unknown argument '" + a + "'");
        json = true;
    }
    IgnoreList list = LoadIgnoreList(ctx.settings);
    if (json)
        PrintEntriesJson(ctx, list.Entries());
    else
        PrintEntryRows(ctx, list.Entries());
    return kExitOk;
}

// --- add KEYPATH [--value NAME | --key-only] and remove N ---

// The entry `args` name and the key path as given; false with the reason.
bool ParseAddArgs(const Args& args, IgnoreEntry& entry, std::string& path, std::string& why) {
    bool haveValue = false, keyOnly = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--value") {
            if (i + 1 >= args.size()) return Fail(why, "--value needs a value name");
            if (haveValue) return Fail(why, "--value given twice");
            entry.valueName = args[++i];
            haveValue = true;
        } else if (a == "--key-only") {
            keyOnly = true;
        } else if (a.rfind("--", 0) == 0) {
            return Fail(why, "unknown option '" + a + "'");
        } else if (!path.empty()) {
            return Fail(why, "more than one KEYPATH: '" + a + "'");
        } else {
            path = a;
        }
    }
    if (path.empty()) return Fail(why, "add needs a KEYPATH");
    if (haveValue && keyOnly) return Fail(why, "--value and --key-only do not go together");
    IgnoreProblem problem = ParseIgnoreKeyPath(path, entry.root, entry.keyPath);
    if (problem != IgnoreProblem::None)
        return Fail(why, "'" + path + "': " + std::string(IgnoreProblemText(problem)));
    entry.kind = haveValue ? IgnoreKind::Value : keyOnly ? IgnoreKind::Key : IgnoreKind::Tree;
    return true;
}

// Entry numbers count from 1, as `list` shows them; false with the reason.
bool ParseEntryNumber(const Args& args, std::size_t count, std::size_t& n, std::string& why) {
    if (args.size() != 1) return Fail(why, "remove needs one entry number");
    const std::string& a = args[0];
    if (a.empty() || a.size() > 9 || a.find_first_not_of("0123456789") != std::string::npos)
        return Fail(why, "'" + a + "' is not an entry number");
    n = std::stoul(a);
    if (n == 0 || n > count)
        return Fail(why,
                    "there is no entry " + a + " (the list has " + std::to_string(count) + ")");
    return true;
}

bool Save(CliContext& ctx, const IgnoreList& list) {
    if (SaveIgnoreList(ctx.settings, list)) return true;
    Printf(ctx.err, "zentrove-cli ignore: could not write the ignore list to HKCU\\%s\n",
           ctx.settings.ProfileKeyPath().c_str());
    return false;
}

int Add(CliContext& ctx, const Args& args) {
    IgnoreEntry entry;
    std::string path, why;
    if (!ParseAddArgs(args, entry, path, why)) return UsageError(ctx, why);
    IgnoreList list = LoadIgnoreList(ctx.settings);
    IgnoreProblem problem = list.Add(entry);
    if (problem == IgnoreProblem::AlreadyIgnored) {
        Printf(ctx.err, "zentrove-cli ignore: %s is already ignored; nothing added\n",
               Describe(entry).c_str());
        return kExitFailed;
    }
    if (problem != IgnoreProblem::None)
        return UsageError(ctx, "'" + path + "': " + std::string(IgnoreProblemText(problem)));
    if (!Save(ctx, list)) return kExitFailed;
    Printf(ctx.out, "%zu\t%s\tadded\n", list.Size(), Describe(list.Entries().back()).c_str());
    return kExitOk;
}

int Remove(CliContext& ctx, const Args& args) {
    IgnoreList list = LoadIgnoreList(ctx.settings);
    std::size_t n = 0;
    std::string why;
    if (!ParseEntryNumber(args, list.Size(), n, why)) return UsageError(ctx, why);
    std::string gone = Describe(list.Entries()[n - 1]);
    list.Remove(n - 1);
    if (!Save(ctx, list)) return kExitFailed;
    Printf(ctx.out, "%zu\t%s\tremoved\n", n, gone.c_str());
    return kExitOk;
}

} // namespace

int RunIgnoreCommand(CliContext& ctx, const Args& args) {
    if (args.empty() || args[0] == "list")
        return List(ctx, args.empty() ? args : Args(args.begin() + 1, args.end()));
    Args rest(args.begin() + 1, args.end());
    if (args[0] == "add") return Add(ctx, rest);
    if (args[0] == "remove") return Remove(ctx, rest);
    return UsageError(ctx, "unknown subcommand '" + args[0] + "'");
}

} // namespace zt::cli
