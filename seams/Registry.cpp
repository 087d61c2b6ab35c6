#include "seams/Registry.h"

#include <cstring>

namespace zt {

bool Registry::ReadDword(HKey key, std::string_view name, std::uint32_t& number) {
    // A shorter value reads whole into the zero-filled number.
    std::uint32_t value = 0;
    if (!ReadValue(key, name, &value, sizeof value)) return false;
    number = value;
    return true;
}

bool Registry::WriteString(HKey key, std::string_view name, std::string_view text) {
    return WriteValue(key, name, kRegSz, text.data(), static_cast<std::uint32_t>(text.size()));
}

bool Registry::WriteDword(HKey key, std::string_view name, std::uint32_t number) {
    return WriteValue(key, name, kRegDword, &number, sizeof number);
}

namespace {
struct RootNames {
    RootKey root;
    std::string_view full;
    std::string_view abbreviation;
};
constexpr RootNames kRoots[] = {
    {kClassesRoot, "HKEY_CLASSES_ROOT", "HKCR\\"},
    {kCurrentUser, "HKEY_CURRENT_USER", "HKCU\\"},
    {kLocalMachine, "HKEY_LOCAL_MACHINE", "HKLM\\"},
    {kUsers, "HKEY_USERS", "HKU\\"},
    {kCurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC\\"},
};
} // namespace

std::string_view RootFullName(RootKey root) {
    for (const auto& r : kRoots)
        if (r.root == root) return r.full;
    return {};
}

std::string_view RootAbbreviation(RootKey root) {
    for (const auto& r : kRoots)
        if (r.root == root) return r.abbreviation;
    return {};
}

std::optional<RootKey> RootFromName(std::string_view text) {
    if (!text.empty() && text.back() == '\\') text.remove_suffix(1);
    for (const auto& r : kRoots) {
        std::string_view ab = r.abbreviation.substr(0, r.abbreviation.size() - 1);
        if (NamesEqual(text, r.full) || NamesEqual(text, ab)) return r.root;
    }
    return std::nullopt;
}

bool IsPredefinedRoot(HKey key) {
    return key >= 0x80000000u && key <= 0x800000FFu;
}

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

} // namespace zt
