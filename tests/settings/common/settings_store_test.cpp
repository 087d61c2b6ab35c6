#include <gtest/gtest.h>

#include "seams/Unicode.h"
#include "settings/SettingsStore.h"
#include "support/seams.h"

namespace zt {
namespace {

class SettingsStoreTest : public ::testing::Test {
  protected:
    std::unique_ptr<Registry> reg = test::MakeRegistry();
    std::string app = "zt-settings-test-" +
                      std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
    SettingsStore store{*reg, app};
    void TearDown() override {
        (void)reg->DeleteKeyTree(RootHandle(kCurrentUser),
                                 std::string("Software\\Morvane\\") + app);
    }
};

TEST_F(SettingsStoreTest, LocationAndDefaultsOfAFreshProfile) {
    EXPECT_EQ(store.KeyPath(), "Software\\Morvane\\" + app + "\\settings");
    // A first run: registered at start-up, layout saved, buttons sounding, old files kept.
    EXPECT_TRUE(store.IsOn(settings::StartupMode));
    EXPECT_TRUE(store.IsOn(settings::SavePos));
    EXPECT_FALSE(store.IsOn(settings::ButtonSilence));
    EXPECT_TRUE(store.IsOn(settings::KeepRecentJunk));
    EXPECT_TRUE(store.IsOn(settings::ScanAreaSwitch("CheckCLSID")));
    WindowRect r{};
    EXPECT_FALSE(ReadWindowRect(store, r));
    int tab = 7;
    EXPECT_TRUE(ReadActiveTab(store, tab));
    EXPECT_EQ(tab, 0);
}

TEST_F(SettingsStoreTest, ValuesAreDwordsUnderTheProfileKey) {
    EXPECT_TRUE(store.Write(settings::SavePos, 0));
    EXPECT_TRUE(store.WriteInt("main_left", -5));
    EXPECT_EQ(store.Read(settings::SavePos), 0);
    EXPECT_EQ(store.ReadInt("main_left", -1), -5);
    RegKey k(*reg, reg->OpenKeyRead(RootHandle(kCurrentUser), store.KeyPath()));
    ASSERT_TRUE(k);
    std::uint32_t type = 0;
    std::uint32_t v = 0;
    ASSERT_TRUE(reg->ReadValueTyped(k.get(), "SavePos", &v, sizeof v, type));
    EXPECT_EQ(type, kRegDword);
}

// The registry folds a name's case, so two settings whose keys differ only in case are one
// value read with two defaults; and a value of another type must read as the default, never
// as whatever its bytes say.
TEST_F(SettingsStoreTest, EachNamedSettingHasOneKeyAndReadsItsDefaultUntilWrittenAsADword) {
    for (const Setting& a : settings::kNamed) {
        for (const Setting& b : settings::kNamed) {
            if (&a != &b) {
                EXPECT_FALSE(NamesEqual(a.key, b.key)) << a.key << " twice";
            }
        }
        EXPECT_EQ(store.Read(a), a.fallback) << a.key;
        RegKey w(*reg, reg->CreateKey(RootHandle(kCurrentUser), store.KeyPath()));
        EXPECT_TRUE(reg->WriteString(w.get(), a.key, "7"));
        EXPECT_EQ(store.Read(a), a.fallback) << a.key << " as a string";
        EXPECT_TRUE(store.Write(a, a.fallback + 7));
        EXPECT_EQ(store.Read(a), a.fallback + 7) << a.key;
    }
}

// The switches are positional fields; each must land in its own key and come back from it.
TEST_F(SettingsStoreTest, EachProgramSwitchIsWrittenToAndReadFromItsOwnKey) {
    const ProgramSwitches defaults = ReadProgramSwitches(store);
    bool ProgramSwitches::*fields[] = {&ProgramSwitches::buttonSilence,
                                       &ProgramSwitches::startupMode, &ProgramSwitches::savePos,
                                       &ProgramSwitches::keepRecentJunk};
    const Setting keys[] = {settings::ButtonSilence, settings::StartupMode, settings::SavePos,
                            settings::KeepRecentJunk};
    for (int flipped = 0; flipped < 4; ++flipped) {
        ProgramSwitches on = defaults;
        on.*fields[flipped] = !(on.*fields[flipped]);
        EXPECT_TRUE(WriteProgramSwitches(store, on));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(store.IsOn(keys[i]), on.*fields[i]) << keys[i].key << " after " << flipped;
        EXPECT_EQ(ReadProgramSwitches(store).*fields[flipped], on.*fields[flipped]);
    }
}

TEST_F(SettingsStoreTest, RectangleOnlyWhenAllFourKeysAreSet) {
    EXPECT_TRUE(store.Write(settings::MainLeft, 10));
    EXPECT_TRUE(store.Write(settings::MainTop, 20));
    EXPECT_TRUE(store.Write(settings::MainRight, 300));
    WindowRect r{};
    EXPECT_FALSE(ReadWindowRect(store, r));
    EXPECT_TRUE(store.Write(settings::MainBottom, 400));
    ASSERT_TRUE(ReadWindowRect(store, r));
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.bottom, 400);
    EXPECT_TRUE(store.Write(settings::MainTop, -1));
    EXPECT_FALSE(ReadWindowRect(store, r));
}

TEST_F(SettingsStoreTest, ListWidthsOnlyWhenEveryColumnIsSetAndLow16Bits) {
    int widths[4] = {1, 2, 3, 4};
    EXPECT_TRUE(store.WriteInt("Registry_List_0", 50));
    EXPECT_TRUE(store.WriteInt("Registry_List_1", 60));
    EXPECT_TRUE(store.WriteInt("Registry_List_2", 70));
    EXPECT_FALSE(ReadListWidths(store, settings::RegistryList, 4, widths));
    EXPECT_EQ(widths[0], 1); // untouched
    EXPECT_TRUE(store.WriteInt("Registry_List_3", 0x00050080));
    ASSERT_TRUE(ReadListWidths(store, settings::RegistryList, 4, widths));
    EXPECT_EQ(widths[0], 50);
    EXPECT_EQ(widths[3], 0x80);
    const int saved[2] = {111, 222};
    EXPECT_TRUE(WriteListWidths(store, settings::RestoreList, 2, saved));
    int back[2] = {};
    ASSERT_TRUE(ReadListWidths(store, settings::RestoreList, 2, back));
    EXPECT_EQ(back[1], 222);
}

TEST_F(SettingsStoreTest, ActiveTabOnlyZeroToFour) {
    int tab = 0;
    EXPECT_TRUE(store.Write(settings::ActiveTab, 4));
    ASSERT_TRUE(ReadActiveTab(store, tab));
    EXPECT_EQ(tab, 4);
    for (int bad : {5, 9, -1, -3}) {
        EXPECT_TRUE(store.Write(settings::ActiveTab, bad));
        tab = 2;
        EXPECT_FALSE(ReadActiveTab(store, tab)) << bad;
        EXPECT_EQ(tab, 2);
    }
}

TEST_F(SettingsStoreTest, AnotherExecutableNameIsASeparateEmptyProfile) {
    EXPECT_TRUE(store.Write(settings::SavePos, 0));
    SettingsStore renamed(*reg, app + "-renamed");
    EXPECT_EQ(renamed.Read(settings::SavePos), 1);
    EXPECT_EQ(ApplicationNameFromPath("C:\\Program Files\\Zentrove\\zentrove.exe"), "zentrove");
    EXPECT_EQ(ApplicationNameFromPath("C:\\x\\my.tool.exe"), "my.tool");
    EXPECT_EQ(ApplicationNameFromPath("plain"), "plain");
}

} // namespace
} // namespace zt
