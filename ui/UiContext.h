#pragma once
// What the controls need to know about the running program: its main window (caption
// fallback and centring of the message box), its artwork and whether the message box's
// buttons sound. The application sets them at start-up; all may stay unset.
#include <windows.h>

#include <functional>

namespace zt {

// The program's own artwork and sounds, as resource ids of its module; 0 = none.
struct AppArtwork {
    UINT icon = 0;
    UINT skinNormal = 0;
    UINT skinHover = 0;
    UINT skinPressed = 0;
    UINT skinDisabled = 0;
    UINT waveHover = 0;
    UINT waveClick = 0;
    // The four button bitmaps drawn large, from which buttons of other sizes are drawn.
    UINT skinNormalLarge = 0;
    UINT skinHoverLarge = 0;
    UINT skinPressedLarge = 0;
    UINT skinDisabledLarge = 0;
};

void SetAppMainWindow(HWND hwnd);
HWND AppMainWindow();
void SetAppArtwork(const AppArtwork& artwork);
const AppArtwork& GetAppArtwork();
// Asked each time a message box opens; unset means silent.
void SetButtonSoundsWanted(std::function<bool()> wanted);
bool ButtonSoundsWanted();

} // namespace zt
