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
    bool RemoveFile(std::string_view path) override {
        log.push_back("del " + std::string(path));
        return MemorySystem::RemoveFile(path);
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
        reg.WriteValue(k.get(), name, type, text.c_str(),
                       static_cast<std::uint32_t>(text.size() + 1));
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
    EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"Are you sure to delete them?|Zentrove|1",
                                                       "The cleaning is finished!||0"}));
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
    EXPECT_EQ(CleanJunk(reg, sys, s, dialogs).finalMessage, "The cleaning is finished!");
    sys.undeletable.push_back("C:\\windows\\temp\\s.tmp");
    sys.AddFile("C:\\windows\\temp\\other.tmp", 1);
    s = {};
    s[JunkItem::SystemTemp] = true;
    auto r = CleanJunk(reg, sys, s, dialogs);
    EXPECT_EQ(
        r.finalMessage,
        "The cleaning is finished!\n Some files can't delete because they are being used now.");
    EXPECT_FALSE(r.allDeleted[static_cast<std::size_t>(JunkItem::SystemTemp)]);
    EXPECT_FALSE(sys.Exists("C:\\windows\\temp\\other.tmp"));
}

TEST_F(JunkCore, SystemTempFromTheEnvironmentKey) {
    EXPECT_EQ(GetSystemTempFolder(reg, sys).value_or("?"), "C:\\windows\\temp");
    SetSystemTemp(kRegSz, "%SystemRoot%\\other");
    EXPECT_EQ(GetSystemTempFolder(reg, sys).value_or("?"), "%SystemRoot%\\other");
    reg.DeleteKeyTree(RootHandle(kLocalMachine), kEnvKey);
    SetSystemTemp(kRegSz, "D:\\Tmp", "TMP");
    EXPECT_EQ(GetSystemTempFolder(reg, sys).value_or("?"), "D:\\Tmp");
    std::uint32_t dword = 5;
    RegKey k(reg, reg.CreateKey(RootHandle(kLocalMachine), kEnvKey));
    reg.WriteValue(k.get(), "TEMP", kRegDword, &dword, 4);
    EXPECT_FALSE(GetSystemTempFolder(reg, sys));
    // An expansion longer than the 520-byte buffer is refused rather than cut.
    sys.SetEnvironment("LONGONE", std::string(600, 'x'));
    SetSystemTemp(kRegExpandSz, "C:\\%LONGONE%");
    EXPECT_FALSE(GetSystemTempFolder(reg, sys));
    reg.DeleteKeyTree(RootHandle(kLocalMachine), kEnvKey);
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
        EXPECT_TRUE(r.skipped[static_cast<std::size_t>(JunkItem::SystemTemp)]) << bad;
        EXPECT_TRUE(r.skipped[static_cast<std::size_t>(JunkItem::UserTemp)]) << bad;
    }
    EXPECT_TRUE(sys.Exists("C:\\keep.sys"));
    EXPECT_TRUE(sys.Exists("C:\\windows\\win.ini"));
    EXPECT_TRUE(sys.Exists("C:\\Temp\\t.tmp"));
}

// A platform that shows a link to a folder as a plain folder: only its real path gives it away.
class HiddenLinkSystem : public MemorySystem {
  public:
    std::map<std::string, std::string> links; // lower-case link path -> target
    std::optional<std::string> FinalPath(std::string_view path) override {
        std::string p(path);
        for (auto& [link, target] : links) {
            std::string lower = p;
            for (auto& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (lower == link || IsBelow(lower, link)) return target + p.substr(link.size());
        }
        return MemorySystem::FinalPath(path);
    }
};

TEST(JunkLinks, FolderResolvingElsewhereIsNeitherCountedNorEmptied) {
    HiddenLinkSystem sys;
    sys.AddFile("C:\\Temp\\own.tmp", 5);
    sys.AddFile("C:\\Temp\\link\\precious.doc", 1000); // what the link shows
    sys.AddFile("C:\\Temp\\sub\\loop\\x", 7);          // a link back up to C:\Temp
    sys.links["c:\\temp\\link"] = "D:\\Precious";
    sys.links["c:\\temp\\sub\\loop"] = "C:\\Temp";
    sys.AddFile("C:\\Temp\\file-link", 0); // a file link shown as a plain file
    sys.links["c:\\temp\\file-link"] = "D:\\Precious\\precious.doc";
    EXPECT_EQ(GetFolderSize(sys, "C:\\Temp", false), 5u);
    bool allDeleted = true;
    DeleteFolderContents(sys, "C:\\Temp", true, false, allDeleted);
    EXPECT_TRUE(allDeleted);
    EXPECT_FALSE(sys.Exists("C:\\Temp\\own.tmp"));
    EXPECT_TRUE(sys.Exists("C:\\Temp\\link\\precious.doc"));
    EXPECT_TRUE(sys.Exists("C:\\Temp\\sub\\loop\\x"));
    EXPECT_TRUE(sys.Exists("C:\\Temp\\file-link"));
}

TEST(JunkLinks, ReparsePointIsNotEntered) {
    MemorySystem sys;
    sys.AddFile("C:\\Temp\\junction\\far.bin", 99);
    sys.AddFolder("C:\\Temp\\junction", kAttrDirectory | kAttrReparsePoint);
    sys.AddFile("C:\\Temp\\own", 1);
    sys.AddFile("C:\\Temp\\file-link", 5000, kAttrReparsePoint);
    EXPECT_EQ(GetFolderSize(sys, "C:\\Temp\\", false), 1u);
    bool allDeleted = true;
    DeleteFolderContents(sys, "C:\\Temp", true, false, allDeleted);
    EXPECT_TRUE(sys.Exists("C:\\Temp\\junction\\far.bin"));
    EXPECT_FALSE(sys.Exists("C:\\Temp\\own"));
}

TEST(JunkRecycleBin, EveryDriveOfTheMaskFailedQueriesAddNothing) {
    MemorySystem sys;
    sys.logicalDrives = (1u << 0) | (1u << 2) | (1u << 3) | (1u << 25);
    sys.recycleBins["C:\\"] = {100, 1};
    sys.recycleBins["Z:\\"] = {23, 1};
    sys.recycleBins["E:\\"] = {1000, 1}; // not in the mask
    EXPECT_EQ(GetRecycleBinTotal(sys), 123u);
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

    // No system temporary folder: its caption is left alone; an unknown cookies folder is 0 B.
    reg.DeleteKeyTree(RootHandle(kLocalMachine), kEnvKey);
    sys.SetKnownFolder(KnownFolder::Cookies, "");
    CollectingSink second;
    MeasureJunkSizes(reg, sys, second);
    ASSERT_EQ(second.got.size(), 5u);
    EXPECT_FALSE(second.got[3].measured);
    EXPECT_EQ(second.got[3].caption, "Clean the system temporary folder");
    EXPECT_EQ(second.got[1].caption, "Clean the cookies (0 B)");
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
