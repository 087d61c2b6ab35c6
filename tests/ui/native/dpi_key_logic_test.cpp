// Scaling arithmetic, the resampled button artwork and access keys that survive a caption.
#include <gtest/gtest.h>

#include "ui/DpiLogic.h"
#include "ui/KeyLogic.h"
#include "ui/MessageBoxLogic.h"

namespace zt {
namespace {

TEST(DpiLogic, LengthsScaleBothWaysAndRoundTripThroughTheStoredForm) {
    EXPECT_EQ(ScaleForDpi(75, 144), 113); // 112.5 rounds away from zero
    EXPECT_EQ(ScaleForDpi(-11, 120), -14);
    EXPECT_EQ(ScaleForDpi(23, 192), 46);
    EXPECT_EQ(RescaleForDpi(100, 144, 192), 133);
    // A width saved at 150% opens at 200% as the same share of the screen's scale.
    for (int dpi : {96, 120, 144, 192})
        for (int w : {1, 57, 339, 1280})
            EXPECT_NEAR(ScaleForDpi(ToBaseDpi(ScaleForDpi(w, dpi), dpi), 192), ScaleForDpi(w, 192),
                        1)
                << w << " at " << dpi;
    EXPECT_EQ(RescaleForDpi(7, 0, 144), 7); // an unknown DPI changes nothing
}

TEST(DpiLogic, ResamplingAveragesAreasAndTurnsTheTransparentColourIntoAlpha) {
    const std::uint32_t M = 0xFF00FF, W = 0xFFFFFF, B = 0x000000;
    // 4x2 -> 2x1: the left half is white and black, the right half mostly transparent.
    std::vector<std::uint32_t> src = {W, B, M, M, //
                                      W, B, M, W};
    auto out = ResamplePicture(src, 4, 2, 2, 1, M);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0] >> 24, 255u);
    EXPECT_NEAR(static_cast<int>((out[0] >> 16) & 0xFF), 128, 1);
    // Right half: one pixel of four is white, the rest transparent -> premultiplied quarter.
    EXPECT_NEAR(static_cast<int>(out[1] >> 24), 64, 1);
    EXPECT_NEAR(static_cast<int>(out[1] & 0xFF), 64, 1);

    // A wide picture keeps square ends: a 40x10 frame with a black first and last column
    // drawn at 80x5 has black only in its end columns' share, never in the middle.
    std::vector<std::uint32_t> frame(40 * 10, W);
    for (int y = 0; y < 10; ++y)
        frame[y * 40] = frame[y * 40 + 39] = B;
    auto wide = ResamplePicture(frame, 40, 10, 80, 5, M);
    ASSERT_EQ(wide.size(), 400u);
    EXPECT_LT(wide[0] & 0xFF, 255u);
    EXPECT_LT(wide[79] & 0xFF, 255u);
    for (int x = 1; x < 79; ++x)
        EXPECT_EQ(wide[2 * 80 + x], 0xFFFFFFFFu) << x;
    EXPECT_TRUE(ResamplePicture(frame, 40, 10, 0, 5, M).empty());
}

TEST(DpiLogic, MessageBoxStepsGrowWithTheDpi) {
    MessageBoxButtonRects r{{0, 0, 75, 23},     {33, 57, 108, 80}, {100, 57, 175, 80},
                            {168, 57, 243, 80}, {54, 57, 129, 80}, {148, 57, 223, 80}};
    auto at96 = PlaceMessageBoxButtons(3, r, 0, 96);
    auto at192 = PlaceMessageBoxButtons(3, r, 0, 192);
    EXPECT_EQ(at96.shown[1].rect.left, 110);
    EXPECT_EQ(at192.shown[1].rect.left, 120);
    EXPECT_EQ(at192.shown[2].rect.left, 168 + 44);
}

TEST(KeyLogic, AccessKeysAreFoundAndCarriedIntoANewCaption) {
    EXPECT_EQ(MnemonicOf("Re&move"), 'm');
    EXPECT_EQ(MnemonicOf("Fish && &Chips"), 'C');
    EXPECT_EQ(MnemonicOf("No key"), 0);
    EXPECT_EQ(CarryMnemonic("Clean the &system temporary folder",
                            "Clean the system temporary folder (5 B)"),
              "Clean the &system temporary folder (5 B)");
    EXPECT_EQ(CarryMnemonic("Clean the c&ookies", "Clean the cookies (1.50 KB)"),
              "Clean the c&ookies (1.50 KB)");
    // Letter no longer at its place: its first occurrence; absent: unchanged.
    EXPECT_EQ(CarryMnemonic("&Go", "Let go"), "Let &go");
    EXPECT_EQ(CarryMnemonic("&Go", "Stop"), "Stop");
    EXPECT_EQ(CarryMnemonic("&Go", "&Run"), "&Run");
}

} // namespace
} // namespace zt
