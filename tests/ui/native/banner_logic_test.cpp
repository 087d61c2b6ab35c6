// The banner's bands and its water layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "ui/BannerLogic.h"

namespace zt {
namespace {

TEST(BannerLogic, BandsInterpolateChannelByChannelAcrossOneWidth) {
    Pixel red = MakePixel(255, 0, 0), green = MakePixel(0, 255, 0);
    EXPECT_EQ(InterpolateBand(red, green, 0, 100), red);
    EXPECT_EQ(InterpolateBand(red, green, 50, 100), MakePixel(128, 127, 0));
    EXPECT_EQ(InterpolateBand(red, green, 100, 100), green);
    // Column 0 at offset 0 is the current colour; the strip continues into the next band.
    const auto& p = kBannerPalette;
    EXPECT_EQ(BandColumn(p, 0, 0, 1, 0, 100), p[0]);
    EXPECT_EQ(BandColumn(p, 0, 30, 1, 0, 100), InterpolateBand(p[0], p[1], 30, 100));
    EXPECT_EQ(BandColumn(p, 0, 30, 1, 80, 100), InterpolateBand(p[1], p[2], 10, 100));
    EXPECT_EQ(BandColumn(p, 0, 30, -1, 10, 100), InterpolateBand(p[7], p[0], 80, 100));
    EXPECT_EQ(BandColumn(p, 7, 0, 1, 50, 100), InterpolateBand(p[7], p[0], 50, 100));
}

TEST(BannerLogic, ABandCycleAdvancesThePaletteWithoutAJump) {
    const auto& p = kBannerPalette;
    const int w = 100;
    int offset = 95, index = 3;
    Pixel before = BandColumn(p, index, offset + 5, 1, 20, w); // where the next frame lands
    EXPECT_TRUE(AdvanceBands(offset, index, 5, 1, w));
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(index, 4);
    EXPECT_EQ(BandColumn(p, index, offset, 1, 20, w), before);
    // The other direction goes back through the palette, wrapping below 0.
    offset = 99;
    index = 0;
    EXPECT_TRUE(AdvanceBands(offset, index, 30, -1, w));
    EXPECT_EQ(index, 7);
    // A step of 30 covers six times the distance of the resting step of 5.
    int a = 0, b = 0, ia = 0, ib = 0;
    AdvanceBands(a, ia, 5, 1, 1000);
    AdvanceBands(b, ib, 30, 1, 1000);
    EXPECT_EQ(b, 6 * a);
}

TEST(BannerLogic, PropagationSpreadsADisturbanceAndDampsIt) {
    WaterLayer water;
    water.Resize(9, 9);
    std::mt19937 rng(1);
    water.Disturb(WaterShape::Square, 4, 4, 0, 640, rng); // radius 0 is ignored
    EXPECT_TRUE(water.IsCalm());
    water.Field(0)[4 * 9 + 4] = 640; // a single raised cell in the field read next
    water.Propagate();               // writes field 0 from field 1 (all zero)
    EXPECT_EQ(water.Page(), 1);
    // n = 0 - 640; damped: n - (n >> 5) = -640 + 20
    EXPECT_EQ(water.Field(0)[4 * 9 + 4], -620);
    water.Propagate(); // writes field 1 from field 0
    // A neighbour sees (-620 >> 2) - 0 = -155, damped to -155 - (-155 >> 5) = -150.
    EXPECT_EQ(water.Field(1)[4 * 9 + 5], -150);
    EXPECT_EQ(water.Field(1)[3 * 9 + 3], -150); // diagonals count too
    EXPECT_EQ(water.Field(1)[0], 0);            // borders never move
    // Left alone, the energy dies away.
    for (int i = 0; i < 2000; ++i)
        water.Propagate();
    int biggest = 0;
    for (int f = 0; f < 2; ++f)
        for (int v : water.Field(f))
            biggest = std::max(biggest, std::abs(v));
    EXPECT_LT(biggest, 640 / 8);
}

TEST(BannerLogic, DisturbanceShapes) {
    std::mt19937 rng(7);
    WaterLayer w;
    w.Resize(40, 40);
    w.Disturb(WaterShape::Blob, 20, 20, 5, 30, rng);
    EXPECT_EQ(w.Field(0)[20 * 40 + 20], 30);
    EXPECT_EQ(w.Field(0)[20 * 40 + 24], 30); // d = 4 < 5
    EXPECT_EQ(w.Field(0)[20 * 40 + 25], 0);  // d = 5 is outside
    EXPECT_EQ(w.Field(0)[24 * 40 + 24], 0);  // the corner of the square is outside a circle

    w.Clear();
    w.Disturb(WaterShape::Square, 20, 20, 5, 30, rng);
    EXPECT_EQ(w.Field(0)[25 * 40 + 25], 30); // the whole square
    EXPECT_EQ(w.Field(0)[26 * 40 + 25], 0);

    w.Clear();
    w.Disturb(WaterShape::Cone, 20, 20, 10, 640, rng);
    EXPECT_EQ(w.Field(0)[20 * 40 + 20], 10 * 10); // (v / 64) * (r - 0)
    EXPECT_EQ(w.Field(0)[20 * 40 + 23], 10 * 7);

    w.Clear();
    w.Disturb(WaterShape::Cosine, 20, 20, 32, 1 << 19, rng);
    // cos t + 65535 times v, shifted right by 19: the centre gets cos(0) + 65535 = 65536.
    EXPECT_EQ(w.Field(0)[20 * 40 + 20], 65536);

    // Cells outside the field are skipped near the edge.
    w.Clear();
    w.Disturb(WaterShape::Blob, 0, 0, 3, 9, rng);
    EXPECT_EQ(w.Field(0)[0], 9);
}

TEST(BannerLogic, ARandomCentreKeepsClearOfTheEdges) {
    std::mt19937 rng(3);
    WaterLayer w;
    w.Resize(100, 40);
    for (int i = 0; i < 50; ++i) {
        w.Clear();
        w.Disturb(WaterShape::Square, -1, -1, 5, 1, rng);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 100; ++x)
                if (w.Field(0)[y * 100 + x]) {
                    ASSERT_GE(x, 1);
                    ASSERT_LE(x, 98);
                    ASSERT_GE(y, 1);
                    ASSERT_LE(y, 38);
                }
    }
    // Too small for the radius: nothing happens.
    WaterLayer tiny;
    tiny.Resize(10, 10);
    tiny.Disturb(WaterShape::Blob, -1, -1, 30, 5, rng);
    EXPECT_TRUE(tiny.IsCalm());
}

TEST(BannerLogic, RenderingShiftsAndShadesByTheSlope) {
    const int w = 5, h = 5;
    std::vector<Pixel> bands(w * h);
    for (int i = 0; i < w * h; ++i)
        bands[i] = MakePixel(100, 100, i);
    WaterLayer water;
    water.Resize(w, h);
    std::vector<Pixel> out(w * h, MakePixel(1, 2, 3));
    water.Render(bands, out);
    // Calm water copies the inner pixels and leaves the border as it was.
    EXPECT_EQ(out[2 * w + 2], bands[2 * w + 2]);
    EXPECT_EQ(out[0], MakePixel(1, 2, 3));

    // Cell (2,2) 16 above its right neighbour: dx = 16, dy = 16 -> source 2 rows, 2 columns on,
    // each channel 16 darker.
    water.Field(0)[2 * w + 2] = 16;
    water.Render(bands, out);
    Pixel src = bands[2 * w + 2 + w * 2 + 2];
    EXPECT_EQ(out[2 * w + 2],
              MakePixel(PixelR(src) - 16, PixelG(src) - 16, std::max(0, PixelB(src) - 16)));
    // A negative slope brightens and is clamped.
    water.Field(0)[2 * w + 2] = -400;
    out.assign(w * h, 0);
    water.Render(bands, out);
    EXPECT_EQ(out[2 * w + 2], 0u) << "source outside the image keeps the old value";
}

TEST(BannerLogic, ModeParametersAndClickStrength) {
    EXPECT_EQ(DropParameters(WaterShape::Cosine, 30).radius, 35);
    EXPECT_EQ(DropParameters(WaterShape::Cosine, 30).height, 60);
    EXPECT_EQ(DropParameters(WaterShape::Cone, 30).height, 90);
    EXPECT_EQ(MoveParameters(WaterShape::Cone, 30).height, 80);
    EXPECT_EQ(MoveParameters(WaterShape::Blob, 30).radius, 5);
    ClickStrength slow = ClickStrengthFor(5000, 2500, 30);
    EXPECT_EQ(slow.m, 20);
    EXPECT_EQ(slow.l, 30);
    ClickStrength quick = ClickStrengthFor(250, 2500, 30);
    EXPECT_EQ(quick.m, 3 * 2500 / 250 + 20);
    EXPECT_EQ(quick.l, 50);
    EXPECT_EQ(ClickParameters(WaterShape::Cosine, quick).radius, quick.m + 30);
    EXPECT_EQ(ClickParameters(WaterShape::Cosine, quick).height, 150);
    EXPECT_EQ(ClickParameters(WaterShape::Square, quick).radius, quick.m);
    EXPECT_EQ(BlendPixel(MakePixel(0, 0, 0), MakePixel(255, 255, 255), 127),
              MakePixel(127, 127, 127));
}

} // namespace
} // namespace zt

namespace zt {
namespace {

TEST(BannerText, ContrastFollowsTheWebGuidelinesFormula) {
    const Pixel white = MakePixel(255, 255, 255), black = MakePixel(0, 0, 0);
    EXPECT_NEAR(ContrastRatio(white, black), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(black, white), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(white, white), 1.0, 1e-9);
    // Reference pairs: #767676 on white is the lightest grey that passes, #777777 fails.
    EXPECT_GE(ContrastRatio(MakePixel(0x76, 0x76, 0x76), white), kTextContrast);
    EXPECT_LT(ContrastRatio(MakePixel(0x77, 0x77, 0x77), white), kTextContrast);
    EXPECT_NEAR(ContrastRatio(MakePixel(255, 0, 0), white), 4.0, 0.01);
    EXPECT_NEAR(ContrastRatio(MakePixel(0, 0, 255), white), 8.59, 0.01);
}

TEST(BannerText, KeepsOneColourWhereItCanAndNeverTheBandsOwn) {
    // White, yellow and cyan text on yellow was the unreadable case; red on red too.
    const auto& p = kBannerPalette;
    for (int band = 0; band < 8; ++band) {
        std::vector<Pixel> frame(64, p[band]);
        std::vector<std::uint8_t> glyphs(64, 0);
        for (size_t i = 10; i < 40; ++i)
            glyphs[i] = 255;
        for (int first = 0; first < 8; ++first) {
            std::vector<Pixel> out = frame;
            DrawBannerText(out, glyphs, p, first);
            Pixel text = out[10];
            EXPECT_NE(text, p[band]);
            EXPECT_GE(ContrastRatio(text, p[band]), kTextContrast);
            for (size_t i = 0; i < out.size(); ++i)
                EXPECT_EQ(out[i], glyphs[i] ? text : p[band]) << "one colour, only on glyphs";
        }
    }
}

// Every frame the banner shows, resting and running, both directions, through many palette
// reshuffles and with water on: text covering the whole strip is readable at every pixel, in
// a colour of the palette.
TEST(BannerText, EveryFrameOfTheAnimationHasReadableText) {
    const int w = 120, h = 16;
    const std::vector<std::uint8_t> everywhere(static_cast<size_t>(w) * h, 255);
    std::vector<std::uint8_t> none(everywhere.size(), 0);
    long long frames = 0, mixed = 0;
    for (unsigned seed = 1; seed <= 2; ++seed) {
        for (int direction : {1, -1}) {
            BannerAnimation banner(seed, direction);
            banner.Resize(w, h);
            banner.SetWaterShape(static_cast<WaterShape>(seed % 4));
            for (int f = 0; f < 600; ++f) {
                if (f == 300) banner.StartRunning(30);
                banner.BandFrame();
                if (f % 40 == 0) banner.Click(f % w, h / 2, 50, 2500);
                if (f % 7 == 0) banner.MouseMove(f % w, f % h);
                banner.WaterFrame();
                std::vector<Pixel> under = banner.Frame(none);
                std::vector<Pixel> shown = banner.Frame(everywhere);
                ASSERT_EQ(shown.size(), under.size());
                bool oneColour = true;
                for (size_t i = 0; i < shown.size(); ++i) {
                    bool inPalette = std::find(kBannerPalette.begin(), kBannerPalette.end(),
                                               shown[i]) != kBannerPalette.end();
                    double ratio = ContrastRatio(shown[i], under[i]);
                    if (!inPalette || ratio < kTextContrast) {
                        ADD_FAILURE() << "seed " << seed << " direction " << direction << " frame "
                                      << f << " pixel " << i << ": ratio " << ratio;
                        return;
                    }
                    oneColour = oneColour && shown[i] == shown[0];
                }
                ++frames;
                mixed += oneColour ? 0 : 1;
            }
        }
    }
    // The strip spans light and dark bands in most frames: those need more than one colour.
    EXPECT_GT(mixed, 0);
    EXPECT_LT(mixed, frames);
}

} // namespace
} // namespace zt
