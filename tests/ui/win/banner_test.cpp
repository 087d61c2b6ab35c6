// The animated banner on real windows, seen as it paints: mouse relay, running animation, water
// only in front.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/Gdi.h"

#include "tests/ui/win/ui_test_util.h"
#include "ui/AnimatedBanner.h"
#include "ui/Dialog.h"
#include "ui/Messages.h"
#include "ui/UiContext.h"

namespace zt {
namespace {

using test::Pump;

class CBannerOwner : public CDialog {
  public:
    CBannerOwner()
        : CDialog(
              std::make_shared<CDialogTemplate>(WS_POPUP | WS_CAPTION, 0, 0, 300, 120, "owner")) {}
    std::vector<std::pair<UINT, POINT>> mouse;

  protected:
    bool OnMessage(UINT msg, WPARAM, LPARAM lp, LRESULT&) override {
        if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP ||
            msg == WM_MOUSEMOVE)
            mouse.push_back(
                {msg, {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))}});
        return false;
    }
};

// What the banner paints now, row 0 at the top (WM_PRINTCLIENT, as PrintWindow asks).
std::vector<std::uint32_t> Capture(HWND banner, int& width) {
    RECT c{};
    ::GetClientRect(banner, &c);
    width = c.right;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = c.right;
    bi.bmiHeader.biHeight = -c.bottom;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    OwnedBitmap picture(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    MemoryDc mem(nullptr);
    std::vector<std::uint32_t> pixels(static_cast<size_t>(c.right) * c.bottom);
    if (!picture || !bits) return pixels;
    {
        ScopedSelect canvas(mem.Get(), picture.Get());
        ::SendMessageW(banner, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem.Get()), PRF_CLIENT);
        ::GdiFlush();
    }
    const auto* px = static_cast<const std::uint32_t*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = px[i] & 0xFFFFFF;
    return pixels;
}

// The bands are one colour down each column; ripples (or text) break that.
bool ColumnsUniform(const std::vector<std::uint32_t>& px, int width) {
    if (width <= 0) return true;
    for (size_t i = static_cast<size_t>(width); i < px.size(); ++i)
        if (px[i] != px[i % width]) return false;
    return true;
}

class BannerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(owner.Create(nullptr));
        RECT r{12, 140, 412, 176};
        ASSERT_TRUE(banner.Create(owner.Handle(), r, 111));
        banner.SetWaterShape(WaterShape::Blob);
        banner.SetText(""); // the water alone breaks the columns
    }
    void TearDown() override {
        SetAppMainWindow(nullptr);
        if (owner.Handle()) ::DestroyWindow(owner.Handle());
    }
    bool BringToFront() {
        ::ShowWindow(owner.Handle(), SW_SHOW);
        ::SetForegroundWindow(owner.Handle());
        Pump();
        return ::GetForegroundWindow() == owner.Handle();
    }
    void Timer(UINT_PTR id) { ::SendMessageW(banner.Handle(), WM_TIMER, id, 0); }
    // A disturbance reaches the picture within three water frames (it may land in the field
    // that is read second).
    bool RippledWithinThreeWaterFrames() {
        bool rippled = false;
        for (int i = 0; i < 3; ++i) {
            Timer(kTimerBannerWater);
            int w = 0;
            std::vector<std::uint32_t> px = Capture(banner.Handle(), w);
            rippled = rippled || !ColumnsUniform(px, w);
        }
        return rippled;
    }
    CBannerOwner owner;
    CAnimatedBanner banner;
};

TEST_F(BannerTest, MouseInputAlsoReachesTheParentAtTheSamePlaceAndRaisesAWave) {
    if (!BringToFront()) GTEST_SKIP() << "this display gives no foreground window";
    EXPECT_FALSE(RippledWithinThreeWaterFrames());
    ::SendMessageW(banner.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
    ::SendMessageW(banner.Handle(), WM_RBUTTONUP, 0, MAKELPARAM(30, 7));
    Pump();
    ASSERT_EQ(owner.mouse.size(), 2u);
    EXPECT_EQ(owner.mouse[0].first, UINT(WM_LBUTTONDOWN));
    EXPECT_EQ(owner.mouse[0].second.x, 22);
    EXPECT_EQ(owner.mouse[0].second.y, 145);
    EXPECT_EQ(owner.mouse[1].first, UINT(WM_RBUTTONUP));
    EXPECT_EQ(owner.mouse[1].second.x, 42);
    EXPECT_TRUE(RippledWithinThreeWaterFrames()) << "the click also raised a wave";
}

TEST_F(BannerTest, RunningAnimationMovesFasterAndStopsTheWaterUntilAModeIsSet) {
    if (!BringToFront()) GTEST_SKIP() << "this display gives no foreground window";
    banner.StartRunning(100, 30);
    Pump(); // the posted stop message
    ::SendMessageW(banner.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 18));
    EXPECT_FALSE(RippledWithinThreeWaterFrames()) << "no disturbances while running";
    banner.SetText("Scanning...");
    int width = 0;
    std::vector<std::uint32_t> withText = Capture(banner.Handle(), width);
    EXPECT_FALSE(ColumnsUniform(withText, width)) << "the text is painted";
    banner.SetText("");

    // Each frame moves the bands 30 pixels, one way or the other (a frame that completes a
    // band cycle restarts its offset, so three frames are given the chance).
    bool moved30 = false;
    for (int frame = 0; frame < 3 && !moved30; ++frame) {
        int w = 0;
        std::vector<std::uint32_t> before = Capture(banner.Handle(), w);
        Timer(kTimerBannerFrame);
        std::vector<std::uint32_t> after = Capture(banner.Handle(), w);
        bool left = true, right = true;
        for (int x = 0; x + 30 < w; ++x) {
            left = left && after[x] == before[x + 30];
            right = right && after[x + 30] == before[x];
        }
        moved30 = left || right;
    }
    EXPECT_TRUE(moved30);

    banner.SetWaterShape(WaterShape::Blob);
    ::SendMessageW(banner.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 18));
    EXPECT_TRUE(RippledWithinThreeWaterFrames()) << "the water is back";
}

TEST_F(BannerTest, WaterStandsStillInTheBackgroundAndMovesAgainInFront) {
    SetAppMainWindow(owner.Handle());
    HWND other = ::CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 500,
                                   500, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ::SetForegroundWindow(other);
    Pump();
    if (::GetForegroundWindow() != other) {
        ::DestroyWindow(other);
        GTEST_SKIP() << "this display gives no foreground window";
    }
    ::SendMessageW(banner.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 18));
    // Behind another program every water frame is refused, also after the bands moved on.
    EXPECT_FALSE(RippledWithinThreeWaterFrames());
    Timer(kTimerBannerFrame);
    EXPECT_FALSE(RippledWithinThreeWaterFrames());

    ASSERT_TRUE(BringToFront());
    Timer(kTimerBannerFrame); // the first frame in front starts the water again
    EXPECT_TRUE(RippledWithinThreeWaterFrames());
    ::DestroyWindow(other);
}

} // namespace
} // namespace zt
