// The animated banner on real windows: mouse relay, running animation, water in the background.
#include <gtest/gtest.h>

#include <vector>

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

class BannerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(owner.Create(nullptr));
        RECT r{12, 140, 412, 176};
        ASSERT_TRUE(banner.Create(owner.Handle(), r, 111));
        banner.SetWaterShape(WaterShape::Blob);
        banner.SetText("Boosts your system");
    }
    void TearDown() override {
        SetAppMainWindow(nullptr);
        if (owner.Handle()) ::DestroyWindow(owner.Handle());
    }
    CBannerOwner owner;
    CAnimatedBanner banner;
};

TEST_F(BannerTest, MouseInputAlsoReachesTheParentAtTheSamePlace) {
    ::SendMessageW(banner.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
    ::SendMessageW(banner.Handle(), WM_RBUTTONUP, 0, MAKELPARAM(30, 7));
    Pump();
    ASSERT_EQ(owner.mouse.size(), 2u);
    EXPECT_EQ(owner.mouse[0].first, UINT(WM_LBUTTONDOWN));
    EXPECT_EQ(owner.mouse[0].second.x, 22);
    EXPECT_EQ(owner.mouse[0].second.y, 145);
    EXPECT_EQ(owner.mouse[1].first, UINT(WM_RBUTTONUP));
    EXPECT_EQ(owner.mouse[1].second.x, 42);
    EXPECT_FALSE(banner.Water().IsCalm()) << "the click also raised a wave";
}

TEST_F(BannerTest, RunningAnimationMovesFasterAndStopsTheWaterUntilAModeIsSet) {
    EXPECT_EQ(banner.Step(), 5);
    EXPECT_TRUE(banner.DisturbancesOn());
    ::SendMessageW(banner.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 18));
    EXPECT_FALSE(banner.Water().IsCalm());

    banner.StartRunning(100, 30);
    EXPECT_EQ(banner.Step(), 30);
    EXPECT_EQ(banner.Interval(), 100u);
    EXPECT_FALSE(banner.DisturbancesOn());
    Pump(); // the posted stop message
    EXPECT_FALSE(banner.WaterRunning());
    EXPECT_TRUE(banner.Water().IsCalm());
    ::SendMessageW(banner.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 18));
    EXPECT_TRUE(banner.Water().IsCalm()) << "no disturbances while running";

    int before = banner.BandOffset();
    banner.BandFrame();
    EXPECT_EQ((banner.BandOffset() - before + 400) % 400, 30);

    banner.SetWaterShape(WaterShape::Blob);
    EXPECT_TRUE(banner.DisturbancesOn());
    EXPECT_TRUE(banner.WaterRunning());
}

TEST_F(BannerTest, WaterStopsInTheBackgroundAndRestartsInFront) {
    SetAppMainWindow(owner.Handle());
    HWND other = ::CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 500,
                                   500, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ::SetForegroundWindow(other);
    Pump();
    if (::GetForegroundWindow() != other) {
        ::DestroyWindow(other);
        GTEST_SKIP() << "this display gives no foreground window";
    }
    ASSERT_TRUE(banner.WaterRunning());
    ::SendMessageW(banner.Handle(), WM_TIMER, kTimerBannerWater, 0);
    EXPECT_FALSE(banner.WaterRunning());
    banner.BandFrame(); // still in the background: the water stays off
    EXPECT_FALSE(banner.WaterRunning());

    ::ShowWindow(owner.Handle(), SW_SHOW);
    ::SetForegroundWindow(owner.Handle());
    Pump();
    EXPECT_EQ(::GetForegroundWindow(), owner.Handle());
    banner.BandFrame();
    EXPECT_TRUE(banner.WaterRunning());
    ::DestroyWindow(other);
}

} // namespace
} // namespace zt
