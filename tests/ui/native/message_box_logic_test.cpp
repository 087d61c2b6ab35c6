// Message box arithmetic: widening for long lines and the button sets.
#include <gtest/gtest.h>

#include "ui/MessageBoxLogic.h"

namespace zt {
namespace {

TEST(MessageBoxLogic, WidensByTheLineOrByItsFirstEightyCharacters) {
    EXPECT_EQ(MessageBoxGrow(170, 150, 20, 0), 0);       // fits
    EXPECT_EQ(MessageBoxGrow(170, 170, 20, 0), 0);       // exactly fits
    EXPECT_EQ(MessageBoxGrow(170, 260, 60, 0), 90);      // short text: whole width
    EXPECT_EQ(MessageBoxGrow(170, 1200, 200, 480), 310); // long text: first 80 only
    EXPECT_EQ(MessageBoxGrow(170, 500, 80, 300), 130);   // 80 characters count as long
    EXPECT_EQ(MessageBoxGrow(170, 500, 79, 300), 330);   // 79 do not
    // A long text whose first 80 characters fit never shrinks the box.
    EXPECT_EQ(MessageBoxGrow(170, 400, 100, 120), 0);
}

MessageBoxButtonRects TemplateRects() {
    // 1 DLU = 1.5 px horizontally for this test.
    auto at = [](int x) { return BoxRect{x * 3 / 2, 62, x * 3 / 2 + 75, 85}; };
    return {at(22), at(22), at(67), at(112), at(36), at(99)};
}

TEST(MessageBoxLogic, EachButtonSetGoesToItsPlaces) {
    MessageBoxButtonRects r = TemplateRects();
    auto ok = PlaceMessageBoxButtons(0, r, 0);
    ASSERT_EQ(ok.shown.size(), 1u);
    EXPECT_EQ(ok.shown[0].id, 1);
    EXPECT_EQ(ok.shown[0].rect, r.no); // the middle
    EXPECT_EQ(ok.clientWidth, -1);

    auto okCancel = PlaceMessageBoxButtons(1, r, 0);
    ASSERT_EQ(okCancel.shown.size(), 2u);
    EXPECT_EQ(okCancel.shown[0].id, 1);
    EXPECT_EQ(okCancel.shown[0].rect, r.left);
    EXPECT_EQ(okCancel.shown[1].id, 2);
    EXPECT_EQ(okCancel.shown[1].rect, r.right);

    auto yesNo = PlaceMessageBoxButtons(4, r, 0);
    ASSERT_EQ(yesNo.shown.size(), 2u);
    EXPECT_EQ(yesNo.shown[0].id, 6);
    EXPECT_EQ(yesNo.shown[0].rect, r.left);
    EXPECT_EQ(yesNo.shown[1].id, 7);
    EXPECT_EQ(yesNo.shown[1].rect, r.right);

    EXPECT_TRUE(PlaceMessageBoxButtons(2, r, 0).shown.empty());
    EXPECT_TRUE(PlaceMessageBoxButtons(5, r, 0).shown.empty());
}

TEST(MessageBoxLogic, YesNoCancelAfterWideningMovesHalfThenSpreadsAndMatchesMargins) {
    MessageBoxButtonRects r = TemplateRects();
    auto l = PlaceMessageBoxButtons(3, r, 40);
    ASSERT_EQ(l.shown.size(), 3u);
    EXPECT_EQ(l.shown[0].id, 6);
    EXPECT_EQ(l.shown[0].rect, r.yes.Shifted(20));
    EXPECT_EQ(l.shown[1].id, 7);
    EXPECT_EQ(l.shown[1].rect, r.no.Shifted(30));
    EXPECT_EQ(l.shown[2].id, 2);
    EXPECT_EQ(l.shown[2].rect, r.cancel.Shifted(42));
    EXPECT_EQ(l.clientWidth, r.cancel.right + 42 + r.yes.left + 20);
    // Odd widening: integer half.
    EXPECT_EQ(PlaceMessageBoxButtons(0, r, 41).shown[0].rect, r.no.Shifted(20));
}

} // namespace
} // namespace zt
