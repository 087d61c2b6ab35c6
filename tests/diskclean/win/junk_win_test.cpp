// The cleaner on real files under Wine: links, locked and read-only files, the environment
// key, the URL cache and the console command.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>

#include "cli/CmdJunk.h"
#include "diskclean/FolderWalk.h"
#include "diskclean/JunkCleaning.h"
#include "diskclean/JunkMeasuring.h"
#include "junk_support.h"
#include "platform/win32/Win32Registry.h"
#include "support/seams.h"
#include "support/win_process.h"

namespace zt {
namespace {

constexpr const char* kEnvKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
// Planted files are young; tests not about the age rule remove files of any age.
const JunkOptions kAnyAge{0};

void Plant(const std::string& path, std::size_t bytes) {
    HANDLE f =
        CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
    std::string data(bytes, 'x');
    DWORD written = 0;
    if (bytes) WriteFile(f, data.data(), static_cast<DWORD>(bytes), &written, nullptr);
    CloseHandle(f);
}
bool Exists(const std::string& p) {
    return GetFileAttributesW(WidePath(p).c_str()) != INVALID_FILE_ATTRIBUTES;
}
std::set<std::string> Names(System& sys, const std::string& folder) {
    std::set<std::string> names;
    sys.EnumDirectory(folder, [&](const DirEntry& e) {
        names.insert(e.name);
        return true;
    });
    return names;
}

class ScriptedDialogs : public UserPrompt {
  public:
    int answer = kAnswerOk;
    std::vector<std::string> shown;
    int Ask(std::string_view text, std::string_view, PromptButtons buttons) override {
        shown.emplace_back(text);
        return buttons == PromptButtons::OkCancel ? answer : kAnswerOk;
    }
};

class JunkWin : public ::testing::Test {
  protected:
    Win32Registry reg;
    test::RedirectedSystem sys;
    std::string base = test::ScratchFolder(sys);
    std::string temp = base + "\\temp";       // the user temporary folder of the test
    std::string outside = base + "\\outside"; // what must never be touched
    std::optional<test::ScopedEnv> tmpVar, tempVar;

    void SetUp() override {
        CreateDirectoryW(WidePath(temp).c_str(), nullptr);
        CreateDirectoryW(WidePath(outside).c_str(), nullptr);
        Plant(outside + "\\precious.doc", 4000);
        // GetTempPathA reads TMP first, then TEMP; both end in a backslash here on purpose.
        tmpVar.emplace("TMP", temp + "\\");
        tempVar.emplace("TEMP", temp + "\\");
    }
    JunkSelection Only(JunkItem item) {
        JunkSelection s;
        s[item] = true;
        return s;
    }
};

TEST_F(JunkWin, UserTempIsTheReportedFolderWithoutTrailingBackslash) {
    EXPECT_EQ(sys.GetTempFolder(), temp + "\\");
    EXPECT_EQ(GetJunkFolder(reg, sys, JunkItem::UserTemp).value_or("?"), temp);
    Plant(temp + "\\a.tmp", 1536);
    Plant(temp + "\\index.dat", 100); // counted in a temporary folder
    ScriptedDialogs none;
    struct Sink : JunkSink {
        std::vector<JunkMeasurement> got;
        void OnJunkMeasured(const JunkMeasurement& m) override { got.push_back(m); }
    } sink;
    MeasureJunkSizes(reg, sys, sink, nullptr, kAnyAge);
    ASSERT_EQ(sink.got.size(), 5u);
    EXPECT_EQ(sink.got[2].item, JunkItem::UserTemp);
    EXPECT_EQ(sink.got[2].path.value_or("?"), temp);
    EXPECT_EQ(sink.got[2].caption, "Clean the user temporary folder (1.60 KB)");
}

// A temporary folder and files named in several scripts, one file deeper than the old
// 260-character limit: all found where the system says, measured and deleted, nothing
// outside touched. The cookies folder the shell reports in such a script is found too.
TEST_F(JunkWin, NamesInEveryScriptAndDeepPathsAreMeasuredAndDeleted) {
    const std::string named = base + "\\Временные 临时 😀";
    CreateDirectoryW(WidePath(named).c_str(), nullptr);
    tmpVar.emplace("TMP", named + "\\");
    tempVar.emplace("TEMP", named + "\\");
    const std::vector<std::string> names = {
        "файл.tmp",   "文件.tmp",   "😀.tmp",       "Łódź.tmp",  "Cafe\u0301.tmp", "Ελληνικά.tmp",
        "日本語.tmp", "한국어.tmp", "Ωμέγα Ж.tmp", "plain.tmp", "readme.txt"};
    std::string deep = named;
    for (const char* part : {"Глубоко", "深い"}) {
        deep += "\\" + std::string(part) + std::string(100, 'x');
        CreateDirectoryW(WidePath(deep).c_str(), nullptr);
    }
    deep += "\\" + std::string(60, 'f') + ".tmp";
    ASSERT_GT(Utf16Length(deep), 260u);
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        Plant(named + "\\" + names[i], 10 * (i + 1));
        bytes += 10 * (i + 1);
    }
    Plant(deep, 7);
    bytes += 7;

    ProtectedFolders guarded = ProtectedFolders::Gather(reg, sys);
    JunkFolder folder = LocateJunkFolder(reg, sys, JunkItem::UserTemp, guarded);
    ASSERT_TRUE(folder.ok()) << folder.reason;
    EXPECT_EQ(folder.reported, named);
    JunkTally measured = MeasureJunkFolder(sys, folder.real, {});
    EXPECT_EQ(measured.files, names.size() + 1);
    EXPECT_EQ(measured.bytes, bytes);
    JunkTally emptied = EmptyJunkFolder(sys, folder.real, {});
    EXPECT_TRUE(emptied.Complete());
    EXPECT_EQ(emptied.files, names.size() + 1);
    EXPECT_EQ(emptied.bytes, bytes);
    EXPECT_EQ(Names(sys, named), std::set<std::string>{});
    EXPECT_TRUE(Exists(outside + "\\precious.doc"));

    const char* shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User "
                               "Shell Folders";
    test::SavedValue saved(reg, kCurrentUser, shellFolders, "Cookies");
    RegKey key(reg, reg.CreateKey(RootHandle(kCurrentUser), shellFolders));
    ASSERT_TRUE(reg.WriteString(key.get(), "Cookies", named));
    EXPECT_EQ(Win32System().GetKnownFolder(KnownFolder::Cookies).value_or("none"), named);
}

TEST_F(JunkWin, UnixLinkToAnOutsideFolderIsNeitherCountedNorEmptied) {
    Plant(temp + "\\own.tmp", 10);
    CreateDirectoryW(WidePath(temp + "\\sub").c_str(), nullptr);
    ASSERT_TRUE(test::MakeUnixLink(outside, temp + "\\sub\\link"));
    ASSERT_TRUE(test::MakeUnixLink(temp, temp + "\\sub\\up")); // a loop back to the top
    // The link is real: through it the outside file is visible.
    ASSERT_TRUE(Exists(temp + "\\sub\\link\\precious.doc"));

    EXPECT_EQ(GetFolderSize(sys, temp, false), 10u);
    ScriptedDialogs dialogs;
    auto r = CleanJunk(reg, sys, Only(JunkItem::UserTemp), dialogs, {}, 0, kAnyAge);
    EXPECT_EQ(r.finalMessage.substr(0, r.finalMessage.find(';')),
              "The cleaning is finished!\n\n10 B deleted");
    EXPECT_FALSE(Exists(temp + "\\own.tmp"));
    EXPECT_TRUE(Exists(outside + "\\precious.doc"));
    EXPECT_TRUE(Exists(temp + "\\sub\\up\\sub"));
}

TEST_F(JunkWin, UnixLinkToAnOutsideFileNeverDeletesItsTarget) {
    ASSERT_TRUE(test::MakeUnixLink(outside + "\\precious.doc", temp + "\\doc-link"));
    ASSERT_TRUE(Exists(temp + "\\doc-link"));
    Plant(temp + "\\own.tmp", 1);
    // Wine shows the link as a plain file and would delete the target through it: it can
    // only be left alone, so it is not counted either.
    EXPECT_EQ(GetFolderSize(sys, temp, false), 1u);
    ScriptedDialogs dialogs;
    auto r = CleanJunk(reg, sys, Only(JunkItem::UserTemp), dialogs, {}, 0, kAnyAge);
    EXPECT_TRUE(r.AllDeleted());
    EXPECT_FALSE(Exists(temp + "\\own.tmp"));
    EXPECT_TRUE(Exists(outside + "\\precious.doc"));
}

TEST_F(JunkWin, LinkShownAsPlainFolderIsCaughtByItsRealPath) {
    sys.hideReparsePoints = true;
    ASSERT_TRUE(test::MakeUnixLink(outside, temp + "\\plain-looking"));
    auto attrs = sys.GetAttributes(temp + "\\plain-looking");
    ASSERT_TRUE(attrs && (*attrs & kAttrDirectory));
    Plant(temp + "\\own.tmp", 10);
    EXPECT_EQ(GetFolderSize(sys, temp, false), 10u);
    bool allDeleted = true;
    DeleteFolderContents(sys, temp, true, false, allDeleted);
    EXPECT_TRUE(allDeleted);
    EXPECT_FALSE(Exists(temp + "\\own.tmp"));
    EXPECT_TRUE(Exists(outside + "\\precious.doc"));
}

TEST_F(JunkWin, ReadOnlyAndHeldFilesStayAndGiveTheSecondLine) {
    CreateDirectoryW(WidePath(temp + "\\sub").c_str(), nullptr);
    CreateDirectoryW(WidePath(temp + "\\sub\\empty").c_str(), nullptr);
    CreateDirectoryW(WidePath(temp + "\\busy").c_str(), nullptr);
    Plant(temp + "\\a.tmp", 5);
    Plant(temp + "\\sub\\b.tmp", 5);
    Plant(temp + "\\readonly.tmp", 5);
    SetFileAttributesW(WidePath(temp + "\\readonly.tmp").c_str(), FILE_ATTRIBUTE_READONLY);
    Plant(temp + "\\busy\\held.tmp", 5);
    Plant(temp + "\\busy\\free.tmp", 5);
    {
        test::HeldFile held(temp + "\\busy\\held.tmp");
        ASSERT_TRUE(held.held());
        ScriptedDialogs dialogs;
        auto r = CleanJunk(reg, sys, Only(JunkItem::UserTemp), dialogs, {}, 0, kAnyAge);
        EXPECT_EQ(r.outcome, JunkCleanOutcome::Cleaned);
        const std::string& said = dialogs.shown.back();
        EXPECT_EQ(said.rfind("The cleaning is finished!\n Some files can't delete because they "
                             "are being used now.\n\n15 B deleted",
                             0),
                  0u)
            << said;
        EXPECT_TRUE(said.ends_with("\n\nThe user temporary folder partly cleaned: 2 files could "
                                   "not be deleted (in use, read-only or not allowed)."))
            << said;
    }
    EXPECT_TRUE(Exists(temp));
    EXPECT_EQ(Names(sys, temp), (std::set<std::string>{"readonly.tmp", "busy"}));
    EXPECT_EQ(Names(sys, temp + "\\busy"), (std::set<std::string>{"held.tmp"}));
    SetFileAttributesW(WidePath(temp + "\\readonly.tmp").c_str(), FILE_ATTRIBUTE_NORMAL);

    // Once nothing holds it, everything goes and the message has one line.
    ScriptedDialogs again;
    EXPECT_TRUE(CleanJunk(reg, sys, Only(JunkItem::UserTemp), again, {}, 0, kAnyAge).Complete());
    EXPECT_EQ(again.shown.back().rfind("The cleaning is finished!\n\n10 B deleted", 0), 0u);
    EXPECT_TRUE(Names(sys, temp).empty());
}

TEST_F(JunkWin, CookiesKeepIndexFilesButTheInternetCacheDoesNot) {
    std::string cookies = base + "\\cookies", cache = base + "\\cache";
    for (const auto& f : {cookies, cookies + "\\low", cache, cache + "\\ABCD1234"})
        CreateDirectoryW(WidePath(f).c_str(), nullptr);
    sys.folders[KnownFolder::Cookies] = cookies + "\\";
    sys.folders[KnownFolder::InternetCache] = cache;
    for (const auto& f : {cookies, cache}) {
        Plant(f + "\\index.dat", 1000);
        Plant(f + "\\desktop.ini", 100);
        Plant(f + "\\site.txt", 10);
    }
    Plant(cookies + "\\low\\other.txt", 1);
    Plant(cache + "\\ABCD1234\\page.htm", 2);

    struct Sink : JunkSink {
        std::vector<JunkMeasurement> got;
        void OnJunkMeasured(const JunkMeasurement& m) override { got.push_back(m); }
    } sink;
    MeasureJunkSizes(reg, sys, sink, nullptr, kAnyAge);
    ASSERT_EQ(sink.got.size(), 5u);
    EXPECT_EQ(sink.got[1].caption, "Clean the cookies (11 B)");
    EXPECT_EQ(sink.got[4].caption, "Clean the internet cache files (12 B)");

    JunkSelection s;
    s[JunkItem::Cookies] = true;
    s[JunkItem::InternetCache] = true;
    ScriptedDialogs dialogs;
    {
        // A locked index file in the cache is not protected, so it shows as undeletable.
        test::HeldFile held(cache + "\\index.dat");
        ASSERT_TRUE(held.held());
        auto r = CleanJunk(reg, sys, s, dialogs, {}, 0, kAnyAge);
        EXPECT_FALSE(r.AllDeleted());
    }
    EXPECT_EQ(Names(sys, cookies), (std::set<std::string>{"index.dat", "desktop.ini", "low"}));
    EXPECT_TRUE(Names(sys, cookies + "\\low").empty());
    EXPECT_EQ(Names(sys, cache), (std::set<std::string>{"index.dat"}));
}

TEST_F(JunkWin, NothingTickedAndCancelTouchNothing) {
    Plant(temp + "\\a.tmp", 5);
    ScriptedDialogs dialogs;
    EXPECT_EQ(CleanJunk(reg, sys, JunkSelection{}, dialogs, {}, 0, kAnyAge).outcome,
              JunkCleanOutcome::NothingSelected);
    dialogs.answer = kAnswerCancel;
    EXPECT_EQ(CleanJunk(reg, sys, Only(JunkItem::UserTemp), dialogs, {}, 0, kAnyAge).outcome,
              JunkCleanOutcome::Cancelled);
    EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"You should select one item at least.",
                                                       "Are you sure to delete them?"}));
    EXPECT_TRUE(Exists(temp + "\\a.tmp"));
}

TEST_F(JunkWin, SystemTempComesFromTheMachineEnvironmentKey) {
    test::SavedValue savedTemp(reg, kLocalMachine, kEnvKey, "TEMP");
    test::SavedValue savedTmp(reg, kLocalMachine, kEnvKey, "TMP");
    RegKey k(reg, reg.OpenKeyAllAccess(RootHandle(kLocalMachine), kEnvKey));
    ASSERT_TRUE(k);
    auto write = [&](const char* name, std::uint32_t type, const std::string& text) {
        EXPECT_TRUE(reg.WriteValue(k.get(), name, type, text.c_str(),
                                   static_cast<std::uint32_t>(text.size() + 1)));
    };
    test::ScopedEnv base("ZT_JUNK_BASE", this->base);
    write("TEMP", kRegExpandSz, "%ZT_JUNK_BASE%\\temp\\");
    EXPECT_EQ(GetSystemTempFolder(reg, sys).value_or("?"), temp + "\\");
    EXPECT_EQ(GetJunkFolder(reg, sys, JunkItem::SystemTemp).value_or("?"), temp);
    write("TEMP", kRegSz, "%ZT_JUNK_BASE%\\temp");
    EXPECT_EQ(GetSystemTempFolder(reg, sys).value_or("?"), "%ZT_JUNK_BASE%\\temp");
    (void)reg.DeleteValue(k.get(), "TEMP");
    write("TMP", kRegSz, outside);
    EXPECT_EQ(GetSystemTempFolder(reg, sys).value_or("?"), outside);
    std::uint32_t number = 1;
    EXPECT_TRUE(reg.WriteValue(k.get(), "TEMP", kRegDword, &number, 4));
    EXPECT_FALSE(GetSystemTempFolder(reg, sys));

    // Only the system temporary folder ticked: that is enough to clean it.
    write("TEMP", kRegExpandSz, "%ZT_JUNK_BASE%\\temp");
    Plant(temp + "\\s.tmp", 5);
    ScriptedDialogs dialogs;
    EXPECT_EQ(CleanJunk(reg, sys, Only(JunkItem::SystemTemp), dialogs, {}, 0, kAnyAge)
                  .finalMessage.rfind("The cleaning is finished!\n\n5 B deleted", 0),
              0u);
    EXPECT_FALSE(Exists(temp + "\\s.tmp"));
    EXPECT_TRUE(Exists(outside + "\\precious.doc"));
}

TEST_F(JunkWin, UrlCacheEntriesAreDeleted) {
    std::string url = "http://zentrove.test/junk-" + std::to_string(GetTickCount());
    std::wstring wideUrl = ToWide(url);
    wchar_t local[MAX_PATH] = {};
    ASSERT_TRUE(CreateUrlCacheEntryW(wideUrl.c_str(), 0, L"htm", local, 0));
    Plant(FromWide(local), 10);
    FILETIME never{};
    ASSERT_TRUE(CommitUrlCacheEntryW(wideUrl.c_str(), local, never, never, NORMAL_CACHE_ENTRY,
                                     nullptr, 0, nullptr, nullptr));
    DWORD size = 0;
    GetUrlCacheEntryInfoW(wideUrl.c_str(), nullptr, &size);
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER))
        << "entry not committed";
    EXPECT_TRUE(ClearUrlCache(sys));
    size = 0;
    EXPECT_FALSE(GetUrlCacheEntryInfoW(wideUrl.c_str(), nullptr, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// The console command, with its output captured.
class JunkCommand : public JunkWin {
  protected:
    cli::CliContext ctx;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    void SetUp() override {
        JunkWin::SetUp();
        ctx.out = out;
        ctx.err = err;
    }
    void TearDown() override {
        std::fclose(out);
        std::fclose(err);
    }
    static std::string Read(std::FILE* f) { return test::ReadAllFrom(f); }
    int Run(const cli::Args& args, std::optional<bool> answer = std::nullopt) {
        return cli::RunJunk(ctx, args, [&](const std::string&) { return answer; });
    }
};

TEST_F(JunkCommand, ListsTheFiveCaptionsAsTextAndJson) {
    Plant(temp + "\\a.tmp", 2048);
    ASSERT_EQ(Run({"--min-age", "0"}), cli::kExitOk);
    std::string text = Read(out);
    EXPECT_NE(text.find("Clean the user temporary folder (2.00 KB)\n"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("Clean the Recycle Bin (", 0), 0u) << text;

    std::FILE* jsonOut = std::tmpfile();
    ctx.out = jsonOut;
    ASSERT_EQ(Run({"--json", "--min-age", "0"}), cli::kExitOk);
    auto rows = nlohmann::json::parse(Read(jsonOut));
    std::fclose(jsonOut);
    ASSERT_EQ(rows.size(), 5u + JunkCatalog().size());
    std::vector<std::string> places;
    for (std::size_t i = 0; i < 5; ++i)
        places.push_back(rows[i]["place"]);
    EXPECT_EQ(places, (std::vector<std::string>{"recycle-bin", "cookies", "user-temp",
                                                "system-temp", "internet-cache"}));
    EXPECT_TRUE(rows[0]["path"].is_null());
    EXPECT_EQ(rows[2]["path"], temp);
    EXPECT_EQ(rows[2]["bytes"], 2048);
    EXPECT_EQ(rows[2]["caption"], "Clean the user temporary folder (2.00 KB)");
}

TEST_F(JunkCommand, CleanAsksOrRefusesWithoutTerminal) {
    Plant(temp + "\\a.tmp", 5);
    EXPECT_EQ(Run({"clean", "--user-temp"}), cli::kExitUsage); // no terminal to ask on
    EXPECT_NE(Read(err).find("--yes"), std::string::npos);
    EXPECT_TRUE(Exists(temp + "\\a.tmp"));
    EXPECT_EQ(Run({"clean", "--user-temp"}, false), cli::kExitFailed);
    EXPECT_TRUE(Exists(temp + "\\a.tmp"));
    EXPECT_EQ(Run({"clean", "--user-temp", "--min-age", "0"}, true), cli::kExitOk);
    EXPECT_FALSE(Exists(temp + "\\a.tmp"));
    EXPECT_EQ(Read(out).rfind("The cleaning is finished!\n\n5 B deleted; drive ", 0), 0u);
}

TEST_F(JunkCommand, CleanWithYesAndUsageErrors) {
    Plant(temp + "\\a.tmp", 5);
    EXPECT_EQ(Run({"clean"}), cli::kExitUsage);
    EXPECT_EQ(Run({"clean", "--user-temp", "--bogus"}), cli::kExitUsage);
    EXPECT_EQ(Run({"--verbose"}), cli::kExitUsage);
    EXPECT_NE(Read(err).find("You should select one item at least."), std::string::npos);
    EXPECT_TRUE(Exists(temp + "\\a.tmp"));
    EXPECT_EQ(Run({"clean", "--user-temp", "--min-age", "0", "--yes"}), cli::kExitOk);
    EXPECT_FALSE(Exists(temp + "\\a.tmp"));
    EXPECT_TRUE(Exists(outside + "\\precious.doc"));
}

// TEMP and TMP pointed at what must never be emptied: each is refused with its reason, and
// nothing in it changes.
TEST_F(JunkCommand, MisSetTemporaryFolderIsRefusedAndNamed) {
    auto profile = sys.GetKnownFolder(KnownFolder::Profile).value_or("");
    ASSERT_FALSE(profile.empty());
    std::string profiles = profile.substr(0, profile.rfind('\\'));
    const std::vector<std::pair<std::string, std::string>> bad = {
        {profile, "is your profile folder"},
        {profile + ".", "is your profile folder"},
        {profile + " ", "is your profile folder"},
        {profiles, "is the folder of the user profiles"},
        {sys.GetKnownFolder(KnownFolder::ProgramFiles).value_or("?"), "Program Files folder"},
        {sys.GetKnownFolder(KnownFolder::ProgramData).value_or("?"), "is the ProgramData folder"},
        // Wine makes Documents a link to the home folder, like the Desktop.
        {sys.GetKnownFolder(KnownFolder::Documents).value_or("?"), " is your "},
        {sys.WindowsFolder(), "is the Windows folder"},
        {"C:\\", "is a drive or share root"},
        {"\\\\nohost\\share\\temp", "cannot be found"},
        {outside + "\\precious.doc", "is not a folder"},
        {base + "\\gone", "cannot be found"},
    };
    for (const auto& [folder, why] : bad) {
        SCOPED_TRACE(folder);
        std::string listed = folder;
        while (!listed.empty() && (listed.back() == '.' || listed.back() == ' '))
            listed.pop_back();
        auto before = Names(sys, listed);
        tmpVar.emplace("TMP", folder);
        tempVar.emplace("TEMP", folder);
        ctx.out = std::tmpfile();
        ctx.err = std::tmpfile();
        EXPECT_EQ(Run({"clean", "--user-temp", "--min-age", "0", "--yes"}), cli::kExitFailed);
        std::string said = Read(ctx.out);
        EXPECT_NE(said.find("The user temporary folder not cleaned: "), std::string::npos) << said;
        EXPECT_NE(said.find(why), std::string::npos) << said;
        EXPECT_NE(Read(ctx.err).find("not every place"), std::string::npos);
        EXPECT_EQ(Names(sys, listed), before);
        std::fclose(ctx.out);
        std::fclose(ctx.err);
    }
    ctx.out = out;
    ctx.err = err;
    EXPECT_TRUE(Exists(outside + "\\precious.doc"));

    // The listing says why instead of a size.
    tmpVar.emplace("TMP", profile);
    tempVar.emplace("TEMP", profile);
    std::FILE* listing = std::tmpfile();
    ctx.out = listing;
    ASSERT_EQ(Run({}), cli::kExitOk);
    std::string text = Read(listing);
    std::fclose(listing);
    EXPECT_NE(text.find("Clean the user temporary folder (protected folder): " + profile +
                        " is your profile folder\n"),
              std::string::npos)
        << text;
}

TEST_F(JunkWin, YoungFilesStayUntilTheyAreOldEnough) {
    Plant(temp + "\\new.tmp", 10);
    Plant(temp + "\\old.tmp", 20);
    // Two days back, as a file left by an earlier session.
    HANDLE f = CreateFileW(WidePath(temp + "\\old.tmp").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= 48ull * 3600 * 10000000;
    FILETIME old{t.LowPart, t.HighPart};
    ASSERT_TRUE(SetFileTime(f, nullptr, nullptr, &old));
    CloseHandle(f);

    struct Sink : JunkSink {
        std::vector<JunkMeasurement> got;
        void OnJunkMeasured(const JunkMeasurement& m) override { got.push_back(m); }
    } sink;
    MeasureJunkSizes(reg, sys, sink);
    ASSERT_EQ(sink.got.size(), 5u);
    // The young file is named beside the size, not hidden in it.
    EXPECT_EQ(sink.got[2].caption,
              "Clean the user temporary folder (20 B; 1 file kept: changed in the last 24 hours)");
    ScriptedDialogs dialogs;
    EXPECT_TRUE(CleanJunk(reg, sys, Only(JunkItem::UserTemp), dialogs).Complete());
    EXPECT_EQ(Names(sys, temp), (std::set<std::string>{"new.tmp"}));
}

} // namespace
} // namespace zt
