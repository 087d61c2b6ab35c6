#include "startup/StartupLocations.h"

#include <cstring>

namespace zt {

namespace {

// Reads a folder path from the Shell Folders key: a string that fits 260 bytes and ends with
// its zero; not expanded.
std::optional<std::string> ShellFolderValue(Registry& reg, RootKey root,
                                            std::string_view valueName) {
    RegKey key(reg, reg.OpenKeyRead(RootHandle(root), kShellFoldersKeyPath));
    if (!key) return std::nullopt;
    char buffer[260];
    std::uint32_t type = 0, size = 0;
    if (!reg.ReadValue(key.get(), valueName, buffer, sizeof buffer, &type, &size))
        return std::nullopt;
    if (type != kRegSz && type != kRegExpandSz) return std::nullopt;
    if (size == 0 || size > sizeof buffer || buffer[size - 1] != '\0') return std::nullopt;
    return std::string(buffer, ::strnlen(buffer, size));
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
