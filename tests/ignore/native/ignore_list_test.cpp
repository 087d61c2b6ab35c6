// The ignore list's rules: what an entry may be, what counts as the same entry, and what each
// kind takes in.
#include <gtest/gtest.h>

#include "scan/IgnoredFindings.h"

namespace zt {
namespace {

TEST(IgnoreListRules, EntriesAreCheckedAgainstTheRegistryLimits) {
    const std::string k255(255, 'k');
    // Limits count UTF-16 units: 255 Cyrillic letters take 510 bytes, an emoji two units.
    std::string cyrillic255, emoji256;
    for (int i = 0; i < 255; ++i)
        cyrillic255 += "Ж";
    for (int i = 0; i < 128; ++i)
        emoji256 += "😀";
    std::string cjk16383;
    for (int i = 0; i < 16383; ++i)
        cjk16383 += "工";
    std::string deep = "k";
    for (int i = 1; i < 513; ++i)
        deep += "\\k";
    struct Case {
        RootKey root;
        std::string path, value;
        IgnoreProblem expected;
    } cases[] = {
        {kCurrentUser, "\\Software\\X\\\\", "", IgnoreProblem::None}, // kept as Software\X
        {0x80000004u, "Software\\X", "", IgnoreProblem::UnknownRoot},
        {kLocalMachine, "\\\\", "", IgnoreProblem::EmptyKeyPath},
        {kLocalMachine, "A\\\\B", "", IgnoreProblem::EmptyKeyName},
        {kLocalMachine, "A\\" + k255, "", IgnoreProblem::None},
        {kLocalMachine, "A\\" + k255 + "k", "", IgnoreProblem::KeyNameTooLong},
        {kUsers, deep, "", IgnoreProblem::KeyPathTooDeep},
        {kClassesRoot, "CLSID", std::string(16383, 'v'), IgnoreProblem::None},
        {kClassesRoot, "CLSID", std::string(16384, 'v'), IgnoreProblem::ValueNameTooLong},
        {kLocalMachine, "A\\" + cyrillic255, "", IgnoreProblem::None},
        {kLocalMachine, "A\\" + emoji256, "", IgnoreProblem::KeyNameTooLong},
        {kClassesRoot, "CLSID", cjk16383, IgnoreProblem::None},
        {kClassesRoot, "CLSID", cjk16383 + "工", IgnoreProblem::ValueNameTooLong},
    };
    for (auto& c : cases) {
        IgnoreEntry e{c.root, c.path, c.value, IgnoreKind::Value};
        EXPECT_EQ(CheckIgnoreEntry(e), c.expected) << c.path.substr(0, 40);
        if (&c == &cases[0]) {
            EXPECT_EQ(e.keyPath, "Software\\X");
        }
    }
    RootKey root = 0;
    std::string path;
    EXPECT_EQ(ParseIgnoreKeyPath("hkey_current_user\\Software\\X\\", root, path),
              IgnoreProblem::None);
    EXPECT_EQ(root, kCurrentUser);
    EXPECT_EQ(path, "Software\\X");
    EXPECT_EQ(ParseIgnoreKeyPath("HKCU", root, path), IgnoreProblem::EmptyKeyPath);
    EXPECT_EQ(ParseIgnoreKeyPath("Software\\X", root, path), IgnoreProblem::UnknownRoot);
}

TEST(IgnoreListRules, SameEntryInAnyCaseOrInsideAnIgnoredTreeIsRefused) {
    IgnoreList list;
    struct Step {
        IgnoreEntry entry;
        IgnoreProblem expected;
    } steps[] = {
        {{kCurrentUser, "Software\\App", "Path", IgnoreKind::Value}, IgnoreProblem::None},
        {{kCurrentUser, "SOFTWARE\\app\\", "PATH", IgnoreKind::Value},
         IgnoreProblem::AlreadyIgnored},
        // Another value, the key itself, another root: other entries.
        {{kCurrentUser, "Software\\App", "Other", IgnoreKind::Value}, IgnoreProblem::None},
        {{kCurrentUser, "Software\\App", "", IgnoreKind::Key}, IgnoreProblem::None},
        {{kLocalMachine, "Software\\App", "Path", IgnoreKind::Value}, IgnoreProblem::None},
        {{kCurrentUser, "software\\APP", "", IgnoreKind::Key}, IgnoreProblem::AlreadyIgnored},
        // A tree takes in what lies below it, not a sibling that only starts alike.
        {{kCurrentUser, "Software\\Tree", "", IgnoreKind::Tree}, IgnoreProblem::None},
        {{kCurrentUser, "software\\tree\\sub", "v", IgnoreKind::Value},
         IgnoreProblem::AlreadyIgnored},
        {{kCurrentUser, "Software\\Tree\\Sub", "", IgnoreKind::Tree},
         IgnoreProblem::AlreadyIgnored},
        {{kCurrentUser, "Software\\Treetop", "", IgnoreKind::Key}, IgnoreProblem::None},
    };
    for (const auto& s : steps)
        EXPECT_EQ(list.Add(s.entry), s.expected) << s.entry.keyPath << "|" << s.entry.valueName;
    EXPECT_EQ(list.Size(), 6u);
    EXPECT_TRUE(list.Remove(0));
    EXPECT_FALSE(list.Remove(5));
    EXPECT_EQ(list.Add(steps[0].entry), IgnoreProblem::None);
}

TEST(IgnoreListRules, EachKindTakesInOnlyItsOwnFindings) {
    const IgnoreEntry value{kCurrentUser, "Software\\App", "", IgnoreKind::Value}; // default
    const IgnoreEntry key{kCurrentUser, "Software\\App", "", IgnoreKind::Key};
    const IgnoreEntry tree{kCurrentUser, "Software\\App", "", IgnoreKind::Tree};
    struct Case {
        ScanFinding f;
        bool byValue, byKey, byTree;
    } cases[] = {
        {{kCurrentUser, "software\\app", "", FindingKind::Value}, true, false, true},
        {{kCurrentUser, "Software\\App", "", FindingKind::Key}, false, true, true},
        {{kCurrentUser, "Software\\App", "x", FindingKind::Value}, false, false, true},
        {{kCurrentUser, "Software\\App\\Sub", "", FindingKind::Key}, false, false, true},
        {{kCurrentUser, "Software\\Apple", "", FindingKind::Key}, false, false, false},
        {{kLocalMachine, "Software\\App", "", FindingKind::Key}, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.f.keyPath + "|" + c.f.valueName);
        for (auto [entry, expected] :
             {std::pair{value, c.byValue}, std::pair{key, c.byKey}, std::pair{tree, c.byTree}}) {
            IgnoreList one;
            one.Add(entry);
            EXPECT_EQ(IsIgnored(one, c.f), expected);
        }
    }
    EXPECT_EQ(IgnoreEntryFor(cases[2].f, false).kind, IgnoreKind::Value);
    EXPECT_EQ(IgnoreEntryFor(cases[1].f, false).kind, IgnoreKind::Key);
    EXPECT_EQ(IgnoreEntryFor(cases[2].f, true).kind, IgnoreKind::Tree);
}

} // namespace
} // namespace zt
