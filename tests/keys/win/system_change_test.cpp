// Setting, colour and theme changes reach the pages and controls through the main window.
#include <gtest/gtest.h>

#include <map>

#include "app/DlgMain.h"
#include "app/win/app_harness.h"
#include "keys/win/key_util.h"
#include "seams/Unicode.h"
#include "ui/MessageBox.h"

namespace zt::test {
namespace {

std::map<HWND, int>& Seen() {
    static std::map<HWND, int> seen;
    return seen;
}

LRESULT CALLBACK Count(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_SETTINGCHANGE || msg == WM_SYSCOLORCHANGE || msg == WM_THEMECHANGED)
        ++Seen()[hwnd];
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

// Sets HKCU\Control Panel\Appearance "Current" for the test and puts back what was there.
class ScopedAppearance {
  public:
    explicit ScopedAppearance(const char* scheme) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Appearance", 0, nullptr, 0,
                          KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        DWORD size = sizeof old_ - sizeof(wchar_t);
        had_ = ::RegQueryValueExW(key_, L"Current", nullptr, nullptr, reinterpret_cast<BYTE*>(old_),
                                  &size) == ERROR_SUCCESS;
        std::wstring wide = ToWide(scheme);
        ::RegSetValueExW(key_, L"Current", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                         static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    }
    ~ScopedAppearance() {
        if (had_)
            ::RegSetValueExW(key_, L"Current", 0, REG_SZ, reinterpret_cast<const BYTE*>(old_),
                             static_cast<DWORD>((wcslen(old_) + 1) * sizeof(wchar_t)));
        else
            ::RegDeleteValueW(key_, L"Current");
        ::RegCloseKey(key_);
    }

  private:
    HKEY key_ = nullptr;
    wchar_t old_[256] = {};
    bool had_ = false;
};

TEST(SystemChange, MainWindowPassesChangesToEveryPageAndControl) {
    AppHarness h;
    ScopedMessageAnswerer answers;
    CDlgMain main(h.app());
    ASSERT_TRUE(main.Create(nullptr));
    PumpDialog(main.Handle(), 50);
    const HWND watched[] = {main.Tabs().Handle(),         main.Banner().Handle(),
                            main.ScanPage().Handle(),     main.StartupPage().Handle(),
                            main.BackupPage().Handle(),   main.SettingsPage().Handle(),
                            main.CleanDiskPage().Handle()};
    Seen().clear();
    for (HWND w : watched)
        ::SetWindowSubclass(w, Count, 77, 0);

    {
        ScopedAppearance classic("Windows Standard");
        main.Send(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("WindowMetrics"));
        // Hidden pages too: they read the look when they change, not when shown.
        EXPECT_TRUE(main.ScanPage().DrawsHeader());
        EXPECT_TRUE(main.BackupPage().ClassicLook());
        EXPECT_TRUE(main.StartupPage().ClassicLook());
    }
    main.Send(WM_THEMECHANGED);
    EXPECT_FALSE(main.ScanPage().DrawsHeader());
    EXPECT_FALSE(main.BackupPage().ClassicLook());
    EXPECT_FALSE(main.StartupPage().ClassicLook());
    main.Send(WM_SYSCOLORCHANGE);
    for (HWND w : watched) {
        EXPECT_EQ(Seen()[w], 3) << "window " << CWindow(w).ClassName();
        ::RemoveWindowSubclass(w, Count, 77);
    }
    main.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
}

} // namespace
} // namespace zt::test
