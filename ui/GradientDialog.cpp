#include "ui/GradientDialog.h"

#include "ui/UiContext.h"
#include "ui/ToolTip.h"

#include <algorithm>

#include "ui/Dpi.h"
#include "ui/Layout.h"
#include "ui/LinkLogic.h"

namespace zt {
namespace {

// Class names compare without regard to case, as the system registers them.
bool IsClass(HWND hwnd, const wchar_t* name) {
    wchar_t cls[32] = {};
    return ::GetClassNameW(hwnd, cls, 32) > 0 && ::lstrcmpiW(cls, name) == 0;
}

} // namespace

CGradientDialog::CGradientDialog(UINT templateId, UINT iconId) : CDialog(templateId) {
    LoadIcons(iconId);
}

CGradientDialog::CGradientDialog(std::shared_ptr<const CDialogTemplate> tmpl, UINT iconId)
    : CDialog(std::move(tmpl)) {
    LoadIcons(iconId);
}

CGradientDialog::~CGradientDialog() {
    skins_.clear();
    links_.clear();
}

void CGradientDialog::LoadIcons(UINT iconId) {
    if (!iconId) return;
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    // The sizes of the screen's DPI; the icon file holds each of them.
    const UINT dpi = SystemDpi();
    bigIcon_.Reset(static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                                   MetricForDpi(SM_CXICON, dpi),
                                                   MetricForDpi(SM_CYICON, dpi), 0)));
    smallIcon_.Reset(static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                                     MetricForDpi(SM_CXSMICON, dpi),
                                                     MetricForDpi(SM_CYSMICON, dpi), 0)));
}

void CGradientDialog::TakeOverDpiScaling() {
    using Fn = BOOL(WINAPI*)(HWND, int, int);
    static Fn set = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")));
    const int kDisableAll = 1; // DDC_DISABLE_ALL
    if (set && hwnd_) set(hwnd_, kDisableAll, kDisableAll);
}

void CGradientDialog::AdaptToDpi(UINT from, UINT to) {
    if (!hwnd_ || from == to || !from || !to) return;
    const int f = static_cast<int>(from), t = static_cast<int>(to);
    HFONT oldFont = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    OwnedFont made;
    LOGFONTW lf{};
    if (oldFont && ::GetObjectW(oldFont, sizeof lf, &lf)) {
        lf.lfHeight = RescaleForDpi(lf.lfHeight, f, t);
        lf.lfWidth = RescaleForDpi(lf.lfWidth, f, t);
        made.Reset(::CreateFontIndirectW(&lf));
    }
    HFONT newFont = made.Get();
    for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT r = ChildRect(child);
        ::SetWindowPos(child, nullptr, RescaleForDpi(r.left, f, t), RescaleForDpi(r.top, f, t),
                       RescaleForDpi(r.right, f, t) - RescaleForDpi(r.left, f, t),
                       RescaleForDpi(r.bottom, f, t) - RescaleForDpi(r.top, f, t),
                       SWP_NOZORDER | SWP_NOACTIVATE);
        if (newFont && reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)) == oldFont)
            ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(newFont), FALSE);
        if (IsClass(child, WC_LISTVIEWW)) {
            HWND header = reinterpret_cast<HWND>(::SendMessageW(child, LVM_GETHEADER, 0, 0));
            int columns =
                header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
            for (int c = 0; c < columns; ++c) {
                int w = static_cast<int>(::SendMessageW(child, LVM_GETCOLUMNWIDTH, c, 0));
                ::SendMessageW(child, LVM_SETCOLUMNWIDTH, c, RescaleForDpi(w, f, t));
            }
        }
    }
    if (newFont) {
        Send(WM_SETFONT, reinterpret_cast<WPARAM>(newFont), FALSE);
        dpiFont_ = std::move(made);
    }
    if (CLayout* layout = CLayout::Of(hwnd_)) layout->Rescale(f, t);
    dpi_ = to;
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void CGradientDialog::ApplySettings() {
    SetButtonSounds(!silent_, hoverSound_, clickSound_);
}

void CGradientDialog::SetGradientColours(COLORREF top, COLORREF bottom) {
    topColor_ = top;
    bottomColor_ = bottom;
    if (hwnd_)
        ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void CGradientDialog::ExcludeControl(int id) {
    excludedIds_.push_back(id);
}

int CGradientDialog::IncludeControl(int id) {
    auto it = std::find(excludedIds_.begin(), excludedIds_.end(), id);
    if (it != excludedIds_.end()) excludedIds_.erase(it);
    return static_cast<int>(excludedIds_.size());
}

void CGradientDialog::SetButtonSkin(COLORREF transparent, UINT normal, UINT hover, UINT pressed,
                                    UINT disabled, bool now) {
    if (skinRequested_) return;
    skinRequested_ = true;
    skinTransparent_ = transparent;
    skinNormal_ = normal;
    skinHover_ = hover;
    skinPressed_ = pressed;
    skinDisabled_ = disabled;
    if (now && hwnd_) SkinButtons();
}

void CGradientDialog::SetStandardSkin(bool now) {
    const AppArtwork& art = GetAppArtwork();
    SetButtonSkin(kSkinTransparent, art.skinNormal, art.skinHover, art.skinPressed,
                  art.skinDisabled, now);
}

CLinkLabel* CGradientDialog::AddLink(int id, std::string_view highlight, std::string_view target,
                                     COLORREF color, bool subclassNow) {
    auto link = std::make_unique<CLinkLabel>();
    link->SetHighlight(highlight);
    link->SetColor(color);
    link->SetBold(false);
    link->SetTarget(target);
    CLinkLabel* raw = link.get();
    links_[id] = std::move(link); // replaces (and unhooks) an earlier link on this control
    if (subclassNow && hwnd_) {
        HWND label = Item(id);
        if (CSubclassWindow* old = CSubclassWindow::FromHandle(label)) old->Unsubclass();
        raw->Attach(label);
    }
    return raw;
}

CLinkLabel* CGradientDialog::AddLinkButton(int id, std::string_view highlight, int commandId,
                                           bool subclassNow) {
    CLinkLabel* link =
        AddLink(id, highlight, LinkButtonTarget(commandId), RGB(0, 0, 255), subclassNow);
    link->SetBold(true);
    return link;
}

void CGradientDialog::SetSounds(UINT hover, UINT click) {
    hoverSound_ = hover;
    clickSound_ = click;
}

void CGradientDialog::SetButtonSounds(bool enabled, UINT hover, UINT click) {
    hoverSound_ = hover;
    clickSound_ = click;
    for (auto& [id, button] : skins_)
        button->SetSounds(enabled, hover, click);
}

void CGradientDialog::LinkClicked(int, CLinkLabel& link) {
    link.Open(hwnd_);
}

void CGradientDialog::GradientArea(RECT& area, COLORREF& top, COLORREF& bottom) {
    area = ClientRect();
    top = topColor_;
    bottom = bottomColor_;
}

CSkinButton* CGradientDialog::SkinnedButton(int id) const {
    auto it = skins_.find(id);
    return it == skins_.end() ? nullptr : it->second.get();
}

CLinkLabel* CGradientDialog::Link(int id) const {
    auto it = links_.find(id);
    return it == links_.end() ? nullptr : it->second.get();
}

void CGradientDialog::PaintGradient(HDC dc, const RECT& area, COLORREF top, COLORREF bottom) {
    TRIVERTEX v[2] = {};
    v[0].x = area.left;
    v[0].y = area.top;
    v[0].Red = static_cast<COLOR16>(GetRValue(top) << 8);
    v[0].Green = static_cast<COLOR16>(GetGValue(top) << 8);
    v[0].Blue = static_cast<COLOR16>(GetBValue(top) << 8);
    v[1].x = area.right;
    v[1].y = area.bottom;
    v[1].Red = static_cast<COLOR16>(GetRValue(bottom) << 8);
    v[1].Green = static_cast<COLOR16>(GetGValue(bottom) << 8);
    v[1].Blue = static_cast<COLOR16>(GetBValue(bottom) << 8);
    GRADIENT_RECT r{0, 1};
    ::GradientFill(dc, v, 2, &r, 1, GRADIENT_FILL_RECT_V);
}

bool CGradientDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    dpi_ = WindowDpi(hwnd_);
    if (bigIcon_) Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
    if (smallIcon_) Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    if (!(Style() & WS_CHILD)) {
        // Centre over the owner, or the screen without one.
        CenterWindowOver(hwnd_, nullptr);
    }
    for (auto& [id, link] : links_) {
        HWND label = Item(id);
        if (!label) continue;
        if (CSubclassWindow* old = CSubclassWindow::FromHandle(label)) old->Unsubclass();
        link->Attach(label);
    }
    if (skinRequested_) SkinButtons();
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
    ApplySettings();
    return true;
}

void CGradientDialog::SkinButtons() {
    for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!IsClass(child, L"Button")) continue;
        LONG_PTR kind = ::GetWindowLongPtrW(child, GWL_STYLE) & 0xFF;
        if (kind != BS_PUSHBUTTON && kind != BS_DEFPUSHBUTTON) continue;
        int id = ::GetDlgCtrlID(child);
        if (CSubclassWindow* old = CSubclassWindow::FromHandle(child)) old->Unsubclass();
        auto button = std::make_unique<CSkinButton>();
        skinnedIds_.push_back(id);
        button->Attach(child);
        button->SetBitmaps(skinNormal_, skinTransparent_, skinHover_, skinTransparent_,
                           skinPressed_, skinTransparent_, skinDisabled_, skinTransparent_);
        button->SetTextFormat(DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        button->SetImagePlacement(CSkinButton::kImageCentreH | CSkinButton::kImageCentreV);
        button->SetStyleFlags(CSkinButton::kStyleFlat);
        const AppArtwork& art = GetAppArtwork();
        if (skinNormal_ == art.skinNormal && art.skinNormalLarge)
            button->SetLargeBitmaps(art.skinNormalLarge, art.skinHoverLarge, art.skinPressedLarge,
                                    art.skinDisabledLarge, skinTransparent_);
        button->SetSounds(!silent_, hoverSound_, clickSound_);
        skins_[id] = std::move(button);
    }
}

void CGradientDialog::OnOK() {
    if (closeOnOk_) CDialog::OnOK();
}

void CGradientDialog::OnCancel() {
    if (closeOnCancel_) CDialog::OnCancel();
}

bool CGradientDialog::OnCommand(int id, int code, HWND control) {
    auto it = links_.find(id);
    if (it != links_.end() && it->second->Handle() == control && control) {
        DWORD pos = ::GetMessagePos();
        POINT pt{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
        if (it->second->ActivatedByKey() || it->second->IsOverLink(pt)) {
            LinkClicked(id, *it->second);
            return true;
        }
    }
    return CDialog::OnCommand(id, code, control);
}

bool CGradientDialog::OnSysCommand(WPARAM command, LPARAM) {
    if ((command & 0xFFF0) == SC_CLOSE) {
        // The title bar's close box always leaves, whatever closeOnCancel says.
        CDialog::OnCancel();
        return true;
    }
    return false;
}

void CGradientDialog::OnSize(UINT, int, int) {
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

bool CGradientDialog::OnEraseBackground(HDC dc) {
    int saved = ::SaveDC(dc);
    for (int id : excludedIds_) {
        HWND child = Item(id);
        if (!child || !::IsWindowVisible(child)) continue;
        RECT r = ChildRect(child);
        ::ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
    RECT area;
    COLORREF top, bottom;
    GradientArea(area, top, bottom);
    PaintGradient(dc, area, top, bottom);
    ::RestoreDC(dc, saved);
    DrawSizeGrip(dc);
    return true;
}

void CGradientDialog::DrawSizeGrip(HDC dc) {
    if (!(Style() & WS_THICKFRAME) || ::IsZoomed(hwnd_)) return;
    RECT client = ClientRect();
    const UINT dpi = WindowDpi(hwnd_);
    int w = MetricForDpi(SM_CXHSCROLL, dpi), h = MetricForDpi(SM_CYVSCROLL, dpi);
    RECT grip{client.right - w, client.bottom - h, client.right, client.bottom};
    // Only the triangle below the diagonal, so the gradient stays visible above it.
    POINT tri[3] = {{grip.left, grip.bottom}, {grip.right, grip.top}, {grip.right, grip.bottom}};
    OwnedRegion region(::CreatePolygonRgn(tri, 3, WINDING));
    int saved = ::SaveDC(dc);
    ::SelectClipRgn(dc, region.Get());
    ::DrawFrameControl(dc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    ::RestoreDC(dc, saved);
}

bool CGradientDialog::OnPaint() {
    if (!::IsIconic(hwnd_) || !bigIcon_) return false;
    PaintDc dc(hwnd_);
    RECT r = ClientRect();
    const UINT dpi = WindowDpi(hwnd_);
    int w = MetricForDpi(SM_CXICON, dpi), h = MetricForDpi(SM_CYICON, dpi);
    ::DrawIcon(dc.Get(), (r.right - w + 1) / 2, (r.bottom - h + 1) / 2, bigIcon_.Get());
    return true;
}

bool CGradientDialog::OnSetCursor(HWND over, UINT, UINT) {
    auto it = std::find_if(links_.begin(), links_.end(),
                           [over](const auto& e) { return e.second->Handle() == over; });
    if (it == links_.end() || !over) return false;
    POINT pt{};
    ::GetCursorPos(&pt);
    if (!it->second->IsOverLink(pt)) return false;
    ::SetCursor(it->second->Cursor());
    return true;
}

HBRUSH CGradientDialog::OnCtlColor(UINT msg, HDC dc, HWND control) {
    if (msg != WM_CTLCOLORSTATIC && msg != WM_CTLCOLORBTN) return nullptr;
    // Read-only edits also ask as labels; they keep their own background.
    if (IsClass(control, L"Edit")) return nullptr;

    RECT area;
    COLORREF top, bottom;
    GradientArea(area, top, bottom);
    int w = std::max<int>(1, area.right - area.left), h = std::max<int>(1, area.bottom - area.top);
    RECT ctl = ChildRect(control);
    ctlBrush_.Reset();
    {
        WindowDc screen(nullptr);
        if (!ctlBitmap_ || ctlBitmapWidth_ != w || ctlBitmapHeight_ != h) {
            ctlBitmap_.Reset(::CreateCompatibleBitmap(screen.Get(), w, h));
            ctlBitmapWidth_ = w;
            ctlBitmapHeight_ = h;
        }
        MemoryDc mem(screen.Get());
        ScopedSelect bitmap(mem.Get(), ctlBitmap_.Get());
        // Shifted so the bitmap's origin lines up with the control's origin.
        RECT shifted = area;
        ::OffsetRect(&shifted, -ctl.left, -ctl.top);
        RECT fill{0, 0, w, h};
        ::FillRect(mem.Get(), &fill, ::GetSysColorBrush(COLOR_BTNFACE));
        PaintGradient(mem.Get(), shifted, top, bottom);
    }
    ctlBrush_.Reset(::CreatePatternBrush(ctlBitmap_.Get()));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    return ctlBrush_.Get();
}

void CGradientDialog::OnDestroy() {
    for (auto& [id, button] : skins_)
        button->Unsubclass();
    skins_.clear();
    skinnedIds_.clear();
    // Links stay configured so the same object can show its dialog again.
    for (auto& [id, link] : links_)
        link->Unsubclass();
}

void ForwardToDescendants(HWND top, UINT msg, WPARAM wp, LPARAM lp) {
    struct Message {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    } m{msg, wp, lp};
    ::EnumChildWindows(
        top,
        [](HWND child, LPARAM p) -> BOOL {
            const auto* m = reinterpret_cast<const Message*>(p);
            ::SendMessageW(child, m->msg, m->wp, m->lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&m));
}

bool CGradientDialog::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg == WM_QUERYDRAGICON) {
        result = reinterpret_cast<LRESULT>(bigIcon_.Get());
        return true;
    }
    if (IsSystemLookChange(msg)) {
        // System colours feed the labels' gradient brush and the buttons' captions.
        ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
        return false;
    }
    return false;
}

} // namespace zt
