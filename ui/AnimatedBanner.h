#pragma once
// The strip along the bottom of the main window: colour bands sliding through a palette, a
// water-ripple layer that reacts to the mouse and to random drops, and one bold line of text.
// A running animation (faster bands, no water) shows that a scan is busy; SetWaterShape
// brings the water back. Mouse input is also posted to the parent, so the strip swallows no clicks.
#include <array>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ui/BannerLogic.h"
#include "ui/CustomWindow.h"

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

    int Step() const { return step_; }
    UINT Interval() const { return interval_; }
    int BandOffset() const { return bandOffset_; }
    int PaletteIndex() const { return paletteIndex_; }
    int Direction() const { return direction_; }
    bool DisturbancesOn() const { return disturb_; }
    bool WaterRunning() const { return waterRunning_; }
    const WaterLayer& Water() const { return water_; }
    // One frame of each kind, as the timers run them (for tests and the gallery).
    void BandFrame();
    void WaterFrame();
    void Drop();

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void Resize(int width, int height);
    void Paint(HDC dc);
    void StartWater();
    void StopWater();
    void MouseDisturb(UINT msg, int x, int y);
    void RelayToParent(UINT msg, WPARAM wp, LPARAM lp);
    bool ProgramInFront() const;

    std::string text_;
    std::wstring shown_; // the text as drawn
    std::array<Pixel, 8> palette_ = kBannerPalette;
    int paletteIndex_ = 0;
    int bandOffset_ = 0;
    int step_ = 5;
    UINT interval_ = 100;
    WaterShape shape_ = WaterShape::Blob;
    int blendAlpha_ = 127;
    int direction_ = 1;
    bool disturb_ = true;
    bool waterRunning_ = false;
    int width_ = 0, height_ = 0;
    WaterLayer water_;
    std::vector<Pixel> bands_, waterImage_;
    std::mt19937 rng_;
    DWORD lastClick_ = 0;
    HFONT boldFont_ = nullptr;
    Pixel textColour_ = 0;
};

} // namespace zt
