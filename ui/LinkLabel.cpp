#include "ui/LinkLabel.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "ui/Dpi.h"
#include "ui/LinkLogic.h"

namespace zt {

CLinkLabel::CLinkLabel() : cursor_(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649))) {}

CLinkLabel::~CLinkLabel() {
    Unsubclass();
}

bool CLinkLabel::Attach(HWND label) {
    if (!Subclass(label)) return false;
    LONG_PTR style = ::GetWindowLongPtrA(label, GWL_STYLE);
    // A tab stop too, so the keyboard reaches every link.
    ::SetWindowLongPtrA(label, GWL_STYLE, style | SS_NOTIFY | WS_TABSTOP);
    SetAccessibleSource(label, this);
    Invalidate();
    return true;
}

void CLinkLabel::SetHighlight(std::string_view text) {
    highlight_ = text;
    highlightRect_ = {};
    if (hwnd_) Invalidate();
}

void CLinkLabel::SetTarget(std::string_view target) {
    target_ = target;
    if (hwnd_) Invalidate();
}

void CLinkLabel::SetColor(COLORREF color) {
    color_ = color;
    if (hwnd_) Invalidate();
}

void CLinkLabel::SetBold(bool bold) {
    bold_ = bold;
    if (hwnd_) Invalidate();
}

bool CLinkLabel::IsOverLink(POINT screen) const {
    if (!hwnd_ || ::IsRectEmpty(&highlightRect_)) return false;
    ::ScreenToClient(hwnd_, &screen);
    return ::PtInRect(&highlightRect_, screen) != FALSE;
}

void CLinkLabel::Open(HWND dialog) const {
    LinkTarget t = ParseLinkTarget(target_);
    switch (t.action) {
    case LinkAction::None:
        break;
    case LinkAction::Command:
        // Acts like the dialog's own control with that id.
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(t.command, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, t.command)));
        break;
    case LinkAction::Web:
        OpenWebLink(target_);
        break;
    case LinkAction::Shell:
        ::ShellExecuteA(dialog, "open", target_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        break;
    }
}

void CLinkLabel::OnUnhooked(HWND was) {
    keyActivation_ = false;
    SetAccessibleSource(was, nullptr);
}

void CLinkLabel::Activate() {
    if (!hwnd_ || target_.empty()) return;
    keyActivation_ = true;
    ::SendMessageA(::GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(Id(), STN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd_));
    keyActivation_ = false;
}

long CLinkLabel::AccState(int) const {
    return STATE_SYSTEM_FOCUSABLE | (target_.empty() ? 0 : STATE_SYSTEM_LINKED);
}

bool CLinkLabel::AccDoDefaultAction(int) {
    if (target_.empty()) return false;
    // Not inside the caller's request: the action may open a window.
    ::PostMessageA(hwnd_, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

LRESULT CLinkLabel::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_GETDLGCODE: {
        // Enter and Space on a focused link are its own, not the dialog's default button's.
        const auto* key = reinterpret_cast<const MSG*>(lp);
        if (key && key->message == WM_KEYDOWN &&
            (key->wParam == VK_RETURN || key->wParam == VK_SPACE))
            return DLGC_WANTMESSAGE | DLGC_STATIC;
        return DLGC_STATIC;
    }
    case WM_KEYDOWN:
        if (wp == VK_RETURN || wp == VK_SPACE) {
            Activate();
            return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        Invalidate();
        break;
    case WM_GETOBJECT:
        return AnswerGetObject(hwnd_, wp, lp, DefaultProc(msg, wp, lp));

    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd_, &ps);
        Paint(dc);
        ::EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1; // painted with the text
    case WM_SETTEXT:
    case WM_ENABLE: {
        LRESULT r = DefaultProc(msg, wp, lp);
        Invalidate();
        return r;
    }
    default:
        break;
    }
    return DefaultProc(msg, wp, lp);
}

void CLinkLabel::Paint(HDC dc) {
    RECT client = ClientRect();
    HWND parent = ::GetParent(hwnd_);
    auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(
        parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)));
    ::FillRect(dc, &client, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
    COLORREF normalColor = ::GetTextColor(dc);
    if (!brush) normalColor = ::GetSysColor(COLOR_WINDOWTEXT);

    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    HGDIOBJ oldFont = ::SelectObject(dc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);

    std::string text = GetText();
    size_t d = highlight_.empty() ? std::string::npos : text.find(highlight_);
    const UINT wrap = DT_WORDBREAK | DT_NOPREFIX | DT_LEFT | DT_TOP;
    if (d == std::string::npos) {
        highlightRect_ = {};
        ::SetTextColor(dc, normalColor);
        ::DrawTextA(dc, text.c_str(), -1, &client, wrap);
        ::SelectObject(dc, oldFont);
        return;
    }

    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc, &tm);
    const int lineHeight = tm.tmHeight;
    const int width = client.right - client.left;
    auto fit = [dc](std::string_view s, int w) {
        int n = 0;
        SIZE size{};
        ::GetTextExtentExPointA(dc, s.data(), static_cast<int>(s.size()), std::max(w, 0), &n,
                                nullptr, &size);
        return n;
    };
    auto measure = [dc](std::string_view s) {
        SIZE size{};
        ::GetTextExtentPoint32A(dc, s.data(), static_cast<int>(s.size()), &size);
        return static_cast<int>(size.cx);
    };

    std::string prefix = text.substr(0, d);
    ::SetTextColor(dc, normalColor);
    if (!prefix.empty()) ::DrawTextA(dc, prefix.c_str(), -1, &client, wrap);
    PrefixEnd end = FindPrefixEnd(prefix, width, fit, measure);
    int x = client.left + end.x;
    int y = client.top + end.line * lineHeight;

    LOGFONTA lf{};
    ::GetObjectA(font ? font : ::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfUnderline = target_.empty() ? FALSE : TRUE;
    if (bold_) lf.lfWeight = FW_BOLD;
    HFONT linkFont = ::CreateFontIndirectA(&lf);
    HGDIOBJ plain = ::SelectObject(dc, linkFont);
    ::SetTextColor(dc, color_);
    int linkWidth = measure(highlight_);
    ::TextOutA(dc, x, y, highlight_.c_str(), static_cast<int>(highlight_.size()));
    highlightRect_ = {x, y, x + linkWidth, y + lineHeight};
    ::SelectObject(dc, plain);
    ::DeleteObject(linkFont);

    std::string rest = text.substr(d + highlight_.size());
    if (!rest.empty()) {
        ::SetTextColor(dc, normalColor);
        int after = x + linkWidth;
        size_t n = static_cast<size_t>(std::max(0, fit(rest, client.right - after)));
        if (n > 0) ::TextOutA(dc, after, y, rest.c_str(), static_cast<int>(n));
        if (n < rest.size()) {
            RECT below = client;
            below.top = y + lineHeight;
            ::DrawTextA(dc, rest.c_str() + n, -1, &below, wrap);
        }
    }
    if (::GetFocus() == hwnd_ && FocusCuesShown(hwnd_)) {
        RECT focus = highlightRect_;
        ::InflateRect(&focus, 1, 0);
        ::SetTextColor(dc, normalColor);
        ::DrawFocusRect(dc, &focus);
    }
    ::SelectObject(dc, oldFont);
}

void OpenWebLink(std::string_view url) {
    std::string address(url);
    char command[260] = {};
    LONG size = sizeof command;
    bool ie = false;
    if (::RegQueryValueA(HKEY_CLASSES_ROOT, "HTTP\\shell\\open\\command", command, &size) ==
        ERROR_SUCCESS) {
        command[sizeof command - 1] = '\0';
        std::string lower(command);
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        ie = lower.find("iexplore.exe") != std::string::npos;
    }
    if (ie) {
        char folder[MAX_PATH] = {};
        bool haveFolder =
            SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder));
        if (!haveFolder) {
            HKEY key = nullptr;
            if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                0, KEY_READ, &key) == ERROR_SUCCESS) {
                DWORD bytes = sizeof folder - 1;
                haveFolder =
                    ::RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(folder), &bytes) == ERROR_SUCCESS;
                ::RegCloseKey(key);
            }
        }
        if (haveFolder) {
            std::string browser = std::string(folder) + "\\Internet Explorer\\iexplore.exe";
            auto r = reinterpret_cast<INT_PTR>(::ShellExecuteA(
                nullptr, "open", browser.c_str(), address.c_str(), nullptr, SW_SHOWNORMAL));
            if (r > 32) return;
        }
    }
    // Any other browser, or no readable association: the shell opens the address itself.
    ::ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace zt
