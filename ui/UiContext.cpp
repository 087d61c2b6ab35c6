#include "ui/UiContext.h"

#include <utility>

namespace zt {
namespace {
HWND g_mainWindow = nullptr;
AppArtwork g_artwork;
std::function<bool()> g_soundsWanted;
} // namespace

void SetAppMainWindow(HWND hwnd) {
    g_mainWindow = hwnd;
}
HWND AppMainWindow() {
    return g_mainWindow && ::IsWindow(g_mainWindow) ? g_mainWindow : nullptr;
}
void SetAppArtwork(const AppArtwork& artwork) {
    g_artwork = artwork;
}
const AppArtwork& GetAppArtwork() {
    return g_artwork;
}
void SetButtonSoundsWanted(std::function<bool()> wanted) {
    g_soundsWanted = std::move(wanted);
}
bool ButtonSoundsWanted() {
    return g_soundsWanted && g_soundsWanted();
}

} // namespace zt
