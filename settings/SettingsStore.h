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

// A stored number and the value it reads as until written (or when stored as another type):
// each setting's default lives here and nowhere else.
struct Setting {
    std::string_view key;
    std::int32_t fallback;
};

namespace settings {
// 1 = buttons play no click and hover sounds.
inline constexpr Setting ButtonSilence{"ButtonSilence", 0};
// 1 = the program is registered to start with Windows.
inline constexpr Setting StartupMode{"StartupMode", 1};
// 1 = the window layout is saved on close and restored at start.
inline constexpr Setting SavePos{"SavePos", 1};
// A window edge or column width never stored.
inline constexpr std::int32_t kUnset = -1;
// kUnset in any of the four: no stored rectangle.
inline constexpr Setting MainLeft{"main_left", kUnset};
inline constexpr Setting MainTop{"main_top", kUnset};
inline constexpr Setting MainRight{"main_right", kUnset};
inline constexpr Setting MainBottom{"main_bottom", kUnset};
inline constexpr Setting ActiveTab{"ActiveTab", 0};
// 1 = files in the temporary folders changed in the last 24 hours are kept.
inline constexpr Setting KeepRecentJunk{"KeepRecentJunk", 1};
// 1 = the startup page leaves out the entries that are part of Windows.
inline constexpr Setting HideWindowsStartup{"HideWindowsStartup", 1};

// Every setting of a fixed name, for the checks that no two share a key.
inline constexpr Setting kNamed[] = {ButtonSilence,  StartupMode,       SavePos,    MainLeft,
                                     MainTop,        MainRight,         MainBottom, ActiveTab,
                                     KeepRecentJunk, HideWindowsStartup};

// A scan area's switch, named in the area table, with the area's own default.
constexpr Setting ScanAreaSwitch(std::string_view key, bool onByDefault = true) {
    return {key, onByDefault ? 1 : 0};
}

// A disk cleaner place ticked in its list ("JunkPlace_<id>"), unticked unless stored.
inline constexpr std::string_view JunkPlacePrefix = "JunkPlace_";
inline Setting JunkPlaceTicked(const std::string& key) {
    return {key, 0};
}

// Column widths are stored per list as "<list>_<index>".
inline constexpr std::string_view RegistryList = "Registry_List"; // + "_0" .. "_3"
inline constexpr std::string_view StartupList = "Startup_List";   // + "_0" .. "_4"
inline constexpr std::string_view RestoreList = "Restore_List";   // + "_0" .. "_1"

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

    // The stored value, else the setting's own default.
    std::int32_t Read(const Setting& setting) const {
        return ReadInt(setting.key, setting.fallback);
    }
    bool IsOn(const Setting& setting) const { return Read(setting) != 0; }
    // Creates the key on first write.
    Status Write(const Setting& setting, std::int32_t value) const {
        return WriteInt(setting.key, value);
    }

    // By bare name, for keys made at run time (column widths) and for probes.
    std::int32_t ReadInt(std::string_view key, std::int32_t defaultValue) const;
    Status WriteInt(std::string_view key, std::int32_t value) const;

    // "<list>_<index>"
    static std::string ListWidthKey(std::string_view list, int column);

    Registry& registry() const { return registry_; }

  private:
    Registry& registry_;
    std::string keyPath_;
};

// The settings page's four switches: read together, written together.
struct ProgramSwitches {
    bool buttonSilence = settings::ButtonSilence.fallback != 0;
    bool startupMode = settings::StartupMode.fallback != 0;
    bool savePos = settings::SavePos.fallback != 0;
    bool keepRecentJunk = settings::KeepRecentJunk.fallback != 0;
};
ProgramSwitches ReadProgramSwitches(const SettingsStore& store);
// Writes every switch; the first failure, if any.
Status WriteProgramSwitches(const SettingsStore& store, const ProgramSwitches& switches);

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
