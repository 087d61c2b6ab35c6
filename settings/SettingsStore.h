#pragma once
// The program's settings: REG_DWORD values in the current user's profile key
// "Software\Morvane\<executable name>\settings".
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "seams/Registry.h"

namespace zt {

inline constexpr std::string_view kMakerName = "Morvane";
inline constexpr std::string_view kSettingsSection = "settings";

namespace settings {
inline constexpr std::string_view ButtonSilence = "ButtonSilence";
inline constexpr std::string_view StartupMode = "StartupMode";
inline constexpr std::string_view SavePos = "SavePos";
inline constexpr std::string_view MainLeft = "main_left";
inline constexpr std::string_view MainTop = "main_top";
inline constexpr std::string_view MainRight = "main_right";
inline constexpr std::string_view MainBottom = "main_bottom";
inline constexpr std::string_view ActiveTab = "ActiveTab";
// Files in the temporary folders changed in the last 24 hours are kept (default 1).
inline constexpr std::string_view KeepRecentJunk = "KeepRecentJunk";
inline constexpr std::string_view RegistryList = "Registry_List"; // + "_0" .. "_3"
inline constexpr std::string_view StartupList = "Startup_List";   // + "_0" .. "_4"
inline constexpr std::string_view RestoreList = "Restore_List";   // + "_0" .. "_1"
// A disk cleaner place ticked in its list (default 0).
inline constexpr std::string_view JunkPlaceTicked = "JunkPlace_"; // + the place's id

inline constexpr int kTabCount = 5;
} // namespace settings

// The application name: the executable's file name without folder and extension.
std::string ApplicationNameFromPath(std::string_view modulePath);

class SettingsStore {
  public:
    SettingsStore(Registry& registry, std::string applicationName);

    // "Software\Morvane\<application>\settings"
    const std::string& KeyPath() const { return keyPath_; }
    // "Software\Morvane\<application>": the profile key that holds the section
    std::string ProfileKeyPath() const {
        return keyPath_.substr(0, keyPath_.size() - kSettingsSection.size() - 1);
    }

    std::int32_t ReadInt(std::string_view key, std::int32_t defaultValue) const;
    // Creates the key on first write.
    Status WriteInt(std::string_view key, std::int32_t value) const;
    bool ReadBool(std::string_view key, bool defaultValue) const {
        return ReadInt(key, defaultValue ? 1 : 0) != 0;
    }

    // "<list>_<index>"
    static std::string ListWidthKey(std::string_view list, int column);

    Registry& registry() const { return registry_; }

  private:
    Registry& registry_;
    std::string keyPath_;
};

// Group rules applied by the readers.
struct WindowRect {
    std::int32_t left, top, right, bottom;
};
// The stored rectangle, only when all four keys differ from -1.
bool ReadWindowRect(const SettingsStore& store, WindowRect& rect);
// Writes every value; the first failure, if any.
Status WriteWindowRect(const SettingsStore& store, const WindowRect& rect);
// The stored widths, only when every key of the list differs from -1; each width is the low
// 16 bits of the stored value.
bool ReadListWidths(const SettingsStore& store, std::string_view list, int columns, int* widths);
Status WriteListWidths(const SettingsStore& store, std::string_view list, int columns,
                       const int* widths);
// The stored active tab, only when it is a valid index 0 to 4.
bool ReadActiveTab(const SettingsStore& store, int& tab);
// Whether the disk cleaner's place `id` is ticked; unticked unless stored.
bool ReadJunkPlaceTicked(const SettingsStore& store, std::string_view id);
Status WriteJunkPlaceTicked(const SettingsStore& store, std::string_view id, bool ticked);

} // namespace zt
