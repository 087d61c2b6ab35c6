// What a screen reader gets through AccessibleObjectFromWindow, and links reached by keys.
#include <gtest/gtest.h>

#include <oleacc.h>

#include "app/DlgMain.h"
#include "app/res/resource.h"
#include "app/win/app_harness.h"
#include "keys/win/key_util.h"
#include "seams/Unicode.h"
#include "ui/GradientDialog.h"
#include "ui/MessageBox.h"

namespace zt::test {
namespace {

struct Com {
    Com() { ::CoInitialize(nullptr); }
    ~Com() { ::CoUninitialize(); }
};

struct Acc {
    IAccessible* a = nullptr;
    explicit Acc(HWND hwnd) {
        ::AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                     reinterpret_cast<void**>(&a));
    }
    ~Acc() {
        if (a) a->Release();
    }
    static VARIANT Child(long id) {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = id;
        return v;
    }
    static std::string Take(BSTR s) {
        if (!s) return {};
        std::string text = FromWide(s);
        ::SysFreeString(s);
        return text;
    }
    std::string Name(long child = CHILDID_SELF) const {
        BSTR s = nullptr;
        a->get_accName(Child(child), &s);
        return Take(s);
    }
    std::string Shortcut(long child = CHILDID_SELF) const {
        BSTR s = nullptr;
        a->get_accKeyboardShortcut(Child(child), &s);
        return Take(s);
    }
    long Role(long child = CHILDID_SELF) const {
        VARIANT v;
        ::VariantInit(&v);
        a->get_accRole(Child(child), &v);
        return v.vt == VT_I4 ? v.lVal : -1;
    }
    long State(long child = CHILDID_SELF) const {
        VARIANT v;
        ::VariantInit(&v);
        a->get_accState(Child(child), &v);
        return v.vt == VT_I4 ? v.lVal : 0;
    }
};

TEST(Accessible, ButtonsCheckBoxesLinksAndTabsHaveNamesAndRoles) {
    Com com;
    AppHarness h;
    ScopedMessageAnswerer answers;
    CDlgMain main(h.app());
    ASSERT_TRUE(main.Create(nullptr));
    PumpDialog(main.Handle(), 30);

    Acc scan(main.ScanPage().Item(IDC_SCAN));
    ASSERT_NE(scan.a, nullptr);
    EXPECT_EQ(scan.Name(), "Scan");
    EXPECT_EQ(scan.Role(), ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(scan.Shortcut(), "Alt+a");
    EXPECT_TRUE(scan.State() & STATE_SYSTEM_FOCUSABLE);
    ::EnableWindow(main.ScanPage().Item(IDC_CLEAN), FALSE);
    EXPECT_TRUE(Acc(main.ScanPage().Item(IDC_CLEAN)).State() & STATE_SYSTEM_UNAVAILABLE);

    // A check box keeps its text; the system's own object names it.
    Acc silence(main.SettingsPage().Item(IDC_SILENCE));
    ASSERT_NE(silence.a, nullptr);
    EXPECT_EQ(silence.Name(), "Silence Button");

    Acc site(main.Item(IDC_WEBSITE));
    ASSERT_NE(site.a, nullptr);
    EXPECT_EQ(site.Role(), ROLE_SYSTEM_LINK);
    EXPECT_EQ(site.Name().rfind("Website: ", 0), 0u) << site.Name();
    EXPECT_TRUE(site.State() & STATE_SYSTEM_LINKED);

    Acc tabs(main.Tabs().Handle());
    ASSERT_NE(tabs.a, nullptr);
    long count = 0;
    tabs.a->get_accChildCount(&count);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(tabs.Role(), ROLE_SYSTEM_PAGETABLIST);
    EXPECT_EQ(tabs.Name(2), "Startup Manager");
    EXPECT_EQ(tabs.Role(2), ROLE_SYSTEM_PAGETAB);
    EXPECT_TRUE(tabs.State(1) & STATE_SYSTEM_SELECTED);
    EXPECT_FALSE(tabs.State(2) & STATE_SYSTEM_SELECTED);
    EXPECT_EQ(tabs.a->accDoDefaultAction(Acc::Child(3)), S_OK);
    EXPECT_EQ(main.Tabs().GetActiveTab(), 2);
    EXPECT_EQ(tabs.a->accDoDefaultAction(Acc::Child(9)), E_INVALIDARG);
    main.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
    // An object that outlives its control answers, with a failure.
    EXPECT_NE(tabs.Name(2), "Startup Manager");
}

class LinkHost : public CGradientDialog {
  public:
    static std::shared_ptr<const CDialogTemplate> Template() {
        auto t = std::make_shared<CDialogTemplate>(WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 200,
                                                   60, "links");
        t->Label(100, "Open the help", 10, 10, 100, 10, SS_LEFT | WS_VISIBLE);
        t->Button(1044, "&Help", 10, 30, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE);
        return t;
    }
    LinkHost() : CGradientDialog(Template()) { AddLinkButton(100, "help", 1044); }
    int helpPresses = 0;

  protected:
    bool OnCommand(int id, int code, HWND control) override {
        if (id == 1044) {
            ++helpPresses;
            return true;
        }
        return CGradientDialog::OnCommand(id, code, control);
    }
};

TEST(Accessible, LinksAreTabStopsAndEnterFollowsThem) {
    LinkHost host;
    ASSERT_TRUE(host.Create(nullptr));
    HWND link = host.Item(100);
    EXPECT_TRUE(::GetWindowLongPtrW(link, GWL_STYLE) & WS_TABSTOP);
    PumpDialog(host.Handle(), 20); // painted: the link knows where its text is
    ::SetFocus(link);
    SendKey(host.Handle(), VK_RETURN);
    PumpDialog(host.Handle(), 20);
    EXPECT_EQ(host.helpPresses, 1);
    SendKey(host.Handle(), VK_SPACE);
    PumpDialog(host.Handle(), 20);
    EXPECT_EQ(host.helpPresses, 2);
    host.EndDialog(0);
}

} // namespace
} // namespace zt::test
