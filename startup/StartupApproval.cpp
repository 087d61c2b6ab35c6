#include "startup/StartupApproval.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "scan/RunApproval.h"
#include "startup/StartupLocations.h"

namespace zt {

namespace {

// 100-nanosecond steps between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

bool LocationIs(std::string_view location, std::string_view root, std::string_view keyPath) {
    return location.size() == root.size() + keyPath.size() &&
           NamesEqual(location.substr(0, root.size()), root) &&
           NamesEqual(location.substr(root.size()), keyPath);
}

} // namespace

bool ApprovalMeansDisabled(const std::uint8_t* data, std::size_t size) {
    return size > 0 && (data[0] & 1) != 0;
}

ApprovalBytes EncodeDisabled(std::optional<std::uint8_t> oldFirstByte, std::uint64_t fileTime) {
    ApprovalBytes bytes{};
    bytes[0] = oldFirstByte ? static_cast<std::uint8_t>(*oldFirstByte | 1) : 0x03;
    for (int i = 0; i < 8; ++i)
        bytes[4 + i] = static_cast<std::uint8_t>(fileTime >> (8 * i));
    return bytes;
}

ApprovalBytes EncodeEnabled() {
    ApprovalBytes bytes{};
    bytes[0] = 0x02;
    return bytes;
}

std::uint64_t CurrentFileTime() {
    using namespace std::chrono;
    auto since1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    return kUnixEpochAsFileTime + static_cast<std::uint64_t>(since1970 / 100);
}

std::string ApprovalSlot::Text() const {
    std::string text(RootAbbreviation(root));
    text += keyPath;
    text += '\\';
    text += valueName;
    return text;
}

std::optional<ApprovalSlot> ApprovalFor(const StartupEntry& entry) {
    if (entry.kind == StartupEntryKind::StartupFolderFile) {
        if (entry.location == kUserStartupLocation)
            return ApprovalSlot{kCurrentUser, kApprovedFolderKeyPath, entry.name};
        if (entry.location == kCommonStartupLocation)
            return ApprovalSlot{kLocalMachine, kApprovedFolderKeyPath, entry.name};
        return std::nullopt;
    }
    if (entry.kind != StartupEntryKind::RegistryValue) return std::nullopt;
    if (LocationIs(entry.location, "HKCU\\", kRunKeyPath))
        return ApprovalSlot{kCurrentUser, kApprovedRunKeyPath, entry.name};
    if (LocationIs(entry.location, "HKLM\\", kRunKeyPath))
        return ApprovalSlot{kLocalMachine, kApprovedRunKeyPath, entry.name};
    if (LocationIs(entry.location, "HKLM\\", kRun32KeyPath))
        return ApprovalSlot{kLocalMachine, kApprovedRun32KeyPath, entry.name};
    return std::nullopt;
}

int RegistryViewOf(std::string_view location) {
    constexpr std::string_view kWow = "\\Wow6432Node\\";
    for (std::size_t at = 0; at + kWow.size() <= location.size(); ++at)
        if (NamesEqual(location.substr(at, kWow.size()), kWow)) return 32;
    return 64;
}

std::optional<ApprovalSlot> FindApprovalValue(Registry& reg, const ApprovalSlot& slot) {
    auto stored = StoredValueName(reg, slot.root, slot.keyPath, slot.valueName);
    if (!stored) return std::nullopt;
    return ApprovalSlot{slot.root, slot.keyPath, std::move(*stored)};
}

bool ReadApprovalDisabled(Registry& reg, const ApprovalSlot& slot) {
    RegKey key(reg, reg.OpenKeyRead(RootHandle(slot.root), slot.keyPath));
    if (!key) return false;
    auto value = reg.ReadValueWhole(key.get(), slot.valueName);
    return value && ApprovalMeansDisabled(value->data.data(), value->data.size());
}

ApprovalWrite WriteApproval(Registry& reg, const ApprovalSlot& slot, bool disable,
                            std::uint64_t fileTime) {
    RegKey key(reg, reg.CreateKey(RootHandle(slot.root), slot.keyPath));
    if (!key) return ApprovalWrite::NotWritten;
    std::optional<std::uint8_t> oldFirst;
    if (auto old = reg.ReadValueWhole(key.get(), slot.valueName); old && !old->data.empty())
        oldFirst = old->data[0];
    ApprovalBytes bytes = disable ? EncodeDisabled(oldFirst, fileTime) : EncodeEnabled();
    if (!reg.WriteValue(key.get(), slot.valueName, kRegBinary, bytes.data(),
                        static_cast<std::uint32_t>(bytes.size())))
        return ApprovalWrite::NotWritten;
    auto back = reg.ReadValueWhole(key.get(), slot.valueName);
    bool same = back && back->type == kRegBinary &&
                std::equal(back->data.begin(), back->data.end(), bytes.begin(), bytes.end());
    return same ? ApprovalWrite::Written : ApprovalWrite::NotWritten;
}

ApprovalWrite SetStartupEntryDisabled(Registry& reg, const StartupEntry& entry, bool disable) {
    auto slot = ApprovalFor(entry);
    if (!slot) return ApprovalWrite::NotGoverned;
    return WriteApproval(reg, *slot, disable, CurrentFileTime());
}

} // namespace zt
