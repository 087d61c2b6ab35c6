#pragma once
// Entries Windows keeps on purpose although they point at nothing. No scan offers them,
// whatever the user's ignore list holds; the help lists them with their reasons.
#include <span>
#include <string_view>

#include "seams/Registry.h"

namespace zt {

struct KeptEntry {
    RootKey root;
    std::string_view keyPath;
    // Empty for the key itself. A leading "?:" stands for any drive letter, and a trailing
    // backslash is optional on either side.
    std::string_view valueName;
    std::string_view reason;
};

inline constexpr KeptEntry kKeptOnPurpose[] = {
    {kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
     "?:\\Config.Msi\\",
     "Windows Installer's rollback folder: made at the root of a drive for each installation "
     "and removed after it, while its folder entry stays for the next one."},
};

// True when the finding at `keyPath`/`valueName` is one of `list`.
bool KeptOnPurpose(std::span<const KeptEntry> list, RootKey root, std::string_view keyPath,
                   std::string_view valueName);

} // namespace zt
