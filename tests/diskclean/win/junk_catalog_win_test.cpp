// The catalog's places on real files under Wine: planted profiles of every browser, a
// stand-in browser holding its lock, and the totals of a cleaning.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/CmdJunk.h"
#include "diskclean/JunkCleaning.h"
#include "diskclean/JunkMeasuring.h"
#include "diskclean/common/catalog_fixture.h"
#include "junk_support.h"
#include "platform/win32/Win32Registry.h"
#include "support/seams.h"
#include "support/win_process.h"

namespace zt {
namespace {

const JunkOptions kAnyAge{0}; // planted files are young

void Plant(const std::string& path, std::size_t bytes) {
    std::wstring folder = WidePath(path.substr(0, path.rfind('\\')));
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    HANDLE f =
        CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
    std::string data(bytes, 'x');
    DWORD written = 0;
    if (bytes) {
        ASSERT_TRUE(WriteFile(f, data.data(), static_cast<DWORD>(bytes), &written, nullptr));
    }
    CloseHandle(f);
}

bool Exists(const std::string& p) {
    return GetFileAttributesW(WidePath(p).c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct Yes : UserPrompt {
    int Ask(std::string_view, std::string_view, PromptButtons) override { return kAnswerOk; }
};

class CatalogWin : public ::testing::Test {
  protected:
    Win32Registry reg;
    test::RedirectedSystem sys;
    std::string base = test::ScratchFolder(sys);
    test::CatalogRoots roots{base + "\\Local", base + "\\Roaming", base + "\\ProgramData",
                             base + "\\Elsewhere"};
    std::vector<test::Fixture> fixtures = test::Fixtures(roots);
    std::uint64_t plantedBytes = 0;
    std::map<std::string, std::uint64_t> sizes; // of the files a cleaning removes

    void SetUp() override {
        sys.folders[KnownFolder::LocalAppData] = roots.local;
        sys.folders[KnownFolder::AppData] = roots.roaming;
        sys.folders[KnownFolder::ProgramData] = roots.programData;
        std::size_t size = 1000;
        for (const test::Fixture& f : fixtures) {
            for (const auto& p : f.goes) {
                Plant(p, ++size);
                plantedBytes += size;
                sizes[p] = size;
            }
            for (const auto& p : f.stays)
                Plant(p, 3);
        }
        const std::string ini = test::ProfilesIni(roots);
        Plant(roots.roaming + "\\Mozilla\\Firefox\\profiles.ini", 0);
        HANDLE f = CreateFileW(WidePath(roots.roaming + "\\Mozilla\\Firefox\\profiles.ini").c_str(),
                               GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(f, ini.data(), static_cast<DWORD>(ini.size()), &written, nullptr));
        CloseHandle(f);
    }

    JunkCleanResult Clean(std::vector<std::string> ids) {
        Yes yes;
        JunkSelection s;
        s.places = std::move(ids);
        return CleanJunk(reg, sys, s, yes, {}, 0, kAnyAge);
    }
    PlaceMeasurement Measure(const char* id) {
        return MeasureJunkPlace(sys, *FindJunkPlace(id), RunningPrograms::Take(sys),
                                ProtectedFolders::Gather(reg, sys), kAnyAge);
    }
    std::vector<std::string> AllIds() const {
        std::vector<std::string> ids;
        for (const auto& f : fixtures)
            ids.push_back(f.id);
        return ids;
    }
};

// Every browser's profiles planted with their caches beside cookies, history, logins, local
// storage and bookmarks: the cleaning takes the caches and nothing else, and never what a
// link inside a cache points at.
TEST_F(CatalogWin, OnlyTheCachesGo) {
    const std::string outside = base + "\\Documents";
    Plant(outside + "\\precious.doc", 4000);
    const std::string edgeCache =
        roots.local + "\\Microsoft\\Edge\\User Data\\Default\\Cache\\Cache_Data";
    ASSERT_TRUE(test::MakeUnixLink(outside, edgeCache + "\\docs"));
    // A profile folder that is a link is not emptied through.
    const std::string linkedProfile = base + "\\LinkedProfile";
    Plant(linkedProfile + "\\Preferences", 1);
    Plant(linkedProfile + "\\Cache\\Cache_Data\\keep", 9);
    ASSERT_TRUE(
        test::MakeUnixLink(linkedProfile, roots.local + "\\Google\\Chrome\\User Data\\Profile 9"));

    for (const test::Fixture& f : fixtures) {
        SCOPED_TRACE(f.id);
        EXPECT_EQ(Measure(f.id).files, f.goes.size());
    }
    JunkCleanResult r = Clean(AllIds());
    EXPECT_TRUE(r.Complete()) << r.finalMessage;
    for (const test::Fixture& f : fixtures) {
        for (const auto& p : f.goes)
            EXPECT_FALSE(Exists(p)) << p;
        for (const auto& p : f.stays)
            EXPECT_TRUE(Exists(p)) << p;
    }
    EXPECT_TRUE(Exists(outside + "\\precious.doc"));
    EXPECT_TRUE(Exists(linkedProfile + "\\Cache\\Cache_Data\\keep"));
    EXPECT_TRUE(Exists(edgeCache));
    EXPECT_EQ(r.BytesDeleted(), plantedBytes);
}

// A stand-in browser (this program copied under the browser's name, run from a folder of its
// own) holds its profile's lock: that profile is left alone and named, the rest goes on.
TEST_F(CatalogWin, RunningBrowserIsLeftAloneAndNamed) {
    const std::string programs = base + "\\Portable Apps";
    CreateDirectoryW(WidePath(programs).c_str(), nullptr);
    const std::string self = sys.GetModulePath();
    for (const char* name : {"msedge.exe", "firefox.exe"})
        ASSERT_TRUE(
            CopyFileW(WidePath(self).c_str(), WidePath(programs + "\\" + name).c_str(), FALSE));
    const std::string edgeLock = roots.local + "\\Microsoft\\Edge\\User Data\\lockfile";
    const std::string fxLock =
        roots.roaming + "\\Mozilla\\Firefox\\Profiles\\a.default\\parent.lock";
    Plant(roots.elsewhere + "\\FxProfile\\parent.lock", 0); // an earlier run's, not held
    const test::Fixture* edge = nullptr;
    for (const auto& f : fixtures)
        if (std::string_view(f.id) == "edge-cache") edge = &f;
    ASSERT_NE(edge, nullptr);
    {
        test::HeldFile edgeRuns(edgeLock, programs + "\\msedge.exe", true);
        test::HeldFile firefoxRuns(fxLock, programs + "\\firefox.exe", true);
        ASSERT_TRUE(edgeRuns.held() && firefoxRuns.held());
        EXPECT_TRUE(sys.IsFileHeldOpen(edgeLock));
        EXPECT_FALSE(sys.IsFileHeldOpen(roots.elsewhere + "\\FxProfile\\parent.lock"));
        auto names = sys.RunningImageNames();
        EXPECT_NE(std::find_if(names.begin(), names.end(),
                               [](const std::string& n) { return NamesEqual(n, "msedge.exe"); }),
                  names.end());

        PlaceMeasurement m = Measure("edge-cache");
        EXPECT_EQ(m.state, JunkPlaceState::InUse);
        EXPECT_EQ(m.sizeText, "(in use)");
        JunkCleanResult r = Clean({"edge-cache", "firefox-cache", "chrome-cache"});
        EXPECT_NE(r.finalMessage.find("Close Microsoft Edge to clean its cache."),
                  std::string::npos)
            << r.finalMessage;
        EXPECT_NE(r.finalMessage.find("Close Mozilla Firefox to clean its cache."),
                  std::string::npos);
        EXPECT_EQ(r.catalog[2].outcome, JunkPlaceOutcome::Cleaned);
        for (const auto& p : edge->goes)
            EXPECT_TRUE(Exists(p)) << p;
        EXPECT_TRUE(
            Exists(roots.local + "\\Mozilla\\Firefox\\Profiles\\a.default\\cache2\\entries\\E1"));
        EXPECT_FALSE(Exists(roots.elsewhere + "\\FxProfile\\cache2\\entries\\E2"));
    }
    // Closed: the lock stays behind but no one holds it.
    EXPECT_TRUE(Clean({"edge-cache", "firefox-cache"}).Complete());
    for (const auto& p : edge->goes)
        EXPECT_FALSE(Exists(p)) << p;
}

// The totals are the bytes of the files deleted; a file Explorer holds stays, counted as in
// use, and the console exits 1 with both figures in its document.
TEST_F(CatalogWin, TotalsCountOnlyWhatWasDeleted) {
    const std::string explorer = roots.local + "\\Microsoft\\Windows\\Explorer";
    test::HeldFile held(explorer + "\\iconcache_16.db");
    ASSERT_TRUE(held.held());
    cli::CliContext ctx(reg, sys);
    ctx.out = std::tmpfile();
    ctx.err = std::tmpfile();
    int code = cli::RunJunk(
        ctx,
        {"clean", "--places", "thumbnail-cache,crash-dumps", "--min-age", "0", "--yes", "--json"},
        [](const std::string&) { return std::optional<bool>(true); });
    std::string text = test::ReadAllFrom(ctx.out);
    std::fclose(ctx.out);
    std::fclose(ctx.err);
    EXPECT_EQ(code, cli::kExitFailed);
    auto doc = nlohmann::json::parse(text);
    EXPECT_EQ(doc["deleted_bytes"], sizes[explorer + "\\thumbcache_256.db"] +
                                        sizes[roots.local + "\\CrashDumps\\app.exe.123.dmp"]);
    EXPECT_EQ(doc["files_left"], 1);
    EXPECT_EQ(doc["deleted_files"], 2);
    EXPECT_TRUE(Exists(explorer + "\\iconcache_16.db"));
    EXPECT_FALSE(Exists(explorer + "\\thumbcache_256.db"));
    ASSERT_EQ(doc["drives"].size(), 1u);
    EXPECT_EQ(doc["drives"][0]["drive"], base.substr(0, 3));
    EXPECT_TRUE(doc["drives"][0]["gained_bytes"].is_number());
    EXPECT_NE(doc["message"].get<std::string>().find("(in use)"), std::string::npos);
}

} // namespace
} // namespace zt
