#pragma once
// A push button drawn from four state bitmaps (normal, hover, pressed, disabled) that tracks
// the pointer and plays a hover sound on entry and a click sound on release. Being owner-drawn,
// it tells the dialog manager itself that it is a push button, takes the default while it has
// the focus (so Enter answers it), marks the default and draws the keyboard focus.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "ui/Accessible.h"
#include "ui/Gdi.h"
#include "ui/SubclassWindow.h"

namespace zt {

class CSkinButton : public CSubclassWindow, public CAccessibleSource {
  public:
    enum ImagePlacement : UINT {
        kImageCentreH = 1,
        kImageRight = 2,
        kImageCentreV = 4,
        kImageBottom = 8,
    };
    enum StyleFlag : UINT {
        kStyleAutoSize = 4, // size the window to its content
        kStyleFlat = 8,     // no frame (the keyboard focus is still drawn)
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
    // The same four roles drawn large: whenever the button's size differs from the normal
    // bitmap's (another DPI, another dialog font), it draws its images from these at its own
    // size instead of centring or stretching the small ones. 0 = not given.
    bool SetLargeBitmaps(UINT normal, UINT hover, UINT pressed, UINT disabled, COLORREF transparent,
                         HINSTANCE instance = nullptr);
    // The size the images are drawn at now from the large bitmaps ({0, 0}: the small ones).
    SIZE FittedSize() const { return {fittedWidth_, fittedHeight_}; }
    void SetSounds(bool enabled, UINT hoverSound, UINT clickSound);
    void SetTextFormat(UINT format);
    void SetImagePlacement(UINT placement);
    void SetStyleFlags(UINT flags);

    // A small icon drawn before the caption (the system's shield on an action that asks for
    // administrator rights); none takes it away. The button owns it.
    void SetIcon(OwnedIcon icon);
    bool HasIcon() const { return static_cast<bool>(icon_); }

    bool HasImages() const { return hasImages_; }
    int ImageCount() const { return images_ ? ImageList_GetImageCount(images_.Get()) : 0; }
    bool IsHovered() const { return hovered_; }
    bool IsPressed() const { return pressed_; }
    bool SoundEnabled() const { return soundEnabled_; }
    // Whether it is the button that Enter answers (the focused one, else the dialog's default).
    bool IsDefault() const { return default_; }
    // The image the button shows now, and the one it drew last.
    int ChooseImage() const;
    int DrawnImage() const { return imageIndex_; }

    bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    std::string AccName(int) const override { return StripAmpersands(GetText()); }
    long AccRole(int) const override { return ROLE_SYSTEM_PUSHBUTTON; }
    long AccState(int) const override;
    std::string AccDefaultAction(int) const override { return "Press"; }
    bool AccDoDefaultAction(int) override;
    std::string AccKeyboardShortcut(int) const override { return ShortcutOf(GetText()); }

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void Draw(const DRAWITEMSTRUCT& item);
    void OnUnhooked(HWND was) override;
    void FreeImages();
    void Repaint() const;
    void TakeDefault();
    void FitImages();
    void FreeFitted();
    void GiveBackDefault(HWND newFocus);

    OwnedImageList images_;
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    bool hasImages_ = false;
    bool hasDisabledImage_ = false;
    bool hovered_ = false;
    bool pressed_ = false;
    bool default_ = false;
    struct Picture {
        std::vector<std::uint32_t> pixels; // 0x00RRGGBB, rows top down
        int width = 0, height = 0;
    };
    Picture large_[4];
    COLORREF largeTransparent_ = 0;
    OwnedBitmap fitted_[4]; // premultiplied 32-bit pictures at the client size
    int fittedWidth_ = 0, fittedHeight_ = 0;
    int imageIndex_ = -1;
    bool soundEnabled_ = false;
    UINT hoverSound_ = 0;
    UINT clickSound_ = 0;
    UINT textFormat_ = DT_CENTER | DT_VCENTER;
    OwnedIcon icon_;
    UINT imagePlacement_ = 0;
    UINT styleFlags_ = 1;
};

} // namespace zt
