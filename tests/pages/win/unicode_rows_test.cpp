// Names in any script reach the pages' lists as they are, read back in UTF-16 as the list
// holds them, while each row keeps the exact name for the core.
#include "app/DlgScanClean.h"
#include "app/DlgStartupManager.h"
#include "app/res/ids_startup.h"
#include "pages/win/PageFixture.h"
#include "startup/StartupApproval.h"

namespace zt::test {
namespace {

constexpr const char* kRunPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct PlantedName {
    std::string name;  // as the registry holds it, in UTF-8 (WTF-8 for the lone surrogate)
    std::wstring seen; // what the list must show
};

// Cyrillic, CJK, an emoji (a surrogate pair) and an unpaired high surrogate.
const PlantedName kNames[] = {
    {"ZtUni \xD0\x97\xD0\xB0\xD0\xBF\xD1\x83\xD1\x81\xD0\xBA",
     L"ZtUni \x0417\x0430\x043F\x0443\x0441\x043A"},
    {"ZtUni \xE5\xB7\xA5\xE5\x85\xB7", L"ZtUni \x5DE5\x5177"},
    {"ZtUni \xF0\x9F\x98\x80", L"ZtUni \xD83D\xDE00"},
    {"ZtUni \xED\xA0\x80 lone", L"ZtUni \xFFFD lone"},
};

std::wstring RowText(HWND list, int row, int column) {
    wchar_t text[1024] = {};
    LVITEMW it{};
    it.iSubItem = column;
    it.pszText = text;
    it.cchTextMax = 1024;
    ::SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&it));
    return text;
}

// The row whose `column` shows exactly `text`, or -1.
int RowShowing(HWND list, int column, const std::wstring& text) {
    int n = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < n; ++row)
        if (RowText(list, row, column) == text) return row;
    return -1;
}

class UnicodeRowsTest : public PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        RegKey run(*reg_, reg_->CreateKey(RootHandle(kCurrentUser), kRunPath));
        ASSERT_TRUE(run);
        for (const auto& n : kNames) {
            std::string command = "C:\\zt-uni-missing\\" + n.name + ".exe";
            ASSERT_TRUE(reg_->WriteString(run.get(), n.name, command)) << n.name;
        }
    }
    void TearDown() override {
        for (std::string_view path : {std::string_view(kRunPath), kApprovedRunKeyPath}) {
            RegKey key(*reg_, reg_->OpenKeyAllAccess(RootHandle(kCurrentUser), path));
            for (const auto& n : kNames)
                if (key) (void)reg_->DeleteValue(key.get(), n.name);
        }
        PageTest::TearDown();
    }
};

TEST_F(UnicodeRowsTest, ScanAndStartupListsShowEveryNameAsItIs) {
    Answerer answers;
    CDlgScanClean scan(app_, nullptr);
    scan.enabledCategories = {6}; // the Run keys
    CreatePage(scan);
    scan.OnScanButton();
    ASSERT_TRUE(PumpUntil([&] { return !scan.Busy(); }, 60000));

    CDlgStartupManager startup(app_);
    CreatePage(startup);
    ASSERT_TRUE(startup.WaitForListing());

    const std::wstring runPath = L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
    for (const auto& n : kNames) {
        SCOPED_TRACE(n.name);
        int row = RowShowing(scan.List().Handle(), 1, runPath + n.seen);
        ASSERT_GE(row, 0);
        EXPECT_EQ(RowText(scan.List().Handle(), row, 2),
                  L"C:\\zt-uni-missing\\" + n.seen + L".exe");
        ASSERT_NE(scan.FindingAt(row), nullptr);
        EXPECT_EQ(scan.FindingAt(row)->valueName, n.name);

        row = RowShowing(startup.List().Handle(), 1, n.seen);
        ASSERT_GE(row, 0);
        EXPECT_EQ(RowText(startup.List().Handle(), row, 2),
                  L"C:\\zt-uni-missing\\" + n.seen + L".exe");
        ASSERT_NE(startup.EntryAt(row), nullptr);
        EXPECT_EQ(startup.EntryAt(row)->name, n.name);

        // The switch is written under the entry's own name, not the one shown.
        Select(startup.List(), row);
        Click(startup, IDC_STARTUP_DISABLE);
        EXPECT_EQ(RowText(startup.List().Handle(), row, 4), L"Disabled");
        RegKey approved(*reg_, reg_->OpenKeyRead(RootHandle(kCurrentUser), kApprovedRunKeyPath));
        std::uint8_t data[12] = {};
        EXPECT_TRUE(approved && reg_->ReadValue(approved.get(), n.name, data, sizeof data));
    }
}

} // namespace
} // namespace zt::test
