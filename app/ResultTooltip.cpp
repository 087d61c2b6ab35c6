#include "app/ResultTooltip.h"

#include <commctrl.h>

#include <string>

#include "seams/Unicode.h"

namespace zt {

void CResultTooltip::Create(HWND page, HWND checkAll) {
    tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, page,
                             nullptr, nullptr, nullptr);
    if (!tip_) return;
    // Wide and lasting enough to read a row's evidence.
    ::SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 600);
    ::SendMessageW(tip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
    // The tooltip hooks the box itself, so no relaying of mouse messages is needed.
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = page;
    tool.uId = reinterpret_cast<UINT_PTR>(checkAll);
    tool.lpszText = const_cast<wchar_t*>(L"Check all the items in the list box");
    ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tip_, TTM_ACTIVATE, TRUE, 0);
}

void CResultTooltip::Destroy() {
    if (tip_) ::DestroyWindow(tip_);
    tip_ = nullptr;
    item_ = -1;
}

void CResultTooltip::Track(HWND list, const ScanPageRows& rows) {
    if (!tip_) return;
    POINT pt{};
    ::GetCursorPos(&pt);
    ::ScreenToClient(list, &pt);
    LVHITTESTINFO hit{};
    hit.pt = pt;
    int item =
        static_cast<int>(::SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (item >= rows.Count()) item = -1;
    if (item != item_ || rows.Version() != version_) {
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = list;
        tool.uId = 1;
        ::SendMessageW(tip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        item_ = item;
        version_ = rows.Version();
        if (item >= 0) {
            std::wstring text = ToWide(ForDisplay(rows.EvidenceTip(item)));
            tool.lpszText = text.data();
            tool.rect.left = LVIR_BOUNDS;
            ::SendMessageW(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&tool.rect));
            ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    MSG relay{};
    relay.hwnd = list;
    relay.message = WM_MOUSEMOVE;
    relay.lParam = MAKELPARAM(pt.x, pt.y);
    ::SendMessageW(tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
}

} // namespace zt
