#pragma once
// A push button drawn from four state bitmaps (normal, hover, pressed, disabled) that tracks
// the pointer and plays a hover sound on entry and a click sound on release.
#include <windows.h>
#include <commctrl.h>

#include "ui/SubclassWindow.h"

namespace zt {

class CSkinButton : public CSubclassWindow {
  public:
    enum ImagePlacement : UINT {
        kImageCentreH = 1,
        kImageRight = 2,
        kImageCentreV = 4,
        kImageBottom = 8,
    };
    enum StyleFlag : UINT {
        kStyleAutoSize = 4, // size the window to its content
        kStyleFlat = 8,     // no frame and no focus rectangle
    };
    enum Image { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

    CSkinButton() = default;
    ~CSkinButton() override;

    // Hooks the button and makes it owner-drawn.
    bool Attach(HWND button);

    // Bitmap resource ids of `instance` (none = the program's module); 0 = not given.
    bool SetBitmaps(UINT normal, COLORREF normalMask, UINT hover, COLORREF hoverMask, UINT pressed,
                    COLORREF pressedMask, UINT disabled, COLORREF disabledMask,
                    HINSTANCE instance = nullptr);
    // The same from bitmaps the caller keeps (they are copied into the image list).
    bool SetBitmapHandles(HBITMAP normal, COLORREF normalMask, HBITMAP hover, COLORREF hoverMask,
                          HBITMAP pressed, COLORREF pressedMask, HBITMAP disabled,
                          COLORREF disabledMask);
    void SetSounds(bool enabled, UINT hoverSound, UINT clickSound);
    void SetTextFormat(UINT format);
    void SetImagePlacement(UINT placement);
    void SetStyleFlags(UINT flags);

    bool HasImages() const { return hasImages_; }
    int ImageCount() const { return images_ ? ImageList_GetImageCount(images_) : 0; }
    bool IsHovered() const { return hovered_; }
    bool IsPressed() const { return pressed_; }
    bool SoundEnabled() const { return soundEnabled_; }
    // The image the button shows now, and the one it drew last.
    int ChooseImage() const;
    int DrawnImage() const { return imageIndex_; }

    bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void Draw(const DRAWITEMSTRUCT& item);
    void FreeImages();
    void Repaint() const;

    HIMAGELIST images_ = nullptr;
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    bool hasImages_ = false;
    bool hasDisabledImage_ = false;
    bool hovered_ = false;
    bool pressed_ = false;
    int imageIndex_ = -1;
    bool soundEnabled_ = false;
    UINT hoverSound_ = 0;
    UINT clickSound_ = 0;
    UINT textFormat_ = DT_CENTER | DT_VCENTER;
    UINT imagePlacement_ = 0;
    UINT styleFlags_ = 1;
};

} // namespace zt
