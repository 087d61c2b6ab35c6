#include "settings/SettingsStore.h"

#include <initializer_list>
#include <utility>

namespace zt {

std::string ApplicationNameFromPath(std::string_view modulePath) {
    auto slash = modulePath.find_last_of("\\/");
    std::string_view name =
        slash == std::string_view::npos ? modulePath : modulePath.substr(slash + 1);
    auto dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

SettingsStore::SettingsStore(Registry& registry, std::string applicationName)
    : registry_(registry) {
    keyPath_ = "Software\\";
    keyPath_ += kMakerName;
    keyPath_ += '\\';
    keyPath_ += applicationName;
    keyPath_ += '\\';
    keyPath_ += kSettingsSection;
}

std::int32_t SettingsStore::ReadInt(std::string_view key, std::int32_t defaultValue) const {
    RegKey k(registry_, registry_.OpenKeyRead(RootHandle(kCurrentUser), keyPath_));
    if (!k) return defaultValue;
    std::uint32_t type = 0;
    std::uint32_t value = 0;
    // A value shorter than four bytes reads whole into the zero-filled number.
    if (!registry_.ReadValueTyped(k.get(), key, &value, sizeof value, type)) return defaultValue;
    if (type != kRegDword) return defaultValue;
    return static_cast<std::int32_t>(value);
}

Status SettingsStore::WriteInt(std::string_view key, std::int32_t value) const {
    RegKey k(registry_, registry_.CreateKey(RootHandle(kCurrentUser), keyPath_));
    // CreateKey keeps no cause; a profile key that cannot be made is one we may not write.
    if (!k) return Status::From(StatusCode::AccessDenied, kOsErrorAccessDenied);
    return registry_.WriteDword(k.get(), key, static_cast<std::uint32_t>(value));
}

std::string SettingsStore::ListWidthKey(std::string_view list, int column) {
    return std::string(list) + "_" + std::to_string(column);
}

ProgramSwitches ReadProgramSwitches(const SettingsStore& store) {
    return {store.IsOn(settings::ButtonSilence), store.IsOn(settings::StartupMode),
            store.IsOn(settings::SavePos), store.IsOn(settings::KeepRecentJunk)};
}

namespace {
// Every value written even after a failure; the first failure, if any.
Status WriteEach(const SettingsStore& store,
                 std::initializer_list<std::pair<Setting, std::int32_t>> values) {
    Status first;
    for (const auto& [setting, value] : values) {
        Status written = store.Write(setting, value);
        if (first && !written) first = written;
    }
    return first;
}
} // namespace

Status WriteProgramSwitches(const SettingsStore& store, const ProgramSwitches& switches) {
    return WriteEach(store, {{settings::ButtonSilence, switches.buttonSilence ? 1 : 0},
                             {settings::SavePos, switches.savePos ? 1 : 0},
                             {settings::StartupMode, switches.startupMode ? 1 : 0},
                             {settings::KeepRecentJunk, switches.keepRecentJunk ? 1 : 0}});
}

bool ReadWindowRect(const SettingsStore& store, WindowRect& rect) {
    WindowRect r{store.Read(settings::MainLeft), store.Read(settings::MainTop),
                 store.Read(settings::MainRight), store.Read(settings::MainBottom)};
    using settings::kUnset;
    if (r.left == kUnset || r.top == kUnset || r.right == kUnset || r.bottom == kUnset)
        return false;
    rect = r;
    return true;
}

Status WriteWindowRect(const SettingsStore& store, const WindowRect& rect) {
    return WriteEach(store, {{settings::MainLeft, rect.left},
                             {settings::MainTop, rect.top},
                             {settings::MainRight, rect.right},
                             {settings::MainBottom, rect.bottom}});
}

bool ReadListWidths(const SettingsStore& store, std::string_view list, int columns, int* widths) {
    int read[16];
    if (columns < 0 || columns > 16) return false;
    for (int i = 0; i < columns; ++i) {
        std::int32_t v = store.ReadInt(SettingsStore::ListWidthKey(list, i), settings::kUnset);
        if (v == settings::kUnset) return false;
        read[i] = static_cast<int>(static_cast<std::uint32_t>(v) & 0xFFFFu);
    }
    for (int i = 0; i < columns; ++i)
        widths[i] = read[i];
    return true;
}

Status WriteListWidths(const SettingsStore& store, std::string_view list, int columns,
                       const int* widths) {
    Status first;
    for (int i = 0; i < columns; ++i) {
        Status written = store.WriteInt(SettingsStore::ListWidthKey(list, i), widths[i]);
        if (first && !written) first = written;
    }
    return first;
}

bool ReadActiveTab(const SettingsStore& store, int& tab) {
    std::int32_t v = store.Read(settings::ActiveTab);
    if (v < 0 || v >= settings::kTabCount) return false;
    tab = v;
    return true;
}

namespace {
std::string JunkPlaceKey(std::string_view id) {
    return std::string(settings::JunkPlacePrefix) + std::string(id);
}
} // namespace

bool ReadJunkPlaceTicked(const SettingsStore& store, std::string_view id) {
    const std::string key = JunkPlaceKey(id);
    return store.IsOn(settings::JunkPlaceTicked(key));
}

Status WriteJunkPlaceTicked(const SettingsStore& store, std::string_view id, bool ticked) {
    const std::string key = JunkPlaceKey(id);
    return store.Write(settings::JunkPlaceTicked(key), ticked ? 1 : 0);
}

} // namespace zt
