#pragma once
// The switch that Windows 8 and later keep beside a startup entry: a 12-byte REG_BINARY
// value under Explorer\StartupApproved, named like the entry. Bit 0 of its first byte set
// means disabled, the last eight bytes hold the time it was disabled; no value is enabled.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scan/RunKeys.h"
#include "seams/Registry.h"
#include "startup/StartupEntry.h"

namespace zt {

inline constexpr std::size_t kApprovalBytes = 12;
using ApprovalBytes = std::array<std::uint8_t, kApprovalBytes>;

// Whatever its type or length, a value is read by bit 0 of its first byte.
bool ApprovalMeansDisabled(const std::uint8_t* data, std::size_t size);
// Disabled: the old first byte with bit 0 set (0x03 when there was none), three zero bytes,
// then `fileTime` little-endian.
ApprovalBytes EncodeDisabled(std::optional<std::uint8_t> oldFirstByte, std::uint64_t fileTime);
// Enabled: 0x02 and eleven zero bytes.
ApprovalBytes EncodeEnabled();
// Now, in 100-nanosecond steps since 1601 (UTC).
std::uint64_t CurrentFileTime();

// The approval value that governs an entry: root, key and value name.
struct ApprovalSlot {
    RootKey root = kCurrentUser;
    std::string_view keyPath;
    std::string valueName;
    // "HKCU\...\StartupApproved\Run\name", as messages name it.
    std::string Text() const;
};

// Run keys of HKCU and HKLM (Run), HKLM's 32-bit Run key (Run32) and the two startup
// folders (StartupFolder); none for every other row, which can only be deleted.
std::optional<ApprovalSlot> ApprovalFor(const StartupEntry& entry);

// 32 for a row of a Wow6432Node key, 64 for every other.
int RegistryViewOf(std::string_view location);

// The slot with the value's name as stored (names compare without regard to case); none
// when the value does not exist.
std::optional<ApprovalSlot> FindApprovalValue(Registry& reg, const ApprovalSlot& slot);

// Reads the approval of a governed entry: true when it is disabled.
bool ReadApprovalDisabled(Registry& reg, const ApprovalSlot& slot);

enum class ApprovalWrite { Written, NotGoverned, NotWritten };

// Writes what the system's own switch writes for enabled or disabled, creating the key when
// needed, and reads it back: Written only when the value now holds exactly those bytes.
[[nodiscard]] ApprovalWrite WriteApproval(Registry& reg, const ApprovalSlot& slot, bool disable,
                                          std::uint64_t fileTime);

// Enables or disables one row: NotGoverned for a row no approval value governs.
[[nodiscard]] ApprovalWrite SetStartupEntryDisabled(Registry& reg, const StartupEntry& entry,
                                                    bool disable);

inline constexpr std::string_view kStatusEnabled = "Enabled";
inline constexpr std::string_view kStatusDisabled = "Disabled";
inline constexpr std::string_view kOnlyDeletable = "This entry can only be deleted.";

} // namespace zt
