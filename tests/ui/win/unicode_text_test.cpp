// Text in any script, handed to the window layer as UTF-8, reaches the windows as UTF-16 and
// reads back through the wide messages exactly.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "tests/ui/win/ui_test_util.h"
#include "ui/ColorMessageBox.h"
#include "ui/Dialog.h"
#include "ui/MessageBox.h"
#include "ui/TabWnd.h"
#include "ui/ToolTip.h"

namespace zt {
namespace {

constexpr int kLabel = 100;
constexpr int kEdit = 101;

// Cyrillic, CJK and an emoji (a surrogate pair in UTF-16).
const std::string kText = "Дмитрий 工具 \xF0\x9F\x98\x80";
const std::wstring kWide = L"\u0414\u043C\u0438\u0442\u0440\u0438\u0439 \u5DE5\u5177 \U0001F600";
// An unpaired high surrogate as the program carries it (WTF-8).
const std::string kLone = "\xED\xA0\x80";

std::wstring WideText(HWND hwnd) {
    wchar_t buf[512] = {};
    LRESULT n = ::SendMessageW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf));
    return std::wstring(buf, static_cast<size_t>(n));
}

TEST(UiUnicodeText, EveryScriptReadsBackExactlyThroughTheWideMessages) {
    auto tmpl = std::make_shared<CDialogTemplate>(WS_POPUP | WS_CAPTION, 0, 0, 200, 100, kText);
    tmpl->Label(kLabel, kText, 10, 10, 180, 10);
    tmpl->Edit(kEdit, 10, 30, 100, 14);
    CDialog dlg(tmpl);
    std::string name;
    dlg.BindText(kEdit, name, 7);
    ASSERT_TRUE(dlg.Create(nullptr));
    HWND h = dlg.Handle();
    EXPECT_TRUE(::IsWindowUnicode(h));
    EXPECT_EQ(WideText(h), kWide); // the caption from the built template
    EXPECT_EQ(WideText(dlg.Item(kLabel)), kWide);

    // A lone surrogate goes in and comes back unit for unit.
    dlg.SetItemText(kLabel, kText + kLone);
    EXPECT_EQ(WideText(dlg.Item(kLabel)), kWide + L'\xD800');
    EXPECT_EQ(dlg.ItemText(kLabel), kText + kLone);
    // The limit counts characters as the edit does: seven Cyrillic letters are 14 bytes.
    {
        ScopedMessageAnswerer answers;
        dlg.SetItemText(kEdit, "Дмитрий");
        EXPECT_TRUE(dlg.UpdateData(true));
        EXPECT_TRUE(answers.Requests().empty());
        EXPECT_EQ(name, "Дмитрий");
    }

    HWND tip = CreateControlTooltips(h, {{kLabel, kText.c_str()}});
    ASSERT_TRUE(tip);
    wchar_t tipText[80] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = h;
    tool.uId = reinterpret_cast<UINT_PTR>(dlg.Item(kLabel));
    tool.lpszText = tipText;
    ::SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::wstring(tipText), kWide);
    ::DestroyWindow(tip);

    // The startup page acts on what it reads back from its list: every unit, however long.
    HWND listHandle = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 100, 50,
                                        h, nullptr, nullptr, nullptr);
    CListView list(listHandle);
    list.InsertColumn(0, "Name", 50);
    list.InsertColumn(1, "Command", 50);
    const std::string command = "C:\\" + std::string(3000, 'x') + "\\" + kText + ".exe";
    int row = list.InsertItem(0, kText + kLone);
    list.SetItemText(row, 1, command);
    EXPECT_EQ(list.ItemText(row, 0), kText + kLone);
    EXPECT_EQ(list.ItemText(row, 1), command);

    CBCGTabWnd tabs;
    ASSERT_TRUE(tabs.Create(CBCGTabWnd::STYLE_FLAT, RECT{0, 0, 100, 40}, h, 200));
    EXPECT_TRUE(::IsWindowUnicode(tabs.Handle()));
    ::DestroyWindow(h);

    // The message box shows an unpaired surrogate as U+FFFD and everything else as given.
    CColorMessageBox box(kText + kLone, kText, MB_OK);
    std::wstring shown, caption;
    bool unicode = false;
    {
        test::InModalLoop step([&] {
            unicode = ::IsWindowUnicode(box.Handle());
            shown = WideText(box.Item(CColorMessageBox::kIdText));
            caption = WideText(box.Handle());
            ::PostMessageW(box.Handle(), WM_COMMAND, IDOK, 0);
        });
        box.Run(nullptr);
    }
    EXPECT_TRUE(unicode);
    EXPECT_EQ(shown, kWide + L'\xFFFD');
    EXPECT_EQ(caption, kWide);
}

} // namespace
} // namespace zt
