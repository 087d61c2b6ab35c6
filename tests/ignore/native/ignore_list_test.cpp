// The ignore list's rules on the in-memory registry: what an entry may be, what counts as the
// same entry, what it takes in, how it is kept, and the scan that leaves ignored findings out.
#include <gtest/gtest.h>

#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"
#include "scan/IgnoredFindings.h"
#include "scan/ScanEngine.h"
#include "scan/scan_support.h"
#include "settings/SettingsStore.h"

namespace zt {
namespace {

TEST(IgnoreListRules, EntriesAreCheckedAgainstTheRegistryLimits) {
    const std::string name255(255, 'k');
    struct Case {
        RootKey root;
        std::string path;
        std::string value;
        IgnoreProblem expected;
        std::string storedPath;
    } cases[] = {
        {kCurrentUser, "Software\\X", "", IgnoreProblem::None, "Software\\X"},
        {kCurrentUser, "\\Software\\X\\\\", "", IgnoreProblem::None, "Software\\X"},
        {0x80000004u, "Software\\X", "", IgnoreProblem::UnknownRoot, ""},
        {kLocalMachine, "", "", IgnoreProblem::EmptyKeyPath, ""},
        {kLocalMachine, "\\\\", "", IgnoreProblem::EmptyKeyPath, ""},
        {kLocalMachine, "A\\\\B", "", IgnoreProblem::EmptyKeyName, ""},
        {kLocalMachine, "A\\" + name255, "", IgnoreProblem::None, "A\\" + name255},
        {kLocalMachine, "A\\" + name255 + "k", "", IgnoreProblem::KeyNameTooLong, ""},
        {kCurrentConfig, std::string(1023, 'a'), "", IgnoreProblem::KeyNameTooLong, ""},
        {kClassesRoot, "CLSID", std::string(16383, 'v'), IgnoreProblem::None, "CLSID"},
        {kClassesRoot, "CLSID", std::string(16384, 'v'), IgnoreProblem::ValueNameTooLong, ""},
    };
    for (auto& c : cases) {
        IgnoreEntry e{c.root, c.path, c.value, IgnoreKind::Value};
        EXPECT_EQ(CheckIgnoreEntry(e), c.expected) << c.path.substr(0, 40);
        if (c.expected == IgnoreProblem::None) EXPECT_EQ(e.keyPath, c.storedPath);
    }
    std::string deep;
    for (int i = 0; i < 513; ++i)
        deep += (i ? "\\k" : "k");
    IgnoreEntry tooDeep{kCurrentUser, deep, "", IgnoreKind::Tree};
    EXPECT_EQ(CheckIgnoreEntry(tooDeep), IgnoreProblem::KeyPathTooDeep);

    RootKey root = 0;
    std::string path;
    EXPECT_EQ(ParseIgnoreKeyPath("hkey_current_user\\Software\\X\\", root, path),
              IgnoreProblem::None);
    EXPECT_EQ(root, kCurrentUser);
    EXPECT_EQ(path, "Software\\X");
    EXPECT_EQ(ParseIgnoreKeyPath("HKLM\\SOFTWARE", root, path), IgnoreProblem::None);
    EXPECT_EQ(root, kLocalMachine);
    EXPECT_EQ(ParseIgnoreKeyPath("HKCU", root, path), IgnoreProblem::EmptyKeyPath);
    EXPECT_EQ(ParseIgnoreKeyPath("HKXX\\Software", root, path), IgnoreProblem::UnknownRoot);
    EXPECT_EQ(ParseIgnoreKeyPath("Software\\X", root, path), IgnoreProblem::UnknownRoot);
}

TEST(IgnoreListRules, SameEntryInAnyCaseOrInsideAnIgnoredTreeIsRefused) {
    IgnoreList list;
    EXPECT_EQ(list.Add({kCurrentUser, "Software\\App", "Path", IgnoreKind::Value}),
              IgnoreProblem::None);
    EXPECT_EQ(list.Add({kCurrentUser, "SOFTWARE\\app\\", "PATH", IgnoreKind::Value}),
              IgnoreProblem::AlreadyIgnored);
    // Another value, the key itself, or another root are other entries.
    EXPECT_EQ(list.Add({kCurrentUser, "Software\\App", "Other", IgnoreKind::Value}),
              IgnoreProblem::None);
    EXPECT_EQ(list.Add({kCurrentUser, "Software\\App", "", IgnoreKind::Key}), IgnoreProblem::None);
    EXPECT_EQ(list.Add({kLocalMachine, "Software\\App", "Path", IgnoreKind::Value}),
              IgnoreProblem::None);
    EXPECT_EQ(list.Add({kCurrentUser, "software\\APP", "", IgnoreKind::Key}),
              IgnoreProblem::AlreadyIgnored);
    // A tree takes in what lies below it, but not a sibling that only starts alike.
    EXPECT_EQ(list.Add({kCurrentUser, "Software\\Tree", "", IgnoreKind::Tree}),
              IgnoreProblem::None);
    EXPECT_EQ(list.Add({kCurrentUser, "software\\tree\\sub", "v", IgnoreKind::Value}),
              IgnoreProblem::AlreadyIgnored);
    EXPECT_EQ(list.Add({kCurrentUser, "Software\\Tree\\Sub", "", IgnoreKind::Tree}),
              IgnoreProblem::AlreadyIgnored);
    EXPECT_EQ(list.Add({kCurrentUser, "Software\\Treetop", "", IgnoreKind::Key}),
              IgnoreProblem::None);
    EXPECT_EQ(list.Size(), 6u);
    EXPECT_TRUE(list.Remove(0));
    EXPECT_FALSE(list.Remove(5));
    EXPECT_EQ(list.Add({kCurrentUser, "Software\\App", "Path", IgnoreKind::Value}),
              IgnoreProblem::None);
}

TEST(IgnoreListRules, EachKindTakesInOnlyItsOwnFindings) {
    IgnoreEntry value{kCurrentUser, "Software\\App", "", IgnoreKind::Value}; // the default value
    IgnoreEntry key{kCurrentUser, "Software\\App", "", IgnoreKind::Key};
    IgnoreEntry tree{kCurrentUser, "Software\\App", "", IgnoreKind::Tree};
    struct Case {
        RootKey root;
        const char* path;
        const char* name;
        bool keyFinding;
        bool byValue, byKey, byTree;
    } cases[] = {
        {kCurrentUser, "software\\app", "", false, true, false, true},
        {kCurrentUser, "Software\\App", "", true, false, true, true},
        {kCurrentUser, "Software\\App", "x", false, false, false, true},
        {kCurrentUser, "Software\\App\\Sub", "", true, false, false, true},
        {kCurrentUser, "Software\\App\\Sub", "", false, false, false, true},
        {kCurrentUser, "Software\\Apple", "", true, false, false, false},
        {kCurrentUser, "Software", "", true, false, false, false},
        {kLocalMachine, "Software\\App", "", true, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path) + "|" + c.name);
        EXPECT_EQ(IgnoreMatches(value, c.root, c.path, c.name, c.keyFinding), c.byValue);
        EXPECT_EQ(IgnoreMatches(key, c.root, c.path, c.name, c.keyFinding), c.byKey);
        EXPECT_EQ(IgnoreMatches(tree, c.root, c.path, c.name, c.keyFinding), c.byTree);
    }
    ScanFinding f{kCurrentUser, "Software\\App", "v", FindingKind::Value};
    EXPECT_EQ(IgnoreEntryFor(f, false).kind, IgnoreKind::Value);
    EXPECT_EQ(IgnoreEntryFor(f, true).kind, IgnoreKind::Tree);
    f.kind = FindingKind::Key;
    EXPECT_EQ(IgnoreEntryFor(f, false).kind, IgnoreKind::Key);
}

TEST(IgnoreListStore, KeptInTheProfileKeyInOrderAndHandEditedJunkIsPassedOver) {
    MemoryRegistry reg;
    SettingsStore store(reg, "zentrove");
    EXPECT_EQ(LoadIgnoreList(store).Size(), 0u);
    IgnoreList list;
    list.Add({kCurrentUser, "Software\\A", "", IgnoreKind::Tree});
    list.Add({kLocalMachine, "Software\\B", "", IgnoreKind::Value});
    list.Add({kClassesRoot, "CLSID\\{X}", "", IgnoreKind::Key});
    for (int i = 0; i < 9; ++i)
        list.Add({kUsers, "K" + std::to_string(i), "v", IgnoreKind::Value});
    ASSERT_TRUE(SaveIgnoreList(store, list));
    const std::string top = "Software\\Morvane\\zentrove\\IgnoreList";
    // Broken entries written by hand: an unknown root, a value entry without its name.
    test::SetString(reg, kCurrentUser, top + "\\13", "Root", "HKXX");
    test::SetString(reg, kCurrentUser, top + "\\13", "KeyPath", "Software\\C");
    test::SetString(reg, kCurrentUser, top + "\\13", "Kind", "tree");
    test::SetString(reg, kCurrentUser, top + "\\14", "Root", "HKCU");
    test::SetString(reg, kCurrentUser, top + "\\14", "KeyPath", "Software\\D");
    test::SetString(reg, kCurrentUser, top + "\\14", "Kind", "value");

    IgnoreList back = LoadIgnoreList(store);
    ASSERT_EQ(back.Size(), 12u);
    for (std::size_t i = 0; i < back.Size(); ++i) {
        EXPECT_EQ(back.Entries()[i].root, list.Entries()[i].root);
        EXPECT_EQ(back.Entries()[i].keyPath, list.Entries()[i].keyPath);
        EXPECT_EQ(back.Entries()[i].valueName, list.Entries()[i].valueName);
        EXPECT_EQ(back.Entries()[i].kind, list.Entries()[i].kind);
    }
    back.Remove(0);
    ASSERT_TRUE(SaveIgnoreList(store, back));
    EXPECT_EQ(LoadIgnoreList(store).Size(), 11u);
    ASSERT_TRUE(SaveIgnoreList(store, IgnoreList()));
    EXPECT_EQ(reg.OpenKeyRead(RootHandle(kCurrentUser), top), kNoKey);
}

TEST(IgnoreListScan, IgnoredFindingsAreCountedNotReportedUntilRemoved) {
    constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    MemoryRegistry reg;
    MemorySystem sys;
    SettingsStore store(reg, "zentrove");
    for (const char* name : {"gone1", "gone2", "gone3"})
        test::SetString(reg, kCurrentUser, kRun, name, "C:\\Gone\\x.exe");
    IgnoreList list;
    list.Add({kCurrentUser, std::string(kRun), "GONE2", IgnoreKind::Value});
    ASSERT_TRUE(SaveIgnoreList(store, list));

    struct Summary : test::RecordingSink {
        ScanSummary last;
        void ScanFinished(const ScanSummary& s) override { last = s; }
    } summary;
    ScanEngine engine(reg, sys, summary);
    engine.SetAllCategories(false);
    engine.categoryEnabled[6] = true; // Startup Section
    engine.UseIgnoreListOf(&store);
    engine.BeginScan();
    engine.RunScan();
    EXPECT_EQ(summary.CountUnder("HKCU\\" + std::string(kRun)), 2u);
    EXPECT_EQ(summary.Find("HKCU\\" + std::string(kRun) + "\\gone2"), nullptr);
    EXPECT_EQ(summary.last.count, 2);
    EXPECT_EQ(summary.last.ignored, 1);
    // Numbering counts only what is listed.
    EXPECT_EQ(summary.rows.back().number, "2");

    ASSERT_TRUE(SaveIgnoreList(store, IgnoreList()));
    summary.rows.clear();
    engine.BeginScan();
    engine.RunScan();
    EXPECT_EQ(summary.last.count, 3);
    EXPECT_EQ(summary.last.ignored, 0);
}

} // namespace
} // namespace zt
