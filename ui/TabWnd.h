#pragma once
// The page switcher: a strip of slanted tabs over a page area that shows exactly one page.
// Before every change of the active tab it sends BCGM_ONCHANGE_ACTIVE_TAB to its parent
// (wParam = the tab about to become active, lParam = the active one); a reply equal to the
// message's own id refuses the change. Control+Page Up/Down and Control+(Shift+)Tab from any
// control of the window that holds it (inside the pages or not) move to the neighbouring tab, with
// wrap-around. Only the flat style with tabs on top is drawn.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Accessible.h"
#include "ui/CustomWindow.h"
#include "ui/Gdi.h"
#include "ui/TabLogic.h"

namespace zt {

inline const UINT BCGM_ONCHANGE_ACTIVE_TAB = ::RegisterWindowMessageW(L"BCGM_ONCHANGE_ACTIVE_TAB");

class CBCGTabWnd : public CCustomWindow, public CAccessibleSource {
  public:
    enum Style {
        STYLE_3D = 0,
        STYLE_FLAT = 1,
        STYLE_FLAT_SHARED_HORZ_SCROLL = 2,
        STYLE_3D_SCROLLED = 3
    };
    enum Location { LOCATION_BOTTOM = 0, LOCATION_TOP = 1 };

    CBCGTabWnd();
    ~CBCGTabWnd() override;

    bool Create(Style style, const RECT& rect, HWND parent, UINT id,
                Location location = LOCATION_TOP);

    // Appends a tab. The first tab added becomes active; later pages are hidden.
    void AddTab(HWND page, std::string_view text, int image = -1);
    // False for an index out of range or a tab without a window; true when already active.
    bool SetActiveTab(int index);
    int GetActiveTab() const { return activeTab_; }
    int GetTabsNum() const { return static_cast<int>(tabs_.size()); }
    bool SetTabBkColor(int index, COLORREF color); // -1 = none
    void SetBkColor(COLORREF color);               // -1 = window colour

    // The program's configuration: border 0, frame flag on, tabs from the edge.
    void SetBorderSize(int size);
    void SetFlatFrame(bool frame);
    void SetTabsFromEdge(bool fromEdge);

    void RecalcLayout();
    // Metrics and fonts for a screen of `dpi` (taken from the parent at creation).
    void SetDpi(UINT dpi);
    UINT Dpi() const { return dpi_; }

    int TabsHeight() const { return tabsHeight_; }
    RECT TabRect(int index) const;
    RECT PageArea() const;
    HFONT FlatFont() const { return flatFont_.Get(); }
    // Offers a key press on its way to a window inside the tabs; true when consumed.
    bool HandleKey(const MSG& msg);

    // To a screen reader: a page tab list whose children are the tabs.
    int AccChildCount() const override { return GetTabsNum(); }
    std::string AccName(int child) const override;
    long AccRole(int child) const override;
    long AccState(int child) const override;
    std::string AccDefaultAction(int child) const override { return child ? "Switch" : ""; }
    bool AccDoDefaultAction(int child) override;
    RECT AccLocation(int child) const override;
    int AccHitTest(POINT screen) const override;

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnFinalMessage() override;

  private:
    struct Tab {
        std::string text;
        std::wstring shown; // the text as drawn
        int image = -1;
        HWND window = nullptr;
        int id = 0;
        RECT rect{};
        int width = 0;
        COLORREF tabColor = CLR_NONE;
        bool isList = false;
    };

    void CaptureSystemColours();
    void MakeFonts();
    void Paint(HDC dc);
    void DrawTab(HDC dc, const Tab& tab, bool active);
    bool RequestActivation(int index, bool focusPage);
    void ScrollToActive();
    void SizePage(HWND page, bool twice) const;
    int HitTest(POINT pt) const;

    std::vector<std::unique_ptr<Tab>> tabs_;
    bool flat_ = true, sharedScroll_ = false, scroll_ = true;
    Location location_ = LOCATION_TOP;
    int activeTab_ = -1;
    int nextId_ = 1;
    int borderSize_ = 3;
    bool frameFlag_ = false;
    bool tabsFromEdge_ = false;
    COLORREF backgroundColor_ = CLR_NONE;
    OwnedBrush backgroundBrush_;
    COLORREF btnShadow_ = 0, btnHighlight_ = 0, btnText_ = 0, darkShadow_ = 0, light_ = 0;
    OwnedFont normalFont_, flatFont_, flatBoldFont_;
    int textHeight_ = 0;
    int tabsHeight_ = 0;
    int scrollOffset_ = 0;
    UINT dpi_ = 96;
    TabLayout layout_;
};

} // namespace zt
