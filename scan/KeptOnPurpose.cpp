#include "scan/KeptOnPurpose.h"

#include "seams/Unicode.h"

namespace zt {

namespace {

std::string_view WithoutTrailingBackslash(std::string_view s) {
    if (!s.empty() && s.back() == '\\') s.remove_suffix(1);
    return s;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool NameMatches(std::string_view pattern, std::string_view name) {
    pattern = WithoutTrailingBackslash(pattern);
    name = WithoutTrailingBackslash(name);
    if (pattern.substr(0, 2) == "?:") {
        if (name.size() < 2 || !IsLetter(name[0]) || name[1] != ':') return false;
        pattern.remove_prefix(1);
        name.remove_prefix(1);
    }
    return NamesEqual(pattern, name);
}

} // namespace

bool KeptOnPurpose(std::span<const KeptEntry> list, RootKey root, std::string_view keyPath,
                   std::string_view valueName) {
    for (const KeptEntry& e : list)
        if (e.root == root && NamesEqual(e.keyPath, keyPath) && NameMatches(e.valueName, valueName))
            return true;
    return false;
}

} // namespace zt
