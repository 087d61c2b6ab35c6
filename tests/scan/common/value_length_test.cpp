// Values read into fixed sizes: a number shorter than four bytes reads zero-filled; an
// extension's class name too long for the association rule's 260 bytes is not judged.
#include <gtest/gtest.h>

#include "scan/ScanEngine.h"
#include "scan/scan_support.h"
#include "settings/SettingsStore.h"
#include "support/seams.h"

namespace zt {
namespace {

TEST(ValueLength, ShortNumbersReadWholeAndOverlongClassNamesAreNotJudged) {
    auto reg = test::MakeRegistry();
    auto sys = test::MakeSystem();
    SettingsStore store(*reg, "zt-value-length-test");
    const std::string& at = store.KeyPath();
    test::SetRaw(*reg, kCurrentUser, at, "Two", kRegDword, std::string("\x34\x12", 2));
    test::SetRaw(*reg, kCurrentUser, at, "Five", kRegDword, std::string(5, '\x01'));
    std::uint32_t n = 0;
    {
        RegKey key(*reg, reg->OpenKeyRead(RootHandle(kCurrentUser), at));
        EXPECT_TRUE(reg->ReadDword(key.get(), "Two", n));
        EXPECT_EQ(n, 0x1234u);
        EXPECT_FALSE(reg->ReadDword(key.get(), "Five", n));
    }
    EXPECT_EQ(store.ReadInt("Two", 42), 0x1234);
    (void)reg->DeleteKeyTree(RootHandle(kCurrentUser), "Software\\Morvane\\zt-value-length-test");

    // 258 and 259 characters: 259 and 260 bytes with the terminating zero.
    test::SetString(*reg, kClassesRoot, ".ztlen_fits", "", std::string(258, 'f'));
    test::SetString(*reg, kClassesRoot, ".ztlen_over", "", std::string(259, 'o'));
    test::RecordingSink sink;
    test::ScanAreas(*reg, *sys, sink, {kCategoryFileAssociation});
    (void)reg->DeleteKeyTree(RootHandle(kClassesRoot), ".ztlen_fits");
    (void)reg->DeleteKeyTree(RootHandle(kClassesRoot), ".ztlen_over");
    EXPECT_TRUE(sink.Find("HKCR\\.ztlen_fits\\"));
    EXPECT_FALSE(sink.Find("HKCR\\.ztlen_over\\"));
}

} // namespace
} // namespace zt
