// The scan page in process against the real registry: findings newest first with their
// texts, Check All, cleaning with its backup, Stop and close during a scan and a cleaning.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/DlgMain.h"
#include "app/DlgScanClean.h"
#include "app/res/resource.h"
#include "seams/ManualResetEvent.h"
#include "app_harness.h"
#include "support/seams.h"
#include "ui/MessageBox.h"

namespace zt::test {
namespace {

constexpr const char* kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr int kSharedDllsCategory = 4;
constexpr int kUserSoftwareCategory = 2;

// DLL entries of SharedDlls whose files do not exist, removed again at the end.
class PlantedDlls {
  public:
    PlantedDlls(Registry& reg, const std::string& folder, int count) : reg_(reg) {
        RegKey key(reg, reg.CreateKey(RootHandle(kLocalMachine), kSharedDlls));
        for (int i = 0; i < count; ++i) {
            names_.push_back("C:\\" + folder + "\\lib" + std::to_string(i) + ".dll");
            std::uint32_t refs = static_cast<std::uint32_t>(i + 1);
            EXPECT_TRUE(reg.WriteValue(key.get(), names_.back(), kRegDword, &refs, sizeof refs));
        }
    }
    ~PlantedDlls() {
        RegKey key(reg_, reg_.OpenKeyAllAccess(RootHandle(kLocalMachine), kSharedDlls));
        for (auto& n : names_)
            (void)reg_.DeleteValue(key.get(), n);
    }
    const std::vector<std::string>& names() const { return names_; }
    bool Exists(const std::string& name) {
        RegKey key(reg_, reg_.OpenKeyRead(RootHandle(kLocalMachine), kSharedDlls));
        std::uint32_t v = 0;
        return key && reg_.ReadDword(key.get(), name, v);
    }

  private:
    Registry& reg_;
    std::vector<std::string> names_;
};

std::string KeyName(char prefix, int i) {
    char name[16];
    std::snprintf(name, sizeof name, "%c%d", prefix, i);
    return name;
}

// Rows of the list whose PATH mentions `marker`, top first.
std::vector<int> RowsWith(CListView& list, const std::string& marker) {
    std::vector<int> rows;
    for (int i = 0; i < list.Count(); ++i)
        if (list.ItemText(i, 1).find(marker) != std::string::npos) rows.push_back(i);
    return rows;
}

struct ScanPageFixture : ::testing::Test {
    AppHarness h;
    ScopedMessageAnswerer answers{IDOK};
    std::unique_ptr<CDlgMain> main;

    void Open(std::vector<int> categories) {
        main = std::make_unique<CDlgMain>(h.app());
        main->ScanPage().enabledCategories = std::move(categories);
        ASSERT_TRUE(main->Create(nullptr));
    }
    CDlgScanClean& page() { return main->ScanPage(); }
    void ScanToEnd() {
        page().OnScanButton();
        ASSERT_TRUE(PumpUntil([&] { return !page().Busy(); }, 60000));
    }
    void TearDown() override {
        if (main && main->Handle() && ::IsWindow(main->Handle()))
            main->Send(WM_SYSCOMMAND, SC_CLOSE, 0);
    }
};

TEST_F(ScanPageFixture, ScanListsPlantedFindingsNewestFirstWithTheirTexts) {
    PlantedDlls dlls(h.registry(), "zt_gone_order", 3);
    Open({kSharedDllsCategory});
    EXPECT_EQ(page().ItemText(IDC_SCAN), "Sc&an");
    ScanToEnd();

    CListView& list = page().List();
    std::vector<int> rows = RowsWith(list, "zt_gone_order");
    ASSERT_EQ(rows.size(), 3u);
    // The value planted last is found last and listed first, numbered highest.
    for (int k = 0; k < 3; ++k) {
        int row = rows[k];
        const std::string& name = dlls.names()[2 - k];
        EXPECT_EQ(list.ItemText(row, 1), "HKLM\\" + std::string(kSharedDlls) + "\\" + name);
        EXPECT_EQ(list.ItemText(row, 2), std::to_string(3 - k));
        EXPECT_EQ(list.ItemText(row, 3), "Missing DLL Entry");
        EXPECT_TRUE(list.IsChecked(row));
        if (k > 0) {
            EXPECT_GT(std::stoi(list.ItemText(rows[k - 1], 0)), std::stoi(list.ItemText(row, 0)));
        }
    }
    // Numbers run from the list's size at the top down to 1 at the bottom.
    int n = list.Count();
    EXPECT_EQ(list.ItemText(0, 0), std::to_string(n));
    EXPECT_EQ(list.ItemText(n - 1, 0), "1");
    const ScanFinding* record = page().FindingAt(rows[0]);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->root, kLocalMachine);
    EXPECT_EQ(record->keyPath, kSharedDlls);
    EXPECT_EQ(record->valueName, dlls.names()[2]);
    EXPECT_EQ(record->kind, FindingKind::Value);

    // The end: status line, caption, Clean enabled, Check All ticked, the total message.
    EXPECT_EQ(page().ItemText(IDC_STATUS),
              std::to_string(n) + " invalid items found in the registry:\n");
    EXPECT_EQ(page().ItemText(IDC_SCAN), "&Scan");
    EXPECT_TRUE(::IsWindowEnabled(page().Item(IDC_CLEAN)));
    EXPECT_TRUE(IsTicked(page().Handle(), IDC_CHECKALL));
    ASSERT_FALSE(answers.Requests().empty());
    EXPECT_EQ(answers.Requests().back().text,
              "Total found " + std::to_string(n) + " invalide items");
    EXPECT_EQ(answers.Requests().back().caption, "Zentrove");
    EXPECT_EQ(page().Phase(), ScanPagePhase::Idle);
}

TEST_F(ScanPageFixture, ScanWithEveryAreaOffReportsNothing) {
    Open({});
    ScanToEnd();
    EXPECT_EQ(page().List().Count(), 0);
    EXPECT_EQ(page().ItemText(IDC_STATUS), "0 invalid items found in the registry:\n");
    ASSERT_FALSE(answers.Requests().empty());
    EXPECT_EQ(answers.Requests().back().text, "Total found 0 invalide items");
    EXPECT_TRUE(IsTicked(page().Handle(), IDC_CHECKALL));
}

TEST_F(ScanPageFixture, CheckAllFollowsTheBoxAndMouseClicksOnItemBoxes) {
    PlantedDlls dlls(h.registry(), "zt_gone_check", 3);
    Open({kSharedDllsCategory});
    ScanToEnd();
    CListView& list = page().List();
    ASSERT_GE(list.Count(), 3);

    ClickBox(page().Handle(), IDC_CHECKALL, false);
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_FALSE(list.IsChecked(i));
    ClickBox(page().Handle(), IDC_CHECKALL, true);
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_TRUE(list.IsChecked(i));

    // A mouse click on the first item's box.
    RECT item{};
    item.left = LVIR_BOUNDS;
    list.Send(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    LPARAM at = MAKELPARAM(item.left + 8, (item.top + item.bottom) / 2);
    LVHITTESTINFO hit{};
    hit.pt = {item.left + 8, (item.top + item.bottom) / 2};
    list.Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    ASSERT_EQ(hit.flags, static_cast<UINT>(LVHT_ONITEMSTATEICON));
    auto click = [&] {
        list.Send(WM_LBUTTONDOWN, MK_LBUTTON, at);
        list.Send(WM_LBUTTONUP, 0, at);
        Pump(50);
    };
    click();
    EXPECT_FALSE(list.IsChecked(0));
    EXPECT_FALSE(IsTicked(page().Handle(), IDC_CHECKALL));
    click();
    EXPECT_TRUE(list.IsChecked(0));
    EXPECT_TRUE(IsTicked(page().Handle(), IDC_CHECKALL));

    // Check All follows the rows however a tick changes.
    list.SetChecked(1, false);
    Pump(20);
    EXPECT_FALSE(list.IsChecked(1));
    EXPECT_FALSE(IsTicked(page().Handle(), IDC_CHECKALL));
}

TEST_F(ScanPageFixture, CleanBacksUpAndRemovesOnlyTheTickedRows) {
    PlantedDlls dlls(h.registry(), "zt_gone_clean", 3);
    Open({kSharedDllsCategory});
    ScanToEnd();
    CListView& list = page().List();
    // Only our own rows are ticked; the middle one stays.
    ClickBox(page().Handle(), IDC_CHECKALL, false);
    std::vector<int> rows = RowsWith(list, "zt_gone_clean");
    ASSERT_EQ(rows.size(), 3u);
    list.SetChecked(rows[0], true);
    list.SetChecked(rows[2], true);
    int before = list.Count();

    // Cancel: nothing written, nothing deleted.
    answers.SetAnswer(IDCANCEL);
    answers.Clear();
    page().OnCleanButton();
    EXPECT_EQ(page().Phase(), ScanPagePhase::PreparingCleaning);
    ASSERT_TRUE(PumpUntil([&] { return !page().Busy(); }, 60000));
    ASSERT_EQ(answers.Requests().size(), 1u);
    EXPECT_EQ(answers.Requests()[0].text, "Are you sure to delete these items?");
    EXPECT_EQ(answers.Requests()[0].caption, "Zentrove");
    EXPECT_EQ(answers.Requests()[0].owner, page().Handle());
    EXPECT_EQ(list.Count(), before);
    EXPECT_TRUE(page().LastBackupFile().empty());

    answers.SetAnswer(IDOK);
    answers.Clear();
    page().OnCleanButton();
    ASSERT_TRUE(PumpUntil([&] { return !page().Busy(); }, 60000));
    EXPECT_EQ(list.Count(), before - 2);
    std::vector<int> left = RowsWith(list, "zt_gone_clean");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_NE(list.ItemText(left[0], 1).find(dlls.names()[1]), std::string::npos);
    EXPECT_FALSE(dlls.Exists(dlls.names()[0]));
    EXPECT_TRUE(dlls.Exists(dlls.names()[1]));
    EXPECT_FALSE(dlls.Exists(dlls.names()[2]));
    EXPECT_EQ(page().ItemText(IDC_STATUS),
              std::to_string(before - 2) + " invalid items found in the registry:\n");
    ASSERT_FALSE(answers.Requests().empty());
    EXPECT_EQ(answers.Requests().back().text, "Total 2 items cleaned successfully!");
    EXPECT_EQ(answers.Requests().back().owner, nullptr);

    // The backup holds both deleted values, newest first, in the editor's format.
    ASSERT_FALSE(page().LastBackupFile().empty());
    std::ifstream file(page().LastBackupFile(), std::ios::binary);
    ASSERT_TRUE(file.good()) << page().LastBackupFile();
    std::stringstream text;
    text << file.rdbuf();
    std::string backup = text.str();
    EXPECT_EQ(backup.rfind("REGEDIT4", 0), 0u);
    auto escaped = [](std::string s) {
        std::string out;
        for (char c : s) {
            if (c == '\\') out += '\\';
            out += c;
        }
        return out;
    };
    size_t newer = backup.find(escaped(dlls.names()[2]));
    size_t older = backup.find(escaped(dlls.names()[0]));
    EXPECT_NE(newer, std::string::npos);
    EXPECT_NE(older, std::string::npos);
    EXPECT_LT(newer, older);
    EXPECT_EQ(backup.find(escaped(dlls.names()[1])), std::string::npos);
    std::remove(page().LastBackupFile().c_str());

    // Nothing ticked: only the request to select, and no file.
    ClickBox(page().Handle(), IDC_CHECKALL, false);
    answers.Clear();
    std::string last = page().LastBackupFile();
    page().OnCleanButton();
    ASSERT_EQ(answers.Requests().size(), 1u);
    EXPECT_EQ(answers.Requests()[0].text, "Please select the items you want to delete.");
    EXPECT_EQ(answers.Requests()[0].owner, nullptr);
    EXPECT_EQ(page().LastBackupFile(), last);
}

TEST_F(ScanPageFixture, CleanSkipsARowThatChangedSinceTheScan) {
    PlantedDlls dlls(h.registry(), "zt_gone_recheck", 2);
    Open({kSharedDllsCategory});
    ScanToEnd();
    CListView& list = page().List();
    ClickBox(page().Handle(), IDC_CHECKALL, false);
    for (int row : RowsWith(list, "zt_gone_recheck"))
        list.SetChecked(row, true);
    {
        RegKey key(h.registry(), h.registry().CreateKey(RootHandle(kLocalMachine), kSharedDlls));
        ASSERT_TRUE(h.registry().WriteDword(key.get(), dlls.names()[0], 7)); // another count
    }
    answers.Clear();
    page().OnCleanButton();
    ASSERT_TRUE(PumpUntil([&] { return !page().Busy(); }, 60000));
    EXPECT_TRUE(dlls.Exists(dlls.names()[0]));
    EXPECT_FALSE(dlls.Exists(dlls.names()[1]));
    std::vector<int> left = RowsWith(list, "zt_gone_recheck");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_FALSE(list.IsChecked(left[0]));
    ASSERT_FALSE(answers.Requests().empty());
    EXPECT_EQ(answers.Requests().back().text,
              "Total 1 items cleaned successfully!\n1 items skipped: no longer invalid.");
    std::remove(page().LastBackupFile().c_str());
}

TEST_F(ScanPageFixture, StopEndsARunningScanAndKeepsWhatWasListed) {
    // A big enough tree under HKCU\Software that the scan is still running when stopped.
    ScratchKey scratch(h.registry());
    {
        HKey top = scratch.Create();
        for (int i = 0; i < 400; ++i) {
            RegKey a(h.registry(), h.registry().CreateKey(top, KeyName('k', i)));
            for (int j = 0; j < 5; ++j) {
                RegKey b(h.registry(), h.registry().CreateKey(a.get(), KeyName('s', j)));
                EXPECT_TRUE(h.registry().WriteString(b.get(), "file", "C:\\zt_gone_stop\\f.txt"));
            }
        }
        h.registry().CloseKey(top);
    }
    Open({kUserSoftwareCategory});
    page().OnScanButton();
    EXPECT_EQ(page().ItemText(IDC_SCAN), "&Stop");
    ASSERT_TRUE(PumpUntil([&] { return page().List().Count() > 0; }, 30000));
    ASSERT_EQ(page().Phase(), ScanPagePhase::Scanning);
    EXPECT_FALSE(::IsWindowEnabled(page().Item(IDC_CLEAN)));
    page().OnScanButton(); // Stop
    EXPECT_EQ(page().Phase(), ScanPagePhase::StoppingScan);
    EXPECT_EQ(page().ItemText(IDC_SCAN), "&Scan");
    ASSERT_TRUE(PumpUntil([&] { return !page().Busy(); }, 10000));
    int n = page().List().Count();
    EXPECT_GT(n, 0);
    EXPECT_LT(n, 2000);
    ASSERT_FALSE(answers.Requests().empty());
    EXPECT_EQ(answers.Requests().back().text,
              "Total found " + std::to_string(n) + " invalide items");
    EXPECT_TRUE(::IsWindowEnabled(page().Item(IDC_CLEAN)));
}

// Enough keys under HKCU\Software that a scan of them is still running a moment after it
// started.
void PlantManyMissingFiles(Registry& reg, ScratchKey& scratch, const char* folder) {
    HKey top = scratch.Create();
    for (int i = 0; i < 2000; ++i) {
        RegKey a(reg, reg.CreateKey(top, KeyName('k', i)));
        EXPECT_TRUE(reg.WriteString(a.get(), "file", std::string("C:\\") + folder + "\\f.txt"));
    }
    reg.CloseKey(top);
}

TEST_F(ScanPageFixture, CloseDuringAScanEndsWithinAboutASecondWithoutItsTotal) {
    ScratchKey scratch(h.registry());
    PlantManyMissingFiles(h.registry(), scratch, "zt_gone_close");
    Open({kUserSoftwareCategory});
    page().OnScanButton();
    ASSERT_EQ(page().Phase(), ScanPagePhase::Scanning);
    answers.Clear();
    auto start = std::chrono::steady_clock::now();
    main->Send(WM_SYSCOMMAND, SC_CLOSE, 0);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(::IsWindow(main->Handle()));
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1300);
    Pump(300);
    EXPECT_TRUE(answers.Requests().empty()) << answers.Requests().front().text;
}

// The real registry, whose key listing waits at a gate from the 1,000th subkey of a key on
// until the test opens it: a scan is then surely still running when the test lets it go.
class GatedRegistry : public Win32Registry {
  public:
    bool EnumKey(HKey key, std::uint32_t index, std::string& name,
                 std::uint32_t bufferChars) override {
        if (index >= 1000) gate.Wait();
        return Win32Registry::EnumKey(key, index, name, bufferChars);
    }
    ManualResetEvent gate;
};

struct LeftWorkerFixture : ScanPageFixture {
    GatedRegistry gated;
    Win32System system;
    AppContext app{gated, system, test::PlatformStartupSources(), test::PlatformSignatures(),
                   h.store()};
    void TearDown() override {
        gated.gate.Set();
        ScanPageFixture::TearDown();
        main.reset(); // before the context it was made with
    }
};

TEST_F(LeftWorkerFixture, AWorkerLeftRunningReachesNothingOfTheGonePage) {
    ScratchKey scratch(h.registry());
    PlantManyMissingFiles(h.registry(), scratch, "zt_gone_left");
    main = std::make_unique<CDlgMain>(app);
    main->ScanPage().enabledCategories = {kUserSoftwareCategory};
    ASSERT_TRUE(main->Create(nullptr));
    page().OnScanButton();
    ASSERT_TRUE(PumpUntil([&] { return page().List().Count() > 0; }, 30000));
    std::shared_ptr<const CBackgroundJob> work = page().ScanWork();
    // No time to end: the worker, held at the gate, is let go while it still reports.
    ASSERT_FALSE(page().StopWorkForClose(0, 0));
    page().AbandonWork();
    answers.Clear();
    main->Send(WM_SYSCOMMAND, SC_CLOSE, 0);
    main.reset();
    gated.gate.Set();
    ASSERT_TRUE(work->Join(10000));
    Pump(300);
    // Its last report (the end of the scan) came after the page let go, and was dropped.
    EXPECT_GE(work->DroppedResults(), 1u);
    EXPECT_TRUE(answers.Requests().empty());
}

// A cleaning of many planted values, caught after its first few findings.
struct CleaningRunFixture : ScanPageFixture {
    static constexpr int kPlanted = 3000;
    std::unique_ptr<PlantedDlls> dlls;
    int before = 0;

    void StartAndCatchUnderway() {
        dlls = std::make_unique<PlantedDlls>(h.registry(), "zt_gone_cleanrun", kPlanted);
        Open({kSharedDllsCategory});
        ScanToEnd();
        before = page().List().Count();
        answers.Clear();
        page().OnCleanButton();
        ASSERT_TRUE(PumpUntil([&] { return page().Phase() == ScanPagePhase::Cleaning; }, 60000));
        HWND bar = page().Item(IDC_CLEANPROGRESS);
        ASSERT_TRUE(PumpUntil([&] { return ::SendMessageW(bar, PBM_GETPOS, 0, 0) >= 10; }, 60000));
        ASSERT_EQ(answers.Requests().size(), 1u); // the confirmation only
        answers.Clear();
    }
    // The planted values the run deleted; each one must be in `backup`, no other one.
    int DeletedAndBackedUp(const std::string& backupFile) {
        std::ifstream file(backupFile, std::ios::binary);
        EXPECT_TRUE(file.good()) << backupFile;
        std::stringstream text;
        text << file.rdbuf();
        std::string backup = text.str();
        int deleted = 0;
        for (const std::string& name : dlls->names()) {
            std::string quoted = "\"";
            for (char c : name)
                quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
            quoted += "\"=";
            bool gone = !dlls->Exists(name);
            deleted += gone;
            EXPECT_EQ(backup.find(quoted) != std::string::npos, gone) << name;
        }
        return deleted;
    }
};

TEST_F(CleaningRunFixture, StopEndsTheRunWithTheRestListedTickedAndNothingUnbackedDeleted) {
    StartAndCatchUnderway();
    // Only Stop is available while it runs; Scan does nothing.
    EXPECT_EQ(page().ItemText(IDC_CLEAN), "S&top");
    EXPECT_FALSE(::IsWindowEnabled(page().List().Handle()));
    EXPECT_FALSE(::IsWindowEnabled(page().Item(IDC_SCAN)));
    EXPECT_FALSE(::IsWindowEnabled(page().Item(IDC_CHECKALL)));
    EXPECT_EQ(page().ItemText(IDC_STATUS).rfind("Cleaning... ", 0), 0u);
    page().OnScanButton();
    EXPECT_EQ(page().Phase(), ScanPagePhase::Cleaning);

    page().OnCleanButton(); // the second press is Stop
    ASSERT_TRUE(PumpUntil([&] { return !page().Busy(); }, 30000));
    int deleted = DeletedAndBackedUp(page().LastBackupFile());
    EXPECT_GT(deleted, 0);
    EXPECT_LT(deleted, kPlanted);
    CListView& list = page().List();
    ASSERT_EQ(list.Count(), before - deleted);
    for (int i = 0; i < list.Count(); ++i)
        ASSERT_TRUE(list.IsChecked(i)) << i;
    ASSERT_FALSE(answers.Requests().empty());
    EXPECT_EQ(answers.Requests().back().text,
              "Total " + std::to_string(deleted) + " items cleaned successfully!\n" +
                  "The cleaning was stopped: " + std::to_string(list.Count()) +
                  " ticked items were not cleaned and are still listed.");
    EXPECT_EQ(page().ItemText(IDC_CLEAN), "&Clean");
    EXPECT_TRUE(::IsWindowEnabled(list.Handle()));
    EXPECT_FALSE(::IsWindowVisible(page().Item(IDC_CLEANPROGRESS)));
    std::remove(page().LastBackupFile().c_str());
}

TEST_F(CleaningRunFixture, CloseDuringACleaningStopsItWithACompleteBackupAndNoBox) {
    StartAndCatchUnderway();
    auto start = std::chrono::steady_clock::now();
    main->Send(WM_SYSCOMMAND, SC_CLOSE, 0);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(::IsWindow(main->Handle()));
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 5000);
    EXPECT_TRUE(answers.Requests().empty()); // the window went: no total box
    std::string backupFile = page().LastBackupFile();
    ASSERT_FALSE(backupFile.empty());
    int deleted = DeletedAndBackedUp(backupFile);
    EXPECT_GT(deleted, 0);
    EXPECT_LT(deleted, kPlanted);
    main.reset();
    std::remove(backupFile.c_str());
}

} // namespace
} // namespace zt::test
