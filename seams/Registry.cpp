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

Status Registry::WriteString(HKey key, std::string_view name, std::string_view text) {
    return WriteValue(key, name, kRegSz, text.data(), static_cast<std::uint32_t>(text.size()));
}

Status Registry::WriteDword(HKey key, std::string_view name, std::uint32_t number) {
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

std::vector<std::uint8_t> DataFromStored(std::uint32_t type, const std::uint8_t* data,
                                         std::size_t size) {
    if (!IsStringType(type)) return std::vector<std::uint8_t>(data, data + size);
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    std::string text = Utf16ToUtf8(units);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::vector<std::uint8_t> DataToStored(std::uint32_t type, const std::uint8_t* data,
                                       std::size_t size) {
    if (!IsStringType(type)) return std::vector<std::uint8_t>(data, data + size);
    std::u16string units = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<std::uint8_t> out(units.size() * 2);
    for (std::size_t i = 0; i < units.size(); ++i) {
        out[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
        out[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
    return out;
}

bool IsPredefinedRoot(HKey key) {
    return key >= 0x80000000u && key <= 0x800000FFu;
}

} // namespace zt
