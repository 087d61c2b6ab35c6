// The classic appearance check against the real registry of the test prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ui/ClassicLook.h"

namespace zt {
namespace {

// Sets (or with `present` false removes) HKCU\Control Panel\Appearance\Current; restores it.
class AppearanceValue {
  public:
    AppearanceValue() {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Appearance", 0, nullptr, 0,
                          KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        wchar_t buf[256] = {};
        DWORD size = sizeof buf - sizeof buf[0];
        had_ = ::RegQueryValueExW(key_, L"Current", nullptr, nullptr, reinterpret_cast<BYTE*>(buf),
                                  &size) == ERROR_SUCCESS;
        old_ = buf;
    }
    ~AppearanceValue() {
        if (had_)
            Set(old_);
        else
            ::RegDeleteValueW(key_, L"Current");
        ::RegCloseKey(key_);
    }
    void Set(const std::wstring& v) {
        ::RegSetValueExW(key_, L"Current", 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                         static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
    }
    void Remove() { ::RegDeleteValueW(key_, L"Current"); }

  private:
    HKEY key_ = nullptr;
    bool had_ = false;
    std::wstring old_;
};

TEST(ClassicLookWin, FollowsTheAppearanceScheme) {
    AppearanceValue value;
    value.Set(L"Windows Standard");
    EXPECT_TRUE(IsClassicAppearance());
    value.Set(L"Windows \u6807\u51C6"); // the Chinese name, whatever the code page
    EXPECT_TRUE(IsClassicAppearance());
    value.Set(L"Brick");
    EXPECT_FALSE(IsClassicAppearance());
    value.Remove();
    EXPECT_FALSE(IsClassicAppearance());
}

} // namespace
} // namespace zt
