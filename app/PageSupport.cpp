#include "app/PageSupport.h"

#include "ui/GradientDialog.h"

namespace zt {

int MeasureInDialogFont(HWND dialog, std::string_view text) {
    HDC dc = ::GetDC(dialog);
    if (!dc) return 0;
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
    SIZE size{};
    ::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    if (old) ::SelectObject(dc, old);
    ::ReleaseDC(dialog, dc);
    return size.cx;
}

void SetUpReportList(HWND list, DWORD extendedStyles) {
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extendedStyles, extendedStyles);
    LONG_PTR style = ::GetWindowLongPtrA(list, GWL_STYLE);
    ::SetWindowLongPtrA(list, GWL_STYLE, style | LVS_SINGLESEL | LVS_SHOWSELALWAYS);
    // A sizing hint only; the list grows past it.
    ::SendMessageA(list, LVM_SETITEMCOUNT, 1000, 0);
}

LRESULT DrawClassicHeader(NMCUSTOMDRAW* draw) {
    if (draw->dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    HDC dc = draw->hdc;
    RECT rect = draw->rc;
    HBRUSH fill = ::CreateSolidBrush(kGradientTop);
    ::FillRect(dc, &rect, fill);
    ::DeleteObject(fill);

    char text[257] = {};
    HDITEMA item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 256;
    ::SendMessageA(draw->hdr.hwndFrom, HDM_GETITEMA, draw->dwItemSpec,
                   reinterpret_cast<LPARAM>(&item));
    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    RECT textRect = rect;
    textRect.left += 5;
    ::DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    ::SetBkMode(dc, oldMode);
    ::DrawEdge(dc, &rect, EDGE_ETCHED, BF_RECT);
    return CDRF_SKIPDEFAULT;
}

LRESULT CClassicHeaderHook::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY && enabled_) {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        HWND own = reinterpret_cast<HWND>(::SendMessageA(Handle(), LVM_GETHEADER, 0, 0));
        if (header->hwndFrom == own && header->code == static_cast<UINT>(NM_CUSTOMDRAW))
            return DrawClassicHeader(reinterpret_cast<NMCUSTOMDRAW*>(lp));
    }
    return CSubclassWindow::WindowProc(msg, wp, lp);
}

} // namespace zt
