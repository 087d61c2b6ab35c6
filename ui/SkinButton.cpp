#include "ui/SkinButton.h"

#include <string>

#include "ui/Messages.h"
#include "ui/Sound.h"

namespace zt {

CSkinButton::~CSkinButton() {
    Unsubclass();
    FreeImages();
}

void CSkinButton::FreeImages() {
    if (images_) ImageList_Destroy(images_);
    images_ = nullptr;
    hasImages_ = false;
    hasDisabledImage_ = false;
}

bool CSkinButton::Attach(HWND button) {
    if (!Subclass(button)) return false;
    LONG_PTR style = ::GetWindowLongPtrA(button, GWL_STYLE);
    ::SetWindowLongPtrA(button, GWL_STYLE, (style & ~LONG_PTR(BS_TYPEMASK)) | BS_OWNERDRAW);
    Repaint();
    return true;
}

bool CSkinButton::SetBitmaps(UINT normal, COLORREF normalMask, UINT hover, COLORREF hoverMask,
                             UINT pressed, COLORREF pressedMask, UINT disabled,
                             COLORREF disabledMask, HINSTANCE instance) {
    HINSTANCE inst = instance ? instance : ::GetModuleHandleA(nullptr);
    auto load = [inst](UINT id) -> HBITMAP {
        if (!id) return nullptr;
        return static_cast<HBITMAP>(
            ::LoadImageA(inst, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    };
    HBITMAP n = load(normal), h = load(hover), p = load(pressed), d = load(disabled);
    bool ok = SetBitmapHandles(n, normalMask, h, hoverMask, p, pressedMask, d, disabledMask);
    for (HBITMAP b : {n, h, p, d})
        if (b) ::DeleteObject(b);
    return ok;
}

bool CSkinButton::SetBitmapHandles(HBITMAP normal, COLORREF normalMask, HBITMAP hover,
                                   COLORREF hoverMask, HBITMAP pressed, COLORREF pressedMask,
                                   HBITMAP disabled, COLORREF disabledMask) {
    FreeImages();
    BITMAP info{};
    if (!normal || !::GetObjectA(normal, sizeof info, &info)) {
        Repaint();
        return false;
    }
    imageWidth_ = info.bmWidth;
    imageHeight_ = info.bmHeight;
    images_ = ImageList_Create(imageWidth_, imageHeight_, ILC_COLOR32 | ILC_MASK, 4, 0);
    if (!images_) return false;
    // The image list changes the source's masked pixels, so it gets copies.
    auto add = [this](HBITMAP bmp, COLORREF mask) {
        HBITMAP copy = static_cast<HBITMAP>(::CopyImage(bmp, IMAGE_BITMAP, 0, 0, 0));
        int index = ImageList_AddMasked(images_, copy ? copy : bmp, mask);
        if (copy) ::DeleteObject(copy);
        return index;
    };
    if (add(normal, normalMask) < 0) {
        FreeImages();
        Repaint();
        return false;
    }
    add(hover ? hover : normal, hover ? hoverMask : normalMask);
    if (pressed)
        add(pressed, pressedMask);
    else
        add(hover ? hover : normal, hover ? hoverMask : normalMask);
    if (disabled) hasDisabledImage_ = add(disabled, disabledMask) >= 0;
    hasImages_ = true;
    if ((styleFlags_ & kStyleAutoSize) && hwnd_)
        ::SetWindowPos(hwnd_, nullptr, 0, 0, imageWidth_, imageHeight_,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Repaint();
    return true;
}

void CSkinButton::SetSounds(bool enabled, UINT hoverSound, UINT clickSound) {
    soundEnabled_ = enabled;
    hoverSound_ = hoverSound;
    clickSound_ = clickSound;
}

void CSkinButton::SetTextFormat(UINT format) {
    textFormat_ = format;
    Repaint();
}

void CSkinButton::SetImagePlacement(UINT placement) {
    imagePlacement_ = placement;
    Repaint();
}

void CSkinButton::SetStyleFlags(UINT flags) {
    styleFlags_ = flags;
    Repaint();
}

void CSkinButton::Repaint() const {
    if (hwnd_) ::InvalidateRect(hwnd_, nullptr, TRUE);
}

int CSkinButton::ChooseImage() const {
    if (hwnd_ && !::IsWindowEnabled(hwnd_)) return kDisabled;
    if (pressed_) return kPressed;
    if (hovered_) return kHover;
    return kNormal;
}

LRESULT CSkinButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE: {
        if ((wp & MK_LBUTTON) && !hovered_) break;
        if (::GetCapture() != hwnd_) {
            bool wasHovered = hovered_;
            hovered_ = true;
            ::SetTimer(hwnd_, kTimerSkinHover, 100, nullptr);
            ::SetCapture(hwnd_);
            Repaint();
            if (!wasHovered && soundEnabled_) PlayWaveResource(hoverSound_);
        } else {
            POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            ::ClientToScreen(hwnd_, &pt);
            if (::WindowFromPoint(pt) != hwnd_) {
                hovered_ = false;
                Repaint();
                if (!(wp & MK_LBUTTON)) ::ReleaseCapture();
            }
        }
        break;
    }
    case WM_TIMER:
        if (wp == kTimerSkinHover) {
            POINT pt{};
            ::GetCursorPos(&pt);
            ::ScreenToClient(hwnd_, &pt);
            RECT client = ClientRect();
            if (!::PtInRect(&client, pt)) {
                hovered_ = false;
                ::KillTimer(hwnd_, kTimerSkinHover);
                Repaint();
            }
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        ::SetFocus(hwnd_);
        if (wp & MK_LBUTTON) pressed_ = true;
        Repaint();
        break;
    case WM_LBUTTONUP:
        if (pressed_) {
            // The system's handling runs first: it sends the click for a release inside,
            // and losing the capture before that would cancel the click.
            LRESULT r = DefaultProc(msg, wp, lp);
            pressed_ = false;
            if (::GetCapture() == hwnd_) ::ReleaseCapture();
            if (soundEnabled_) PlayWaveResource(clickSound_);
            Repaint();
            return r;
        }
        break;
    case WM_ENABLE:
        Repaint();
        break;
    default:
        break;
    }
    return DefaultProc(msg, wp, lp);
}

bool CSkinButton::OnReflect(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg != WM_DRAWITEM) return false;
    Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    result = TRUE;
    return true;
}

void CSkinButton::Draw(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT rc = item.rcItem;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;
    bool down = pressed_ || (item.itemState & ODS_SELECTED);
    imageIndex_ = disabled ? kDisabled : down ? kPressed : hovered_ ? kHover : kNormal;

    // The parent's brush for buttons lets its background show around the image.
    HWND parent = ::GetParent(hwnd_);
    auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(
        parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)));
    ::FillRect(dc, &rc, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));

    if (!(styleFlags_ & kStyleFlat)) {
        ::DrawFrameControl(dc, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));
        if (item.itemState & ODS_FOCUS) {
            RECT focus = rc;
            ::InflateRect(&focus, -3, -3);
            ::DrawFocusRect(dc, &focus);
        }
    }

    if (hasImages_) {
        int w = rc.right - rc.left, h = rc.bottom - rc.top;
        auto drawImage = [&](HDC target, int x, int y) {
            if (imageIndex_ == kDisabled && !hasDisabledImage_) {
                HICON icon = ImageList_GetIcon(images_, kNormal, ILD_NORMAL);
                ::DrawStateA(target, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y,
                             imageWidth_, imageHeight_, DST_ICON | DSS_DISABLED);
                if (icon) ::DestroyIcon(icon);
            } else {
                ImageList_Draw(images_, imageIndex_, target, x, y, ILD_TRANSPARENT);
            }
        };
        if (imageWidth_ <= w && imageHeight_ <= h) {
            int x = (imagePlacement_ & kImageCentreH) ? (w - imageWidth_) / 2
                    : (imagePlacement_ & kImageRight) ? w - imageWidth_ - 3
                                                      : 3;
            int y = (imagePlacement_ & kImageCentreV)  ? (h - imageHeight_) / 2
                    : (imagePlacement_ & kImageBottom) ? h - imageHeight_ - 3
                                                       : 3;
            if (down) ++x, ++y;
            drawImage(dc, rc.left + x, rc.top + y);
        } else {
            // A button smaller than its artwork (dialog units differ with the font) gets the
            // whole image scaled down rather than its edges cut off.
            HDC mem = ::CreateCompatibleDC(dc);
            HBITMAP bmp = ::CreateCompatibleBitmap(dc, imageWidth_, imageHeight_);
            HGDIOBJ old = ::SelectObject(mem, bmp);
            RECT all{0, 0, imageWidth_, imageHeight_};
            ::FillRect(mem, &all, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
            drawImage(mem, 0, 0);
            ::SetStretchBltMode(dc, HALFTONE);
            ::SetBrushOrgEx(dc, 0, 0, nullptr);
            ::StretchBlt(dc, rc.left, rc.top, w, h, mem, 0, 0, imageWidth_, imageHeight_, SRCCOPY);
            ::SelectObject(mem, old);
            ::DeleteObject(bmp);
            ::DeleteDC(mem);
        }
    }

    std::string caption = GetText();
    if (!caption.empty()) {
        UINT format = textFormat_;
        if (caption.find('\n') == std::string::npos) format |= DT_SINGLELINE;
        RECT text = rc;
        if (down) ::OffsetRect(&text, 1, 1);
        HFONT font = reinterpret_cast<HFONT>(::SendMessageA(hwnd_, WM_GETFONT, 0, 0));
        HGDIOBJ oldFont = font ? ::SelectObject(dc, font) : nullptr;
        ::SetBkMode(dc, TRANSPARENT);
        if (disabled) {
            RECT shadow = text;
            ::OffsetRect(&shadow, 1, 1);
            ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOW));
            ::DrawTextA(dc, caption.c_str(), -1, &shadow, format);
            ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
        } else {
            ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
        }
        ::DrawTextA(dc, caption.c_str(), -1, &text, format);
        if (oldFont) ::SelectObject(dc, oldFont);
    }
}

} // namespace zt
