// Tab window arithmetic: layout of the flat style, slanted hit areas, keyboard neighbours,
// the flat font's shrink rule.
#include <gtest/gtest.h>

#include "ui/TabLogic.h"

namespace zt {
namespace {

TabLayoutInput ProgramTabs() {
    TabLayoutInput in;
    in.clientWidth = 600;
    in.clientHeight = 300;
    in.borderSize = 0;
    in.tabsHeight = 18; // scroll-bar height 16 + 2
    in.tabsFromEdge = true;
    in.widths = {50, 90, 60};
    in.visible = {true, true, true};
    return in;
}

TEST(TabLogic, ProgramConfigurationPutsTabsAtTheEdgeAndThePageBelow) {
    TabLayout l = LayoutFlatTopTabs(ProgramTabs());
    EXPECT_EQ(l.tabsArea, (TabBox{0, 0, 600, 18})); // from the edge, border 0
    // Border 0: the page area is one pixel in at the left and one pixel up at the bottom.
    EXPECT_EQ(l.pageArea, (TabBox{1, 18, 600, 299}));
    EXPECT_EQ(l.page.Width(), l.pageArea.Width() - 1);
    EXPECT_EQ(l.page.Height(), l.pageArea.Height());
}

TEST(TabLogic, TabsFollowOnePixelApartAndOverlapByHalfTheStripHeight) {
    TabLayout l = LayoutFlatTopTabs(ProgramTabs());
    ASSERT_EQ(l.tabs.size(), 3u);
    EXPECT_EQ(l.tabs[0], (TabBox{0, 0, 0 + 62 + 9, 18}));
    EXPECT_EQ(l.tabs[1].left, 63); // 62 wide, one pixel apart
    EXPECT_EQ(l.tabs[1].right, 63 + 102 + 9);
    EXPECT_EQ(l.tabs[2].left, 63 + 102 + 1);
    EXPECT_LT(l.tabs[1].left, l.tabs[0].right); // the slanted edges overlap
}

TEST(TabLogic, BorderAndScrollAndHiddenTabsChangeTheLayout) {
    TabLayoutInput in = ProgramTabs();
    in.borderSize = 3;
    in.tabsFromEdge = false;
    in.scrollOffset = 20;
    in.visible = {true, false, true};
    TabLayout l = LayoutFlatTopTabs(in);
    EXPECT_EQ(l.tabsArea, (TabBox{4, 2, 597, 20}));
    EXPECT_EQ(l.pageArea, (TabBox{3, 23, 597, 300}));
    EXPECT_EQ(l.tabs[0].left, 4 - 20);
    EXPECT_EQ(l.tabs[1], TabBox{});
    EXPECT_EQ(l.tabs[2].left, 4 - 20 + 62 + 1);
}

TEST(TabLogic, HitTestFollowsTheSlantAndPrefersTheActiveTab) {
    TabLayout l = LayoutFlatTopTabs(ProgramTabs());
    const int h = 18;
    EXPECT_EQ(HitTestTabs(l, h, 0, 30, 10), 0);
    EXPECT_EQ(HitTestTabs(l, h, 0, 100, 10), 1);
    // The top corners are outside the slanted outline.
    EXPECT_EQ(HitTestTabs(l, h, 0, 1, 2), -1);
    // In the overlap near the bottom both tabs claim the point: the active one wins, else the
    // later one (drawn over the earlier).
    int x = l.tabs[1].left + 2, y = 16;
    EXPECT_EQ(HitTestTabs(l, h, 0, x, y), 0);
    EXPECT_EQ(HitTestTabs(l, h, 2, x, y), 1);
    EXPECT_EQ(HitTestTabs(l, h, 0, 590, 10), -1); // beyond the last tab
    EXPECT_EQ(HitTestTabs(l, h, 0, 30, 40), -1);  // in the page area
}

TEST(TabLogic, KeyboardNeighboursWrapAndSkipHiddenTabs) {
    std::vector<bool> all(5, true);
    EXPECT_EQ(NeighbourTab(all, 4, true), 0);
    EXPECT_EQ(NeighbourTab(all, 0, false), 4);
    EXPECT_EQ(NeighbourTab(all, 2, true), 3);
    std::vector<bool> some = {true, false, true, false, false};
    EXPECT_EQ(NeighbourTab(some, 0, true), 2);
    EXPECT_EQ(NeighbourTab(some, 2, true), 0);
    EXPECT_EQ(NeighbourTab(some, 0, false), 2);
    EXPECT_EQ(NeighbourTab({true}, 0, true), -1); // never the active tab itself
    EXPECT_EQ(NeighbourTab(all, -1, true), -1);
}

TEST(TabLogic, FlatFontShrinksOneUnitAtATimeUntilItFits) {
    // A font whose character height is its |height| + 3.
    auto charHeight = [](int h) { return (h < 0 ? -h : h) + 3; };
    EXPECT_EQ(ShrinkFontHeight(-20, 18, charHeight), -13); // 13 + 3 + 2 = 18
    EXPECT_EQ(ShrinkFontHeight(20, 18, charHeight), 13);
    EXPECT_EQ(ShrinkFontHeight(-10, 18, charHeight), -10); // already fits
    // A strip too small for any font still ends.
    EXPECT_EQ(ShrinkFontHeight(-8, 2, charHeight), 0);
}

} // namespace
} // namespace zt
