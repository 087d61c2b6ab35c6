#include "ui/AnimatedBanner.h"

#include <chrono>

#include "ui/Messages.h"
#include "ui/UiContext.h"

namespace zt {
namespace {
int g_bannersMade = 0;
}

CAnimatedBanner::CAnimatedBanner()
    : rng_(static_cast<std::mt19937::result_type>(
          std::chrono::system_clock::now().time_since_epoch().count())) {
    paletteIndex_ = std::uniform_int_distribution<int>(0, 7)(rng_);
    // Odd-numbered banners move one way, even-numbered ones the other.
    direction_ = (++g_bannersMade % 2 == 1) ? 1 : -1;
    textColour_ = palette_[(paletteIndex_ + 2) % 8];
}

CAnimatedBanner::~CAnimatedBanner() {
    if (hwnd_ && ::IsWindow(hwnd_)) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
    if (boldFont_) ::DeleteObject(boldFont_);
}

bool CAnimatedBanner::Create(HWND parent, const RECT& rect, UINT id) {
    if (!CreateCustom("ZentroveAnimatedBanner", ::GetSysColorBrush(COLOR_BTNFACE),
                      WS_CHILD | WS_VISIBLE, 0, rect, parent, id))
        return false;
    LOGFONTW lf{};
    HFONT parentFont = reinterpret_cast<HFONT>(::SendMessageW(parent, WM_GETFONT, 0, 0));
    ::GetObjectW(parentFont ? parentFont : ::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfWeight = FW_BOLD;
    boldFont_ = ::CreateFontIndirectW(&lf);
    RECT c = ClientRect();
    Resize(c.right, c.bottom);
    ::SetTimer(hwnd_, kTimerBannerFrame, interval_, nullptr);
    StartWater();
    return true;
}

void CAnimatedBanner::Resize(int width, int height) {
    width_ = width;
    height_ = height;
    water_.Resize(width, height);
    RenderBands(bands_, width_, height_, palette_, paletteIndex_, bandOffset_, direction_);
    waterImage_ = bands_;
}

void CAnimatedBanner::SetText(std::string_view text) {
    text_ = text;
    shown_ = ToWide(ForDisplay(text));
    if (hwnd_) Invalidate(false);
}

void CAnimatedBanner::SetWaterShape(WaterShape shape) {
    shape_ = shape;
    disturb_ = true;
    if (!waterRunning_) StartWater();
}

void CAnimatedBanner::StartRunning(UINT interval, int step) {
    interval_ = interval;
    step_ = step;
    disturb_ = false;
    if (!hwnd_) return;
    ::KillTimer(hwnd_, kTimerBannerFrame);
    ::SetTimer(hwnd_, kTimerBannerFrame, interval_, nullptr);
    Post(WM_ZT_BANNER_STOPWATER);
}

void CAnimatedBanner::StartWater() {
    if (!hwnd_) return;
    waterRunning_ = true;
    ::SetTimer(hwnd_, kTimerBannerWater, 30, nullptr);
    ::SetTimer(hwnd_, kTimerBannerDrop, 2000, nullptr);
}

void CAnimatedBanner::StopWater() {
    waterRunning_ = false;
    if (!hwnd_) return;
    ::KillTimer(hwnd_, kTimerBannerWater);
    ::KillTimer(hwnd_, kTimerBannerDrop);
}

bool CAnimatedBanner::ProgramInFront() const {
    HWND front = ::GetForegroundWindow();
    if (!front) return false;
    HWND main = AppMainWindow();
    if (!main) main = ::GetAncestor(hwnd_, GA_ROOT);
    return front == hwnd_ || front == main;
}

void CAnimatedBanner::BandFrame() {
    if (AdvanceBands(bandOffset_, paletteIndex_, step_, direction_, width_)) {
        ReshufflePalette(palette_, paletteIndex_, rng_);
        textColour_ = palette_[(paletteIndex_ + 2) % 8];
    }
    RenderBands(bands_, width_, height_, palette_, paletteIndex_, bandOffset_, direction_);
    // The water comes back when the program returns to the front.
    if (disturb_ && !waterRunning_ && ProgramInFront()) StartWater();
    if (hwnd_) Invalidate(false);
}

void CAnimatedBanner::WaterFrame() {
    if (!disturb_) water_.Clear();
    waterImage_ = bands_;
    water_.Render(bands_, waterImage_);
    water_.Propagate();
    if (hwnd_) Invalidate(false);
}

void CAnimatedBanner::Drop() {
    if (!disturb_) return;
    WaterDisturbance d = DropParameters(shape_, height_);
    water_.Disturb(shape_, -1, -1, d.radius, d.height, rng_);
}

void CAnimatedBanner::MouseDisturb(UINT msg, int x, int y) {
    if (!disturb_) return;
    int cx = x, cy = height_ - y; // row 0 is the bottom row
    if (msg == WM_MOUSEMOVE) {
        WaterDisturbance d = MoveParameters(shape_, height_);
        water_.Disturb(shape_, cx, cy, d.radius, d.height, rng_);
    } else if (msg == WM_LBUTTONDOWN) {
        DWORD now = ::GetTickCount();
        long long t = lastClick_ ? static_cast<long long>(now - lastClick_) : -1;
        lastClick_ = now;
        long long D = 5LL * ::GetDoubleClickTime();
        WaterDisturbance d =
            ClickParameters(shape_, ClickStrengthFor(t < 0 ? D + 1 : t, D, height_));
        water_.Disturb(shape_, cx, cy, d.radius, d.height, rng_);
    }
}

void CAnimatedBanner::RelayToParent(UINT msg, WPARAM wp, LPARAM lp) {
    HWND parent = ::GetParent(hwnd_);
    if (!parent) return;
    POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    ::MapWindowPoints(hwnd_, parent, &pt, 1);
    ::PostMessageW(parent, msg, wp, MAKELPARAM(pt.x, pt.y));
}

LRESULT CAnimatedBanner::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        if (wp == kTimerBannerFrame) {
            BandFrame();
        } else if (wp == kTimerBannerWater) {
            if (ProgramInFront()) {
                WaterFrame();
            } else {
                // In the background the water stands still; only the bands move.
                ::KillTimer(hwnd_, kTimerBannerWater);
                ::KillTimer(hwnd_, kTimerBannerDrop);
                waterRunning_ = false;
                Invalidate(false);
            }
        } else if (wp == kTimerBannerDrop) {
            Drop();
        }
        return 0;
    case WM_ZT_BANNER_STOPWATER:
        StopWater();
        water_.Clear();
        Invalidate(false);
        return 0;
    case WM_SIZE:
        Resize(LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_SETFONT: {
        // The parent's font at a new DPI: the text is drawn in a bold copy of it.
        LOGFONTW lf{};
        if (wp && ::GetObjectW(reinterpret_cast<HFONT>(wp), sizeof lf, &lf)) {
            lf.lfWeight = FW_BOLD;
            if (boldFont_) ::DeleteObject(boldFont_);
            boldFont_ = ::CreateFontIndirectW(&lf);
            if (lp) Invalidate(false);
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd_, &ps);
        Paint(dc);
        ::EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        MouseDisturb(msg, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        RelayToParent(msg, wp, lp);
        return 0;
    case WM_DESTROY:
        ::KillTimer(hwnd_, kTimerBannerFrame);
        ::KillTimer(hwnd_, kTimerBannerWater);
        ::KillTimer(hwnd_, kTimerBannerDrop);
        waterRunning_ = false;
        break;
    default:
        break;
    }
    return DefaultProc(msg, wp, lp);
}

void CAnimatedBanner::Paint(HDC dc) {
    if (width_ <= 0 || height_ <= 0) return;
    std::vector<Pixel> frame(bands_.size());
    const bool calm = water_.IsCalm();
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = calm || i >= waterImage_.size()
                       ? bands_[i]
                       : BlendPixel(bands_[i], waterImage_[i], blendAlpha_);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = height_; // bottom-up: row 0 is the bottom row
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC mem = ::CreateCompatibleDC(dc);
    HBITMAP bmp = ::CreateCompatibleBitmap(dc, width_, height_);
    HGDIOBJ oldBmp = ::SelectObject(mem, bmp);
    ::SetDIBitsToDevice(mem, 0, 0, width_, height_, 0, 0, 0, height_, frame.data(), &bi,
                        DIB_RGB_COLORS);
    if (!shown_.empty()) {
        HGDIOBJ oldFont = ::SelectObject(mem, boldFont_);
        ::SetBkMode(mem, TRANSPARENT);
        RECT r{0, 0, width_, height_};
        // A one-pixel shadow in the opposite brightness keeps the line readable on every band.
        int light =
            (PixelR(textColour_) * 30 + PixelG(textColour_) * 59 + PixelB(textColour_) * 11) / 100;
        ::SetTextColor(mem, light < 128 ? RGB(255, 255, 255) : RGB(0, 0, 0));
        RECT shadow{1, 1, width_ + 1, height_ + 1};
        ::DrawTextW(mem, shown_.c_str(), static_cast<int>(shown_.size()), &shadow,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        ::SetTextColor(mem, RGB(PixelR(textColour_), PixelG(textColour_), PixelB(textColour_)));
        ::DrawTextW(mem, shown_.c_str(), static_cast<int>(shown_.size()), &r,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        ::SelectObject(mem, oldFont);
    }
    ::BitBlt(dc, 0, 0, width_, height_, mem, 0, 0, SRCCOPY);
    ::SelectObject(mem, oldBmp);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
}

} // namespace zt
