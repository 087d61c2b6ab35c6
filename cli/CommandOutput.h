#pragma once
// What every command prints alike: its usage errors, its JSON documents and root names.
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/CliContext.h"
#include "cli/ConsoleText.h"
#include "seams/Registry.h"

namespace zt::cli {

// "zentrove-cli <command>: <why>" and the command's usage lines on the error stream.
inline int UsageError(CliContext& ctx, std::string_view command, const std::string& why,
                      std::string_view usage) {
    Printf(ctx.err, "zentrove-cli %.*s: %s\n%.*s", static_cast<int>(command.size()), command.data(),
           why.c_str(), static_cast<int>(usage.size()), usage.data());
    return kExitUsage;
}

// Indented two spaces; a name the system handed us that is not text shows as U+FFFD.
template <class Json> void PrintJson(std::FILE* to, const Json& doc) {
    Print(to, doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
}

// "HKCU", "HKLM"...: the root's abbreviation without its backslash.
inline std::string RootName(RootKey root) {
    std::string name(RootAbbreviation(root));
    if (!name.empty() && name.back() == '\\') name.pop_back();
    return name;
}

} // namespace zt::cli
