// Values read into fixed sizes: a number shorter than four bytes reads zero-filled, and an
// extension whose class name does not fit the association rule's 260 bytes is not judged.
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

    test::ScratchKey scratch(*reg);
    const std::string at = scratch.path();
    test::SetRaw(*reg, kCurrentUser, at, "two", kRegDword, std::string("\x34\x12", 2));
    test::SetRaw(*reg, kCurrentUser, at, "one", kRegBinary, std::string("\x07", 1));
    test::SetRaw(*reg, kCurrentUser, at, "five", kRegDword, std::string("\x01\x02\x03\x04\x05", 5));
    RegKey key(*reg, reg->OpenKeyRead(RootHandle(kCurrentUser), at));
    std::uint32_t n = 99;
    EXPECT_TRUE(reg->ReadDword(key.get(), "two", n));
    EXPECT_EQ(n, 0x1234u);
    EXPECT_TRUE(reg->ReadDword(key.get(), "one", n));
    EXPECT_EQ(n, 7u);
    EXPECT_FALSE(reg->ReadDword(key.get(), "five", n));
    // A setting stored that short is read, not replaced by its default.
    SettingsStore store(*reg, "zt-value-length-test");
    test::SetRaw(*reg, kCurrentUser, store.KeyPath(), "Short", kRegDword, std::string("\x05", 1));
    EXPECT_EQ(store.ReadInt("Short", 42), 5);
    reg->DeleteKeyTree(RootHandle(kCurrentUser), "Software\\Morvane\\zt-value-length-test");

    // Class names of 258 and 259 characters: with their terminating zero, 259 and 260 bytes.
    const std::string fits = ".ztlen_fits", overlong = ".ztlen_overlong", longer = ".ztlen_longer";
    test::SetString(*reg, kClassesRoot, fits, "", std::string(258, 'f'));
    test::SetString(*reg, kClassesRoot, overlong, "", std::string(259, 'o'));
    test::SetString(*reg, kClassesRoot, longer, "", std::string(400, 'l'));
    test::RecordingSink sink;
    ScanEngine engine(*reg, *sys, sink);
    engine.SetAllCategories(false);
    engine.categoryEnabled[kCategoryFileAssociation] = true;
    engine.BeginScan();
    engine.RunScan();
    for (const auto& name : {fits, overlong, longer})
        reg->DeleteKeyTree(RootHandle(kClassesRoot), name);
    const auto* row = sink.Find("HKCR\\" + fits + "\\");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->reason, "Missing File Assosication");
    EXPECT_FALSE(sink.Find("HKCR\\" + overlong + "\\"));
    EXPECT_FALSE(sink.Find("HKCR\\" + longer + "\\"));
}

} // namespace
} // namespace zt
