// The program's message box, shown for real and driven from inside its modal loop.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "settings/SettingsStore.h"
#include "platform/win32/Win32Registry.h"
#include "tests/ui/win/ui_test_util.h"
#include "ui/ColorMessageBox.h"
#include "ui/MessageBox.h"
#include "app/AppSettingsLink.h"
#include "ui/UiContext.h"

namespace zt {
namespace {

using test::FindThreadDialog;
using test::InModalLoop;

std::set<int> VisibleButtons(HWND box) {
    std::set<int> ids;
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO, 1036, 1037})
        if (::GetWindowLongPtrW(::GetDlgItem(box, id), GWL_STYLE) & WS_VISIBLE) ids.insert(id);
    return ids;
}

struct Seen {
    std::set<int> buttons;
    std::string caption;
    bool found = false;
};

// Shows a box and, once it runs, records it and does `act` to it.
int ShowAndDo(const std::string& text, const std::string& caption, unsigned type, Seen& seen,
              const std::function<void(HWND)>& act) {
    InModalLoop step([&] {
        HWND box = FindThreadDialog();
        seen.found = box != nullptr;
        if (!box) return;
        seen.buttons = VisibleButtons(box);
        seen.caption = CWindow::WindowText(box);
        act(box);
    });
    return ShowMessage(nullptr, text, caption, type);
}

void Press(HWND box, int id) {
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, id)));
}

TEST(ColorMessageBox, EveryButtonSetShowsItsButtonsAndReturnsThePressedOne) {
    struct Case {
        unsigned type;
        std::set<int> shown;
    } cases[] = {{MB_OK, {IDOK}},
                 {MB_OKCANCEL, {IDOK, IDCANCEL}},
                 {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
                 {MB_YESNO, {IDYES, IDNO}}};
    for (const Case& c : cases) {
        for (int id : c.shown) {
            Seen seen;
            int result = ShowAndDo("Question?", "Zentrove", c.type, seen, [id](HWND box) {
                // A real click on the skinned button.
                ::SendMessageW(::GetDlgItem(box, id), BM_CLICK, 0, 0);
            });
            ASSERT_TRUE(seen.found);
            EXPECT_EQ(seen.buttons, c.shown) << "type " << c.type;
            EXPECT_EQ(result, id) << "type " << c.type;
        }
    }
}

TEST(ColorMessageBox, TitleBarCloseGivesMinusOneAndEscapeGivesCancel) {
    Seen seen;
    EXPECT_EQ(ShowAndDo("Closed", "Zentrove", MB_YESNO, seen,
                        [](HWND box) { ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }),
              -1);
    // Escape ends with Cancel's id even without a Cancel button, also for an unknown set.
    for (unsigned type : {unsigned(MB_OK), 2u}) {
        Seen s;
        int result = ShowAndDo("Escape", "Zentrove", type, s, [](HWND box) {
            ::PostMessageW(::GetFocus() ? ::GetFocus() : box, WM_KEYDOWN, VK_ESCAPE, 0);
        });
        EXPECT_EQ(result, IDCANCEL) << "type " << type;
        if (type == 2) {
            EXPECT_TRUE(s.buttons.empty());
        }
    }
}

TEST(ColorMessageBox, CaptionFallsBackToTheMainWindowThenWarnning) {
    Seen seen;
    ShowAndDo("no caption", "", MB_OK, seen, [](HWND box) { Press(box, IDOK); });
    EXPECT_EQ(seen.caption, "Warnning");

    HWND main = ::CreateWindowExW(0, L"STATIC", L"Zentrove 1.0", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
    SetAppMainWindow(main);
    Seen withMain;
    ShowAndDo("no caption", "", MB_OK, withMain, [](HWND box) { Press(box, IDOK); });
    EXPECT_EQ(withMain.caption, "Zentrove 1.0");
    Seen own;
    ShowAndDo("own caption", "Zentrove", MB_OK, own, [](HWND box) { Press(box, IDOK); });
    EXPECT_EQ(own.caption, "Zentrove");
    SetAppMainWindow(nullptr);
    ::DestroyWindow(main);
}

constexpr int kCleanButton = 300;

TEST(ColorMessageBox, ABoxAPageShowsIsModalToTheWholeWindowAndASecondGoesOnTopOfIt) {
    // A window holding a page, as the main window holds its pages.
    CDialog host(std::make_shared<CDialogTemplate>(WS_POPUP | WS_CAPTION, 0, 0, 200, 100, "host"));
    auto tmpl =
        std::make_shared<CDialogTemplate>(WS_CHILD | DS_CONTROL | WS_VISIBLE, 0, 0, 200, 80, "");
    tmpl->Button(kCleanButton, "Clean", 10, 10, 50, 14);
    CDialog page(tmpl);
    ASSERT_TRUE(test::CreateHosted(host, page));
    HWND button = page.Item(kCleanButton);
    {
        ScopedMessageAnswerer answers;
        ShowMessage(button, "asked by a control", "Zentrove", MB_OK);
        ShowMessage(nullptr, "asked by the core", "Zentrove", MB_OK);
        ASSERT_EQ(answers.Requests().size(), 2u);
        EXPECT_EQ(answers.Requests()[0].owner, button);
        EXPECT_EQ(answers.Requests()[0].modalTo, host.Handle());
        EXPECT_EQ(answers.Requests()[1].modalTo, nullptr) << "no main window yet";
    }

    SetAppMainWindow(host.Handle());
    HWND first = nullptr, second = nullptr;
    HWND firstOwner = nullptr, secondOwner = nullptr;
    bool hostEnabled = true, firstEnabledUnderSecond = true;
    InModalLoop outer([&] {
        first = FindThreadDialog();
        firstOwner = ::GetWindow(first, GW_OWNER);
        hostEnabled = ::IsWindowEnabled(host.Handle()) != FALSE;
        // A second box while the first is open (a worker's result arriving, say).
        InModalLoop inner([&] {
            second = FindThreadDialog();
            secondOwner = ::GetWindow(second, GW_OWNER);
            firstEnabledUnderSecond = ::IsWindowEnabled(first) != FALSE;
            Press(second, IDOK);
        });
        ShowMessage(page.Handle(), "the second", "Zentrove", MB_OK);
        Press(first, IDOK);
    });
    EXPECT_EQ(ShowMessage(page.Handle(), "the first", "Zentrove", MB_OK), IDOK);
    SetAppMainWindow(nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(firstOwner, host.Handle()) << "owned by the window, not by the page";
    EXPECT_FALSE(hostEnabled) << "the whole window waits for the answer";
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(secondOwner, first);
    EXPECT_FALSE(firstEnabledUnderSecond);
    EXPECT_TRUE(::IsWindowEnabled(host.Handle())) << "given back when the box closes";
    ::DestroyWindow(host.Handle());
}

TEST(ColorMessageBox, LongLineWidensByItsFirstEightyCharacters) {
    const std::string text(200, 'W');
    struct Sizes {
        int boxWidth = 0, labelWidth = 0, first80 = 0, okLeft = 0;
    };
    auto measure = [](const std::string& t, unsigned type) {
        Sizes s;
        CColorMessageBox box(t, "Zentrove", type);
        InModalLoop step([&] {
            HWND h = box.Handle();
            RECT w{};
            ::GetWindowRect(h, &w);
            s.boxWidth = w.right - w.left;
            HWND label = ::GetDlgItem(h, CColorMessageBox::kIdText);
            RECT l = test::ClientRectOf(h, label);
            s.labelWidth = l.right - l.left;
            s.okLeft = test::ClientRectOf(h, ::GetDlgItem(h, IDOK)).left;
            HDC dc = ::GetDC(label);
            HGDIOBJ old = ::SelectObject(
                dc, reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0)));
            SIZE sz{};
            const std::wstring wide = ToWide(t);
            ::GetTextExtentPoint32W(dc, wide.c_str(),
                                    std::min<int>(80, static_cast<int>(wide.size())), &sz);
            ::SelectObject(dc, old);
            ::ReleaseDC(label, dc);
            s.first80 = sz.cx;
            ::PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        box.Run(nullptr);
        return s;
    };
    Sizes shortBox = measure("Short", MB_OK);
    Sizes longBox = measure(text, MB_OK);
    int grow = longBox.first80 - shortBox.labelWidth;
    ASSERT_GT(grow, 0);
    EXPECT_EQ(longBox.labelWidth, shortBox.labelWidth + grow);
    EXPECT_EQ(longBox.boxWidth, shortBox.boxWidth + grow);
    EXPECT_EQ(longBox.okLeft, shortBox.okLeft + grow / 2); // the buttons move half
}

TEST(ColorMessageBox, YesNoCancelSpreadsItsButtonsWithEqualMargins) {
    CColorMessageBox box("Are you want to apply the setting?", "Zentrove", MB_YESNOCANCEL);
    RECT yes{}, no{}, cancel{}, client{};
    InModalLoop step([&] {
        HWND h = box.Handle();
        yes = test::ClientRectOf(h, ::GetDlgItem(h, IDYES));
        no = test::ClientRectOf(h, ::GetDlgItem(h, IDNO));
        cancel = test::ClientRectOf(h, ::GetDlgItem(h, IDCANCEL));
        ::GetClientRect(h, &client);
        ::PostMessageW(h, WM_COMMAND, IDNO, 0);
    });
    EXPECT_EQ(box.Run(nullptr), IDNO);
    EXPECT_EQ(box.Grow(), 0);
    // No moved 10 and Cancel 22 pixels right of their template places, so No no longer
    // overlaps Yes, and the right margin repeats the left one.
    EXPECT_GE(no.left, yes.right);
    EXPECT_GT(cancel.left, no.right);
    EXPECT_EQ(client.right, cancel.right + yes.left);
}

TEST(ColorMessageBox, ButtonSoundsFollowTheStoredSilence) {
    auto soundOn = [] {
        bool on = true;
        CColorMessageBox box("sound?", "Zentrove", MB_OK);
        InModalLoop step([&] {
            on = box.SkinnedButton(IDOK) && box.SkinnedButton(IDOK)->SoundEnabled();
            ::PostMessageW(box.Handle(), WM_COMMAND, IDOK, 0);
        });
        box.Run(nullptr);
        return on;
    };
    Win32Registry registry;
    SettingsStore store(registry, "ZentroveUiTest");
    (void)registry.DeleteKeyTree(RootHandle(kCurrentUser), "Software\\Morvane\\ZentroveUiTest");
    SetAppSettings(&store);
    EXPECT_TRUE(soundOn()) << "no ButtonSilence: the box sounds, as every window does";
    EXPECT_TRUE(store.Write(settings::ButtonSilence, 1));
    EXPECT_FALSE(soundOn());
    EXPECT_TRUE(store.Write(settings::ButtonSilence, 0));
    EXPECT_TRUE(soundOn());
    EXPECT_TRUE(store.Write(settings::ButtonSilence, 1));
    EXPECT_FALSE(soundOn());
    SetAppSettings(nullptr);
    (void)registry.DeleteKeyTree(RootHandle(kCurrentUser), "Software\\Morvane\\ZentroveUiTest");
    EXPECT_FALSE(soundOn()) << "no settings store at all: silent";
}

} // namespace
} // namespace zt
