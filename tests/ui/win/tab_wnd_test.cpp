// The tab window on real windows: veto by click and keyboard, rejected indices, page sizing.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/ui/win/ui_test_util.h"
#include "ui/Dialog.h"
#include "ui/LinkLabel.h"
#include "ui/TabWnd.h"

namespace zt {
namespace {

using test::Pump;

constexpr int kPageEdit = 10;

std::shared_ptr<CDialogTemplate> PageTemplate() {
    auto t = std::make_shared<CDialogTemplate>(WS_CHILD | DS_CONTROL, 0, 0, 100, 60, "");
    t->Edit(kPageEdit, 5, 5, 60, 14);
    return t;
}

class CPage : public CDialog {
  public:
    CPage() : CDialog(PageTemplate()) {}
    int sizes = 0;

  protected:
    void OnSize(UINT, int, int) override { ++sizes; }
};

// The owner of the tab window: records every change request and vetoes when asked.
class COwner : public CDialog {
  public:
    COwner()
        : CDialog(
              std::make_shared<CDialogTemplate>(WS_POPUP | WS_CAPTION, 0, 0, 300, 200, "tabs")) {}
    bool veto = false;
    std::vector<std::pair<int, int>> requests;

  protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg != BCGM_ONCHANGE_ACTIVE_TAB) return false;
        requests.emplace_back(static_cast<int>(wp), static_cast<int>(lp));
        result = veto ? static_cast<LRESULT>(BCGM_ONCHANGE_ACTIVE_TAB) : 0;
        return true;
    }
};

// The owner stays hidden (showing top-level windows is slow without a window manager), so
// a page counts as shown by its own style.
bool Shown(HWND h) {
    return (::GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) != 0;
}

class TabWndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(owner.Create(nullptr));
        RECT r{0, 0, 400, 250};
        ASSERT_TRUE(tabs.Create(CBCGTabWnd::STYLE_FLAT, r, owner.Handle(), 1032));
        tabs.SetBorderSize(0);
        tabs.SetFlatFrame(true);
        tabs.SetTabsFromEdge(true);
        const char* names[] = {"Scan/Clean", "Startup Manager", "Clean Disk", "Settings", "Backup"};
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(pages[i].Create(tabs.Handle()));
            tabs.AddTab(pages[i].Handle(), names[i]);
        }
        Pump();
    }
    void TearDown() override {
        BYTE keys[256] = {};
        ::SetKeyboardState(keys);
        if (owner.Handle()) ::DestroyWindow(owner.Handle());
    }
    void Click(int index) {
        RECT r = tabs.TabRect(index);
        int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        ::SendMessageW(tabs.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        ::SendMessageW(tabs.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    void ControlKey(UINT vk) {
        BYTE keys[256] = {};
        keys[VK_CONTROL] = 0x80;
        ::SetKeyboardState(keys);
        ::PostMessageW(pages[tabs.GetActiveTab()].Item(kPageEdit), WM_KEYDOWN, vk, 0);
        Pump();
        BYTE none[256] = {};
        ::SetKeyboardState(none);
    }
    int VisiblePages() const {
        int n = 0;
        for (const auto& p : pages)
            n += Shown(p.Handle()) ? 1 : 0;
        return n;
    }

    COwner owner;
    CBCGTabWnd tabs;
    CPage pages[5];
};

TEST_F(TabWndTest, FirstTabIsActiveAndOnlyItsPageShows) {
    EXPECT_EQ(tabs.GetTabsNum(), 5);
    EXPECT_EQ(tabs.GetActiveTab(), 0);
    EXPECT_TRUE(Shown(pages[0].Handle()));
    EXPECT_EQ(VisiblePages(), 1);
    EXPECT_TRUE(owner.requests.empty()) << "adding tabs asks nothing";
}

TEST_F(TabWndTest, ClickAsksTheOwnerWhichMayRefuse) {
    owner.veto = true;
    Click(3);
    ASSERT_EQ(owner.requests.size(), 1u);
    EXPECT_EQ(owner.requests[0], std::make_pair(3, 0));
    EXPECT_EQ(tabs.GetActiveTab(), 0);
    EXPECT_TRUE(Shown(pages[0].Handle()));

    owner.veto = false;
    Click(3);
    EXPECT_EQ(tabs.GetActiveTab(), 3);
    EXPECT_TRUE(Shown(pages[3].Handle()));
    EXPECT_EQ(VisiblePages(), 1);

    owner.requests.clear();
    Click(3); // already active
    EXPECT_TRUE(owner.requests.empty());
    // A click on the strip beyond the last tab asks nothing.
    RECT last = tabs.TabRect(4);
    ::SendMessageW(tabs.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(last.right + 20, 5));
    EXPECT_TRUE(owner.requests.empty());
}

TEST_F(TabWndTest, OutOfRangeIndicesAreRejected) {
    EXPECT_FALSE(tabs.SetActiveTab(5));
    EXPECT_FALSE(tabs.SetActiveTab(-1));
    EXPECT_EQ(tabs.GetActiveTab(), 0);
    EXPECT_TRUE(tabs.SetActiveTab(0)); // already active is a success
    EXPECT_FALSE(tabs.SetTabBkColor(5, RGB(1, 2, 3)));
    EXPECT_TRUE(tabs.SetTabBkColor(4, RGB(166, 192, 215)));
    EXPECT_TRUE(owner.requests.empty()) << "programmatic changes ask nothing";
}

TEST_F(TabWndTest, ControlPageKeysWrapAroundAndCanBeRefused) {
    ControlKey(VK_PRIOR); // from the first to the last
    ASSERT_EQ(owner.requests.size(), 1u);
    EXPECT_EQ(owner.requests[0], std::make_pair(4, 0));
    EXPECT_EQ(tabs.GetActiveTab(), 4);
    HWND focus = ::GetFocus();
    EXPECT_TRUE(focus == pages[4].Handle() || ::IsChild(pages[4].Handle(), focus))
        << "the new page gets the focus";

    ControlKey(VK_NEXT); // from the last to the first
    EXPECT_EQ(tabs.GetActiveTab(), 0);

    owner.veto = true;
    ControlKey(VK_NEXT);
    EXPECT_EQ(owner.requests.back(), std::make_pair(1, 0));
    EXPECT_EQ(tabs.GetActiveTab(), 0);

    // Without Control the key is the page's own.
    owner.requests.clear();
    ::PostMessageW(pages[0].Item(kPageEdit), WM_KEYDOWN, VK_NEXT, 0);
    Pump();
    EXPECT_TRUE(owner.requests.empty());
}

TEST_F(TabWndTest, ControlTabChangesPageFromALinkOutsideThePages) {
    // A link beside the tab window, as the main window has them under its pages.
    HWND label = ::CreateWindowExW(0, L"STATIC", L"Visit our website", WS_CHILD | WS_VISIBLE, 0,
                                   260, 200, 20, owner.Handle(), nullptr, nullptr, nullptr);
    CLinkLabel link;
    ASSERT_TRUE(link.Attach(label));
    link.SetHighlight("website");
    link.SetTarget("https://example.invalid/");
    auto press = [&](bool shift) {
        ::SetFocus(label);
        BYTE keys[256] = {};
        keys[VK_CONTROL] = 0x80;
        if (shift) keys[VK_SHIFT] = 0x80;
        ::SetKeyboardState(keys);
        ::PostMessageW(label, WM_KEYDOWN, VK_TAB, 0);
        Pump();
        BYTE none[256] = {};
        ::SetKeyboardState(none);
    };
    press(false);
    EXPECT_EQ(tabs.GetActiveTab(), 1);
    HWND focus = ::GetFocus();
    EXPECT_TRUE(focus == pages[1].Handle() || ::IsChild(pages[1].Handle(), focus))
        << "the new page gets the focus, not the next link";
    press(true);
    EXPECT_EQ(tabs.GetActiveTab(), 0);
    press(true);
    EXPECT_EQ(tabs.GetActiveTab(), 4) << "wraps around backwards";
}

TEST_F(TabWndTest, ActivePageIsOnePixelNarrowerThanThePageAreaAfterAResize) {
    ::SetWindowPos(tabs.Handle(), nullptr, 0, 0, 520, 330, SWP_NOMOVE | SWP_NOZORDER);
    RECT area = tabs.PageArea();
    RECT page = tabs.ChildRect(pages[0].Handle());
    EXPECT_EQ(page.right - page.left, area.right - area.left - 1);
    EXPECT_EQ(page.bottom - page.top, area.bottom - area.top);
    EXPECT_EQ(page.left, area.left);
    EXPECT_EQ(page.top, area.top);
    EXPECT_EQ(area.top, tabs.TabsHeight()); // border 0: the page starts under the strip

    // Activation sizes the page twice, so it gets a size message even at the same size.
    pages[2].sizes = 0;
    tabs.SetActiveTab(2);
    EXPECT_GE(pages[2].sizes, 1);
    page = tabs.ChildRect(pages[2].Handle());
    EXPECT_EQ(page.right - page.left, area.right - area.left - 1);
}

TEST_F(TabWndTest, FlatFontFitsTheStrip) {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, tabs.FlatFont());
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    EXPECT_EQ(tabs.TabsHeight(), ::GetSystemMetrics(SM_CYHSCROLL) + 2);
    EXPECT_LE(tm.tmHeight + 2, tabs.TabsHeight());
    // Tabs start at the left edge and follow each other.
    EXPECT_EQ(tabs.TabRect(0).left, 0);
    EXPECT_GT(tabs.TabRect(1).left, tabs.TabRect(0).left);
}

} // namespace
} // namespace zt
