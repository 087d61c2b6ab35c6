#include "ui/ColorMessageBox.h"
#include "ui/ToolTip.h"

#include "ui/Dpi.h"
#include "ui/MessageBox.h"
#include "ui/MessageBoxLogic.h"
#include "ui/UiContext.h"

namespace zt {
namespace {

std::shared_ptr<const CDialogTemplate> MessageBoxTemplate() {
    static std::shared_ptr<const CDialogTemplate> tmpl = [] {
        auto t = std::make_shared<CDialogTemplate>(
            DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 167, 68, "");
        t->Button(IDOK, "OK", 22, 38, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP);
        t->Button(IDYES, "Yes", 22, 38, 50, 14, BS_PUSHBUTTON | WS_TABSTOP);
        t->Button(IDNO, "No", 67, 38, 50, 14, BS_PUSHBUTTON | WS_TABSTOP);
        t->Button(IDCANCEL, "Cancel", 112, 38, 50, 14, BS_PUSHBUTTON | WS_TABSTOP);
        t->Button(CColorMessageBox::kIdLeft, "Left", 36, 38, 50, 14, BS_PUSHBUTTON);
        t->Button(CColorMessageBox::kIdRight, "Right", 99, 38, 50, 14, BS_PUSHBUTTON);
        t->Label(CColorMessageBox::kIdIcon, "", 8, 12, 21, 20, SS_OWNERDRAW | WS_VISIBLE);
        t->Label(CColorMessageBox::kIdText, "", 33, 15, 113, 23, SS_LEFT | WS_VISIBLE);
        return t;
    }();
    return tmpl;
}

HFONT LabelFont(HWND label) {
    return reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0));
}

BoxRect ToBox(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

} // namespace

CColorMessageBox::CColorMessageBox(std::string_view text, std::string_view caption, unsigned type,
                                   HICON icon)
    : CGradientDialog(MessageBoxTemplate(), GetAppArtwork().icon), text_(ToWide(ForDisplay(text))),
      caption_(caption), type_(type), icon_(icon) {}

int CColorMessageBox::Show(HWND owner, std::string_view text, std::string_view caption,
                           unsigned type) {
    CColorMessageBox box(text, MessageCaption(caption), type);
    return box.Run(owner);
}

int CColorMessageBox::Run(HWND owner) {
    result_ = -1;
    DoModal(owner);
    return result_;
}

// The text in the system's message font (Segoe UI where it exists), whose font linking
// finds the glyphs of every script, as the system's own message box does.
void CColorMessageBox::UseMessageFont(HWND label) {
    NONCLIENTMETRICSW metrics{};
    if (!NonClientMetricsForDpi(metrics, WindowDpi(hwnd_))) return;
    OwnedFont font(::CreateFontIndirectW(&metrics.lfMessageFont));
    if (!font) return;
    ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    font_ = std::move(font);
}

// A report of several lines (a partial restore lists its entries) takes the height it needs:
// the label grows, the buttons and the box move down with it.
void CColorMessageBox::GrowForLines(HWND label) {
    RECT labelRect = ChildRect(label);
    RECT need{0, 0, labelRect.right - labelRect.left, 0};
    {
        WindowDc dc(label);
        ScopedSelect font(dc.Get(), LabelFont(label));
        ::DrawTextW(dc.Get(), text_.c_str(), static_cast<int>(text_.size()), &need,
                    DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    }
    int growY = need.bottom - (labelRect.bottom - labelRect.top);
    if (growY <= 0) return;
    ::SetWindowPos(label, nullptr, 0, 0, labelRect.right - labelRect.left,
                   labelRect.bottom - labelRect.top + growY,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (int id : {IDOK, IDYES, IDNO, IDCANCEL, int(kIdLeft), int(kIdRight)}) {
        RECT r = ChildRect(Item(id));
        ::SetWindowPos(Item(id), nullptr, r.left, r.top + growY, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT me = WindowRect();
    ::SetWindowPos(hwnd_, nullptr, 0, 0, me.right - me.left, me.bottom - me.top + growY,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CColorMessageBox::OnInitDialog() {
    SetStandardSkin();
    SetGradientColours(kGradientTop, kGradientBottom);
    CGradientDialog::OnInitDialog();
    // Asked here so a change on the Settings page applies to the next box.
    const AppArtwork& art = GetAppArtwork();
    SetButtonSounds(ButtonSoundsWanted(), art.waveHover, art.waveClick);

    HWND label = Item(kIdText);
    UseMessageFont(label);
    RECT labelRect = ChildRect(label);
    int labelWidth = labelRect.right - labelRect.left;
    {
        WindowDc dc(label);
        ScopedSelect font(dc.Get(), LabelFont(label));
        SIZE whole{}, first80{};
        ::GetTextExtentPoint32W(dc.Get(), text_.c_str(), static_cast<int>(text_.size()), &whole);
        if (text_.size() > 79) {
            // Eighty units, or eighty-one where the eightieth starts a surrogate pair.
            int n = IS_HIGH_SURROGATE(text_[79]) && text_.size() > 80 ? 81 : 80;
            ::GetTextExtentPoint32W(dc.Get(), text_.c_str(), n, &first80);
        }
        grow_ = MessageBoxGrow(labelWidth, whole.cx, text_.size(), first80.cx);
    }
    if (grow_ > 0) {
        RECT me = WindowRect();
        ::SetWindowPos(hwnd_, nullptr, 0, 0, me.right - me.left + grow_, me.bottom - me.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetWindowPos(label, nullptr, 0, 0, labelWidth + grow_, labelRect.bottom - labelRect.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (text_.find(L'\n') != std::wstring::npos) GrowForLines(label);
    SetText(ForDisplay(caption_));
    ::SetWindowTextW(label, text_.c_str());
    LONG_PTR style = ::GetWindowLongPtrW(label, GWL_STYLE);
    ::SetWindowLongPtrW(label, GWL_STYLE, (style & ~LONG_PTR(SS_TYPEMASK)) | SS_OWNERDRAW);

    MessageBoxButtonRects rects{ToBox(ChildRect(Item(IDOK))),    ToBox(ChildRect(Item(IDYES))),
                                ToBox(ChildRect(Item(IDNO))),    ToBox(ChildRect(Item(IDCANCEL))),
                                ToBox(ChildRect(Item(kIdLeft))), ToBox(ChildRect(Item(kIdRight)))};
    const int dpi = static_cast<int>(WindowDpi(hwnd_));
    MessageBoxButtonLayout layout = PlaceMessageBoxButtons(type_ & 0x0F, rects, grow_, dpi);
    for (int id : {IDOK, IDYES, IDNO, IDCANCEL, int(kIdLeft), int(kIdRight)}) {
        RECT r = ChildRect(Item(id));
        ::SetWindowPos(Item(id), nullptr, r.left + grow_ / 2, r.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (const PlacedButton& b : layout.shown) {
        ::SetWindowPos(Item(b.id), nullptr, b.rect.left, b.rect.top, b.rect.Width(),
                       b.rect.bottom - b.rect.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    if (layout.clientWidth > 0) {
        RECT client = ClientRect(), me = WindowRect();
        int frame = (me.right - me.left) - (client.right - client.left);
        ::SetWindowPos(hwnd_, nullptr, 0, 0, layout.clientWidth + frame, me.bottom - me.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!layout.shown.empty()) ::SetFocus(Item(layout.shown.front().id));

    if (!icon_) {
        LPCWSTR which; // the system's icons by ordinal
        switch (type_ & 0xF0) {
        case MB_ICONQUESTION:
            which = reinterpret_cast<LPCWSTR>(IDI_QUESTION);
            break;
        case MB_ICONHAND:
            which = reinterpret_cast<LPCWSTR>(IDI_HAND);
            break;
        case MB_ICONEXCLAMATION:
            which = reinterpret_cast<LPCWSTR>(IDI_EXCLAMATION);
            break;
        default:
            which = reinterpret_cast<LPCWSTR>(IDI_ASTERISK);
            break;
        }
        // Drawn for this DPI from the system's own sizes, not a stretched 32-pixel one.
        int size = ScaleForDpi(32, dpi);
        icon_.Reset(static_cast<HICON>(::LoadImageW(nullptr, which, IMAGE_ICON, size, size, 0)));
        if (!icon_) icon_.Reset(::CopyIcon(::LoadIconW(nullptr, which)));
    }
    if (smallIcon_) Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

    HWND over = AppMainWindow();
    CenterWindowOver(hwnd_, over);
    return layout.shown.empty(); // false: the focus was set on the first button
}

bool CColorMessageBox::OnCommand(int id, int code, HWND control) {
    switch (id) {
    case IDOK:
    case IDYES:
    case IDNO:
        // Enter with no such button shown answers nothing.
        if (!(::GetWindowLongPtrW(Item(id), GWL_STYLE) & WS_VISIBLE)) return true;
        [[fallthrough]];
    case IDCANCEL: // also Escape, with or without a Cancel button
        result_ = id;
        EndDialog(id);
        return true;
    default:
        return CGradientDialog::OnCommand(id, code, control);
    }
}

bool CColorMessageBox::OnDrawItem(int id, DRAWITEMSTRUCT* item) {
    if (id == kIdIcon) {
        HBRUSH brush = OnCtlColor(WM_CTLCOLORSTATIC, item->hDC, item->hwndItem);
        ::FillRect(item->hDC, &item->rcItem, brush);
        int size = ScaleForDpi(32, static_cast<int>(WindowDpi(hwnd_)));
        if (icon_)
            ::DrawIconEx(item->hDC, item->rcItem.left, item->rcItem.top, icon_.Get(), size, size, 0,
                         nullptr, DI_NORMAL);
        return true;
    }
    if (id == kIdText) {
        HDC dc = item->hDC;
        HBRUSH brush = OnCtlColor(WM_CTLCOLORSTATIC, dc, item->hwndItem);
        ::FillRect(dc, &item->rcItem, brush);
        ScopedSelect font(dc, LabelFont(item->hwndItem));
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        RECT r = item->rcItem;
        SIZE line{};
        const int length = static_cast<int>(text_.size());
        ::GetTextExtentPoint32W(dc, text_.c_str(), length, &line);
        if (line.cx < r.right - r.left) {
            r.top += ScaleForDpi(5, static_cast<int>(WindowDpi(hwnd_)));
            ::DrawTextW(dc, text_.c_str(), length, &r, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
        } else {
            ::DrawTextW(dc, text_.c_str(), length, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
        }
        return true;
    }
    return CGradientDialog::OnDrawItem(id, item);
}

} // namespace zt
