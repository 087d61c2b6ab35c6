// The cleaner's core on the fakes: order of the places, refused folders, the worker's stop.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>

#include "diskclean/FolderWalk.h"
#include "diskclean/JunkCleaning.h"
#include "diskclean/JunkMeasuring.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"

namespace zt {
namespace {

constexpr const char* kEnvKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// Records what the cleaning touches, in order.
class RecordingSystem : public MemorySystem {
  public:
    std::vector<std::string> log;
    std::map<EntryHandle, std::string> opened;
    EntryHandle OpenEntry(std::string_view path, EntryFacts& facts) override {
        EntryHandle h = MemorySystem::OpenEntry(path, facts);
        opened[h] = std::string(path);
        return h;
    }
    Status RemoveOpenedEntry(EntryHandle h) override {
        log.push_back("del " + opened[h]);
        return MemorySystem::RemoveOpenedEntry(h);
    }
    bool EmptyRecycleBin(WindowRef owner) override {
        log.push_back("empty bins");
        return MemorySystem::EmptyRecycleBin(owner);
    }
    bool DeleteUrlEntry(std::string_view url) override {
        log.push_back("url " + std::string(url));
        return MemorySystem::DeleteUrlEntry(url);
    }
};

class ScriptedDialogs : public UserPrompt {
  public:
    int answer = kAnswerOk;
    std::vector<std::string> shown;
    int Ask(std::string_view text, std::string_view caption, PromptButtons buttons) override {
        shown.push_back(std::string(text) + "|" + std::string(caption) + "|" +
                        std::to_string(static_cast<int>(buttons)));
        return buttons == PromptButtons::OkCancel ? answer : kAnswerOk;
    }
};

class JunkCore : public ::testing::Test {
  protected:
    MemoryRegistry reg;
    RecordingSystem sys;
    ScriptedDialogs dialogs;

    void SetUp() override {
        sys.SetKnownFolder(KnownFolder::Cookies, "C:\\Users\\u\\Cookies\\");
        sys.SetKnownFolder(KnownFolder::InternetCache, "C:\\Users\\u\\Cache");
        sys.AddFile("C:\\Users\\u\\Cookies\\c.txt", 10);
        sys.AddFile("C:\\Users\\u\\Cache\\x.htm", 20);
        sys.AddFile("C:\\Temp\\t.tmp", 30);
        sys.AddFile("C:\\windows\\temp\\s.tmp", 40);
        sys.urlCache.push_back({"http://example.test/", "C:\\Users\\u\\Cache\\x.htm"});
        sys.recycleBins["C:\\"] = {50, 1};
        SetSystemTemp(kRegExpandSz, "%SystemRoot%\\temp");
    }
    void SetSystemTemp(std::uint32_t type, const std::string& text, const char* name = "TEMP") {
        RegKey k(reg, reg.CreateKey(RootHandle(kLocalMachine), kEnvKey));
        EXPECT_TRUE(reg.WriteValue(k.get(), name, type, text.c_str(),
                                   static_cast<std::uint32_t>(text.size() + 1)));
    }
};

TEST_F(JunkCore, PlacesAreEmptiedInOrderThenReported) {
    JunkSelection all;
    all.ticked.fill(true);
    auto r = CleanJunk(reg, sys, all, dialogs, [&] { sys.log.push_back("emptied"); });
    EXPECT_EQ(r.outcome, JunkCleanOutcome::Cleaned);
    EXPECT_EQ(sys.log, (std::vector<std::string>{"del C:\\Users\\u\\Cookies\\c.txt",
                                                 "del C:\\Temp\\t.tmp", "url http://example.test/",
                                                 "del C:\\Users\\u\\Cache\\x.htm", "empty bins",
                                                 "del C:\\windows\\temp\\s.tmp", "emptied"}));
    EXPECT_EQ(dialogs.shown,
              (std::vector<std::string>{"Are you sure to delete them?|Zentrove|1",
                                        "The cleaning is finished!\n\n150 B deleted.||0"}));
}

TEST_F(JunkCore, NothingTickedAsksNothingAndDeletesNothing) {
    auto r = CleanJunk(reg, sys, JunkSelection{}, dialogs);
    EXPECT_EQ(r.outcome, JunkCleanOutcome::NothingSelected);
    EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"You should select one item at least.||0"}));
    EXPECT_TRUE(sys.log.empty());
}

TEST_F(JunkCore, AnythingButOkCancels) {
    JunkSelection s;
    s[JunkItem::UserTemp] = true;
    for (int answer : {kAnswerCancel, -1}) {
        dialogs.answer = answer;
        EXPECT_EQ(CleanJunk(reg, sys, s, dialogs).outcome, JunkCleanOutcome::Cancelled);
    }
    EXPECT_TRUE(sys.log.empty());
    EXPECT_TRUE(sys.Exists("C:\\Temp\\t.tmp"));
}

TEST_F(JunkCore, UndeletableFileGivesTheSecondLineButRecycleBinFailureDoesNot) {
    JunkSelection s;
    s[JunkItem::RecycleBin] = true;
    sys.recycleBins.clear();
    EXPECT_EQ(CleanJunk(reg, sys, s, dialogs).finalMessage,
              "The cleaning is finished!\n\n0 B deleted.");
    sys.undeletable.push_back("C:\\windows\\temp\\s.tmp");
    sys.AddFile("C:\\windows\\temp\\other.tmp", 1);
    s = {};
    s[JunkItem::SystemTemp] = true;
    auto r = CleanJunk(reg, sys, s, dialogs);
    EXPECT_EQ(r.finalMessage,
              "The cleaning is finished!\n Some files can't delete because they are being used "
              "now.\n\n1 B deleted.\n\nThe system temporary folder partly cleaned: 1 file could "
              "not be deleted (in use).");
    EXPECT_EQ(r[JunkItem::SystemTemp].outcome, JunkPlaceOutcome::PartlyCleaned);
    EXPECT_FALSE(sys.Exists("C:\\windows\\temp\\other.tmp"));
}

TEST_F(JunkCore, SystemTempFromTheEnvironmentKey) {
    EXPECT_EQ(GetSystemTempFolder(reg, sys).value_or("?"), "C:\\windows\\temp");
    SetSystemTemp(kRegSz, "%SystemRoot%\\other");
    EXPECT_EQ(GetSystemTempFolder(reg, sys).value_or("?"), "%SystemRoot%\\other");
    (void)reg.DeleteKeyTree(RootHandle(kLocalMachine), kEnvKey);
    SetSystemTemp(kRegSz, "D:\\Tmp", "TMP");
    EXPECT_EQ(GetSystemTempFolder(reg, sys).value_or("?"), "D:\\Tmp");
    std::uint32_t dword = 5;
    RegKey k(reg, reg.CreateKey(RootHandle(kLocalMachine), kEnvKey));
    EXPECT_TRUE(reg.WriteValue(k.get(), "TEMP", kRegDword, &dword, 4));
    EXPECT_FALSE(GetSystemTempFolder(reg, sys));
    // An expansion longer than the 520-character buffer is refused rather than cut.
    sys.SetEnvironment("LONGONE", std::string(600, 'x'));
    SetSystemTemp(kRegExpandSz, "C:\\%LONGONE%");
    EXPECT_FALSE(GetSystemTempFolder(reg, sys));
    (void)reg.DeleteKeyTree(RootHandle(kLocalMachine), kEnvKey);
    EXPECT_FALSE(GetSystemTempFolder(reg, sys));
}

TEST_F(JunkCore, MisSetTemporaryFoldersAreNeverEmptied) {
    sys.AddFile("C:\\keep.sys", 1);
    sys.AddFile("C:\\windows\\win.ini", 1);
    JunkSelection s;
    s[JunkItem::SystemTemp] = true;
    s[JunkItem::UserTemp] = true;
    for (const char* bad :
         {"", "C:\\", "C:", "windows", "%SystemRoot%", "C:\\windows\\system32\\"}) {
        SetSystemTemp(kRegExpandSz, bad);
        sys.tempFolder = bad;
        auto r = CleanJunk(reg, sys, s, dialogs);
        EXPECT_EQ(r[JunkItem::SystemTemp].outcome, JunkPlaceOutcome::NotCleaned) << bad;
        EXPECT_EQ(r[JunkItem::UserTemp].outcome, JunkPlaceOutcome::NotCleaned) << bad;
    }
    EXPECT_TRUE(sys.Exists("C:\\keep.sys"));
    EXPECT_TRUE(sys.Exists("C:\\windows\\win.ini"));
    EXPECT_TRUE(sys.Exists("C:\\Temp\\t.tmp"));
}

// Links where the platform opens them as themselves (Windows) and where it follows them and
// shows them as what they point to (Wine): the target is never touched either way.
TEST(JunkLinks, LinkIsRemovedAsItselfOrLeftAloneNeverItsTarget) {
    for (bool followed : {false, true}) {
        SCOPED_TRACE(followed ? "links followed" : "links opened as themselves");
        MemorySystem sys;
        sys.linksFollowed = followed;
        sys.AddFile("D:\\Precious\\precious.doc", 1000);
        sys.AddFile("C:\\Temp\\own.tmp", 5);
        sys.AddLink("C:\\Temp\\link", "D:\\Precious", true);
        sys.AddLink("C:\\Temp\\sub\\loop", "C:\\Temp", true);
        sys.AddLink("C:\\Temp\\file-link", "D:\\Precious\\precious.doc", false);
        // Where links are opened as themselves, a link is counted at its own size (none).
        EXPECT_EQ(GetFolderSize(sys, "C:\\Temp", false), 5u);
        JunkTally t = EmptyJunkFolder(sys, "C:\\Temp", JunkWalkRules{});
        EXPECT_TRUE(t.Complete());
        EXPECT_EQ(t.bytes, 5u);
        EXPECT_TRUE(sys.Exists("D:\\Precious\\precious.doc"));
        EXPECT_TRUE(sys.Exists("D:\\Precious"));
        EXPECT_FALSE(sys.Exists("C:\\Temp\\own.tmp"));
        for (const char* link : {"C:\\Temp\\link", "C:\\Temp\\file-link", "C:\\Temp\\sub\\loop"})
            EXPECT_EQ(sys.Exists(link), followed) << link;
        EXPECT_EQ(t.linksLeft, followed ? 3u : 0u);
    }
}

class CollectingSink : public JunkSink {
  public:
    std::mutex m;
    std::vector<JunkMeasurement> got;
    int finished = 0;
    void OnJunkMeasured(const JunkMeasurement& r) override {
        std::lock_guard<std::mutex> hold(m);
        got.push_back(r);
    }
    void OnJunkMeasuringFinished() override { ++finished; }
};

// A machine with every kind of protected folder, and a TEMP that can be pointed anywhere.
class JunkProtected : public ::testing::Test {
  protected:
    MemoryRegistry reg;
    MemorySystem sys;
    void SetUp() override {
        sys.modulePath = "D:\\Tools\\Zentrove\\zentrove.exe";
        sys.SetKnownFolder(KnownFolder::AppData, "C:\\Users\\u\\AppData\\Roaming");
        sys.SetKnownFolder(KnownFolder::SystemX86, "C:\\windows\\SysWOW64");
        sys.SetKnownFolder(KnownFolder::ProgramFiles, "C:\\Program Files");
        sys.SetKnownFolder(KnownFolder::ProgramFilesX86, "C:\\Program Files (x86)");
        sys.SetKnownFolder(KnownFolder::ProgramData, "C:\\ProgramData");
        sys.SetKnownFolder(KnownFolder::Profiles, "C:\\Users");
        sys.SetKnownFolder(KnownFolder::Profile, "C:\\Users\\u");
        sys.SetKnownFolder(KnownFolder::Desktop, "C:\\Users\\u\\Desktop");
        sys.SetKnownFolder(KnownFolder::Documents, "E:\\Docs");
        sys.SetKnownFolder(KnownFolder::Pictures, "C:\\Users\\u\\Pictures");
        sys.SetKnownFolder(KnownFolder::Music, "C:\\Users\\u\\Music");
        sys.SetKnownFolder(KnownFolder::Videos, "C:\\Users\\u\\Videos");
        sys.SetKnownFolder(KnownFolder::Downloads, "C:\\Users\\u\\Downloads");
        for (const char* f :
             {"C:\\Users\\u\\Desktop", "E:\\Docs", "C:\\Users\\u\\Pictures", "C:\\Users\\u\\Music",
              "C:\\Users\\u\\Videos", "C:\\Users\\u\\Downloads", "C:\\Users\\other",
              "C:\\Program Files", "C:\\Program Files (x86)", "C:\\ProgramData",
              "C:\\windows\\SysWOW64", "D:\\Tools\\Zentrove", "F:\\Profiles\\far",
              "C:\\Users\\u\\AppData\\Roaming\\Morvane\\Zentrove",
              "C:\\Users\\u\\AppData\\Local\\Temp"})
            sys.AddFolder(f);
        // A profile kept away from the profiles folder is found through the profile list.
        RegKey k(reg,
                 reg.CreateKey(
                     RootHandle(kLocalMachine),
                     "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-9"));
        std::string far = "F:\\Profiles\\far";
        EXPECT_TRUE(reg.WriteValue(k.get(), "ProfileImagePath", kRegExpandSz, far.c_str(),
                                   static_cast<std::uint32_t>(far.size() + 1)));
    }
    JunkFolder TempAt(const std::string& path) {
        sys.tempFolder = path;
        return LocateJunkFolder(reg, sys, JunkItem::UserTemp, ProtectedFolders::Gather(reg, sys));
    }
};

TEST_F(JunkProtected, EachProtectedFolderAndAnyFolderAboveItIsRefused) {
    const std::vector<std::pair<std::string, std::string>> table = {
        {"C:\\windows", "the Windows folder"},
        {"C:\\windows\\system32", "the system folder"},
        {"C:\\windows\\SysWOW64", "the 32-bit system folder"},
        {"C:\\Program Files", "the Program Files folder"},
        {"C:\\Program Files (x86)", "the 32-bit Program Files folder"},
        {"C:\\ProgramData", "the ProgramData folder"},
        {"C:\\Users", "the folder of the user profiles"},
        {"C:\\Users\\u", "your profile folder"},
        {"C:\\Users\\other", "a user's profile folder"},
        {"F:\\Profiles\\far", "a user's profile folder"},
        {"C:\\Users\\u\\Desktop", "your Desktop folder"},
        {"E:\\Docs", "your Documents folder"},
        {"C:\\Users\\u\\Pictures", "your Pictures folder"},
        {"C:\\Users\\u\\Music", "your Music folder"},
        {"C:\\Users\\u\\Videos", "your Videos folder"},
        {"C:\\Users\\u\\Downloads", "your Downloads folder"},
        {"D:\\Tools\\Zentrove", "the program's own folder"},
        {"C:\\Users\\u\\AppData\\Roaming\\Morvane\\Zentrove", "the backup folder"},
    };
    for (const auto& [folder, what] : table) {
        JunkFolder same = TempAt(folder + "\\");
        EXPECT_EQ(same.state, JunkFolderState::Protected) << folder;
        EXPECT_EQ(same.reason, folder + " is " + what);
        std::string parent = folder.substr(0, folder.rfind('\\'));
        if (parent.size() <= 2) continue; // the drive root, refused below
        EXPECT_EQ(TempAt(parent).state, JunkFolderState::Protected) << parent;
    }
    EXPECT_EQ(TempAt("D:\\Tools").reason,
              "D:\\Tools holds the program's own folder (D:\\Tools\\Zentrove)");
    EXPECT_EQ(TempAt("E:\\").state, JunkFolderState::Protected);
    // A temporary folder inside a profile is what it normally is.
    JunkFolder normal = TempAt("C:\\Users\\u\\AppData\\Local\\Temp\\");
    EXPECT_TRUE(normal.ok());
    EXPECT_EQ(normal.real, "C:\\Users\\u\\AppData\\Local\\Temp");
    // A link that leads to a profile is judged by where it leads.
    sys.AddLink("C:\\Temp2", "C:\\Users\\other", true);
    EXPECT_EQ(TempAt("C:\\Temp2").reason,
              "C:\\Temp2 (C:\\Users\\other) is a user's profile folder");
    EXPECT_EQ(TempAt("C:\\Users\\u\\AppData\\Local\\Temp\\x.tmp").state, JunkFolderState::Unusable);
    sys.AddFile("C:\\Users\\u\\AppData\\Local\\Temp\\x.tmp", 1);
    EXPECT_EQ(TempAt("C:\\Users\\u\\AppData\\Local\\Temp\\x.tmp").reason,
              "C:\\Users\\u\\AppData\\Local\\Temp\\x.tmp is not a folder");
}

TEST_F(JunkProtected, RefusedAndUnknownPlacesAreNamedAndTouchNothing) {
    sys.AddFile("C:\\Users\\u\\Desktop\\precious.doc", 100);
    sys.tempFolder = "C:\\Users\\u\\";
    sys.SetKnownFolder(KnownFolder::Cookies, "C:\\Users\\u\\Cookies-gone");
    JunkSelection s;
    s[JunkItem::UserTemp] = s[JunkItem::Cookies] = s[JunkItem::SystemTemp] = true;
    ScriptedDialogs dialogs;
    auto r = CleanJunk(reg, sys, s, dialogs);
    EXPECT_FALSE(r.Complete());
    EXPECT_EQ(r.finalMessage,
              "Not every place could be cleaned.\n\n0 B deleted.\n"
              "\nThe cookies not cleaned: C:\\Users\\u\\Cookies-gone cannot be found."
              "\nThe user temporary folder not cleaned: C:\\Users\\u is your profile folder."
              "\nThe system temporary folder not cleaned: the system does not report its folder.");
    EXPECT_TRUE(sys.Exists("C:\\Users\\u\\Desktop\\precious.doc"));

    CollectingSink sink;
    MeasureJunkSizes(reg, sys, sink);
    ASSERT_EQ(sink.got.size(), 5u);
    EXPECT_EQ(sink.got[2].caption, "Clean the user temporary folder (protected folder)");
    EXPECT_EQ(sink.got[1].caption, "Clean the cookies (not available)");
}

TEST(JunkAge, YoungFilesStayInEveryPlaceAndAreCountedAsKept) {
    MemoryRegistry reg;
    MemorySystem sys;
    const std::int64_t now = sys.currentTime;
    sys.SetKnownFolder(KnownFolder::Cookies, "C:\\Cookies");
    sys.AddFile("C:\\Temp\\old.tmp", 10);
    sys.SetLastWriteTime("C:\\Temp\\old.tmp", now - 24 * 3600 - 1);
    sys.AddFile("C:\\Temp\\sub\\fresh.tmp", 20);
    sys.SetLastWriteTime("C:\\Temp\\sub\\fresh.tmp", now - 24 * 3600 + 60);
    sys.AddFile("C:\\Temp\\future.tmp", 40); // a clock set wrong: kept
    sys.SetLastWriteTime("C:\\Temp\\future.tmp", now + 3600);
    sys.AddFile("C:\\Cookies\\c.txt", 7); // every place keeps young files
    sys.SetLastWriteTime("C:\\Cookies\\c.txt", now);

    CollectingSink sink;
    MeasureJunkSizes(reg, sys, sink);
    ASSERT_EQ(sink.got.size(), 5u);
    EXPECT_EQ(sink.got[2].bytes, 10u);
    EXPECT_EQ(sink.got[2].youngKept, 2u);
    EXPECT_EQ(sink.got[1].bytes, 0u);
    EXPECT_EQ(sink.got[1].caption,
              "Clean the cookies (0 B; 1 file kept: changed in the last 24 hours)");
    CollectingSink all;
    MeasureJunkSizes(reg, sys, all, nullptr, JunkOptions{0});
    EXPECT_EQ(all.got[2].bytes, 70u);

    JunkSelection s;
    s[JunkItem::UserTemp] = s[JunkItem::Cookies] = true;
    ScriptedDialogs dialogs;
    auto r = CleanJunk(reg, sys, s, dialogs);
    EXPECT_TRUE(r.Complete());
    EXPECT_EQ(r.finalMessage, "The cleaning is finished!\n\n10 B deleted.");
    EXPECT_FALSE(sys.Exists("C:\\Temp\\old.tmp"));
    EXPECT_TRUE(sys.Exists("C:\\Cookies\\c.txt"));
    EXPECT_TRUE(sys.Exists("C:\\Temp\\sub\\fresh.tmp"));
    EXPECT_TRUE(sys.Exists("C:\\Temp\\future.tmp"));
    (void)CleanJunk(reg, sys, s, dialogs, {}, 0, JunkOptions{0}); // what it left is checked
    EXPECT_FALSE(sys.Exists("C:\\Temp\\sub"));
    EXPECT_FALSE(sys.Exists("C:\\Temp\\future.tmp"));
    EXPECT_FALSE(sys.Exists("C:\\Cookies\\c.txt"));
}

TEST(JunkWalk, UnreadableFolderMakesThePlacePartlyCleaned) {
    MemoryRegistry reg;
    MemorySystem sys;
    sys.AddFile("C:\\Temp\\a.tmp", 1);
    sys.AddFile("C:\\Temp\\locked\\b.tmp", 1);
    sys.unlistable.push_back("C:\\Temp\\locked");
    JunkSelection s;
    s[JunkItem::UserTemp] = true;
    ScriptedDialogs dialogs;
    auto r = CleanJunk(reg, sys, s, dialogs);
    EXPECT_EQ(r[JunkItem::UserTemp].outcome, JunkPlaceOutcome::PartlyCleaned);
    EXPECT_NE(r.finalMessage.find(
                  "The user temporary folder partly cleaned: 1 folder could not be read."),
              std::string::npos)
        << r.finalMessage;
    EXPECT_FALSE(sys.Exists("C:\\Temp\\a.tmp"));
    EXPECT_TRUE(sys.Exists("C:\\Temp\\locked\\b.tmp"));
}

TEST(JunkRecycleBin, EveryDriveOfTheMaskFailedQueriesAddNothing) {
    MemorySystem sys;
    sys.logicalDrives = (1u << 0) | (1u << 2) | (1u << 3) | (1u << 25);
    sys.recycleBins["C:\\"] = {100, 1};
    sys.recycleBins["Z:\\"] = {23, 1};
    sys.recycleBins["E:\\"] = {1000, 1}; // not in the mask
    EXPECT_EQ(GetRecycleBinTotal(sys), 123u);
}

TEST_F(JunkCore, MeasuringReportsTheFivePlacesInOrder) {
    CollectingSink sink;
    EXPECT_TRUE(MeasureJunkSizes(reg, sys, sink));
    ASSERT_EQ(sink.got.size(), 5u);
    EXPECT_EQ(sink.got[0].caption, "Clean the Recycle Bin (50 B)");
    EXPECT_EQ(sink.got[1].caption, "Clean the cookies (10 B)");
    EXPECT_EQ(sink.got[1].path.value_or(""), "C:\\Users\\u\\Cookies");
    EXPECT_EQ(sink.got[2].caption, "Clean the user temporary folder (30 B)");
    EXPECT_EQ(sink.got[3].caption, "Clean the system temporary folder (40 B)");
    EXPECT_EQ(sink.got[4].caption, "Clean the internet cache files (20 B)");
    EXPECT_EQ(sink.finished, 1);

    // No system temporary folder: its caption is left alone; an unknown cookies folder says so.
    (void)reg.DeleteKeyTree(RootHandle(kLocalMachine), kEnvKey);
    sys.SetKnownFolder(KnownFolder::Cookies, "");
    CollectingSink second;
    MeasureJunkSizes(reg, sys, second);
    ASSERT_EQ(second.got.size(), 5u);
    EXPECT_FALSE(second.got[3].measured);
    EXPECT_EQ(second.got[3].caption, "Clean the system temporary folder");
    EXPECT_EQ(second.got[1].caption, "Clean the cookies (not available)");
    EXPECT_FALSE(second.got[1].path);
}

// Blocks the measuring thread inside the walk until released, so the test can abandon it
// while it is busy.
class GateSystem : public MemorySystem {
  public:
    std::mutex m;
    std::condition_variable cv;
    bool entered = false, released = false;
    bool EnumDirectory(std::string_view path,
                       const std::function<bool(const DirEntry&)>& visit) override {
        {
            std::unique_lock<std::mutex> hold(m);
            entered = true;
            cv.notify_all();
            cv.wait(hold, [&] { return released; });
        }
        return MemorySystem::EnumDirectory(path, visit);
    }
};

TEST(JunkMeasuring, StopDuringAFolderWalkReportsNothingMore) {
    MemoryRegistry reg;
    GateSystem sys;
    sys.SetKnownFolder(KnownFolder::Cookies, "C:\\Cookies");
    sys.AddFile("C:\\Cookies\\a", 1);
    CollectingSink sink;
    std::atomic<bool> stop{false};
    bool finished = true;
    std::thread run([&] { finished = MeasureJunkSizes(reg, sys, sink, &stop); });
    {
        std::unique_lock<std::mutex> hold(sys.m);
        sys.cv.wait(hold, [&] { return sys.entered; });
        stop = true;
        sys.released = true;
    }
    sys.cv.notify_all();
    run.join();
    EXPECT_FALSE(finished);
    // Only the Recycle Bin was measured; the cookies' partly walked size is never shown.
    ASSERT_EQ(sink.got.size(), 1u);
    EXPECT_EQ(sink.got[0].item, JunkItem::RecycleBin);
    EXPECT_EQ(sink.finished, 0);
}

} // namespace
} // namespace zt
