// One entry, one fate per cleaning run, on the fakes: the same value in three rows, App Paths
// keys listed before and after their default value, a key another program removed after the
// scan, and a Run value whose approval switch goes with it.
#include <gtest/gtest.h>

#include "cleaning/Cleaning.h"
#include "scan/ScanEngine.h"
#include "tests/cleaning/common/cleaning_fixture.h"

namespace zt {
namespace {

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kApproved =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

struct Rows : ScanSink {
    std::vector<ScanRow> rows;
    void AddFinding(ScanRow row) override { rows.push_back(std::move(row)); }
    void ScanProgress(std::string_view) override {}
    void ScanFinished(const ScanSummary&) override {}
};

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class OneFateTest : public test::CleaningTest {
  protected:
    void PutString(RootKey root, const std::string& path, const std::string& name,
                   const std::string& text) {
        RegKey key(*reg, reg->CreateKey(RootHandle(root), path));
        ASSERT_TRUE(reg->WriteString(key.get(), name, text));
    }
    std::vector<ScanRow> Scan() {
        Rows found;
        ScanEngine engine(*reg, sys, found);
        engine.SetAllCategories(true);
        engine.BeginScan();
        engine.RunScan();
        return found.rows;
    }
    bool There(RootKey root, const std::string& path) {
        return RegKey(*reg, reg->OpenKeyRead(RootHandle(root), path)).get() != kNoKey;
    }
};

TEST_F(OneFateTest, EveryRowOfAnEntrySharesItsFateAndOnlyOutsideChangesAreSkipped) {
    PutString(kCurrentUser, kRun, "Stale", "C:\\Gone\\stale.exe");
    RegKey approved(*reg, reg->CreateKey(RootHandle(kCurrentUser), kApproved));
    const std::uint8_t disabled[12] = {3};
    ASSERT_TRUE(reg->WriteValue(approved.get(), "STALE", kRegBinary, disabled, 12));
    for (const char* app : {"first.exe", "second.exe"})
        PutString(kLocalMachine, kAppPaths + std::string(app), "", "C:\\Gone\\app.exe");
    PutString(kCurrentUser, "Software\\Vendor\\Removed", "Tool", "C:\\Gone\\tool.exe");
    const std::vector<ScanRow> rows = Scan();

    // The scan lists each App Paths value before its key; the second key goes first here.
    std::vector<const ScanRow*> order;
    const ScanRow* run = nullptr;
    for (const ScanRow& row : rows) {
        if (row.path.find("second.exe\\") != std::string::npos &&
            row.finding.kind == FindingKind::Key)
            order.insert(order.begin(), &row);
        else
            order.push_back(&row);
        if (row.finding.valueName == "Stale") run = &row;
    }
    ASSERT_TRUE(run);
    order.push_back(run); // the Run value in a third row
    ASSERT_EQ(order.size(), 8u) << "2 Run, 2+2 App Paths, 1 removed, 1 third row";
    for (const ScanRow* row : order)
        list.Add(row->finding, row->reason, row->valueText);
    ASSERT_EQ(reg->DeleteKeyTree(RootHandle(kCurrentUser), "Software\\Vendor\\Removed"),
              Status::Success()); // another program, between scan and cleaning

    FindingRecheck recheck(*reg, sys);
    CleanOutcome out =
        CleanSelected(CleaningContext{*reg, sys, *writer, prompt, sink, false, &recheck}, list);
    ASSERT_EQ(out.status, CleanStatus::Done);
    EXPECT_EQ(out.processed, 7);
    EXPECT_EQ(out.keptBack, 0);
    EXPECT_TRUE(out.notDeleted.empty());
    ASSERT_EQ(out.noLongerInvalid.size(), 1u);
    EXPECT_EQ(out.noLongerInvalid[0].valueName, "Tool");
    ASSERT_EQ(list.Count(), 1);

    for (const char* app : {"first.exe", "second.exe"})
        EXPECT_FALSE(There(kLocalMachine, kAppPaths + std::string(app))) << app;
    EXPECT_FALSE(reg->ReadValueWhole(approved.get(), "STALE").has_value());
    const std::string text = test::ReadFileText(sys, out.backupFile).value_or("");
    EXPECT_EQ(Count(text, "\"Stale\"="), 1u) << text;
    EXPECT_EQ(Count(text, "\"STALE\"=hex:03,00"), 1u) << text;
    EXPECT_EQ(Count(text, "first.exe]"), 1u) << text;
    EXPECT_EQ(Count(text, "second.exe]"), 1u) << text;
    EXPECT_EQ(Count(text, "@="), 2u) << text; // each default value once, in its key
    // No orphan approval and nothing else left to report.
    EXPECT_TRUE(Scan().empty());
}

} // namespace
} // namespace zt
