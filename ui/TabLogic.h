#pragma once
// The window-free arithmetic of the tab window: the layout of the flat style with the tabs
// on top, hit testing of the slanted tabs, keyboard neighbours and the font shrink rule.
// No <windows.h>, so it is tested natively.
#include <vector>

namespace zt {

struct TabBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const TabBox&) const = default;
};

struct TabLayoutInput {
    int clientWidth = 0;
    int clientHeight = 0;
    int borderSize = 3;
    int tabsHeight = 0;
    bool tabsFromEdge = false;
    int scrollOffset = 0;
    int padding = 12;          // added to each caption's width; grows with the DPI
    std::vector<int> widths;   // measured caption width plus image width, per tab
    std::vector<bool> visible; // per tab
};

struct TabLayout {
    TabBox tabsArea;
    TabBox pageArea;
    std::vector<TabBox> tabs; // empty box for a hidden tab
    TabBox page;              // where every page goes: page area, one pixel narrower
};

inline TabLayout LayoutFlatTopTabs(const TabLayoutInput& in) {
    TabLayout out;
    const int b = in.borderSize;
    TabBox& t = out.tabsArea;
    t.left = b;
    t.right = in.clientWidth - b;
    t.top = b > 1 ? b - 1 : 0;
    t.bottom = t.top + in.tabsHeight;
    t.left += 1;

    TabBox& p = out.pageArea;
    p.left = b;
    p.right = in.clientWidth - b;
    p.top = t.bottom + b;
    p.bottom = in.clientHeight;
    if (b == 0) {
        p.left += 1;
        p.bottom -= 1;
    }
    if (in.tabsFromEdge) t.left = b;

    int x = t.left - in.scrollOffset;
    for (size_t i = 0; i < in.widths.size(); ++i) {
        bool shown = i >= in.visible.size() || in.visible[i];
        if (!shown) {
            out.tabs.push_back({});
            continue;
        }
        int w = in.widths[i] + in.padding;
        TabBox r{x, t.top, x + w, t.bottom};
        x = r.right + 1;
        r.right += in.tabsHeight / 2; // neighbours overlap by their slanted edges
        out.tabs.push_back(r);
    }
    out.page = {p.left, p.top, p.right - 1, p.bottom};
    return out;
}

// Whether (x, y) is inside the slanted outline of a tab on top: the top edge runs from
// left + h/2 to right - h/2 one pixel below the top; the bottom edge spans the whole box.
inline bool InSlantedTab(const TabBox& r, int tabsHeight, int x, int y) {
    if (r.Width() <= 0 || y < r.top + 1 || y >= r.bottom || x < r.left || x >= r.right)
        return false;
    int span = r.bottom - (r.top + 1);
    if (span <= 0) return true;
    int inset = (tabsHeight / 2) * (r.bottom - y) / span;
    return x >= r.left + inset && x < r.right - inset;
}

// The tab under a point: the active tab is drawn last, so it wins; then later tabs over
// earlier ones. -1 for none.
inline int HitTestTabs(const TabLayout& layout, int tabsHeight, int active, int x, int y) {
    auto n = static_cast<int>(layout.tabs.size());
    if (active >= 0 && active < n && InSlantedTab(layout.tabs[active], tabsHeight, x, y))
        return active;
    for (int i = n - 1; i >= 0; --i) {
        if (InSlantedTab(layout.tabs[i], tabsHeight, x, y)) return i;
    }
    return -1;
}

// The nearest visible tab before (forward = false) or after the active one, wrapping around
// and never the active tab itself; -1 when there is none.
inline int NeighbourTab(const std::vector<bool>& visible, int active, bool forward) {
    auto n = static_cast<int>(visible.size());
    if (active < 0 || active >= n) return -1;
    for (int step = 1; step < n; ++step) {
        int i = forward ? (active + step) % n : (active - step + n) % n;
        if (visible[i]) return i;
    }
    return -1;
}

// The flat font's height: moved one unit towards zero until the character height plus 2
// fits in the tabs height. `charHeight(h)` measures a font of height h.
template <class CharHeight>
int ShrinkFontHeight(int height, int tabsHeight, CharHeight charHeight) {
    while (height != 0 && charHeight(height) + 2 > tabsHeight)
        height += height > 0 ? -1 : 1;
    return height;
}

} // namespace zt
