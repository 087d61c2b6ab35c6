#pragma once
// The strip along the bottom of the main window: colour bands sliding through a palette, a
// water-ripple layer that reacts to the mouse and to random drops, and one bold line of text
// drawn in whichever palette colour stays readable on the bands under it.
// A running animation (faster bands, no water) shows that a scan is busy; SetWaterShape brings
// the water back. Mouse input is also posted to the parent, so the strip swallows no clicks.
// The timers (ui/Messages.h) drive it; WM_PRINTCLIENT paints the current frame into any DC.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/BannerLogic.h"
#include "ui/CustomWindow.h"
#include "ui/Gdi.h"

namespace zt {

class CAnimatedBanner : public CCustomWindow {
  public:
    CAnimatedBanner();
    ~CAnimatedBanner() override;

    bool Create(HWND parent, const RECT& rect, UINT id);
    void SetText(std::string_view text);
    const std::string& Text() const { return text_; }
    // The shape of every drop, move and click; switches the water disturbances on.
    void SetWaterShape(WaterShape shape);
    // Faster bands (`step` pixels every `interval` ms) and no water until the next
    // SetWaterShape.
    void StartRunning(UINT interval, int step);

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void Paint(HDC dc);
    std::vector<std::uint8_t> TextCoverage(HDC like) const;
    void StartWater();
    void StopWater();
    void BandFrame();
    void MouseDisturb(UINT msg, int x, int y);
    void RelayToParent(UINT msg, WPARAM wp, LPARAM lp);
    bool ProgramInFront() const;

    std::string text_;
    std::wstring shown_; // the text as drawn
    BannerAnimation animation_;
    UINT interval_ = 100;
    bool waterRunning_ = false;
    DWORD lastClick_ = 0;
    OwnedFont boldFont_;
};

} // namespace zt
