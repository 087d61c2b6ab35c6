#pragma once
// Tooltips for a dialog's controls, and centring a window over another.
#include <windows.h>

#include <initializer_list>
#include <utility>

namespace zt {

// Creates an activated tooltip window owned by `dialog` with one tool per control id (texts in
// UTF-8); the caller destroys it. Null when the control cannot be created.
HWND CreateControlTooltips(HWND dialog, std::initializer_list<std::pair<int, const char*>> tips);

// Centres `hwnd` over `over` when it is visible, else over its owner when visible, else on
// the work area of the screen.
void CenterWindowOver(HWND hwnd, HWND over);

} // namespace zt
