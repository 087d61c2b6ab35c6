// The one conversion between the program's UTF-8 and the platform's UTF-16, and name folding.
#include <gtest/gtest.h>

#include <string>

#include "seams/Unicode.h"

namespace zt {
namespace {

TEST(Unicode, ConversionTableRoundTrips) {
    struct Row {
        std::u16string units;
        std::string utf8;
    };
    const Row rows[] = {
        {u"", ""},
        {u"Run", "Run"},
        {u"\u0141\u00f3d\u017a", "\xC5\x81\xC3\xB3"
                                 "d\xC5\xBA"}, // Łódź
        {u"\u0414\u043c\u0438\u0442\u0440\u0438\u0439", "Дмитрий"},
        {u"\u5de5\u5177", "工具"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},                           // 😀, a pair
        {u"e\u0301", "e\xCC\x81"},                                     // combining mark
        {std::u16string(1, char16_t(0xD800)) + u"x", "\xED\xA0\x80x"}, // lone high
        {u"x" + std::u16string(1, char16_t(0xDFFF)), "x\xED\xBF\xBF"}, // lone low
        // A low unit before a high one is two lone units, never a pair.
        {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, "\xED\xB0\x80\xED\xA0\x80"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(Utf16ToUtf8(r.units), r.utf8);
        EXPECT_EQ(Utf8ToUtf16(r.utf8), r.units);
        EXPECT_EQ(Utf16Length(r.utf8), r.units.size());
        EXPECT_EQ(HasLoneSurrogate(r.utf8),
                  r.utf8.find('\xED') != std::string::npos && r.units != u"");
    }
    // Long text, every BMP unit and a pair: the units come back.
    std::u16string all;
    for (char32_t u = 1; u < 0x10000; ++u)
        all += static_cast<char16_t>(u);
    all += u"\U00010437";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(all)), all);
    // Bytes that are not UTF-8 read as U+FFFD, one per byte.
    EXPECT_EQ(Utf8ToUtf16("a\xFF\xC0z"), u"a\uFFFD\uFFFDz");
    EXPECT_EQ(ForDisplay("x\xED\xA0\x80y"), "x\xEF\xBF\xBDy");
}

TEST(Unicode, NamesCompareAsTheRegistryDoes) {
    EXPECT_TRUE(NamesEqual("Software\\Run", "SOFTWARE\\run"));
    EXPECT_TRUE(NamesEqual("Программа", "ПРОГРАММА"));
    EXPECT_TRUE(NamesEqual("Łódź", "ŁÓDŹ"));
    EXPECT_TRUE(NamesEqual("Ελλάδα", "ΕΛΛΆΔΑ"));
    EXPECT_FALSE(NamesEqual("Привет", "Москва")); // same length, other letters
    EXPECT_FALSE(NamesEqual("Démarrage", "Dйmarrage"));
    EXPECT_FALSE(NamesEqual("\xC4\xB1", "i")); // dotless i never folds into ASCII
    EXPECT_FALSE(NamesEqual("ß", "SS"));
    // An ASCII name folds to its lower-case self (ids of ASCII names stay as they were).
    EXPECT_EQ(FoldName("HKCU\\Software\\Run"), "hkcu\\software\\run");
    EXPECT_EQ(FoldName("Ключ"), FoldName("КЛЮЧ"));
    EXPECT_TRUE(StartsWithNoCase("ПРОГРАММЫ\\tool.exe", "программы\\"));
    EXPECT_FALSE(StartsWithNoCase("ab", "abc"));
    EXPECT_TRUE(EndsWithNoCase("C:\\工具\\TOOL.EXE", ".exe"));
    EXPECT_TRUE(EndsWithNoCase("C:\\Łódź", "ŁÓDŹ"));
    EXPECT_FALSE(EndsWithNoCase("\xC5\x81", "\x81")); // never half a character
}

} // namespace
} // namespace zt
