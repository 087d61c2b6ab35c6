#pragma once
// A profile of its own for each GUI test: the settings live under
// HKCU\Software\Morvane\<test name>, deleted before and after.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/AppContext.h"
#include "ui/PumpWait.h"
#include "settings/SettingsStore.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "app/AppSettingsLink.h"
#include "support/platform_startup.h"
#include "ui/UiContext.h"

namespace zt::test {

class AppHarness {
  public:
    AppHarness()
        : name_(std::string("ZtAppTest_") +
                ::testing::UnitTest::GetInstance()->current_test_info()->name()),
          store_(registry_, name_), app_{registry_, system_, test::PlatformStartupSources(),
                                         test::PlatformSignatures(), store_} {
        (void)registry_.DeleteKeyTree(RootHandle(kCurrentUser), ProfileKey());
        SetAppSettings(&store_);
    }
    ~AppHarness() {
        SetAppSettings(nullptr);
        (void)registry_.DeleteKeyTree(RootHandle(kCurrentUser), ProfileKey());
    }
    AppHarness(const AppHarness&) = delete;
    AppHarness& operator=(const AppHarness&) = delete;

    AppContext& app() { return app_; }
    SettingsStore& store() { return store_; }
    Win32Registry& registry() { return registry_; }
    std::string ProfileKey() const { return "Software\\Morvane\\" + name_; }
    // The stored value, or -999 when absent.
    int Stored(std::string_view key) const { return store_.ReadInt(key, -999); }
    int Stored(const Setting& setting) const { return Stored(setting.key); }

  private:
    Win32Registry registry_;
    Win32System system_;
    std::string name_;
    SettingsStore store_;
    AppContext app_;
};

// Lets the window thread run its queued work for `ms` milliseconds.
inline void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

inline RECT ChildRectIn(HWND parent, HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

inline void Click(HWND dialog, int id) {
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// Ticks or unticks a check box as a click would, and tells its dialog.
inline void ClickBox(HWND dialog, int id, bool on) {
    ::SendMessageW(::GetDlgItem(dialog, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    Click(dialog, id);
}

inline bool IsTicked(HWND dialog, int id) {
    return ::SendMessageW(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

} // namespace zt::test
