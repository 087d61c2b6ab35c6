// The classic look's header drawing of the list pages, painted into a bitmap.
#include "app/PageSupport.h"
#include "pages/win/PageFixture.h"
#include "ui/GradientDialog.h"

namespace zt::test {
namespace {

class HeaderDrawingTest : public PageTest {
  protected:
    // Paints the list's header into a bitmap and returns the colour at (x, y) of it.
    static COLORREF HeaderPixel(HWND list, int x, int y) {
        HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
        RECT r{};
        ::GetClientRect(header, &r);
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, r.right, r.bottom);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        ::SendMessageW(header, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        COLORREF c = ::GetPixel(dc, x, y);
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        ::ReleaseDC(nullptr, screen);
        return c;
    }

    HWND MakeList() {
        HWND list =
            ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 300,
                              120, host_.main, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        CListView view(list);
        view.InsertColumn(0, "No.", 120);
        view.InsertColumn(1, "Created date", 160);
        return list;
    }
};

TEST_F(HeaderDrawingTest, ClassicLookFillsTheHeaderWithThePageColour) {
    HWND list = MakeList();
    bool classic = true;
    CClassicHeaderHook hook(classic);
    ASSERT_TRUE(hook.Subclass(list));
    // Right of the text, inside the etched edge.
    EXPECT_EQ(HeaderPixel(list, 100, 8), kGradientTop);

    classic = false;
    EXPECT_NE(HeaderPixel(list, 100, 8), kGradientTop);
    ::DestroyWindow(list);
}

} // namespace
} // namespace zt::test
