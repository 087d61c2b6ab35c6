#pragma once
// The planted tree of the catalog's tests, native and under Wine: per place, the files a
// cleaning removes and those beside them that must stay.
#include <string>
#include <string_view>
#include <vector>

namespace zt::test {

// Where the tree is planted: the known folders and a folder outside them all.
struct CatalogRoots {
    std::string local, roaming, programData, elsewhere;
};

struct Fixture {
    const char* id;
    std::vector<std::string> goes, stays;
};

// What a browser keeps beside its caches in a profile folder.
inline std::vector<std::string> ProfileData(const std::string& profile) {
    std::vector<std::string> files;
    for (const char* f :
         {"Cookies", "History", "Login Data", "Bookmarks", "Preferences", "Web Data",
          "Local Storage\\leveldb\\000003.log", "Sessions\\Session_1",
          "Extensions\\abc\\1.0\\manifest.json", "Service Worker\\CacheStorage\\x\\y",
          "Network\\Cookies", "IndexedDB\\db\\1.ldb", "Cache\\index-dir\\the-real-index"})
        files.push_back(profile + "\\" + f);
    return files;
}

inline std::vector<std::string> ChromiumCaches(const std::string& profile) {
    return {profile + "\\Cache\\Cache_Data\\data_0", profile + "\\Cache\\Cache_Data\\f_00001",
            profile + "\\Code Cache\\js\\abc", profile + "\\GPUCache\\data_1"};
}

inline Fixture Chromium(const char* id, const std::string& userData) {
    Fixture f{id, {}, {}};
    for (const char* profile : {"Default", "Profile 2"}) {
        for (auto& p : ChromiumCaches(userData + "\\" + profile))
            f.goes.push_back(p);
        for (auto& p : ProfileData(userData + "\\" + profile))
            f.stays.push_back(p);
    }
    // A folder without Preferences is no profile; its caches are not the row's.
    f.stays.push_back(userData + "\\ShaderCache\\Cache\\Cache_Data\\x");
    f.stays.push_back(userData + "\\Local State");
    return f;
}

inline std::vector<Fixture> Fixtures(const CatalogRoots& at) {
    auto L = [&](std::string_view rel) { return at.local + "\\" + std::string(rel); };
    auto R = [&](std::string_view rel) { return at.roaming + "\\" + std::string(rel); };
    const std::string wer = at.programData + "\\Microsoft\\Windows\\WER";
    const std::string fx = at.elsewhere + "\\FxProfile";
    std::vector<Fixture> all = {
        {"crash-dumps", {L("CrashDumps\\app.exe.123.dmp")}, {}},
        {"error-reports",
         {L("Microsoft\\Windows\\WER\\ReportArchive\\AppCrash_x\\Report.wer"),
          L("Microsoft\\Windows\\WER\\ReportQueue\\q\\Report.wer")},
         {L("Microsoft\\Windows\\WER\\Temp\\keep.txt")}},
        {"system-error-reports", {wer + "\\ReportQueue\\r\\Report.wer"}, {wer + "\\settings.dat"}},
        {"directx-shader-cache", {L("D3DSCache\\abc\\x.idx")}, {}},
        {"thumbnail-cache",
         {L("Microsoft\\Windows\\Explorer\\thumbcache_256.db"),
          L("Microsoft\\Windows\\Explorer\\iconcache_16.db")},
         {L("Microsoft\\Windows\\Explorer\\ExplorerStartupLog.etl"),
          L("Microsoft\\Windows\\Explorer\\thumbcache_256.db.bak"),
          L("Microsoft\\Windows\\Explorer\\sub\\thumbcache_1.db")}},
        Chromium("edge-cache", L("Microsoft\\Edge\\User Data")),
        Chromium("chrome-cache", L("Google\\Chrome\\User Data")),
        Chromium("brave-cache", L("BraveSoftware\\Brave-Browser\\User Data")),
        Chromium("vivaldi-cache", L("Vivaldi\\User Data")),
        {"opera-cache", ChromiumCaches(L("Opera Software\\Opera Stable")),
         ProfileData(R("Opera Software\\Opera Stable"))},
        {"opera-gx-cache", ChromiumCaches(L("Opera Software\\Opera GX Stable")),
         ProfileData(R("Opera Software\\Opera GX Stable"))},
        {"firefox-cache",
         {L("Mozilla\\Firefox\\Profiles\\a.default\\cache2\\entries\\E1"),
          fx + "\\cache2\\entries\\E2"},
         {R("Mozilla\\Firefox\\Profiles\\a.default\\cookies.sqlite"),
          R("Mozilla\\Firefox\\Profiles\\a.default\\places.sqlite"),
          R("Mozilla\\Firefox\\Profiles\\a.default\\logins.json"),
          L("Mozilla\\Firefox\\Profiles\\a.default\\startupCache\\x"),
          L("Mozilla\\Firefox\\Profiles\\gone.default\\cache2\\entries\\E3"),
          fx + "\\cookies.sqlite", fx + "\\storage\\default\\x"}},
        {"nvidia-shader-cache",
         {L("NVIDIA\\DXCache\\a.bin"), L("NVIDIA\\GLCache\\b\\c.bin")},
         {L("NVIDIA\\Other\\keep.bin")}},
        {"amd-shader-cache", {L("AMD\\DxCache\\a.bin")}, {L("AMD\\CN\\settings.xml")}},
    };
    return all;
}

// profiles.ini: one relative and one absolute profile, one gone, one climbing out, garbage.
inline std::string ProfilesIni(const CatalogRoots& at) {
    const std::string fx = at.elsewhere + "\\FxProfile";
    return "[General]\r\nStartWithLastProfile=1\r\n\r\n"
           "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/a.default\r\n\r\n"
           "[Profile1]\r\nName=elsewhere\r\nIsRelative=0\r\nPath=" +
           fx +
           "\r\n[Profile2]\r\nIsRelative=1\r\nPath=Profiles/missing\r\n"
           "[Profile3]\r\nIsRelative=1\r\nPath=../../Local/Zentrove\r\n"
           "garbage without equals\r\n=\r\n[Install1234]\r\nDefault=Profiles/gone.default\r\n";
}

} // namespace zt::test
