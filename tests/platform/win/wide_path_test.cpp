// The long form of paths. Wine takes long paths in either form, so what Windows needs is
// checked on the rule itself.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Win32System.h"
#include "seams/Unicode.h"

namespace zt {
namespace {

TEST(WidePath, LongAbsolutePathsTakeTheLongFormAndNothingElseDoes) {
    const std::string tail = "\\Łódź\\" + std::string(300, 'x');
    EXPECT_EQ(WidePath("C:" + tail), L"\\\\?\\C:\\Łódź\\" + std::wstring(300, L'x'));
    EXPECT_EQ(WidePath("\\\\server\\share" + tail),
              L"\\\\?\\UNC\\server\\share\\Łódź\\" + std::wstring(300, L'x'));
    // Written with slashes and dots, resolved as the short form would be.
    EXPECT_EQ(WidePath("C:/skip/../Łódź/./" + std::string(300, 'x')),
              L"\\\\?\\C:\\Łódź\\" + std::wstring(300, L'x'));
    std::string cyrillic;
    for (int i = 0; i < 130; ++i)
        cyrillic += "Ж"; // 260 bytes, 130 units: short
    for (const std::string& as : {"C:" + tail.substr(0, 40), "relative" + tail, "\\\\?\\C:" + tail,
                                  std::string("\\\\?\\C:\\short"), "C:\\" + cyrillic})
        EXPECT_EQ(WidePath(as), ToWide(as)) << as;
}

} // namespace
} // namespace zt
