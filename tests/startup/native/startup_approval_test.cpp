// The approval value's bytes, and a write that does not hold.
#include <gtest/gtest.h>

#include <vector>

#include "platform/memory/MemoryRegistry.h"
#include "settings/IgnoreList.h"
#include "startup/StartupApproval.h"
#include "startup/StartupLocations.h"

namespace zt {
namespace {

TEST(StartupApprovalTest, DecodesByBitZeroAndEncodesWhatTheSystemWrites) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        bool disabled;
    };
    const Case cases[] = {
        {{0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
        {{0x03, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, true},
        {{0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false}, // unknown bits, bit 0 clear
        {{0x07}, true},                                   // short
        {{0x01, 0, 0, 0}, true},                          // a DWORD's worth
        {{}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApprovalMeansDisabled(c.bytes.data(), c.bytes.size()), c.disabled)
            << ::testing::PrintToString(c.bytes);

    const std::uint64_t time = 0x01D9A1B2C3D4E5F6ull;
    const ApprovalBytes fresh{0x03, 0, 0, 0, 0xF6, 0xE5, 0xD4, 0xC3, 0xB2, 0xA1, 0xD9, 0x01};
    EXPECT_EQ(EncodeDisabled(std::nullopt, time), fresh);
    // Other bits of the old first byte are kept.
    EXPECT_EQ(EncodeDisabled(0x06, time)[0], 0x07);
    EXPECT_EQ(EncodeDisabled(0x02, time)[0], 0x03);
    EXPECT_EQ(EncodeEnabled(), (ApprovalBytes{0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    // 2020-01-01 UTC is 132223104000000000 in FILETIME steps; now is later.
    EXPECT_GT(CurrentFileTime(), 132223104000000000ull);
}

// A registry that says it wrote but kept the old value.
class DeafRegistry : public MemoryRegistry {
  public:
    Status WriteValue(HKey, std::string_view, std::uint32_t, const void*, std::uint32_t) override {
        return Status::Success();
    }
};

TEST(StartupApprovalTest, AWriteThatDoesNotReadBackIsNotReported) {
    DeafRegistry reg;
    StartupEntry entry;
    entry.name = "App";
    entry.location = "HKCU\\" + std::string(kRunKeyPath);
    EXPECT_EQ(SetStartupEntryDisabled(reg, entry, true), ApprovalWrite::NotWritten);
    entry.location = "HKCU\\" + std::string(kRunOnceKeyPath);
    EXPECT_EQ(SetStartupEntryDisabled(reg, entry, true), ApprovalWrite::NotGoverned);
}

// An entry is known by its own name in any script: the approval value is written under it,
// and an ignore entry takes in that name in any letter case and no other.
TEST(StartupApprovalTest, EntriesAreKnownByTheirOwnNameInAnyScript) {
    MemoryRegistry reg;
    auto entry = [](std::string name) {
        StartupEntry e;
        e.name = std::move(name);
        e.location = "HKCU\\" + std::string(kRunKeyPath);
        return e;
    };
    ASSERT_EQ(SetStartupEntryDisabled(reg, entry("Привет"), true), ApprovalWrite::Written);
    RegKey approved(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), kApprovedRunKeyPath));
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(reg.EnumValue(approved.get(), 0, name, 100, type, data, 100));
    EXPECT_EQ(name, "Привет");
    EXPECT_FALSE(reg.EnumValue(approved.get(), 1, name, 100, type, data, 100));
    EXPECT_TRUE(ReadApprovalDisabled(reg, *ApprovalFor(entry("ПРИВЕТ"))));
    EXPECT_FALSE(ReadApprovalDisabled(reg, *ApprovalFor(entry("Москва"))));
    EXPECT_EQ(FindApprovalValue(reg, *ApprovalFor(entry("ПРИВЕТ")))->valueName, "Привет");

    IgnoreList list;
    ASSERT_EQ(list.Add({kCurrentUser, "Software\\Программы", "Привет", IgnoreKind::Value}),
              IgnoreProblem::None);
    // U+0250 and its capital U+2C6F take two and three bytes.
    ASSERT_EQ(list.Add({kCurrentUser, "Software\\\xC9\x90", "", IgnoreKind::Tree}),
              IgnoreProblem::None);
    struct Case {
        const char* key;
        const char* value;
        bool ignored;
    } cases[] = {
        {"SOFTWARE\\ПРОГРАММЫ", "ПРИВЕТ", true},     {"Software\\Программы", "Москва", false},
        {"Software\\Программы", "??????", false},    {"Software\\Программы2", "Привет", false},
        {"Software\\\xE2\xB1\xAF\\工具", "x", true}, {"Software\\\xE2\xB1\xAF\xC9\x90", "x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(list.Ignores(kCurrentUser, c.key, c.value, false), c.ignored)
            << c.key << "|" << c.value;
}

} // namespace
} // namespace zt
