#pragma once
// Hands the controls what they take from the program: its artwork ids and, from the settings
// store, whether the message box's buttons sound. nullptr unlinks the store again.
namespace zt {

class SettingsStore;

void SetAppSettings(const SettingsStore* store);

} // namespace zt
