// One contract for both registry implementations: the fake must behave like the platform.
#include <gtest/gtest.h>

#include <cstring>

#include "support/seams.h"

namespace zt {
namespace {

class RegistryContract : public ::testing::Test {
  protected:
    std::unique_ptr<Registry> reg = test::MakeRegistry();
    test::ScratchKey scratch{*reg};
    RegKey Open(const std::string& sub = {}) { return RegKey(*reg, scratch.Create(sub)); }
};

TEST_F(RegistryContract, ValueLargerThanBufferReadsAsAbsentAndBufferIsZeroed) {
    RegKey k = Open();
    ASSERT_TRUE(k);
    ASSERT_TRUE(reg->WriteString(k.get(), "v", "0123456789"));
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_FALSE(reg->ReadValue(k.get(), "v", buf, sizeof buf));
    for (char c : buf)
        EXPECT_EQ(c, '\0');

    char big[32];
    std::memset(big, 'x', sizeof big);
    std::uint32_t type = 0, size = 0;
    ASSERT_TRUE(reg->ReadValue(k.get(), "v", big, sizeof big, &type, &size));
    EXPECT_EQ(type, kRegSz);
    EXPECT_STREQ(big, "0123456789");
    EXPECT_EQ(big[31], '\0'); // zero-filled past the data
}

TEST_F(RegistryContract, EmptyNameIsTheDefaultValue) {
    RegKey k = Open();
    ASSERT_TRUE(reg->WriteString(k.get(), "", "default text"));
    char buf[64];
    ASSERT_TRUE(reg->ReadValue(k.get(), "", buf, sizeof buf));
    EXPECT_STREQ(buf, "default text");
    auto whole = reg->ReadValueWhole(k.get(), "");
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->type, kRegSz);
}

TEST_F(RegistryContract, WriteStringStoresTextWithoutTerminatorAndReadsBackWhole) {
    RegKey k = Open();
    ASSERT_TRUE(reg->WriteString(k.get(), "s", "abc"));
    auto v = reg->ReadValueWhole(k.get(), "s");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, kRegSz);
    ASSERT_GE(v->data.size(), 3u);
    EXPECT_EQ(std::string(v->data.begin(), v->data.begin() + 3), "abc");
}

TEST_F(RegistryContract, DwordRoundTripAndWrongSizeIsAbsent) {
    RegKey k = Open();
    ASSERT_TRUE(reg->WriteDword(k.get(), "d", 0xDEADBEEF));
    std::uint32_t n = 0;
    ASSERT_TRUE(reg->ReadDword(k.get(), "d", n));
    EXPECT_EQ(n, 0xDEADBEEFu);
    ASSERT_TRUE(reg->WriteString(k.get(), "s", "longer than four"));
    EXPECT_FALSE(reg->ReadDword(k.get(), "s", n));
    EXPECT_FALSE(reg->ReadDword(k.get(), "missing", n));
}

TEST_F(RegistryContract, LargeValueReadsWhole) {
    RegKey k = Open();
    std::vector<std::uint8_t> data(70000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(reg->WriteValue(k.get(), "big", kRegBinary, data.data(),
                                static_cast<std::uint32_t>(data.size())));
    auto v = reg->ReadValueWhole(k.get(), "big");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data, data);
    auto info = reg->QueryKeyInfo(k.get());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->values, 1u);
    EXPECT_GE(info->maxValueDataBytes, 70000u);
}

TEST_F(RegistryContract, SubkeyEnumerationInCreationOrderEndsAtFirstFailure) {
    for (const char* n : {"b", "a", "c"})
        RegKey(*reg, scratch.Create(n));
    RegKey k = Open();
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t i = 0; reg->EnumKey(k.get(), i, name, 500); ++i)
        names.push_back(name);
    // The platform sorts subkeys by name; the fake keeps creation order. Both give all three.
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(RegistryContract, NameTooLargeForBufferEndsEnumeration) {
    RegKey(*reg, scratch.Create(std::string(20, 'k')));
    RegKey k = Open();
    std::string name;
    EXPECT_FALSE(reg->EnumKey(k.get(), 0, name, 20)); // needs 21 with the terminator
    EXPECT_TRUE(reg->EnumKey(k.get(), 0, name, 21));
    EXPECT_EQ(name, std::string(20, 'k'));
}

TEST_F(RegistryContract, ValueEnumerationFailsOnNameOrDataTooLarge) {
    RegKey k = Open();
    ASSERT_TRUE(reg->WriteString(k.get(), std::string(10, 'n'), "x"));
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_FALSE(reg->EnumValue(k.get(), 0, name, 10, type, data, 100));
    ASSERT_TRUE(reg->EnumValue(k.get(), 0, name, 11, type, data, 100));
    EXPECT_EQ(name, std::string(10, 'n'));
    EXPECT_EQ(type, kRegSz);

    std::vector<std::uint8_t> big(3000, 0x41);
    ASSERT_TRUE(reg->WriteValue(k.get(), std::string(10, 'n'), kRegBinary, big.data(), 3000));
    EXPECT_FALSE(reg->EnumValue(k.get(), 0, name, 500, type, data, 2000));
    ASSERT_TRUE(reg->EnumValue(k.get(), 0, name, 500, type, data, 4000));
    EXPECT_EQ(data.size(), 3000u);
    EXPECT_FALSE(reg->EnumValue(k.get(), 1, name, 500, type, data, 4000));
}

TEST_F(RegistryContract, NamesCompareCaseInsensitively) {
    RegKey(*reg, scratch.Create("MixedCase"));
    RegKey k = Open();
    RegKey child(*reg, reg->OpenKeyRead(k.get(), "mIXEDcASE"));
    EXPECT_TRUE(child);
    ASSERT_TRUE(reg->WriteString(k.get(), "Value", "1"));
    char buf[8];
    EXPECT_TRUE(reg->ReadValue(k.get(), "VALUE", buf, sizeof buf));
    RegKey w(*reg, reg->OpenKeyAllAccess(RootHandle(scratch.root()), scratch.path()));
    EXPECT_TRUE(reg->DeleteValue(w.get(), "vAlUe"));
    EXPECT_FALSE(reg->ReadValue(k.get(), "Value", buf, sizeof buf));
}

TEST_F(RegistryContract, DeleteTreeRemovesEverythingBelow) {
    RegKey deep(*reg, scratch.Create("top\\mid\\leaf"));
    ASSERT_TRUE(deep);
    ASSERT_TRUE(reg->WriteString(deep.get(), "x", "y"));
    deep.Reset();
    RegKey k = Open();
    EXPECT_TRUE(reg->DeleteKeyTree(k.get(), "top"));
    EXPECT_FALSE(RegKey(*reg, reg->OpenKeyRead(k.get(), "top")));
    std::string name;
    EXPECT_FALSE(reg->EnumKey(k.get(), 0, name, 500));
    EXPECT_FALSE(reg->DeleteKeyTree(k.get(), "top")); // already gone
}

TEST_F(RegistryContract, MissingKeysAndHandlesAreAbsenceNotErrors) {
    EXPECT_EQ(reg->OpenKeyRead(RootHandle(scratch.root()), scratch.path() + "\\nope"), kNoKey);
    reg->CloseKey(kNoKey); // harmless
    char buf[4];
    EXPECT_FALSE(reg->ReadValue(kNoKey, "x", buf, sizeof buf));
    std::string name;
    EXPECT_FALSE(reg->EnumKey(kNoKey, 0, name, 500));
    EXPECT_FALSE(reg->QueryKeyInfo(kNoKey));
    EXPECT_EQ(reg->OpenKeyRead(kNoKey, "x"), kNoKey);
}

TEST_F(RegistryContract, ReadOnlyHandleCannotWrite) {
    RegKey k(*reg, reg->OpenKeyRead(RootHandle(scratch.root()), scratch.path()));
    ASSERT_TRUE(k);
    EXPECT_FALSE(reg->WriteString(k.get(), "x", "y"));
}

TEST(RegistryRoots, ConversionsCoverTheFiveRootsAndNothingElse) {
    EXPECT_EQ(RootFullName(kClassesRoot), "HKEY_CLASSES_ROOT");
    EXPECT_EQ(RootFullName(kCurrentUser), "HKEY_CURRENT_USER");
    EXPECT_EQ(RootFullName(kLocalMachine), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(RootFullName(kUsers), "HKEY_USERS");
    EXPECT_EQ(RootFullName(kCurrentConfig), "HKEY_CURRENT_CONFIG");
    EXPECT_EQ(RootAbbreviation(kClassesRoot), "HKCR\\");
    EXPECT_EQ(RootAbbreviation(kUsers), "HKU\\");
    EXPECT_EQ(RootAbbreviation(kCurrentConfig), "HKCC\\");
    EXPECT_EQ(RootFullName(0x80000004u), ""); // performance data
    EXPECT_EQ(RootAbbreviation(0x80000004u), "");
    EXPECT_EQ(RootAbbreviation(0), "");
    EXPECT_EQ(RootFromName("hklm"), kLocalMachine);
    EXPECT_EQ(RootFromName("HKEY_USERS"), kUsers);
    EXPECT_FALSE(RootFromName("HKXX"));
}

} // namespace
} // namespace zt
