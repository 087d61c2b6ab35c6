#include "ui/UiContext.h"

namespace zt {
namespace {
HWND g_mainWindow = nullptr;
const SettingsStore* g_settings = nullptr;
} // namespace

void SetAppMainWindow(HWND hwnd) {
    g_mainWindow = hwnd;
}
HWND AppMainWindow() {
    return g_mainWindow && ::IsWindow(g_mainWindow) ? g_mainWindow : nullptr;
}
void SetAppSettings(const SettingsStore* store) {
    g_settings = store;
}
const SettingsStore* AppSettings() {
    return g_settings;
}

} // namespace zt
