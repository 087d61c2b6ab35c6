// The places of the catalog on the fakes: each row's real-world folders, what must stay
// beside them, profiles, programs in use and the totals.
#include <gtest/gtest.h>

#include "diskclean/JunkCatalog.h"
#include "diskclean/common/catalog_fixture.h"
#include "diskclean/JunkCleaning.h"
#include "diskclean/JunkMeasuring.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"

namespace zt {
namespace {

constexpr const char* kLocal = "C:\\Users\\u\\AppData\\Local";
constexpr const char* kRoaming = "C:\\Users\\u\\AppData\\Roaming";
const test::CatalogRoots kRoots{kLocal, kRoaming, "C:\\ProgramData", "D:"};

std::string L(std::string_view rel) {
    return std::string(kLocal) + "\\" + std::string(rel);
}
std::string R(std::string_view rel) {
    return std::string(kRoaming) + "\\" + std::string(rel);
}
using test::ChromiumCaches;
using test::Fixture;

class JunkCatalogTest : public ::testing::Test {
  protected:
    MemoryRegistry reg;
    MemorySystem sys;
    std::vector<Fixture> fixtures = test::Fixtures(kRoots);
    const std::string profilesIni = test::ProfilesIni(kRoots);

    void SetUp() override {
        sys.SetKnownFolder(KnownFolder::LocalAppData, kLocal);
        sys.SetKnownFolder(KnownFolder::AppData, kRoaming);
        sys.SetKnownFolder(KnownFolder::ProgramData, "C:\\ProgramData");
        sys.SetKnownFolder(KnownFolder::Documents, "C:\\Users\\u\\Documents");
        sys.logicalDrives = (1u << 2) | (1u << 3);
        for (const Fixture& f : fixtures) {
            for (const auto& p : f.goes)
                sys.AddFile(p, 100);
            for (const auto& p : f.stays)
                sys.AddFile(p, 1);
        }
        sys.PlantFile(R("Mozilla\\Firefox\\profiles.ini"), profilesIni);
        sys.AddFile("C:\\Users\\u\\Documents\\precious.doc", 5);
    }

    JunkCleanResult Clean(std::vector<std::string> ids, JunkOptions options = {}) {
        struct Yes : UserPrompt {
            int Ask(std::string_view, std::string_view, PromptButtons) override {
                return kAnswerOk;
            }
        } yes;
        JunkSelection s;
        s.places = std::move(ids);
        return CleanJunk(reg, sys, s, yes, {}, 0, options);
    }

    PlaceMeasurement Measure(const char* id) {
        return MeasureJunkPlace(sys, *FindJunkPlace(id), RunningPrograms::Take(sys),
                                ProtectedFolders::Gather(reg, sys), JunkOptions{});
    }
};

// Every row finds its folders and sizes them; a cleaning of all takes exactly the cache
// files and leaves every cookie, history, login, session and storage file.
TEST_F(JunkCatalogTest, EveryRowEmptiesItsCachesAndNothingBeside) {
    ASSERT_EQ(fixtures.size(), JunkCatalog().size()) << "a new place needs its fixture";
    std::vector<std::string> all;
    for (const Fixture& f : fixtures) {
        SCOPED_TRACE(f.id);
        ASSERT_NE(FindJunkPlace(f.id), nullptr);
        PlaceMeasurement m = Measure(f.id);
        EXPECT_EQ(m.state, JunkPlaceState::Found);
        EXPECT_EQ(m.files, f.goes.size());
        EXPECT_EQ(m.bytes, 100 * f.goes.size());
        all.push_back(f.id);
    }
    JunkCleanResult r = Clean(all);
    EXPECT_TRUE(r.Complete()) << r.finalMessage;
    for (const Fixture& f : fixtures) {
        for (const auto& p : f.goes)
            EXPECT_FALSE(sys.Exists(p)) << p;
        for (const auto& p : f.stays)
            EXPECT_TRUE(sys.Exists(p)) << p;
    }
    // The cache folders themselves stay for the program that fills them.
    EXPECT_TRUE(sys.IsDirectory(L("Microsoft\\Edge\\User Data\\Default\\Cache\\Cache_Data")));
}

TEST_F(JunkCatalogTest, WildcardsAndProfileListsMatchOnlyWhatTheyShould) {
    auto ini = ParseProfilesIni(profilesIni);
    ASSERT_EQ(ini.size(), 3u);
    EXPECT_EQ(ini[0].path, "Profiles\\a.default");
    EXPECT_TRUE(ini[0].relative);
    EXPECT_EQ(ini[1].path, "D:\\FxProfile");
    EXPECT_FALSE(ini[1].relative);
    EXPECT_EQ(ini[2].path, "Profiles\\missing");
    EXPECT_TRUE(ParseProfilesIni("[Profile0]\nIsRelative=1\nPath=C:\\abs\n").empty());

    EXPECT_TRUE(NameMatches("thumbcache_*.db", "THUMBCACHE_1280.DB"));
    EXPECT_FALSE(NameMatches("thumbcache_*.db", "thumbcache_1.db.bak"));
    EXPECT_FALSE(NameMatches("thumbcache_*.db", "xthumbcache_1.db"));
    EXPECT_TRUE(NameMatches("a*b*c", "axxbyyc"));
    EXPECT_FALSE(NameMatches("a*b*c", "axxbyy"));

    // No row reaches a file a profile keeps for the user, whatever its folder.
    for (const JunkPlaceRow& row : JunkCatalog()) {
        SCOPED_TRACE(row.id);
        ResolvedPlace place = ResolveJunkPlace(sys, row, {}, ProtectedFolders::Gather(reg, sys));
        for (const JunkInstance& inst : place.instances)
            for (const std::string& cache : inst.caches)
                for (const char* never :
                     {"Cookies", "History", "Login Data", "Local Storage", "Sessions", "Extensions",
                      "Service Worker", "Network", "IndexedDB", "storage", "Downloads"})
                    EXPECT_EQ(cache.find("\\" + std::string(never)), std::string::npos) << cache;
    }
}

// A profile folder that is a link is never emptied through; a link inside a cache goes as a
// link, never what it points at.
TEST_F(JunkCatalogTest, LinksAreNeverFollowed) {
    const std::string userData = L("Google\\Chrome\\User Data");
    sys.AddFile("C:\\Elsewhere\\Profile\\Preferences", 1);
    sys.AddFile("C:\\Elsewhere\\Profile\\Cache\\Cache_Data\\keep", 7);
    sys.AddLink(userData + "\\Linked", "C:\\Elsewhere\\Profile", true);
    sys.AddLink(userData + "\\Default\\Cache\\Cache_Data\\docs", "C:\\Users\\u\\Documents", true);
    for (bool followed : {false, true}) {
        sys.linksFollowed = followed;
        ResolvedPlace place = ResolveJunkPlace(sys, *FindJunkPlace("chrome-cache"), {},
                                               ProtectedFolders::Gather(reg, sys));
        EXPECT_EQ(place.instances.size(), 2u);
        for (const JunkInstance& inst : place.instances)
            EXPECT_EQ(inst.base.find("Linked"), std::string::npos);
        if (followed) continue;
        ASSERT_EQ(place.refused.size(), 1u);
        EXPECT_NE(place.refused[0].find("Linked is a link"), std::string::npos);
    }
    EXPECT_TRUE(Clean({"chrome-cache"}).Complete());
    EXPECT_TRUE(sys.Exists("C:\\Elsewhere\\Profile\\Cache\\Cache_Data\\keep"));
    EXPECT_TRUE(sys.Exists("C:\\Users\\u\\Documents\\precious.doc"));
}

// A browser holding its lock is left alone and named; its other profiles, and browsers that
// only share its program's name, are cleaned.
TEST_F(JunkCatalogTest, RunningBrowserIsLeftAloneAndNamed) {
    sys.AddFile(L("Microsoft\\Edge\\User Data\\lockfile"), 0);
    sys.heldOpen.push_back(L("Microsoft\\Edge\\User Data\\lockfile"));
    sys.AddFile(R("Mozilla\\Firefox\\Profiles\\a.default\\parent.lock"), 0);
    sys.heldOpen.push_back(R("Mozilla\\Firefox\\Profiles\\a.default\\parent.lock"));
    sys.AddFile("D:\\FxProfile\\parent.lock", 0); // left by an earlier run, not held
    sys.AddFile(L("Google\\Chrome\\User Data\\lockfile"), 0);
    // chrome.exe runs, but for another user data folder: its lock here is free. Brave has no
    // lock file, so its program's name decides.
    sys.runningImages = {"explorer.exe", "CHROME.EXE", "brave.exe", "firefox.exe"};

    PlaceMeasurement edge = Measure("edge-cache");
    EXPECT_EQ(edge.state, JunkPlaceState::InUse);
    EXPECT_EQ(edge.note, "Close Microsoft Edge to clean its cache.");
    EXPECT_EQ(edge.sizeText, "(in use)");
    PlaceMeasurement fx = Measure("firefox-cache");
    EXPECT_EQ(fx.state, JunkPlaceState::InUse);
    EXPECT_EQ(fx.bytes, 100u); // the free profile only
    EXPECT_EQ(fx.sizeText, "100 B (in use)");

    JunkCleanResult r = Clean({"edge-cache", "chrome-cache", "brave-cache", "firefox-cache"});
    EXPECT_FALSE(r.Complete());
    ASSERT_EQ(r.catalog.size(), 4u);
    EXPECT_EQ(r.catalog[0].outcome, JunkPlaceOutcome::NotCleaned);
    EXPECT_EQ(r.catalog[1].outcome, JunkPlaceOutcome::Cleaned);
    EXPECT_EQ(r.catalog[2].outcome, JunkPlaceOutcome::NotCleaned);
    EXPECT_EQ(r.catalog[3].outcome, JunkPlaceOutcome::PartlyCleaned);
    EXPECT_NE(r.finalMessage.find(
                  "Microsoft Edge cache not cleaned: Close Microsoft Edge to clean its cache."),
              std::string::npos)
        << r.finalMessage;
    EXPECT_NE(r.finalMessage.find("Close Brave to clean its cache."), std::string::npos);
    for (const auto& p : ChromiumCaches(L("Microsoft\\Edge\\User Data\\Default")))
        EXPECT_TRUE(sys.Exists(p)) << p;
    EXPECT_TRUE(sys.Exists(L("Mozilla\\Firefox\\Profiles\\a.default\\cache2\\entries\\E1")));
    EXPECT_FALSE(sys.Exists("D:\\FxProfile\\cache2\\entries\\E2"));
    for (const auto& p : ChromiumCaches(L("Google\\Chrome\\User Data\\Default")))
        EXPECT_FALSE(sys.Exists(p)) << p;
}

// The totals count the files deleted, never those that stayed, and each drive's change is
// shown beside them as the drive reports it.
TEST_F(JunkCatalogTest, TotalsAreTheFilesDeletedAndEachDrivesChange) {
    sys.driveFree["C:\\"] = 1000;
    sys.driveFree["D:\\"] = 50;
    // Hard-linked elsewhere: deleting frees nothing on the drive.
    sys.sharedData.push_back("D:\\FxProfile\\cache2\\entries\\E2");
    // Explorer holds one open: in use, not deleted, not counted.
    sys.heldOpen.push_back(L("Microsoft\\Windows\\Explorer\\iconcache_16.db"));
    // Vanishes between measuring and emptying: neither a deletion nor a failure.
    PlaceMeasurement before = Measure("crash-dumps");
    EXPECT_EQ(before.files, 1u);
    ASSERT_TRUE(sys.RemoveFile(L("CrashDumps\\app.exe.123.dmp")));
    sys.driveFree["C:\\"] -= 100;

    JunkCleanResult r = Clean({"firefox-cache", "thumbnail-cache", "crash-dumps"});
    EXPECT_EQ(r.BytesDeleted(), 300u);
    EXPECT_EQ(r.FilesDeleted(), 3u);
    EXPECT_EQ(r.FilesLeft(), 1u);
    EXPECT_EQ(r.catalog[1].reason, "1 file could not be deleted (in use)");
    EXPECT_EQ(r.catalog[2].outcome, JunkPlaceOutcome::Cleaned);
    ASSERT_EQ(r.drives.size(), 2u);
    EXPECT_EQ(r.drives[0].Gained(), 200);
    EXPECT_EQ(r.drives[1].Gained(), 0);
    EXPECT_EQ(JunkTotalsLine(r), "300 B deleted; drive C: gained 200 B; drive D: gained 0 B");
    EXPECT_NE(r.finalMessage.find("300 B deleted; drive C: gained 200 B"), std::string::npos);
}

// The age rule keeps young cache files out of the size and the cleaning, and says so.
TEST_F(JunkCatalogTest, YoungFilesAreKeptAndNamed) {
    sys.SetLastWriteTime(L("D3DSCache\\abc\\x.idx"), sys.currentTime - 3600);
    PlaceMeasurement m = Measure("directx-shader-cache");
    EXPECT_EQ(m.bytes, 0u);
    EXPECT_EQ(m.sizeText, "0 B; 1 file kept: changed in the last 24 hours");
    EXPECT_TRUE(Clean({"directx-shader-cache"}).Complete());
    EXPECT_TRUE(sys.Exists(L("D3DSCache\\abc\\x.idx")));
    EXPECT_TRUE(Clean({"directx-shader-cache"}, JunkOptions{0}).Complete());
    EXPECT_FALSE(sys.Exists(L("D3DSCache\\abc\\x.idx")));
    sys.SetKnownFolder(KnownFolder::LocalAppData, "C:\\Nowhere");
    EXPECT_EQ(Measure("directx-shader-cache").sizeText, "(not found)");
    // Nothing there is nothing left behind.
    EXPECT_EQ(Clean({"directx-shader-cache"}).catalog[0].outcome, JunkPlaceOutcome::Cleaned);
}

} // namespace
} // namespace zt
