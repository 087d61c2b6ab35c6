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
        ::RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Appearance", 0, nullptr, 0,
                          KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        char buf[256] = {};
        DWORD size = sizeof buf;
        had_ = ::RegQueryValueExA(key_, "Current", nullptr, nullptr, reinterpret_cast<BYTE*>(buf),
                                  &size) == ERROR_SUCCESS;
        old_ = buf;
    }
    ~AppearanceValue() {
        if (had_)
            Set(old_);
        else
            ::RegDeleteValueA(key_, "Current");
        ::RegCloseKey(key_);
    }
    void Set(const std::string& v) {
        ::RegSetValueExA(key_, "Current", 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                         static_cast<DWORD>(v.size() + 1));
    }
    void Remove() { ::RegDeleteValueA(key_, "Current"); }

  private:
    HKEY key_ = nullptr;
    bool had_ = false;
    std::string old_;
};

TEST(ClassicLookWin, FollowsTheAppearanceScheme) {
    AppearanceValue value;
    value.Set("Windows Standard");
    EXPECT_TRUE(IsClassicAppearance());
    value.Set("Windows \xB1\xEA\xD7\xBC");
    EXPECT_TRUE(IsClassicAppearance());
    value.Set("Brick");
    EXPECT_FALSE(IsClassicAppearance());
    value.Remove();
    EXPECT_FALSE(IsClassicAppearance());
}

} // namespace
} // namespace zt
