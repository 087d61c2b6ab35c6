#pragma once
// The paths the installed products' components name, read once from the installer's UserData
// and asked by folder: a folder an installed product still has a component in is its own.
#include <string>
#include <string_view>
#include <vector>

#include "seams/Registry.h"

namespace zt {

inline constexpr std::string_view kInstallerUserDataKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData";

class InstallerComponentPaths {
  public:
    // Every "<user>\Components\<component>" value of the UserData key that names a path on a
    // drive; an absent component's "C?\..." counts as "C:\...".
    static InstallerComponentPaths Read(Registry& registry);

    // True when a component's path is `folder` (a trailing backslash or none) or lies below it.
    bool Holds(std::string_view folder) const;
    std::size_t Size() const { return folded_.size(); }

  private:
    std::vector<std::string> folded_; // sorted, folded for comparison
};

} // namespace zt
