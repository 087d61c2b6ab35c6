// zentrove-cli ignore: the list of entries the scan leaves alone, shared with the program.
#include <nlohmann/json.hpp>

#include <string>

#include "cli/CliContext.h"
#include "cli/ConsoleText.h"
#include "settings/IgnoreList.h"

namespace zt::cli {

namespace {

constexpr const char* kUsage =
    "usage: zentrove-cli ignore list [--json] | ignore add KEYPATH [--value NAME | --key-only] | "
    "ignore remove N\n"
    "KEYPATH: the key with its root, e.g. HKEY_CURRENT_USER\\Software\\X or HKCU\\Software\\X\n";

int UsageError(CliContext& ctx, const std::string& why) {
    Printf(ctx.err, "zentrove-cli ignore: %s\n%s", why.c_str(), kUsage);
    return kExitUsage;
}

std::string RootName(RootKey root) {
    std::string name(RootAbbreviation(root));
    if (!name.empty()) name.pop_back();
    return name;
}

std::string Describe(const IgnoreEntry& e) {
    return RootName(e.root) + "\\" + e.keyPath + "\t" + IgnoreWhatText(e);
}

int List(CliContext& ctx, const Args& args) {
    bool json = false;
    for (const auto& a : args) {
        if (a != "--json") return UsageError(ctx, "unknown argument '" + a + "'");
        json = true;
    }
    IgnoreList list = LoadIgnoreList(ctx.settings);
    const auto& entries = list.Entries();
    if (json) {
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
        nlohmann::ordered_json doc = {{"count", entries.size()}, {"entries", std::move(items)}};
        Printf(ctx.out, "%s\n",
               doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    } else if (entries.empty()) {
        Printf(ctx.out, "The ignore list is empty.\n");
    } else {
        for (std::size_t i = 0; i < entries.size(); ++i)
            Printf(ctx.out, "%zu\t%s\n", i + 1, Describe(entries[i]).c_str());
    }
    return kExitOk;
}

int Add(CliContext& ctx, const Args& args) {
    std::string path;
    IgnoreEntry entry;
    bool haveValue = false, keyOnly = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--value") {
            if (i + 1 >= args.size()) return UsageError(ctx, "--value needs a value name");
            if (haveValue) return UsageError(ctx, "--value given twice");
            entry.valueName = args[++i];
            haveValue = true;
        } else if (a == "--key-only") {
            keyOnly = true;
        } else if (a.rfind("--", 0) == 0) {
            return UsageError(ctx, "unknown option '" + a + "'");
        } else if (!path.empty()) {
            return UsageError(ctx, "more than one KEYPATH: '" + a + "'");
        } else {
            path = a;
        }
    }
    if (path.empty()) return UsageError(ctx, "add needs a KEYPATH");
    if (haveValue && keyOnly) return UsageError(ctx, "--value and --key-only do not go together");
    IgnoreProblem problem = ParseIgnoreKeyPath(path, entry.root, entry.keyPath);
    if (problem != IgnoreProblem::None)
        return UsageError(ctx, "'" + path + "': " + std::string(IgnoreProblemText(problem)));
    entry.kind = haveValue ? IgnoreKind::Value : keyOnly ? IgnoreKind::Key : IgnoreKind::Tree;

    IgnoreList list = LoadIgnoreList(ctx.settings);
    problem = list.Add(entry);
    if (problem == IgnoreProblem::AlreadyIgnored) {
        Printf(ctx.err, "zentrove-cli ignore: %s is already ignored; nothing added\n",
               Describe(entry).c_str());
        return kExitFailed;
    }
    if (problem != IgnoreProblem::None)
        return UsageError(ctx, "'" + path + "': " + std::string(IgnoreProblemText(problem)));
    if (!SaveIgnoreList(ctx.settings, list)) {
        Printf(ctx.err, "zentrove-cli ignore: could not write the ignore list to HKCU\\%s\n",
               ctx.settings.ProfileKeyPath().c_str());
        return kExitFailed;
    }
    Printf(ctx.out, "%zu\t%s\tadded\n", list.Size(), Describe(list.Entries().back()).c_str());
    return kExitOk;
}

int Remove(CliContext& ctx, const Args& args) {
    if (args.size() != 1) return UsageError(ctx, "remove needs one entry number");
    const std::string& a = args[0];
    if (a.empty() || a.size() > 9 || a.find_first_not_of("0123456789") != std::string::npos)
        return UsageError(ctx, "'" + a + "' is not an entry number");
    std::size_t n = std::stoul(a);
    IgnoreList list = LoadIgnoreList(ctx.settings);
    if (n == 0 || n > list.Size())
        return UsageError(ctx, "there is no entry " + a + " (the list has " +
                                   std::to_string(list.Size()) + ")");
    std::string gone = Describe(list.Entries()[n - 1]);
    list.Remove(n - 1);
    if (!SaveIgnoreList(ctx.settings, list)) {
        Printf(ctx.err, "zentrove-cli ignore: could not write the ignore list to HKCU\\%s\n",
               ctx.settings.ProfileKeyPath().c_str());
        return kExitFailed;
    }
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
