#pragma once
// What the controls need to know about the running program: its main window (caption
// fallback and centring of the message box) and its settings store (the message box's own
// reading of ButtonSilence). The application sets both at start-up; both may stay unset.
#include <windows.h>

namespace zt {

class SettingsStore;

void SetAppMainWindow(HWND hwnd);
HWND AppMainWindow();
void SetAppSettings(const SettingsStore* store);
const SettingsStore* AppSettings();

} // namespace zt
