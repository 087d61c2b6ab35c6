#include "startup/StartupLocations.h"

#include <algorithm>

#include "scan/TextLimits.h"

namespace zt {

namespace {

// Reads a folder path from the Shell Folders key: a string that fits 260 characters and ends
// with its zero; not expanded.
std::optional<std::string> ShellFolderValue(Registry& reg, RootKey root,
                                            std::string_view valueName) {
    RegKey key(reg, reg.OpenKeyRead(RootHandle(root), kShellFoldersKeyPath));
    if (!key) return std::nullopt;
    auto value = ReadValueWithin(reg, key.get(), valueName, 260);
    if (!value || (value->type != kRegSz && value->type != kRegExpandSz)) return std::nullopt;
    const auto& data = value->data;
    if (data.empty() || data.back() != 0) return std::nullopt;
    return std::string(data.begin(), std::find(data.begin(), data.end(), std::uint8_t{0}));
}

std::optional<std::string> StartupFolder(Registry& reg, System& sys, KnownFolder folder,
                                         RootKey root, std::string_view valueName) {
    if (auto path = sys.GetKnownFolder(folder)) return path;
    return ShellFolderValue(reg, root, valueName);
}

} // namespace

std::optional<std::string> GetCommonStartupFolder(Registry& reg, System& sys) {
    return StartupFolder(reg, sys, KnownFolder::CommonStartup, kLocalMachine, "Common Startup");
}

std::optional<std::string> GetUserStartupFolder(Registry& reg, System& sys) {
    return StartupFolder(reg, sys, KnownFolder::Startup, kCurrentUser, "Startup");
}

std::string DefaultUserinit(System& sys) {
    return sys.SystemFolder() + "\\userinit.exe,";
}

} // namespace zt
