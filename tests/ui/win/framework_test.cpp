// The dialog base, data exchange, task queue, layout and close routing on real windows.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "tests/ui/win/ui_test_util.h"
#include "ui/Dialog.h"
#include "ui/Layout.h"
#include "ui/MessageBox.h"
#include "ui/Messages.h"
#include "ui/PumpWait.h"
#include "ui/SubclassWindow.h"

namespace zt {
namespace {

using test::Pump;
using test::PumpUntil;

constexpr int kEdit = 100;
constexpr int kGo = 101;
constexpr int kThrow = 102;

std::shared_ptr<CDialogTemplate> SmallTemplate(DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU) {
    auto t = std::make_shared<CDialogTemplate>(style, 0, 0, 200, 100, "framework");
    t->Edit(kEdit, 10, 10, 100, 14);
    t->Button(kGo, "Go", 10, 40, 50, 14);
    t->Button(kThrow, "Throw", 70, 40, 50, 14);
    t->Button(IDOK, "OK", 130, 40, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE);
    return t;
}

class CTestDialog : public CDialog {
  public:
    CTestDialog() : CDialog(SmallTemplate()) { BindText(kEdit, name, 5); }
    std::string name = "abc";
    int inits = 0, goes = 0, destroys = 0;
    int lastSize = -1;
    std::vector<UINT> other;

  protected:
    bool OnInitDialog() override {
        ++inits;
        return CDialog::OnInitDialog();
    }
    bool OnCommand(int id, int code, HWND control) override {
        if (id == kGo) return ++goes, true;
        if (id == kThrow) throw std::runtime_error("handler fault");
        return CDialog::OnCommand(id, code, control);
    }
    void OnSize(UINT, int cx, int) override { lastSize = cx; }
    void OnDestroy() override { ++destroys; }
    bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (msg == WM_APP + 7) {
            other.push_back(msg);
            result = 1234;
            return true;
        }
        return false;
    }
};

TEST(UiFramework, ModelessDialogDispatchesToVirtualsAndMapsItsHandle) {
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    HWND h = dlg.Handle();
    EXPECT_EQ(CDialog::FromHandle(h), &dlg);
    EXPECT_EQ(dlg.inits, 1);
    EXPECT_EQ(dlg.ItemText(kEdit), "abc"); // data went to the control at initialisation

    ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(kGo, BN_CLICKED), 0);
    EXPECT_EQ(dlg.goes, 1);
    // A registered or private message reaches OnMessage and its result comes back.
    EXPECT_EQ(::SendMessageW(h, WM_APP + 7, 0, 0), 1234);
    ::SetWindowPos(h, nullptr, 0, 0, 333, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(dlg.lastSize, static_cast<int>(dlg.ClientRect().right));
    // An exception in a handler stops in the dialog procedure.
    ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(kThrow, BN_CLICKED), 0);
    EXPECT_TRUE(::IsWindow(h));

    ::DestroyWindow(h);
    EXPECT_EQ(dlg.destroys, 1);
    EXPECT_EQ(dlg.Handle(), nullptr);
    EXPECT_EQ(CDialog::FromHandle(h), nullptr);
}

TEST(UiFramework, DataExchangeRefusesOkWhenATextIsTooLong) {
    ScopedMessageAnswerer answers(IDOK);
    CTestDialog dlg;
    INT_PTR result = 0;
    {
        test::InModalLoop step([&] {
            HWND h = dlg.Handle();
            ::SetDlgItemTextW(h, kEdit, L"toolong"); // past the limit of 5
            ::SendMessageW(h, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(::IsWindow(h)) << "OK must be refused";
            EXPECT_EQ(dlg.name, "abc");
            ::SetDlgItemTextW(h, kEdit, L"fine");
            ::SendMessageW(h, WM_COMMAND, IDOK, 0);
        });
        result = dlg.DoModal(nullptr);
    }
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.name, "fine");
    ASSERT_EQ(answers.Requests().size(), 1u);
    EXPECT_EQ(answers.Requests()[0].text, "Please enter no more than 5 characters.");
}

TEST(UiFramework, TaskQueueRunsWorkerTasksOnTheWindowThreadWithOnePostPerBatch) {
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    UiTaskQueuePtr queue = dlg.TaskQueue();
    const DWORD uiThread = ::GetCurrentThreadId();
    std::atomic<int> ran{0};
    std::atomic<bool> wrongThread{false};
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) {
            queue->Post([&] {
                if (::GetCurrentThreadId() != uiThread) wrongThread = true;
                ++ran;
            });
        }
    });
    worker.join();
    // Nothing ran on the worker; all 100 were queued behind few posted messages.
    EXPECT_EQ(ran.load(), 0);
    MSG msg;
    int posted = 0;
    while (::PeekMessageW(&msg, dlg.Handle(), WM_ZT_UITASK, WM_ZT_UITASK, PM_REMOVE)) {
        ++posted;
        ::DispatchMessageW(&msg);
    }
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(ran.load(), 100);
    EXPECT_FALSE(wrongThread.load());

    // A task that throws does not lose the tasks queued behind it. Right after a busy drain
    // the next ones wait for the queue's timer tick, without a message of their own.
    queue->Post([] { throw std::runtime_error("task fault"); });
    queue->Post([&] { ++ran; });
    EXPECT_FALSE(::PeekMessageW(&msg, dlg.Handle(), WM_ZT_UITASK, WM_ZT_UITASK, PM_NOREMOVE));
    EXPECT_TRUE(PumpUntil([&] { return ran.load() == 101; }, 2000));

    ::DestroyWindow(dlg.Handle());
    // A worker that outlives the window is refused, not crashed.
    EXPECT_FALSE(queue->Post([&] { ++ran; }));
    Pump();
    EXPECT_EQ(ran.load(), 101);
}

TEST(UiFramework, LayoutMovesAndGrowsControlsByTheSizeChange) {
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    HWND h = dlg.Handle();
    CLayout layout{{kEdit, kGrowX}, {kGo, kMoveY}, {IDOK, kMoveX | kMoveY}};
    layout.Record(h);
    RECT edit0 = dlg.ChildRect(dlg.Item(kEdit)), go0 = dlg.ChildRect(dlg.Item(kGo)),
         ok0 = dlg.ChildRect(dlg.Item(IDOK));
    RECT c = dlg.ClientRect();
    layout.Apply(c.right + 40, c.bottom + 25);
    RECT edit1 = dlg.ChildRect(dlg.Item(kEdit)), go1 = dlg.ChildRect(dlg.Item(kGo)),
         ok1 = dlg.ChildRect(dlg.Item(IDOK));
    EXPECT_EQ(edit1.left, edit0.left);
    EXPECT_EQ(edit1.right, edit0.right + 40);
    EXPECT_EQ(go1.top, go0.top + 25);
    EXPECT_EQ(go1.left, go0.left);
    EXPECT_EQ(ok1.left, ok0.left + 40);
    EXPECT_EQ(ok1.top, ok0.top + 25);
    EXPECT_EQ(ok1.right - ok1.left, ok0.right - ok0.left);
    ::DestroyWindow(h);
}

class CCountingHook : public CSubclassWindow {
  public:
    int clicks = 0;

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == BM_CLICK) ++clicks;
        return DefaultProc(msg, wp, lp);
    }
};

TEST(UiFramework, SubclassHooksAndUnhooksBeforeTheWindowGoes) {
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    HWND go = dlg.Item(kGo);
    {
        CCountingHook hook;
        ASSERT_TRUE(hook.Subclass(go));
        EXPECT_EQ(CSubclassWindow::FromHandle(go), &hook);
        ::SendMessageW(go, BM_CLICK, 0, 0);
        EXPECT_EQ(hook.clicks, 1);
        EXPECT_EQ(dlg.goes, 1);
    }
    // The object died first: the window no longer calls into it.
    EXPECT_EQ(CSubclassWindow::FromHandle(go), nullptr);
    ::SendMessageW(go, BM_CLICK, 0, 0);
    EXPECT_EQ(dlg.goes, 2);

    CCountingHook outlived;
    ASSERT_TRUE(outlived.Subclass(dlg.Item(IDOK)));
    ::DestroyWindow(dlg.Handle());
    EXPECT_FALSE(outlived.IsSubclassed());
    EXPECT_EQ(outlived.Handle(), nullptr);
}

class CReflectedClicks : public CSubclassWindow {
  public:
    int clicks = 0;
    bool OnReflect(UINT msg, WPARAM wp, LPARAM, LRESULT&) override {
        if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) return ++clicks, true;
        return false;
    }
};

TEST(UiFramework, CommandsTheDialogLeavesAloneReachTheControlsObject) {
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    CReflectedClicks ok, go;
    ok.Subclass(dlg.Item(IDOK));
    go.Subclass(dlg.Item(kGo));
    ::SendMessageW(dlg.Item(kGo), BM_CLICK, 0, 0);
    EXPECT_EQ(dlg.goes, 1);
    EXPECT_EQ(go.clicks, 0) << "the dialog handled it";
    // A command id the dialog does not know goes to the object of the control that sent it.
    ::SendMessageW(dlg.Handle(), WM_COMMAND, MAKEWPARAM(4242, BN_CLICKED),
                   reinterpret_cast<LPARAM>(dlg.Item(IDOK)));
    EXPECT_EQ(ok.clicks, 1);
    ::DestroyWindow(dlg.Handle());
}

class CChildPage : public CDialog {
  public:
    CChildPage() : CDialog(SmallTemplate(WS_CHILD | DS_CONTROL)) {}
};

class CCloseWatcher : public CDialog {
  public:
    CCloseWatcher() : CDialog(SmallTemplate()) {}
    int closes = 0;

  protected:
    bool OnSysCommand(WPARAM command, LPARAM) override {
        if ((command & 0xFFF0) == SC_CLOSE) return ++closes, true;
        return false;
    }
};

TEST(UiFramework, PostCloseReachesTheTopLevelWindowFromANestedPage) {
    CCloseWatcher top;
    CChildPage page;
    ASSERT_TRUE(test::CreateHosted(top, page));
    EXPECT_EQ(::GetParent(page.Handle()), top.Handle());
    PostCloseToTopLevel(page.Item(kGo));
    EXPECT_EQ(top.closes, 0) << "posted, never sent";
    EXPECT_TRUE(PumpUntil([&] { return top.closes == 1; }));
    ::DestroyWindow(top.Handle());
}

constexpr int kFirst = 201, kSecond = 202, kThird = 203;
constexpr UINT kHideSecond = WM_APP + 9;

// A page whose first two buttons grey themselves when pressed, as Enable and Disable do on the
// startup page; a posted message hides the second, as a worker's result may.
class CSelfDisablingPage : public CDialog {
  public:
    CSelfDisablingPage() : CDialog(Template()) {}
    bool focusThird = false;

  protected:
    static std::shared_ptr<CDialogTemplate> Template() {
        auto t = std::make_shared<CDialogTemplate>(WS_CHILD | DS_CONTROL | WS_VISIBLE, 0, 60, 200,
                                                   30, "");
        t->Button(kFirst, "Enable", 10, 5, 50, 14);
        t->Button(kSecond, "Disable", 70, 5, 50, 14);
        t->Button(kThird, "Delete", 130, 5, 50, 14);
        return t;
    }
    bool OnCommand(int id, int code, HWND control) override {
        if (id != kFirst && id != kSecond) return CDialog::OnCommand(id, code, control);
        ::EnableWindow(control, FALSE);
        if (focusThird) ::SetFocus(Item(kThird));
        return true;
    }
    bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override {
        if (msg != kHideSecond) return false;
        ShowItem(kSecond, false);
        return true;
    }
};

TEST(UiFramework, AControlThatGoesAwayWithTheFocusHandsItToTheNextTabStop) {
    CTestDialog top;
    CSelfDisablingPage page;
    ASSERT_TRUE(test::CreateHosted(top, page));
    auto pressSpace = [](HWND button) {
        ::SetFocus(button);
        ::PostMessageW(button, WM_KEYDOWN, VK_SPACE, 0);
        ::PostMessageW(button, WM_KEYUP, VK_SPACE, 0xC0000001);
        Pump();
    };

    pressSpace(page.Item(kFirst));
    EXPECT_FALSE(::IsWindowEnabled(page.Item(kFirst))) << "the press reached the page";
    EXPECT_EQ(::GetFocus(), page.Item(kSecond));

    ::PostMessageW(page.Handle(), kHideSecond, 0, 0);
    Pump();
    EXPECT_EQ(::GetFocus(), page.Item(kThird)) << "hidden by a posted message";

    // Focus the handler moves itself stays where it put it.
    ::ShowWindow(page.Item(kSecond), SW_SHOW);
    ::EnableWindow(page.Item(kFirst), TRUE);
    page.focusThird = true;
    pressSpace(page.Item(kFirst));
    EXPECT_EQ(::GetFocus(), page.Item(kThird));
    ::DestroyWindow(top.Handle());
}

TEST(UiFramework, MessageAnswererRecordsRequestsAndRestoresThePrevious) {
    ScopedMessageAnswerer outer(IDNO);
    {
        ScopedMessageAnswerer inner(IDYES);
        EXPECT_EQ(ShowMessage(nullptr, "Remove it?", "Zentrove", MB_YESNO), IDYES);
        ASSERT_EQ(inner.Requests().size(), 1u);
        EXPECT_EQ(inner.Requests()[0].caption, "Zentrove");
        EXPECT_EQ(inner.Requests()[0].type, unsigned(MB_YESNO));
    }
    EXPECT_EQ(ShowMessage(nullptr, "again", "", MB_OK), IDNO);
    ASSERT_EQ(outer.Requests().size(), 1u);
    EXPECT_EQ(outer.Requests()[0].caption, "Warnning"); // no main window in this test
}

} // namespace
} // namespace zt

#include "app/MessageBoxPrompt.h"

namespace zt {
namespace {

TEST(UiFramework, CorePromptGoesThroughTheMessageBoxSeam) {
    ScopedMessageAnswerer answers(IDCANCEL);
    CMessageBoxPrompt prompt;
    EXPECT_EQ(
        prompt.Ask("Are you sure to delete these items?", "Zentrove", PromptButtons::OkCancel),
        kAnswerCancel);
    ASSERT_EQ(answers.Requests().size(), 1u);
    EXPECT_EQ(answers.Requests()[0].type, unsigned(MB_OKCANCEL));
    EXPECT_EQ(answers.Requests()[0].text, "Are you sure to delete these items?");
}

} // namespace
} // namespace zt
