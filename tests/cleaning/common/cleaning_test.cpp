// Cleaning the ticked findings: questions, order, backup, and what is kept back.
#include "tests/cleaning/common/cleaning_fixture.h"

#include <atomic>

namespace zt::test {
namespace {

TEST_F(CleaningTest, EmptyListDoesNothingAtAll) {
    EXPECT_EQ(Clean().status, CleanStatus::EmptyList);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(sink.refreshes, 0);
    EXPECT_EQ(BackupCount(), 0u);
}

TEST_F(CleaningTest, NothingTickedOnlyAsksForASelection) {
    SetDword("A", "v", 1);
    list.Add(KeyFinding("A"), false);
    EXPECT_EQ(Clean().status, CleanStatus::NoneChecked);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0], "Please select the items you want to delete.");
    EXPECT_EQ(prompt.captions[0], "");
    EXPECT_EQ(BackupCount(), 0u);
    EXPECT_TRUE(KeyThere("A"));
}

TEST_F(CleaningTest, CancelAndAClosedBoxChangeNothing) {
    SetDword("A", "v", 1);
    list.Add(KeyFinding("A"));
    for (int answer : {kAnswerCancel, kAnswerClosed}) {
        prompt.answers = {answer};
        prompt.shown.clear();
        EXPECT_EQ(Clean().status, CleanStatus::Cancelled);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.shown[0], "Are you sure to delete these items?");
        EXPECT_EQ(prompt.captions[0], "Zentrove");
        EXPECT_EQ(list.Count(), 1);
    }
    EXPECT_TRUE(KeyThere("A"));
    EXPECT_EQ(BackupCount(), 0u);
    EXPECT_EQ(sink.refreshes, 0);
}

TEST_F(CleaningTest, ListOrderInnerKeyFirstTwoFindingsForOneValueAndTheDefaultValue) {
    SetDword("Outer", "o", 1);
    SetDword("Outer\\Inner", "i", 2);
    SetDword("Vals", "twice", 3);
    SetDword("Vals", "stays", 4);
    SetDword("Vals", "", 5);
    SetDword("Untouched", "u", 6);
    list.Add(KeyFinding("Outer\\Inner")); // newer findings sit higher
    list.Add(KeyFinding("Outer"));
    list.Add(ValueFinding("Vals", "twice"));
    list.Add(KeyFinding("Untouched"), false);
    list.Add(ValueFinding("Vals", "twice"));
    list.Add(ValueFinding("Vals", ""));

    CleanOutcome out = Clean();
    EXPECT_EQ(out.status, CleanStatus::Done);
    EXPECT_EQ(out.processed, 5);
    EXPECT_EQ(out.keptBack, 0);
    EXPECT_FALSE(KeyThere("Outer"));
    EXPECT_FALSE(ValueThere("Vals", "twice"));
    EXPECT_FALSE(ValueThere("Vals", ""));
    EXPECT_TRUE(ValueThere("Vals", "stays"));
    EXPECT_TRUE(KeyThere("Untouched"));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.FindingAt(0).keyPath, Sub("Untouched"));

    auto backups = ListBackups(sys);
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].path, out.backupFile);
    // The outer key goes first and holds the inner one; every entry is in the file once.
    EXPECT_EQ(ReadFileText(sys, out.backupFile).value_or(""),
              "REGEDIT4\r\n" + Block("Outer") + "\"o\"=dword:00000001\r\n" + Block("Outer\\Inner") +
                  "\"i\"=dword:00000002\r\n" + Block("Vals") + "\"twice\"=dword:00000003\r\n" +
                  Block("Vals") + "@=dword:00000005\r\n\r\n");

    EXPECT_EQ(sink.refreshes, 1);
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[1], "Total 5 items cleaned successfully!");
}

TEST_F(CleaningTest, IncompleteBackupsAndRootsAreKeptBackUnticked) {
    SetDword("Broken", "fine", 1);
    SetDword("Broken", "line\nbreak", 2);
    SetDword("Good", "g", 3);
    list.Add(KeyFinding("Broken"));
    list.Add(ValueFinding("Broken", "line\nbreak"));
    list.Add(ScanFinding{kCurrentUser, "", {}, FindingKind::Key}); // a whole root
    list.Add(KeyFinding("Good"));

    CleanOutcome out = Clean();
    EXPECT_EQ(out.status, CleanStatus::Done);
    EXPECT_EQ(out.processed, 1);
    EXPECT_EQ(out.keptBack, 3);
    EXPECT_TRUE(ValueThere("Broken", "fine"));
    EXPECT_TRUE(ValueThere("Broken", "line\nbreak"));
    EXPECT_FALSE(KeyThere("Good"));
    EXPECT_TRUE(KeyThere(""));
    // The file holds exactly what was deleted: nothing of the kept-back "Broken".
    EXPECT_EQ(ReadFileText(sys, out.backupFile), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" +
                                                     Sub("Good") +
                                                     "]\r\n\"g\"=dword:00000003\r\n\r\n");
    ASSERT_EQ(list.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(list.IsTicked(i));
    EXPECT_EQ(prompt.shown.back(),
              "Total 1 items cleaned successfully!\n3 items were kept because they could not be "
              "backed up completely.\n(a name holds a line break, which a backup file cannot "
              "hold)\n(a whole root is never deleted)");
    // A second run with nothing ticked any more only asks for a selection.
    prompt.shown.clear();
    EXPECT_EQ(Clean().status, CleanStatus::NoneChecked);
}

TEST_F(CleaningTest, RunsWithinOneMillisecondKeepBothBackups) {
    SetDword("A", "v", 1);
    SetDword("B", "v", 2);
    list.Add(KeyFinding("A"));
    CleanOutcome first = Clean();
    list.Add(KeyFinding("B"));
    CleanOutcome second = Clean();
    ASSERT_NE(first.backupFile, second.backupFile);
    EXPECT_NE(ReadFileText(sys, first.backupFile).value_or("").find("dword:00000001"),
              std::string::npos);
    EXPECT_NE(ReadFileText(sys, second.backupFile).value_or("").find("dword:00000002"),
              std::string::npos);
    EXPECT_EQ(BackupCount(), 2u);
}

// Asks for a stop once `after` findings have been dealt with, as the page's Stop does.
struct StoppingSink : RecordingSink {
    std::atomic<bool>& stop;
    int after;
    StoppingSink(std::atomic<bool>& s, int a) : stop(s), after(a) {}
    void Progress(int done, int) override {
        if (done >= after) stop.store(true);
    }
};

TEST_F(CleaningTest, AStopEndsTheRunBeforeTheNextFindingAndTheFileHoldsExactlyWhatWent) {
    constexpr int kFindings = 4;
    auto name = [](int i) { return std::string(1, 'K').append(std::to_string(i)); };
    for (int i = 0; i < kFindings; ++i)
        list.Add(KeyFinding(name(i)));
    std::vector<TickedFinding> ticked = TickedFindings(list);
    for (int stopAfter : {0, 1, 3, kFindings}) {
        SCOPED_TRACE(stopAfter);
        for (int i = 0; i < kFindings; ++i)
            SetDword(name(i), "v", static_cast<std::uint32_t>(i + 1));
        std::size_t backups = BackupCount();
        std::atomic<bool> stop{stopAfter == 0};
        StoppingSink stopper(stop, stopAfter);
        CleanOutcome out;
        RunCleaning(*reg, sys, *writer, ticked, out, &stopper, &stop);
        EXPECT_EQ(out.processed, stopAfter);
        EXPECT_EQ(out.stopped, stopAfter < kFindings);
        EXPECT_EQ(out.notReached, kFindings - stopAfter);
        ASSERT_EQ(out.cleanedRows.size(), static_cast<std::size_t>(stopAfter));
        if (stopAfter == 0) {
            EXPECT_TRUE(out.backupFile.empty());
            EXPECT_EQ(BackupCount(), backups);
        }
        std::string file = ReadFileText(sys, out.backupFile).value_or("");
        for (int i = 0; i < kFindings; ++i) {
            EXPECT_EQ(KeyThere(name(i)), i >= stopAfter) << name(i);
            EXPECT_EQ(file.find(Block(name(i))) != std::string::npos, i < stopAfter) << name(i);
        }
    }
}

} // namespace
} // namespace zt::test
