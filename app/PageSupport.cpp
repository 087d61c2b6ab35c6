#include "app/PageSupport.h"

#include <algorithm>
#include <vector>

#include "seams/Unicode.h"
#include "ui/Gdi.h"
#include "ui/GradientDialog.h"

namespace zt {

int MeasureInDialogFont(HWND dialog, std::string_view text) {
    WindowDc dc(dialog);
    if (!dc) return 0;
    ScopedSelect font(dc.Get(), reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
    SIZE size{};
    std::wstring wide = ToWide(text);
    ::GetTextExtentPoint32W(dc.Get(), wide.c_str(), static_cast<int>(wide.size()), &size);
    return size.cx;
}

void SetUpReportList(HWND list, DWORD extendedStyles) {
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extendedStyles, extendedStyles);
    LONG_PTR style = ::GetWindowLongPtrW(list, GWL_STYLE);
    ::SetWindowLongPtrW(list, GWL_STYLE, style | LVS_SINGLESEL | LVS_SHOWSELALWAYS);
    // A sizing hint only; the list grows past it.
    ::SendMessageW(list, LVM_SETITEMCOUNT, 1000, 0);
}

void RequeryNotifyFormat(HWND list, HWND page) {
    ::SendMessageW(list, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(page), NF_REQUERY);
}

int InsertRowOnDemand(HWND list, int index, LPARAM data, int columns, UINT state, UINT stateMask) {
    LVITEMW it{};
    it.mask = LVIF_TEXT | LVIF_PARAM | (stateMask ? LVIF_STATE : 0);
    it.iItem = index;
    it.pszText = LPSTR_TEXTCALLBACKW;
    it.lParam = data;
    it.state = state;
    it.stateMask = stateMask;
    int row =
        static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)));
    if (row < 0) return row;
    LVITEMW sub{};
    sub.pszText = LPSTR_TEXTCALLBACKW;
    for (sub.iSubItem = 1; sub.iSubItem < columns; ++sub.iSubItem)
        ::SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&sub));
    return row;
}

void CopyDisplayText(std::string_view text, wchar_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return;
    std::wstring wide = ToWide(ForDisplay(text));
    std::size_t n = std::min(wide.size(), static_cast<std::size_t>(capacity - 1));
    // Never the first half of a pair alone at the end.
    if (n > 0 && n < wide.size() && wide[n - 1] >= 0xD800 && wide[n - 1] <= 0xDBFF) --n;
    wide.copy(buffer, n);
    buffer[n] = L'\0';
}

LRESULT DrawClassicHeader(NMCUSTOMDRAW* draw) {
    if (draw->dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    HDC dc = draw->hdc;
    RECT rect = draw->rc;
    OwnedBrush fill(::CreateSolidBrush(kGradientTop));
    ::FillRect(dc, &rect, fill.Get());

    wchar_t text[257] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 256;
    ::SendMessageW(draw->hdr.hwndFrom, HDM_GETITEMW, draw->dwItemSpec,
                   reinterpret_cast<LPARAM>(&item));
    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    RECT textRect = rect;
    textRect.left += 5;
    ::DrawTextW(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    ::SetBkMode(dc, oldMode);
    ::DrawEdge(dc, &rect, EDGE_ETCHED, BF_RECT);
    return CDRF_SKIPDEFAULT;
}

LRESULT CClassicHeaderHook::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY && enabled_) {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        HWND own = reinterpret_cast<HWND>(::SendMessageW(Handle(), LVM_GETHEADER, 0, 0));
        if (header->hwndFrom == own && header->code == static_cast<UINT>(NM_CUSTOMDRAW))
            return DrawClassicHeader(reinterpret_cast<NMCUSTOMDRAW*>(lp));
    }
    return CSubclassWindow::WindowProc(msg, wp, lp);
}

void SaveListColumns(const SettingsStore& settings, std::string_view key, const CListView& list,
                     int columns, UINT dpi) {
    std::vector<int> widths(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c)
        widths[c] = ToBaseDpi(list.ColumnWidth(c), static_cast<int>(dpi));
    (void)WriteListWidths(settings, key, columns, widths.data());
}

void RestoreListColumns(const SettingsStore& settings, std::string_view key, const CListView& list,
                        int columns, UINT dpi) {
    std::vector<int> widths(static_cast<std::size_t>(columns));
    if (!ReadListWidths(settings, key, columns, widths.data())) return;
    for (int c = 0; c < columns; ++c)
        list.SetColumnWidth(c, ScaleForDpi(widths[c], static_cast<int>(dpi)));
}

} // namespace zt
