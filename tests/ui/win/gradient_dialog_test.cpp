// The gradient dialog with its skinned buttons and links, on real windows.
#include <gtest/gtest.h>

#include <vector>

#include "tests/ui/win/ui_test_util.h"
#include "ui/GradientDialog.h"
#include "ui/Sound.h"

namespace zt {
namespace {

using test::Pump;
using test::PumpUntil;

constexpr int kGo = 100, kCheck = 101, kRadio = 102, kGroup = 103, kWebsite = 1000,
              kScanLink = 1001, kMissing = 1002, kNoTarget = 1003, kTarget = 1044, kWrapped = 1005;

std::shared_ptr<CDialogTemplate> GalleryLikeTemplate() {
    auto t = std::make_shared<CDialogTemplate>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                                               0, 0, 260, 160, "gradient");
    t->Button(IDOK, "OK", 10, 130, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE);
    t->Button(IDCANCEL, "Cancel", 70, 130, 50, 14);
    t->Button(kGo, "Go", 130, 130, 50, 14);
    t->Button(kTarget, "Target", 190, 130, 50, 14);
    t->Button(kCheck, "Check", 10, 10, 80, 12, BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE);
    t->Button(kRadio, "Radio", 10, 25, 80, 12, BS_AUTORADIOBUTTON | WS_VISIBLE);
    t->Button(kGroup, "Group", 100, 5, 150, 40, BS_GROUPBOX | WS_VISIBLE);
    t->Label(kWebsite, "Website: www.example.org", 10, 60, 200, 10);
    t->Label(kScanLink, "Scan now", 10, 75, 200, 10);
    t->Label(kMissing, "Nothing to see", 10, 90, 200, 10);
    t->Label(kNoTarget, "No target here", 10, 105, 200, 10);
    t->Label(kWrapped, "Read all about it on our web site", 215, 60, 40, 40);
    return t;
}

class CTestGradient : public CGradientDialog {
  public:
    CTestGradient() : CGradientDialog(GalleryLikeTemplate()) {
        SetButtonSkin(kSkinTransparent, 0, 0, 0, 0);
        AddLink(kWebsite, "www.example.org", "http://www.example.org");
        AddLinkButton(kScanLink, "Scan now", kTarget);
        AddLink(kMissing, "not in the text", "BUTTON:1044");
        AddLink(kNoTarget, "target", "");
        AddLink(kWrapped, "web site", "https://www.example.org");
    }
    int applies = 0, goes = 0, targets = 0, oks = 0;

    void ApplySettings() override {
        ++applies;
        CGradientDialog::ApplySettings();
    }

  protected:
    bool OnCommand(int id, int code, HWND control) override {
        if (id == kGo) return ++goes, true;
        if (id == kTarget) return ++targets, true;
        if (id == IDOK) ++oks;
        return CGradientDialog::OnCommand(id, code, control);
    }
};

LONG_PTR ButtonKind(HWND h) {
    return ::GetWindowLongPtrW(h, GWL_STYLE) & BS_TYPEMASK;
}

TEST(GradientDialog, SkinsPushButtonsOnlyAndAppliesSettingsOnce) {
    CTestGradient dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    for (int id : {IDOK, IDCANCEL, kGo, kTarget}) {
        ASSERT_NE(dlg.SkinnedButton(id), nullptr) << id;
        EXPECT_EQ(CSubclassWindow::FromHandle(dlg.Item(id)), dlg.SkinnedButton(id));
        EXPECT_EQ(ButtonKind(dlg.Item(id)), BS_OWNERDRAW) << id;
    }
    for (int id : {kCheck, kRadio, kGroup}) {
        EXPECT_EQ(dlg.SkinnedButton(id), nullptr) << id;
        EXPECT_EQ(CSubclassWindow::FromHandle(dlg.Item(id)), nullptr);
    }
    EXPECT_EQ(ButtonKind(dlg.Item(kCheck)), BS_AUTOCHECKBOX);
    EXPECT_EQ(ButtonKind(dlg.Item(kGroup)), BS_GROUPBOX);
    EXPECT_EQ(dlg.SkinnedIds().size(), 4u);
    EXPECT_EQ(dlg.applies, 1);

    // Only the first skin request counts.
    dlg.SetButtonSkin(kSkinTransparent, 1, 2, 3, 4, true);
    EXPECT_EQ(dlg.SkinnedIds().size(), 4u);

    // The labels ask for the gradient brush and get a transparent background.
    HDC dc = ::GetDC(dlg.Item(kCheck));
    LRESULT brush = ::SendMessageW(dlg.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                   reinterpret_cast<LPARAM>(dlg.Item(kCheck)));
    EXPECT_NE(brush, 0);
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
    ::ReleaseDC(dlg.Item(kCheck), dc);

    // Destruction unhooks the skinned buttons.
    HWND ok = dlg.Item(IDOK);
    ::DestroyWindow(dlg.Handle());
    EXPECT_TRUE(dlg.SkinnedIds().empty());
    (void)ok;
}

TEST(GradientDialog, ExcludedIdsAreRemovedOneOccurrenceAtATime) {
    CTestGradient dlg;
    dlg.ExcludeControl(1004);
    dlg.ExcludeControl(1004);
    dlg.ExcludeControl(7);
    EXPECT_EQ(dlg.IncludeControl(1004), 2);
    EXPECT_EQ(dlg.IncludeControl(1004), 1);
    EXPECT_EQ(dlg.IncludeControl(1004), 1);
    EXPECT_EQ(dlg.ExcludedIds(), std::vector<int>{7});
}

TEST(GradientDialog, EnterAndEscapeLeaveItOpenAndTheCloseBoxCancels) {
    CTestGradient dlg;
    test::InModalLoop step([&] {
        HWND focus = dlg.Item(kCheck);
        ::SetFocus(focus);
        ::PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
        ::PostMessageW(dlg.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(dlg.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(dlg.oks, 1) << "Enter arrived as OK and was ignored";

    // Asked to, Enter closes it.
    CTestGradient closing;
    closing.SetCloseOnOK(true);
    test::InModalLoop enter([&] {
        ::SetFocus(closing.Item(kCheck));
        ::PostMessageW(closing.Item(kCheck), WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(closing.DoModal(nullptr), IDOK);
}

HBITMAP SolidBitmap(COLORREF c) {
    HDC screen = ::GetDC(nullptr);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, 24, 12);
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    RECT r{0, 0, 24, 12};
    HBRUSH b = ::CreateSolidBrush(c);
    ::FillRect(mem, &r, b);
    ::DeleteObject(b);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return bmp;
}

class ShownDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create(nullptr));
        ::SetWindowPos(dlg.Handle(), HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        ::SetForegroundWindow(dlg.Handle());
        Pump();
        ::UpdateWindow(dlg.Handle());
        previous = SetSoundPlayer([this](UINT id) { sounds.push_back(id); });
    }
    void TearDown() override {
        SetSoundPlayer(std::move(previous));
        if (dlg.Handle()) ::DestroyWindow(dlg.Handle());
    }
    int Count(UINT id) const {
        return static_cast<int>(std::count(sounds.begin(), sounds.end(), id));
    }
    void Redraw(HWND h) { ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }
    POINT ScreenCentre(HWND h) {
        RECT r{};
        ::GetWindowRect(h, &r);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    CTestGradient dlg;
    std::vector<UINT> sounds;
    SoundPlayer previous;
};

TEST_F(ShownDialog, SkinnedButtonShowsStateImagesAndRequestsSoundsOnEntryAndRelease) {
    HWND go = dlg.Item(kGo);
    CSkinButton* skin = dlg.SkinnedButton(kGo);
    ASSERT_NE(skin, nullptr);
    HBITMAP n = SolidBitmap(RGB(0, 0, 200)), h = SolidBitmap(RGB(0, 200, 0)),
            p = SolidBitmap(RGB(200, 0, 0)), d = SolidBitmap(RGB(90, 90, 90));
    ASSERT_TRUE(skin->SetBitmapHandles(n, kSkinTransparent, h, kSkinTransparent, p,
                                       kSkinTransparent, d, kSkinTransparent));
    EXPECT_EQ(skin->ImageCount(), 4);
    dlg.SetButtonSounds(true, 1010, 1009);
    ::SetCursorPos(ScreenCentre(go).x, ScreenCentre(go).y);
    Redraw(go);
    EXPECT_EQ(skin->DrawnImage(), CSkinButton::kNormal);

    const LPARAM inside = MAKELPARAM(5, 5), outside = MAKELPARAM(-40, -40);
    ::SendMessageW(go, WM_MOUSEMOVE, 0, inside);
    EXPECT_TRUE(skin->IsHovered());
    EXPECT_EQ(Count(1010), 1);
    Redraw(go);
    EXPECT_EQ(skin->DrawnImage(), CSkinButton::kHover);
    ::SendMessageW(go, WM_MOUSEMOVE, 0, inside);
    EXPECT_EQ(Count(1010), 1) << "moving inside plays nothing more";
    ::SendMessageW(go, WM_MOUSEMOVE, 0, outside);
    EXPECT_FALSE(skin->IsHovered());
    EXPECT_NE(::GetCapture(), go);
    ::SendMessageW(go, WM_MOUSEMOVE, 0, inside);
    EXPECT_EQ(Count(1010), 2) << "re-entering plays it again";

    ::SendMessageW(go, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    EXPECT_TRUE(skin->IsPressed());
    Redraw(go);
    EXPECT_EQ(skin->DrawnImage(), CSkinButton::kPressed);
    EXPECT_EQ(Count(1009), 0) << "the click sound waits for the release";
    ::SendMessageW(go, WM_LBUTTONUP, 0, inside);
    EXPECT_EQ(Count(1009), 1);
    EXPECT_EQ(dlg.goes, 1);

    // Pressed on the button and released outside: the sound, but no click.
    ::SendMessageW(go, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    ::SendMessageW(go, WM_LBUTTONUP, 0, outside);
    EXPECT_EQ(Count(1009), 2);
    EXPECT_EQ(dlg.goes, 1);

    ::EnableWindow(go, FALSE);
    Redraw(go);
    EXPECT_EQ(skin->DrawnImage(), CSkinButton::kDisabled);
    ::EnableWindow(go, TRUE);

    // The hover timer notices a pointer that left without a mouse message.
    ::SendMessageW(go, WM_MOUSEMOVE, 0, inside);
    ASSERT_TRUE(skin->IsHovered());
    RECT w{};
    ::GetWindowRect(go, &w);
    ::SetCursorPos(w.right + 40, w.bottom + 40);
    ::SendMessageW(go, WM_TIMER, 1, 0);
    EXPECT_FALSE(skin->IsHovered());
    ::ReleaseCapture();

    // Silenced: the images still change, no sound is asked for.
    dlg.SetButtonSounds(false, 1010, 1009);
    ::SendMessageW(go, WM_MOUSEMOVE, 0, outside);
    const size_t before = sounds.size();
    ::SendMessageW(go, WM_MOUSEMOVE, 0, inside);
    Redraw(go);
    EXPECT_EQ(skin->DrawnImage(), CSkinButton::kHover);
    ::SendMessageW(go, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    ::SendMessageW(go, WM_LBUTTONUP, 0, inside);
    EXPECT_EQ(sounds.size(), before);
    EXPECT_EQ(dlg.goes, 2);

    // Without a disabled bitmap there are three images; a disabled button still draws index 3.
    ASSERT_TRUE(
        skin->SetBitmapHandles(n, kSkinTransparent, h, kSkinTransparent, nullptr, 0, nullptr, 0));
    EXPECT_EQ(skin->ImageCount(), 3);
    ::EnableWindow(go, FALSE);
    Redraw(go);
    EXPECT_EQ(skin->DrawnImage(), CSkinButton::kDisabled);
    for (HBITMAP b : {n, h, p, d})
        ::DeleteObject(b);
}

TEST_F(ShownDialog, LinksReactOnlyOverTheirHighlightedText) {
    Pump();
    CLinkLabel* web = dlg.Link(kWebsite);
    ASSERT_NE(web, nullptr);
    HWND label = dlg.Item(kWebsite);
    Redraw(label);
    RECT hr = web->HighlightRect();
    ASSERT_FALSE(::IsRectEmpty(&hr));
    EXPECT_GT(hr.left, 20) << "the highlight starts after \"Website: \"";
    EXPECT_TRUE(::GetWindowLongPtrW(label, GWL_STYLE) & SS_NOTIFY);

    POINT over{(hr.left + hr.right) / 2, (hr.top + hr.bottom) / 2};
    ::ClientToScreen(label, &over);
    POINT before{2, 2};
    ::ClientToScreen(label, &before);
    EXPECT_TRUE(web->IsOverLink(over));
    EXPECT_FALSE(web->IsOverLink(before));

    ::SetCursorPos(over.x, over.y);
    ::SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), web->Cursor());
    ::SetCursorPos(before.x, before.y);
    ::SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(::GetCursor(), web->Cursor());

    // A wrapped label: the highlight starts on a later line and only it reacts.
    HWND wrapped = dlg.Item(kWrapped);
    Redraw(wrapped);
    RECT wr = dlg.Link(kWrapped)->HighlightRect();
    ASSERT_FALSE(::IsRectEmpty(&wr));
    EXPECT_GT(wr.top, 0) << "not on the first line";
    POINT onLink{(wr.left + wr.right) / 2, (wr.top + wr.bottom) / 2};
    POINT firstLine{onLink.x, 2};
    POINT lineBelow{onLink.x, wr.bottom + 2};
    for (POINT* p : {&onLink, &firstLine, &lineBelow})
        ::ClientToScreen(wrapped, p);
    EXPECT_TRUE(dlg.Link(kWrapped)->IsOverLink(onLink));
    EXPECT_FALSE(dlg.Link(kWrapped)->IsOverLink(firstLine));
    EXPECT_FALSE(dlg.Link(kWrapped)->IsOverLink(lineBelow));

    // A highlight that is not in the text never reacts.
    HWND missing = dlg.Item(kMissing);
    Redraw(missing);
    RECT none = dlg.Link(kMissing)->HighlightRect();
    EXPECT_TRUE(::IsRectEmpty(&none));
}

TEST_F(ShownDialog, LinkButtonActsAsTheDialogsControl) {
    auto clickAt = [&](HWND label, POINT client) {
        POINT screen = client;
        ::ClientToScreen(label, &screen);
        ::SetCursorPos(screen.x, screen.y);
        ::PostMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
        ::PostMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
        Pump();
        Pump();
    };
    HWND scan = dlg.Item(kScanLink);
    Redraw(scan);
    CLinkLabel* link = dlg.Link(kScanLink);
    EXPECT_EQ(link->Target(), "BUTTON:1044");
    EXPECT_TRUE(link->IsBold());
    RECT hr = link->HighlightRect();
    ASSERT_FALSE(::IsRectEmpty(&hr));
    clickAt(scan, {(hr.left + hr.right) / 2, (hr.top + hr.bottom) / 2});
    EXPECT_TRUE(PumpUntil([&] { return dlg.targets == 1; }, 1000));

    // Past the end of the text, inside the label: nothing.
    clickAt(scan, {hr.right + 30, (hr.top + hr.bottom) / 2});
    Pump();
    EXPECT_EQ(dlg.targets, 1);

    // An empty target is drawn but does nothing.
    HWND plain = dlg.Item(kNoTarget);
    Redraw(plain);
    RECT pr = dlg.Link(kNoTarget)->HighlightRect();
    ASSERT_FALSE(::IsRectEmpty(&pr));
    clickAt(plain, {(pr.left + pr.right) / 2, (pr.top + pr.bottom) / 2});
    EXPECT_EQ(dlg.targets, 1);
}

} // namespace
} // namespace zt
