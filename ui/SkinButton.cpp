#include "ui/SkinButton.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "ui/Dpi.h"
#include "ui/Messages.h"
#include "ui/Sound.h"

namespace zt {

CSkinButton::~CSkinButton() {
    Unsubclass();
}

void CSkinButton::FreeFitted() {
    for (OwnedBitmap& b : fitted_)
        b.Reset();
    fittedWidth_ = fittedHeight_ = 0;
}

bool CSkinButton::SetLargeBitmaps(UINT normal, UINT hover, UINT pressed, UINT disabled,
                                  COLORREF transparent, HINSTANCE instance) {
    HINSTANCE inst = instance ? instance : ::GetModuleHandleW(nullptr);
    auto load = [inst](UINT id, Picture& out) {
        out = {};
        if (!id) return;
        OwnedBitmap bmp(static_cast<HBITMAP>(
            ::LoadImageW(inst, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        BITMAP info{};
        if (!bmp || !::GetObjectW(bmp.Get(), sizeof info, &info)) return;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = info.bmWidth;
        bi.bmiHeader.biHeight = -info.bmHeight; // top down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        out.pixels.resize(static_cast<size_t>(info.bmWidth) * info.bmHeight);
        int rows = ::GetDIBits(WindowDc(nullptr).Get(), bmp.Get(), 0, info.bmHeight,
                               out.pixels.data(), &bi, DIB_RGB_COLORS);
        if (rows != info.bmHeight) {
            out = {};
            return;
        }
        for (auto& p : out.pixels)
            p &= 0xFFFFFF;
        out.width = info.bmWidth;
        out.height = info.bmHeight;
    };
    load(normal, large_[kNormal]);
    load(hover, large_[kHover]);
    load(pressed, large_[kPressed]);
    load(disabled, large_[kDisabled]);
    // In memory the pixels read 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
    largeTransparent_ = RGB(GetBValue(transparent), GetGValue(transparent), GetRValue(transparent));
    FreeFitted();
    FitImages();
    Repaint();
    return !large_[kNormal].pixels.empty();
}

void CSkinButton::FitImages() {
    if (!hwnd_ || large_[kNormal].pixels.empty()) return;
    RECT rc = ClientRect();
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0 || (hasImages_ && w == imageWidth_ && h == imageHeight_)) {
        FreeFitted(); // the small bitmaps fit exactly
        return;
    }
    if (w == fittedWidth_ && h == fittedHeight_) return;
    FreeFitted();
    const Picture* roles[4] = {&large_[kNormal], &large_[kHover], &large_[kPressed],
                               &large_[kDisabled]};
    if (roles[kHover]->pixels.empty()) roles[kHover] = roles[kNormal];
    if (roles[kPressed]->pixels.empty()) roles[kPressed] = roles[kHover];
    for (int i = 0; i < 4; ++i) {
        const Picture& src = *roles[i];
        if (src.pixels.empty()) continue;
        std::vector<std::uint32_t> px =
            ResamplePicture(src.pixels, src.width, src.height, w, h, largeTransparent_);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        fitted_[i].Reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (fitted_[i] && bits) std::memcpy(bits, px.data(), px.size() * sizeof px[0]);
    }
    fittedWidth_ = w;
    fittedHeight_ = h;
}

void CSkinButton::FreeImages() {
    images_.Reset();
    hasImages_ = false;
    hasDisabledImage_ = false;
}

bool CSkinButton::Attach(HWND button) {
    if (!Subclass(button)) return false;
    LONG_PTR style = ::GetWindowLongPtrW(button, GWL_STYLE);
    default_ = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    SetAccessibleSource(button, this);
    ::SetWindowLongPtrW(button, GWL_STYLE, (style & ~LONG_PTR(BS_TYPEMASK)) | BS_OWNERDRAW);
    Repaint();
    return true;
}

bool CSkinButton::SetBitmaps(UINT normal, COLORREF normalMask, UINT hover, COLORREF hoverMask,
                             UINT pressed, COLORREF pressedMask, UINT disabled,
                             COLORREF disabledMask, HINSTANCE instance) {
    HINSTANCE inst = instance ? instance : ::GetModuleHandleW(nullptr);
    auto load = [inst](UINT id) {
        return OwnedBitmap(
            id ? static_cast<HBITMAP>(::LoadImageW(inst, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                                                   LR_CREATEDIBSECTION))
               : nullptr);
    };
    OwnedBitmap n = load(normal), h = load(hover), p = load(pressed), d = load(disabled);
    return SetBitmapHandles(n.Get(), normalMask, h.Get(), hoverMask, p.Get(), pressedMask, d.Get(),
                            disabledMask);
}

bool CSkinButton::SetBitmapHandles(HBITMAP normal, COLORREF normalMask, HBITMAP hover,
                                   COLORREF hoverMask, HBITMAP pressed, COLORREF pressedMask,
                                   HBITMAP disabled, COLORREF disabledMask) {
    FreeImages();
    BITMAP info{};
    if (!normal || !::GetObjectW(normal, sizeof info, &info)) {
        Repaint();
        return false;
    }
    imageWidth_ = info.bmWidth;
    imageHeight_ = info.bmHeight;
    images_.Reset(ImageList_Create(imageWidth_, imageHeight_, ILC_COLOR32 | ILC_MASK, 4, 0));
    if (!images_) return false;
    // The image list changes the source's masked pixels, so it gets copies.
    auto add = [this](HBITMAP bmp, COLORREF mask) {
        OwnedBitmap copy(static_cast<HBITMAP>(::CopyImage(bmp, IMAGE_BITMAP, 0, 0, 0)));
        return ImageList_AddMasked(images_.Get(), copy ? copy.Get() : bmp, mask);
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

namespace {

bool IsPushButton(HWND hwnd) {
    return hwnd && (::SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) &
                    (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

} // namespace

void CSkinButton::OnUnhooked(HWND was) {
    SetAccessibleSource(was, nullptr);
}

long CSkinButton::AccState(int) const {
    long state = STATE_SYSTEM_FOCUSABLE;
    if (default_) state |= STATE_SYSTEM_DEFAULT;
    if (pressed_) state |= STATE_SYSTEM_PRESSED;
    if (hovered_) state |= STATE_SYSTEM_HOTTRACKED;
    return state;
}

bool CSkinButton::AccDoDefaultAction(int) {
    if (!hwnd_ || !::IsWindowEnabled(hwnd_)) return false;
    // Posted: the click may run a modal box, which must not run inside the caller's request.
    ::PostMessageW(hwnd_, BM_CLICK, 0, 0);
    return true;
}

void CSkinButton::TakeDefault() {
    // As the dialog manager does for a focused push button: the default moves to it.
    HWND dialog = ::GetParent(hwnd_);
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (child != hwnd_ && (::SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON))
            ::SendMessageW(child, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    }
    if (!default_) ::SendMessageW(hwnd_, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void CSkinButton::GiveBackDefault(HWND newFocus) {
    // The focus went to something that is not a push button: the dialog's own default button
    // answers Enter again.
    if (IsPushButton(newFocus)) return;
    HWND dialog = ::GetParent(hwnd_);
    LRESULT def = ::SendMessageW(dialog, DM_GETDEFID, 0, 0);
    HWND owner = HIWORD(def) == DC_HASDEFID ? ::GetDlgItem(dialog, LOWORD(def)) : nullptr;
    if (owner == hwnd_) return;
    ::SendMessageW(hwnd_, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (owner) ::SendMessageW(owner, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

LRESULT CSkinButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_GETDLGCODE:
        // An owner-drawn button says only DLGC_BUTTON, and then Enter would never answer it.
        return DLGC_BUTTON |
               ((default_ || ::GetFocus() == hwnd_) ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE: {
        // The default flag is kept here; the window stays owner-drawn.
        default_ = (wp & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        LRESULT r = DefaultProc(msg, (wp & ~WPARAM(BS_TYPEMASK)) | BS_OWNERDRAW, lp);
        Repaint();
        return r;
    }
    case WM_SETFOCUS:
        TakeDefault();
        Repaint();
        break;
    case WM_KILLFOCUS:
        GiveBackDefault(reinterpret_cast<HWND>(wp));
        Repaint();
        break;
    case WM_UPDATEUISTATE:
        Repaint();
        break;
    case WM_GETOBJECT:
        return AnswerGetObject(hwnd_, wp, lp, DefaultProc(msg, wp, lp));
    case WM_SIZE:
        FitImages();
        Repaint();
        break;
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

void CSkinButton::SetIcon(OwnedIcon icon) {
    icon_ = std::move(icon);
    Repaint();
}

void CSkinButton::Draw(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT rc = item.rcItem;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;
    bool down = pressed_ || (item.itemState & ODS_SELECTED);
    imageIndex_ = disabled ? kDisabled : down ? kPressed : hovered_ ? kHover : kNormal;

    // The parent's brush for buttons lets its background show around the image.
    HWND parent = ::GetParent(hwnd_);
    auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
        parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)));
    ::FillRect(dc, &rc, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));

    if (!(styleFlags_ & kStyleFlat))
        ::DrawFrameControl(dc, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));

    if (fitted_[kNormal] && (fitted_[imageIndex_] || imageIndex_ != kDisabled)) {
        // Drawn for this size from the large artwork.
        HBITMAP pic = fitted_[imageIndex_] ? fitted_[imageIndex_].Get() : fitted_[kNormal].Get();
        MemoryDc mem(dc);
        ScopedSelect picture(mem.Get(), pic);
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        int shift = down ? 1 : 0;
        ::AlphaBlend(dc, rc.left + shift, rc.top + shift, fittedWidth_ - shift,
                     fittedHeight_ - shift, mem.Get(), 0, 0, fittedWidth_ - shift,
                     fittedHeight_ - shift, blend);
    } else if (hasImages_) {
        int w = rc.right - rc.left, h = rc.bottom - rc.top;
        auto drawImage = [&](HDC target, int x, int y) {
            if (imageIndex_ == kDisabled && !hasDisabledImage_) {
                OwnedIcon icon(ImageList_GetIcon(images_.Get(), kNormal, ILD_NORMAL));
                ::DrawStateW(target, nullptr, nullptr, reinterpret_cast<LPARAM>(icon.Get()), 0, x,
                             y, imageWidth_, imageHeight_, DST_ICON | DSS_DISABLED);
            } else {
                ImageList_Draw(images_.Get(), imageIndex_, target, x, y, ILD_TRANSPARENT);
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
            MemoryDc mem(dc);
            OwnedBitmap bmp(::CreateCompatibleBitmap(dc, imageWidth_, imageHeight_));
            ScopedSelect canvas(mem.Get(), bmp.Get());
            RECT all{0, 0, imageWidth_, imageHeight_};
            ::FillRect(mem.Get(), &all, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
            drawImage(mem.Get(), 0, 0);
            ::SetStretchBltMode(dc, HALFTONE);
            ::SetBrushOrgEx(dc, 0, 0, nullptr);
            ::StretchBlt(dc, rc.left, rc.top, w, h, mem.Get(), 0, 0, imageWidth_, imageHeight_,
                         SRCCOPY);
        }
    }

    const std::wstring caption = ToWide(ForDisplay(GetText()));
    if (!caption.empty()) {
        UINT format = textFormat_;
        if (caption.find(L'\n') == std::wstring::npos) format |= DT_SINGLELINE;
        const int length = static_cast<int>(caption.size());
        RECT text = rc;
        if (down) ::OffsetRect(&text, 1, 1);
        ScopedSelect font(dc, reinterpret_cast<HFONT>(::SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
        if (icon_) {
            // The icon and the caption are centred as one.
            const int dpi = static_cast<int>(WindowDpi(hwnd_));
            const int side = ScaleForDpi(16, dpi), gap = ScaleForDpi(4, dpi);
            RECT measured{};
            ::DrawTextW(dc, caption.c_str(), length, &measured, format | DT_CALCRECT);
            const int width = side + gap + (measured.right - measured.left);
            const int left = static_cast<int>(text.left) +
                             std::max(0, static_cast<int>(text.right - text.left - width) / 2);
            ::DrawIconEx(dc, left, text.top + (text.bottom - text.top - side) / 2, icon_.Get(),
                         side, side, 0, nullptr, DI_NORMAL);
            text.left = left + side + gap;
            format = (format & ~DT_CENTER) | DT_LEFT;
        }
        ::SetBkMode(dc, TRANSPARENT);
        if (disabled) {
            RECT shadow = text;
            ::OffsetRect(&shadow, 1, 1);
            ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOW));
            ::DrawTextW(dc, caption.c_str(), length, &shadow, format);
            ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
        } else {
            ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
        }
        ::DrawTextW(dc, caption.c_str(), length, &text, format | HidePrefixFlag(hwnd_));
    }

    const int dpi = static_cast<int>(WindowDpi(hwnd_));
    if (default_ && !disabled) {
        // The default button: a dark outline inside its edge, as the system marks it.
        OwnedPen pen(
            ::CreatePen(PS_INSIDEFRAME, ScaleForDpi(1, dpi), ::GetSysColor(COLOR_WINDOWFRAME)));
        ScopedSelect outline(dc, pen.Get());
        ScopedSelect hollow(dc, ::GetStockObject(NULL_BRUSH));
        int round = ScaleForDpi(6, dpi);
        ::RoundRect(dc, rc.left, rc.top, rc.right, rc.bottom, round, round);
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT) &&
        FocusCuesShown(hwnd_)) {
        RECT focus = rc;
        int inset = ScaleForDpi(3, dpi);
        ::InflateRect(&focus, -inset, -inset);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
        ::DrawFocusRect(dc, &focus);
    }
}

} // namespace zt
