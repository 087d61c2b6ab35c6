#pragma once
// The base of every page and dialog of the program: a vertical two-colour gradient that also
// shows through labels, check boxes and group boxes; the program icon; push buttons replaced
// by skinned buttons with sounds; labels turned into links; Enter and Escape that close
// nothing unless asked; a size grip; and ApplySettings, run once at the end of initialisation.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Dialog.h"
#include "ui/Gdi.h"
#include "ui/LinkLabel.h"
#include "ui/SkinButton.h"

namespace zt {

inline constexpr COLORREF kGradientTop = RGB(228, 239, 252);
inline constexpr COLORREF kGradientBottom = RGB(242, 250, 251);
inline constexpr COLORREF kSkinTransparent = RGB(255, 0, 255);

// The messages by which the system tells of changed settings, colours or visual style; the
// main window passes them on to every page and control.
inline bool IsSystemLookChange(UINT msg) {
    return msg == WM_SETTINGCHANGE || msg == WM_SYSCOLORCHANGE || msg == WM_THEMECHANGED;
}

// Sends `msg` to every window inside `top` (the system tells top-level windows only).
void ForwardToDescendants(HWND top, UINT msg, WPARAM wp, LPARAM lp);

class CGradientDialog : public CDialog {
  public:
    // iconId 0 = no icon; the icon and bitmaps come from the program's module.
    CGradientDialog(UINT templateId, UINT iconId = 0);
    CGradientDialog(std::shared_ptr<const CDialogTemplate> tmpl, UINT iconId = 0);
    ~CGradientDialog() override;

    // Default: re-apply the button sounds. Pages and the main window override it.
    virtual void ApplySettings();
    virtual void SetCloseOnCancel(bool close) { closeOnCancel_ = close; }
    virtual void SetCloseOnOK(bool close) { closeOnOk_ = close; }
    virtual void SetGradientColours(COLORREF top, COLORREF bottom);
    virtual void ExcludeControl(int id);
    // Removes the first occurrence; returns the new count.
    virtual int IncludeControl(int id);
    // Only the first call counts. With `now`, skins at once, else during initialisation.
    virtual void SetButtonSkin(COLORREF transparent, UINT normal, UINT hover, UINT pressed,
                               UINT disabled, bool now = false);
    virtual CLinkLabel* AddLink(int id, std::string_view highlight, std::string_view target,
                                COLORREF color = RGB(0, 0, 255), bool subclassNow = false);
    // A bold blue link that acts as the dialog's control `commandId` ("BUTTON:<id>").
    virtual CLinkLabel* AddLinkButton(int id, std::string_view highlight, int commandId,
                                      bool subclassNow = false);
    virtual void SetSounds(UINT hover, UINT click);
    virtual void SetButtonSounds(bool enabled, UINT hover, UINT click);
    virtual void LinkClicked(int id, CLinkLabel& link);
    // Where the gradient goes and its colours; the main window paints more than one.
    virtual void GradientArea(RECT& area, COLORREF& top, COLORREF& bottom);

    // After a move to a screen of another DPI: every child control's rectangle, the dialog's
    // font (and the controls that use it), list columns and the recorded layout, from `from`
    // to `to` DPI. The dialog's own size is its parent's business.
    virtual void AdaptToDpi(UINT from, UINT to);
    // The system's own rescaling of template dialogs is switched off where this is used, so
    // it and AdaptToDpi never both run.
    void TakeOverDpiScaling();
    // The DPI the dialog is laid out for now.
    UINT Dpi() const { return dpi_; }

    // The program's standard skin (its AppArtwork bitmaps) over magenta.
    void SetStandardSkin(bool now = false);
    void SetSilent(bool silent) { silent_ = silent; }
    bool IsSilent() const { return silent_; }

    CSkinButton* SkinnedButton(int id) const;
    const std::vector<int>& SkinnedIds() const { return skinnedIds_; }
    const std::vector<int>& ExcludedIds() const { return excludedIds_; }
    CLinkLabel* Link(int id) const;
    COLORREF TopColour() const { return topColor_; }
    COLORREF BottomColour() const { return bottomColor_; }
    UINT HoverSound() const { return hoverSound_; }
    UINT ClickSound() const { return clickSound_; }

    // Paints a vertical gradient from `top` to `bottom` over `area`.
    static void PaintGradient(HDC dc, const RECT& area, COLORREF top, COLORREF bottom);

  protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnSysCommand(WPARAM command, LPARAM lp) override;
    void OnSize(UINT type, int cx, int cy) override;
    bool OnEraseBackground(HDC dc) override;
    bool OnPaint() override;
    bool OnSetCursor(HWND over, UINT hitTest, UINT mouseMsg) override;
    HBRUSH OnCtlColor(UINT msg, HDC dc, HWND control) override;
    void OnDestroy() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    void SkinButtons();
    void DrawSizeGrip(HDC dc);

    bool silent_ = false;
    UINT clickSound_ = 0;
    UINT hoverSound_ = 0;

  private:
    void LoadIcons(UINT iconId);

    OwnedIcon bigIcon_;
    OwnedIcon smallIcon_;
    OwnedBrush ctlBrush_;
    OwnedFont dpiFont_; // the dialog font made for a later DPI
    UINT dpi_ = 96;
    OwnedBitmap ctlBitmap_;
    int ctlBitmapWidth_ = 0;
    int ctlBitmapHeight_ = 0;
    COLORREF topColor_ = kGradientTop;
    COLORREF bottomColor_ = kGradientBottom;
    std::vector<int> excludedIds_;
    std::vector<int> skinnedIds_;
    std::map<int, std::unique_ptr<CSkinButton>> skins_;
    bool closeOnCancel_ = false;
    bool closeOnOk_ = false;
    std::map<int, std::unique_ptr<CLinkLabel>> links_;
    bool skinRequested_ = false;
    COLORREF skinTransparent_ = kSkinTransparent;
    UINT skinNormal_ = 0, skinHover_ = 0, skinPressed_ = 0, skinDisabled_ = 0;
};

} // namespace zt
