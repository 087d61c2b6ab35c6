#include "ui/LinkLabel.h"

#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "seams/Unicode.h"
#include "ui/Dpi.h"
#include "ui/Gdi.h"
#include "ui/LinkLogic.h"

namespace zt {

CLinkLabel::CLinkLabel() : cursor_(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649))) {}

CLinkLabel::~CLinkLabel() {
    Unsubclass();
}

bool CLinkLabel::Attach(HWND label) {
    if (!Subclass(label)) return false;
    LONG_PTR style = ::GetWindowLongPtrW(label, GWL_STYLE);
    // A tab stop too, so the keyboard reaches every link.
    ::SetWindowLongPtrW(label, GWL_STYLE, style | SS_NOTIFY | WS_TABSTOP);
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
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(t.command, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, t.command)));
        break;
    case LinkAction::Web:
        OpenWebLink(target_);
        break;
    case LinkAction::Shell:
        ::ShellExecuteW(dialog, L"open", ToWide(target_).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
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
    ::SendMessageW(::GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(Id(), STN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd_));
    keyActivation_ = false;
}

long CLinkLabel::AccState(int) const {
    return STATE_SYSTEM_FOCUSABLE | (target_.empty() ? 0 : STATE_SYSTEM_LINKED);
}

bool CLinkLabel::AccDoDefaultAction(int) {
    if (target_.empty()) return false;
    // Not inside the caller's request: the action may open a window.
    ::PostMessageW(hwnd_, WM_KEYDOWN, VK_RETURN, 0);
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
        PaintDc dc(hwnd_);
        Paint(dc.Get());
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
    auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
        parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)));
    ::FillRect(dc, &client, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
    COLORREF normalColor = ::GetTextColor(dc);
    if (!brush) normalColor = ::GetSysColor(COLOR_WINDOWTEXT);

    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    ScopedSelect plainFont(dc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);

    const std::wstring text = ToWide(ForDisplay(GetText()));
    const std::wstring highlight = ToWide(ForDisplay(highlight_));
    size_t d = highlight.empty() ? std::wstring::npos : text.find(highlight);
    const UINT wrap = DT_WORDBREAK | DT_NOPREFIX | DT_LEFT | DT_TOP;
    if (d == std::wstring::npos) {
        highlightRect_ = {};
        ::SetTextColor(dc, normalColor);
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client, wrap);
        return;
    }

    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    const int lineHeight = tm.tmHeight;
    const int width = client.right - client.left;
    auto fit = [dc](std::wstring_view s, int w) {
        int n = 0;
        SIZE size{};
        ::GetTextExtentExPointW(dc, s.data(), static_cast<int>(s.size()), std::max(w, 0), &n,
                                nullptr, &size);
        // A line never ends between the two halves of a surrogate pair.
        if (n > 1 && static_cast<size_t>(n) < s.size() && IS_HIGH_SURROGATE(s[n - 1])) --n;
        return n;
    };
    auto measure = [dc](std::wstring_view s) {
        SIZE size{};
        ::GetTextExtentPoint32W(dc, s.data(), static_cast<int>(s.size()), &size);
        return static_cast<int>(size.cx);
    };

    const std::wstring prefix = text.substr(0, d);
    ::SetTextColor(dc, normalColor);
    if (!prefix.empty())
        ::DrawTextW(dc, prefix.c_str(), static_cast<int>(prefix.size()), &client, wrap);
    PrefixEnd end = FindPrefixEnd(std::wstring_view(prefix), width, fit, measure);
    int x = client.left + end.x;
    int y = client.top + end.line * lineHeight;

    LOGFONTW lf{};
    ::GetObjectW(font ? font : ::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfUnderline = target_.empty() ? FALSE : TRUE;
    if (bold_) lf.lfWeight = FW_BOLD;
    OwnedFont linkFont(::CreateFontIndirectW(&lf));
    int linkWidth = 0;
    {
        ScopedSelect underlined(dc, linkFont.Get());
        ::SetTextColor(dc, color_);
        linkWidth = measure(highlight);
        ::TextOutW(dc, x, y, highlight.c_str(), static_cast<int>(highlight.size()));
    }
    highlightRect_ = {x, y, x + linkWidth, y + lineHeight};

    const std::wstring rest = text.substr(d + highlight.size());
    if (!rest.empty()) {
        ::SetTextColor(dc, normalColor);
        int after = x + linkWidth;
        size_t n = static_cast<size_t>(std::max(0, fit(rest, client.right - after)));
        if (n > 0) ::TextOutW(dc, after, y, rest.c_str(), static_cast<int>(n));
        if (n < rest.size()) {
            RECT below = client;
            below.top = y + lineHeight;
            ::DrawTextW(dc, rest.c_str() + n, static_cast<int>(rest.size() - n), &below, wrap);
        }
    }
    if (::GetFocus() == hwnd_ && FocusCuesShown(hwnd_)) {
        RECT focus = highlightRect_;
        ::InflateRect(&focus, 1, 0);
        ::SetTextColor(dc, normalColor);
        ::DrawFocusRect(dc, &focus);
    }
}

namespace {

// The Program Files folder, from the shell or else from the registry; empty when neither says.
std::wstring ProgramFilesFolder() {
    std::wstring folder;
    PWSTR path = nullptr;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &path)) && path)
        folder = path;
    ::CoTaskMemFree(path);
    if (!folder.empty()) return folder;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                        KEY_READ, &key) == ERROR_SUCCESS) {
        wchar_t value[MAX_PATH] = {};
        DWORD bytes = sizeof value - sizeof value[0];
        DWORD type = 0;
        if (::RegQueryValueExW(key, L"ProgramFilesDir", nullptr, &type,
                               reinterpret_cast<BYTE*>(value), &bytes) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ))
            folder = value;
        ::RegCloseKey(key);
    }
    return folder;
}

} // namespace

void OpenWebLink(std::string_view url) {
    const std::wstring address = ToWide(url);
    wchar_t command[260] = {};
    LONG size = sizeof command - sizeof command[0];
    bool ie = false;
    if (::RegQueryValueW(HKEY_CLASSES_ROOT, L"HTTP\\shell\\open\\command", command, &size) ==
        ERROR_SUCCESS) {
        std::string lower = FromWide(command);
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        ie = lower.find("iexplore.exe") != std::string::npos;
    }
    if (ie) {
        std::wstring folder = ProgramFilesFolder();
        if (!folder.empty()) {
            std::wstring browser = folder + L"\\Internet Explorer\\iexplore.exe";
            auto r = reinterpret_cast<INT_PTR>(::ShellExecuteW(
                nullptr, L"open", browser.c_str(), address.c_str(), nullptr, SW_SHOWNORMAL));
            if (r > 32) return;
        }
    }
    // Any other browser, or no readable association: the shell opens the address itself.
    ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace zt
