#include "ui/TabWnd.h"

#include <algorithm>

#include "ui/Dpi.h"

namespace zt {
namespace {

const COLORREF kStripColour = RGB(80, 110, 150);

// Key presses for the pages reach the tab window through a message hook of the thread, so
// Control+Page Up/Down works wherever the focus is inside the pages and whatever loop runs.
struct KeyHook {
    HHOOK hook = nullptr;
    std::vector<CBCGTabWnd*> windows;
};
thread_local KeyHook t_keys;

LRESULT CALLBACK GetMessageHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && wp == PM_REMOVE) {
        auto* msg = reinterpret_cast<MSG*>(lp);
        if (msg->message == WM_KEYDOWN) {
            for (CBCGTabWnd* tab : t_keys.windows) {
                if (tab->HandleKey(*msg)) {
                    msg->message = WM_NULL; // consumed
                    break;
                }
            }
        } else if (msg->message == WM_SYSKEYDOWN && msg->wParam == VK_F10 &&
                   (::GetKeyState(VK_SHIFT) & 0x8000) && !(::GetKeyState(VK_MENU) & 0x8000)) {
            // Shift+F10 opens the focused control's context menu. Left to the default
            // procedure it also arms F10 as the menu key, and under Wine its release then opens
            // the window menu over the context menu's place.
            for (CBCGTabWnd* tab : t_keys.windows) {
                if (::IsChild(tab->Handle(), msg->hwnd)) {
                    ::PostMessageW(msg->hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(msg->hwnd),
                                   -1);
                    msg->message = WM_NULL;
                    break;
                }
            }
        }
    }
    return ::CallNextHookEx(t_keys.hook, code, wp, lp);
}

void Register(CBCGTabWnd* tab) {
    if (!t_keys.hook)
        t_keys.hook =
            ::SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, ::GetCurrentThreadId());
    t_keys.windows.push_back(tab);
}

void Unregister(CBCGTabWnd* tab) {
    auto& w = t_keys.windows;
    w.erase(std::remove(w.begin(), w.end(), tab), w.end());
    if (w.empty() && t_keys.hook) {
        ::UnhookWindowsHookEx(t_keys.hook);
        t_keys.hook = nullptr;
    }
}

int CALLBACK FindFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FontFamilyInstalled(const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    ::EnumFontFamiliesExW(WindowDc(nullptr).Get(), &wanted, FindFamily,
                          reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// Segoe UI where the system has it: its font linking finds the glyphs of every script, as in
// the system's own controls. Else `fallback`.
const wchar_t* TabFace(const wchar_t* fallback) {
    static const bool segoe = FontFamilyInstalled(L"Segoe UI");
    return segoe ? L"Segoe UI" : fallback;
}

TEXTMETRICW MetricsOf(HFONT font) {
    WindowDc dc(nullptr);
    ScopedSelect select(dc.Get(), font);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc.Get(), &tm);
    return tm;
}

RECT ToRect(const TabBox& b) {
    return {b.left, b.top, b.right, b.bottom};
}

} // namespace

CBCGTabWnd::CBCGTabWnd() {
    CaptureSystemColours();
    backgroundBrush_.Reset(::CreateSolidBrush(::GetSysColor(COLOR_WINDOW)));
    // The normal font: the menu font, with a known face (Segoe UI first) for Western
    // character sets.
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    LOGFONTW lf = ncm.lfMenuFont;
    if (lf.lfCharSet <= 2) {
        const wchar_t* face =
            TabFace(FontFamilyInstalled(L"Tahoma") ? L"Tahoma" : L"MS Sans Serif");
        ::lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    }
    normalFont_.Reset(::CreateFontIndirectW(&lf));
    TEXTMETRICW tm = MetricsOf(normalFont_.Get());
    textHeight_ = tm.tmHeight + tm.tmExternalLeading;
}

CBCGTabWnd::~CBCGTabWnd() {
    Unregister(this);
    if (hwnd_ && ::IsWindow(hwnd_)) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
}

void CBCGTabWnd::CaptureSystemColours() {
    btnShadow_ = ::GetSysColor(COLOR_BTNSHADOW);
    btnHighlight_ = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    btnText_ = ::GetSysColor(COLOR_BTNTEXT);
    darkShadow_ = ::GetSysColor(COLOR_3DDKSHADOW);
    light_ = ::GetSysColor(COLOR_3DLIGHT);
}

bool CBCGTabWnd::Create(Style style, const RECT& rect, HWND parent, UINT id, Location location) {
    flat_ = style == STYLE_FLAT || style == STYLE_FLAT_SHARED_HORZ_SCROLL;
    sharedScroll_ = style == STYLE_FLAT_SHARED_HORZ_SCROLL;
    scroll_ = style != STYLE_3D;
    location_ = location;
    dpi_ = WindowDpi(parent);
    MakeFonts();
    if (!CreateCustom("ZentroveTabWnd", nullptr,
                      WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                      WS_EX_CONTROLPARENT, rect, parent, id))
        return false;
    Register(this);
    SetAccessibleSource(hwnd_, this);
    RecalcLayout();
    return true;
}

void CBCGTabWnd::MakeFonts() {
    if (!flat_) {
        tabsHeight_ = textHeight_ + 2;
        return;
    }
    tabsHeight_ = MetricForDpi(SM_CYHSCROLL, dpi_) + ScaleForDpi(2, static_cast<int>(dpi_));
    LOGFONTW gui{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
    LOGFONTW lf{};
    // The stock font is made for the screen's DPI; this window may be on another screen.
    lf.lfHeight =
        RescaleForDpi(gui.lfHeight, static_cast<int>(SystemDpi()), static_cast<int>(dpi_));
    lf.lfCharSet = gui.lfCharSet;
    ::lstrcpynW(lf.lfFaceName, TabFace(L"Arial"), LF_FACESIZE);
    lf.lfHeight = ShrinkFontHeight(lf.lfHeight, tabsHeight_, [&lf](int h) {
        LOGFONTW probe = lf;
        probe.lfHeight = h;
        OwnedFont f(::CreateFontIndirectW(&probe));
        return static_cast<int>(MetricsOf(f.Get()).tmHeight);
    });
    flatFont_.Reset(::CreateFontIndirectW(&lf));
    lf.lfWeight = FW_BOLD;
    flatBoldFont_.Reset(::CreateFontIndirectW(&lf));
}

void CBCGTabWnd::SetDpi(UINT dpi) {
    if (!dpi || dpi == dpi_) return;
    dpi_ = dpi;
    MakeFonts();
    RecalcLayout();
}

void CBCGTabWnd::AddTab(HWND page, std::string_view text, int image) {
    auto tab = std::make_unique<Tab>();
    tab->text = text;
    tab->shown = ToWide(ForDisplay(text));
    tab->image = flat_ ? -1 : image;
    tab->window = page;
    tab->id = nextId_++;
    wchar_t cls[32] = {};
    if (page) ::GetClassNameW(page, cls, 32);
    tab->isList = ::lstrcmpiW(cls, WC_LISTVIEWW) == 0;
    tabs_.push_back(std::move(tab));
    RecalcLayout();
    if (GetTabsNum() == 1) {
        SetActiveTab(0);
    } else if (page) {
        ::ShowWindow(page, SW_HIDE);
    }
}

bool CBCGTabWnd::SetTabBkColor(int index, COLORREF color) {
    if (index < 0 || index >= GetTabsNum()) return false;
    tabs_[index]->tabColor = color;
    if (hwnd_) Invalidate();
    return true;
}

void CBCGTabWnd::SetBkColor(COLORREF color) {
    backgroundColor_ = color;
    backgroundBrush_.Reset(
        ::CreateSolidBrush(color == CLR_NONE ? ::GetSysColor(COLOR_WINDOW) : color));
    if (hwnd_) Invalidate();
}

void CBCGTabWnd::SetBorderSize(int size) {
    borderSize_ = size;
    RecalcLayout();
}

void CBCGTabWnd::SetFlatFrame(bool frame) {
    if (frameFlag_ == frame) return;
    frameFlag_ = frame;
    if (hwnd_) Invalidate();
}

void CBCGTabWnd::SetTabsFromEdge(bool fromEdge) {
    tabsFromEdge_ = fromEdge;
    RecalcLayout();
}

void CBCGTabWnd::RecalcLayout() {
    if (!hwnd_) return;
    RECT client = ClientRect();
    TabLayoutInput in;
    in.clientWidth = client.right;
    in.clientHeight = client.bottom;
    in.borderSize = borderSize_;
    in.tabsHeight = tabsHeight_;
    in.tabsFromEdge = tabsFromEdge_ && flat_;
    in.scrollOffset = scrollOffset_;
    in.padding = ScaleForDpi(12, static_cast<int>(dpi_));
    {
        WindowDc dc(hwnd_);
        ScopedSelect font(dc.Get(), flatBoldFont_ ? flatBoldFont_.Get() : normalFont_.Get());
        for (auto& tab : tabs_) {
            SIZE size{};
            ::GetTextExtentPoint32W(dc.Get(), tab->shown.c_str(),
                                    static_cast<int>(tab->shown.size()), &size);
            tab->width = size.cx;
            in.widths.push_back(size.cx);
            in.visible.push_back(true);
        }
    }
    layout_ = LayoutFlatTopTabs(in);
    for (size_t i = 0; i < tabs_.size(); ++i) {
        tabs_[i]->rect = ToRect(layout_.tabs[i]);
        tabs_[i]->width = layout_.tabs[i].Width();
    }
    for (auto& tab : tabs_)
        SizePage(tab->window, false);
    Invalidate();
}

void CBCGTabWnd::SizePage(HWND page, bool twice) const {
    if (!page) return;
    const TabBox& p = layout_.pageArea;
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (twice) {
        // Full width first, so the final size always differs and the page gets WM_SIZE.
        ::SetWindowPos(page, nullptr, p.left, p.top, p.Width(), p.Height(), flags);
    }
    ::SetWindowPos(page, nullptr, p.left, p.top, p.Width() - 1, p.Height(), flags);
}

RECT CBCGTabWnd::TabRect(int index) const {
    return index >= 0 && index < GetTabsNum() ? tabs_[index]->rect : RECT{};
}

RECT CBCGTabWnd::PageArea() const {
    return ToRect(layout_.pageArea);
}

bool CBCGTabWnd::SetActiveTab(int index) {
    if (index < 0 || index >= GetTabsNum() || !tabs_[index]->window) return false;
    if (index == activeTab_) return true;
    bool first = activeTab_ < 0;
    if (activeTab_ >= 0 && tabs_[activeTab_]->window)
        ::ShowWindow(tabs_[activeTab_]->window, SW_HIDE);
    activeTab_ = index;
    HWND page = tabs_[index]->window;
    ::ShowWindow(page, SW_SHOW);
    SizePage(page, true);
    ScrollToActive();
    if (hwnd_) {
        Invalidate();
        ::UpdateWindow(hwnd_);
    }
    if (!first) ::SetFocus(page);
    return true;
}

void CBCGTabWnd::ScrollToActive() {
    if (!scroll_ || activeTab_ < 0 || layout_.tabsArea.Width() <= 0) return;
    const TabBox& area = layout_.tabsArea;
    const TabBox& tab = layout_.tabs[activeTab_];
    int shift = 0;
    if (tab.right > area.right) shift = tab.right - area.right;
    if (tab.left - shift < area.left) shift = tab.left - area.left;
    if (shift == 0) return;
    scrollOffset_ = std::max(0, scrollOffset_ + shift);
    RecalcLayout();
}

int CBCGTabWnd::HitTest(POINT pt) const {
    return HitTestTabs(layout_, tabsHeight_, activeTab_, pt.x, pt.y);
}

bool CBCGTabWnd::RequestActivation(int index, bool focusPage) {
    HWND parent = ::GetParent(hwnd_);
    LRESULT reply = ::SendMessageW(parent, BCGM_ONCHANGE_ACTIVE_TAB, index, activeTab_);
    if (reply == static_cast<LRESULT>(BCGM_ONCHANGE_ACTIVE_TAB)) return false;
    if (!SetActiveTab(index)) return false;
    if (focusPage) ::SetFocus(tabs_[index]->window);
    return true;
}

bool CBCGTabWnd::HandleKey(const MSG& msg) {
    // Control+Page Up/Down, and Control+Tab / Control+Shift+Tab as property sheets have them.
    if (msg.message != WM_KEYDOWN ||
        (msg.wParam != VK_PRIOR && msg.wParam != VK_NEXT && msg.wParam != VK_TAB))
        return false;
    // From any control of the window that holds the pages, also the links outside them.
    if (!hwnd_ || !msg.hwnd || ::GetAncestor(msg.hwnd, GA_ROOT) != ::GetAncestor(hwnd_, GA_ROOT))
        return false;
    if (activeTab_ < 0 || !(::GetKeyState(VK_CONTROL) & 0x8000)) return false;
    std::vector<bool> visible(tabs_.size(), true);
    bool forward =
        msg.wParam == VK_NEXT || (msg.wParam == VK_TAB && !(::GetKeyState(VK_SHIFT) & 0x8000));
    int next = NeighbourTab(visible, activeTab_, forward);
    if (next >= 0) RequestActivation(next, true);
    return true;
}

LRESULT CBCGTabWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        RecalcLayout();
        if (activeTab_ >= 0) SizePage(tabs_[activeTab_]->window, true);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintDc dc(hwnd_);
        RECT client = ClientRect();
        MemoryDc mem(dc.Get());
        OwnedBitmap bmp(::CreateCompatibleBitmap(dc.Get(), std::max<LONG>(1, client.right),
                                                 std::max<LONG>(1, client.bottom)));
        ScopedSelect canvas(mem.Get(), bmp.Get());
        Paint(mem.Get());
        ::BitBlt(dc.Get(), 0, 0, client.right, client.bottom, mem.Get(), 0, 0, SRCCOPY);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        int index = HitTest(pt);
        if (index >= 0 && index != activeTab_) RequestActivation(index, false);
        return 0;
    }
    case WM_SYSCOLORCHANGE:
        CaptureSystemColours();
        if (backgroundColor_ == CLR_NONE) SetBkColor(CLR_NONE);
        Invalidate();
        break;
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        // Scroll-bar height and the default font decide the strip and its captions.
        CaptureSystemColours();
        MakeFonts();
        RecalcLayout();
        break;
    case WM_GETOBJECT:
        return AnswerGetObject(hwnd_, wp, lp, DefaultProc(msg, wp, lp));
    case WM_DESTROY:
        Unregister(this);
        SetAccessibleSource(hwnd_, nullptr);
        break;
    default:
        break;
    }
    return DefaultProc(msg, wp, lp);
}

std::string CBCGTabWnd::AccName(int child) const {
    return child == 0 ? std::string("Pages") : tabs_[child - 1]->text;
}

long CBCGTabWnd::AccRole(int child) const {
    return child == 0 ? ROLE_SYSTEM_PAGETABLIST : ROLE_SYSTEM_PAGETAB;
}

long CBCGTabWnd::AccState(int child) const {
    if (child == 0) return 0;
    long state = STATE_SYSTEM_SELECTABLE;
    if (child - 1 == activeTab_) state |= STATE_SYSTEM_SELECTED;
    return state;
}

bool CBCGTabWnd::AccDoDefaultAction(int child) {
    if (child <= 0 || child > GetTabsNum()) return false;
    if (child - 1 != activeTab_) RequestActivation(child - 1, true);
    return true;
}

RECT CBCGTabWnd::AccLocation(int child) const {
    RECT r = TabRect(child - 1);
    ::MapWindowPoints(hwnd_, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int CBCGTabWnd::AccHitTest(POINT screen) const {
    ::ScreenToClient(hwnd_, &screen);
    return HitTest(screen) + 1;
}

void CBCGTabWnd::OnFinalMessage() {
    Unregister(this);
}

void CBCGTabWnd::Paint(HDC dc) {
    RECT client = ClientRect();
    ::FillRect(dc, &client, backgroundBrush_.Get());
    RECT strip{client.left, client.top, client.right, layout_.tabsArea.bottom + borderSize_};
    ::FillRect(dc, &strip, OwnedBrush(::CreateSolidBrush(kStripColour)).Get());
    if (borderSize_ > 0 && frameFlag_) {
        RECT frame = ToRect(layout_.pageArea);
        ::InflateRect(&frame, 1, 1);
        ::FrameRect(dc, &frame, ::GetSysColorBrush(COLOR_BTNSHADOW));
    }

    int saved = ::SaveDC(dc);
    RECT area = ToRect(layout_.tabsArea);
    ::IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    ::SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < GetTabsNum(); ++i) {
        if (i != activeTab_) DrawTab(dc, *tabs_[i], false);
    }
    if (activeTab_ >= 0) DrawTab(dc, *tabs_[activeTab_], true);
    ::RestoreDC(dc, saved);

    if (scrollOffset_ > 0) {
        OwnedPen pen(::CreatePen(PS_SOLID, 1, btnShadow_));
        ScopedSelect line(dc, pen.Get());
        ::MoveToEx(dc, area.left, area.top, nullptr);
        ::LineTo(dc, area.left, area.bottom);
    }
}

void CBCGTabWnd::DrawTab(HDC dc, const Tab& tab, bool active) {
    const RECT& r = tab.rect;
    const int half = tabsHeight_ / 2;
    POINT pts[4] = {{r.left, r.bottom},
                    {r.left + half, r.top + 1},
                    {r.right - half, r.top + 1},
                    {r.right, r.bottom}};
    {
        OwnedPen pen(::CreatePen(PS_SOLID, 1, btnText_));
        OwnedBrush colour(!active && tab.tabColor != CLR_NONE ? ::CreateSolidBrush(tab.tabColor)
                                                              : nullptr);
        HGDIOBJ fill = active   ? backgroundBrush_.Get()
                       : colour ? colour.Get()
                                : ::GetStockObject(NULL_BRUSH);
        ScopedSelect edge(dc, pen.Get());
        ScopedSelect inside(dc, fill);
        ::Polygon(dc, pts, 4);
    }

    ScopedSelect font(dc, active ? flatBoldFont_.Get() : flatFont_.Get());
    COLORREF color = active ? ::GetSysColor(COLOR_WINDOWTEXT) : btnText_;
    ::SetTextColor(dc, color);
    RECT text = r;
    text.left += ScaleForDpi(2, static_cast<int>(dpi_));
    ::DrawTextW(dc, tab.shown.c_str(), static_cast<int>(tab.shown.size()), &text,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

} // namespace zt
