#include "ui/Dpi.h"

#include "ui/Gdi.h"

namespace zt {
namespace {

// Looked up at run time: older systems (and Wine) lack some of these.
template <class Fn> Fn User32(const char* name) {
    static HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
                  : nullptr;
}

UINT ScreenDpi() {
    WindowDc dc(nullptr);
    int dpi = dc ? ::GetDeviceCaps(dc.Get(), LOGPIXELSY) : kBaseDpi;
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

} // namespace

UINT SystemDpi() {
    return ScreenDpi();
}

UINT WindowDpi(HWND hwnd) {
    using Fn = UINT(WINAPI*)(HWND);
    static Fn forWindow = User32<Fn>("GetDpiForWindow");
    if (forWindow && hwnd) {
        if (UINT dpi = forWindow(hwnd)) return dpi;
    }
    return ScreenDpi();
}

int MetricForDpi(int index, UINT dpi) {
    using Fn = int(WINAPI*)(int, UINT);
    static Fn forDpi = User32<Fn>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, dpi);
    return RescaleForDpi(::GetSystemMetrics(index), static_cast<int>(ScreenDpi()),
                         static_cast<int>(dpi));
}

bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi) {
    metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return false;
    UINT screen = ScreenDpi();
    if (dpi != screen) {
        for (LOGFONTW* f : {&metrics.lfCaptionFont, &metrics.lfSmCaptionFont, &metrics.lfMenuFont,
                            &metrics.lfStatusFont, &metrics.lfMessageFont})
            f->lfHeight =
                RescaleForDpi(f->lfHeight, static_cast<int>(screen), static_cast<int>(dpi));
    }
    return true;
}

void BecomePerMonitorDpiAware() {
    using Fn = BOOL(WINAPI*)(HANDLE);
    static Fn set = User32<Fn>("SetProcessDpiAwarenessContext");
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE.
    if (set && (set(reinterpret_cast<HANDLE>(-4)) || set(reinterpret_cast<HANDLE>(-3)))) return;
    using Old = BOOL(WINAPI*)();
    if (Old aware = User32<Old>("SetProcessDPIAware")) aware();
}

UINT HidePrefixFlag(HWND hwnd) {
    return (::SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) ? DT_HIDEPREFIX : 0;
}

bool FocusCuesShown(HWND hwnd) {
    return !(::SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

} // namespace zt
