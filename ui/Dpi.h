#pragma once
// The DPI a window is shown at: per monitor where the system tells it (per-monitor aware
// process), else the screen's.
#include <windows.h>

#include "ui/DpiLogic.h"

namespace zt {

UINT WindowDpi(HWND hwnd);
// The DPI of the primary screen, which the stock fonts and plain metrics are made for.
UINT SystemDpi();
// A system metric at `dpi` (the system's own scaling where it offers one).
int MetricForDpi(int index, UINT dpi);
// The message-box, menu and caption fonts at `dpi`.
bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi);
// For programs without the program's manifest (screenshot drivers): per-monitor aware (v2
// where the system has it), as the manifest declares the program.
void BecomePerMonitorDpiAware();
// DT_HIDEPREFIX while the window's keyboard cues are hidden, else 0.
UINT HidePrefixFlag(HWND hwnd);
// Whether the keyboard focus mark is to be drawn in `hwnd` now.
bool FocusCuesShown(HWND hwnd);

} // namespace zt
