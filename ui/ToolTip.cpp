#include "ui/ToolTip.h"

#include <commctrl.h>

#include <string>

#include "seams/Unicode.h"
#include "ui/Dpi.h"

namespace zt {

HWND CreateControlTooltips(HWND dialog, std::initializer_list<std::pair<int, const char*>> tips) {
    HWND tooltip = ::CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, nullptr, nullptr);
    if (!tooltip) return nullptr;
    ::SendMessageW(tooltip, TTM_ACTIVATE, FALSE, 0);
    ::SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0,
                   ScaleForDpi(300, static_cast<int>(WindowDpi(dialog))));
    for (const auto& [id, text] : tips) {
        std::wstring wide = ToWide(ForDisplay(text ? text : ""));
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = dialog;
        tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(dialog, id));
        tool.lpszText = wide.data(); // copied by the tooltip
        ::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ::SendMessageW(tooltip, TTM_ACTIVATE, TRUE, 0);
    return tooltip;
}

void CenterWindowOver(HWND hwnd, HWND over) {
    RECT area{};
    if (over && ::IsWindowVisible(over))
        ::GetWindowRect(over, &area);
    else if (HWND owner = ::GetWindow(hwnd, GW_OWNER); owner && ::IsWindowVisible(owner))
        ::GetWindowRect(owner, &area);
    else
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT me{};
    ::GetWindowRect(hwnd, &me);
    int w = me.right - me.left, h = me.bottom - me.top;
    ::SetWindowPos(hwnd, nullptr, area.left + (area.right - area.left - w) / 2,
                   area.top + (area.bottom - area.top - h) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace zt
