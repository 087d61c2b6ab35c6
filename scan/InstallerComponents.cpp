#include "scan/InstallerComponents.h"

#include <algorithm>

#include "scan/KeyScan.h"
#include "seams/Unicode.h"

namespace zt {

namespace {

constexpr std::uint32_t kNameChars = 500;
// Room for any path a component names, long paths included.
constexpr std::uint32_t kDataBytes = 65536;

std::string_view WithoutTrailingBackslashes(std::string_view s) {
    while (!s.empty() && s.back() == '\\')
        s.remove_suffix(1);
    return s;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Each value of every subkey of `key`, by index: a value too large for the buffers is passed
// over, not taken for the end.
template <class F> void ForEachValueBelow(Registry& reg, HKey key, F visit) {
    std::string child, name;
    std::vector<std::uint8_t> data;
    for (std::uint32_t i = 0; reg.EnumKey(key, i, child, kNameChars); ++i) {
        RegKey sub(reg, reg.OpenKeyRead(key, child));
        if (!sub) continue;
        auto info = reg.QueryKeyInfo(sub.get());
        if (!info) continue;
        for (std::uint32_t v = 0; v < info->values; ++v) {
            std::uint32_t type = 0;
            if (reg.EnumValue(sub.get(), v, name, kNameChars, type, data, kDataBytes))
                visit(DataText(data));
        }
    }
}

} // namespace

InstallerComponentPaths InstallerComponentPaths::Read(Registry& reg) {
    InstallerComponentPaths paths;
    RegKey userData(reg, reg.OpenKeyRead(RootHandle(kLocalMachine), kInstallerUserDataKey));
    if (!userData) return paths;
    std::string user;
    for (std::uint32_t i = 0; reg.EnumKey(userData.get(), i, user, kNameChars); ++i) {
        RegKey components(reg, reg.OpenKeyRead(userData.get(), user + "\\Components"));
        if (!components) continue;
        ForEachValueBelow(reg, components.get(), [&paths](std::string text) {
            if (text.size() < 3 || !IsLetter(text[0]) || text[2] != '\\') return;
            if (text[1] == '?') text[1] = ':';
            if (text[1] != ':') return;
            paths.folded_.push_back(FoldName(WithoutTrailingBackslashes(text)));
        });
    }
    std::sort(paths.folded_.begin(), paths.folded_.end());
    return paths;
}

bool InstallerComponentPaths::Holds(std::string_view folder) const {
    const std::string self = FoldName(WithoutTrailingBackslashes(folder));
    if (std::binary_search(folded_.begin(), folded_.end(), self)) return true;
    const std::string below = self + "\\";
    auto it = std::lower_bound(folded_.begin(), folded_.end(), below);
    return it != folded_.end() && it->compare(0, below.size(), below) == 0;
}

} // namespace zt
