#include "ui/AnimatedBanner.h"

#include <chrono>
#include <cstring>

#include "ui/Messages.h"
#include "ui/UiContext.h"

namespace zt {
namespace {

int g_bannersMade = 0;

unsigned ClockSeed() {
    return static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count());
}

// A 32-bit bottom-up picture the size of the banner: row 0 is the bottom row, as in the frame.
BITMAPINFO FrameInfo(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

OwnedFont BoldCopyOf(HGDIOBJ font) {
    LOGFONTW lf{};
    if (!font || !::GetObjectW(font, sizeof lf, &lf)) return OwnedFont();
    lf.lfWeight = FW_BOLD;
    return OwnedFont(::CreateFontIndirectW(&lf));
}

} // namespace

// Odd-numbered banners move one way, even-numbered ones the other.
CAnimatedBanner::CAnimatedBanner() : animation_(ClockSeed(), (++g_bannersMade % 2 == 1) ? 1 : -1) {}

CAnimatedBanner::~CAnimatedBanner() {
    if (hwnd_ && ::IsWindow(hwnd_)) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
}

bool CAnimatedBanner::Create(HWND parent, const RECT& rect, UINT id) {
    if (!CreateCustom("ZentroveAnimatedBanner", ::GetSysColorBrush(COLOR_BTNFACE),
                      WS_CHILD | WS_VISIBLE, 0, rect, parent, id))
        return false;
    HFONT parentFont = reinterpret_cast<HFONT>(::SendMessageW(parent, WM_GETFONT, 0, 0));
    boldFont_ = BoldCopyOf(parentFont ? parentFont : ::GetStockObject(DEFAULT_GUI_FONT));
    RECT c = ClientRect();
    animation_.Resize(c.right, c.bottom);
    ::SetTimer(hwnd_, kTimerBannerFrame, interval_, nullptr);
    StartWater();
    return true;
}

void CAnimatedBanner::SetText(std::string_view text) {
    text_ = text;
    shown_ = ToWide(ForDisplay(text));
    if (hwnd_) Invalidate(false);
}

void CAnimatedBanner::SetWaterShape(WaterShape shape) {
    animation_.SetWaterShape(shape);
    if (!waterRunning_) StartWater();
}

void CAnimatedBanner::StartRunning(UINT interval, int step) {
    interval_ = interval;
    animation_.StartRunning(step);
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
    animation_.BandFrame();
    // The water comes back when the program returns to the front.
    if (animation_.Disturbing() && !waterRunning_ && ProgramInFront()) StartWater();
    Invalidate(false);
}

void CAnimatedBanner::MouseDisturb(UINT msg, int x, int y) {
    if (msg == WM_MOUSEMOVE) {
        animation_.MouseMove(x, y);
    } else if (msg == WM_LBUTTONDOWN) {
        DWORD now = ::GetTickCount();
        long long since = lastClick_ ? static_cast<long long>(now - lastClick_) : -1;
        lastClick_ = now;
        animation_.Click(x, y, since, 5LL * ::GetDoubleClickTime());
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
                animation_.WaterFrame();
            } else {
                // In the background the water stands still; only the bands move.
                StopWater();
            }
            Invalidate(false);
        } else if (wp == kTimerBannerDrop) {
            animation_.Drop();
        }
        return 0;
    case WM_ZT_BANNER_STOPWATER:
        StopWater();
        animation_.CalmWater();
        Invalidate(false);
        return 0;
    case WM_SIZE:
        animation_.Resize(LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_SETFONT:
        // The parent's font at a new DPI: the text is drawn in a bold copy of it.
        if (OwnedFont bold = BoldCopyOf(reinterpret_cast<HFONT>(wp))) {
            boldFont_ = std::move(bold);
            if (lp) Invalidate(false);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintDc dc(hwnd_);
        Paint(dc.Get());
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wp));
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        MouseDisturb(msg, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        RelayToParent(msg, wp, lp);
        return 0;
    case WM_DESTROY:
        ::KillTimer(hwnd_, kTimerBannerFrame);
        StopWater();
        break;
    default:
        break;
    }
    return DefaultProc(msg, wp, lp);
}

// Where the glyphs of the text fall: the text drawn white on black in a picture the size of the
// banner, its brightest channel read as coverage (smoothed edges give partial values).
std::vector<std::uint8_t> CAnimatedBanner::TextCoverage(HDC like) const {
    const int w = animation_.Width(), h = animation_.Height();
    if (shown_.empty()) return {};
    BITMAPINFO bi = FrameInfo(w, h);
    void* bits = nullptr;
    OwnedBitmap picture(::CreateDIBSection(like, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    MemoryDc mem(like);
    if (!picture || !bits || !mem) return {};
    const size_t count = static_cast<size_t>(w) * h;
    std::memset(bits, 0, count * sizeof(Pixel));
    {
        ScopedSelect canvas(mem.Get(), picture.Get());
        ScopedSelect font(mem.Get(), boldFont_.Get());
        ::SetBkMode(mem.Get(), TRANSPARENT);
        ::SetTextColor(mem.Get(), RGB(255, 255, 255));
        RECT r{0, 0, w, h};
        ::DrawTextW(mem.Get(), shown_.c_str(), static_cast<int>(shown_.size()), &r,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        ::GdiFlush();
    }
    std::vector<std::uint8_t> coverage(count);
    const auto* px = static_cast<const Pixel*>(bits);
    for (size_t i = 0; i < count; ++i)
        coverage[i] =
            static_cast<std::uint8_t>(std::max({PixelR(px[i]), PixelG(px[i]), PixelB(px[i])}));
    return coverage;
}

void CAnimatedBanner::Paint(HDC dc) {
    const int w = animation_.Width(), h = animation_.Height();
    if (w <= 0 || h <= 0) return;
    std::vector<Pixel> frame = animation_.Frame(TextCoverage(dc));
    BITMAPINFO bi = FrameInfo(w, h);
    ::SetDIBitsToDevice(dc, 0, 0, w, h, 0, 0, 0, h, frame.data(), &bi, DIB_RGB_COLORS);
}

} // namespace zt
