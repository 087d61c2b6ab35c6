// The scan page on the in-memory seams: it scans what AppContext hands it, nothing else.
#include "app/DlgScanClean.h"
#include "app/res/resource.h"
#include "pages/win/PageFixture.h"
#include "platform/memory/MemoryFileSignatures.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemoryStartupSources.h"
#include "platform/memory/MemorySystem.h"
#include "scan/scan_support.h"

namespace zt::test {
namespace {

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class ScanPageOnFakesTest : public PageTest {
  protected:
    MemoryRegistry memReg_;
    MemorySystem memSys_;
    MemoryStartupSources memSources_;
    MemoryFileSignatures memSignatures_;
    SettingsStore memSettings_{memReg_, "zentrove-fakes-test"};
    AppContext fakeApp_{memReg_, memSys_, memSources_, memSignatures_, memSettings_, &host_};
};

TEST_F(ScanPageOnFakesTest, ScanFindsWhatTheFakeRegistryHolds) {
    memSys_.AddFile("C:\\Apps\\real.exe");
    SetString(memReg_, kCurrentUser, kRun, "real", "C:\\Apps\\real.exe");
    SetString(memReg_, kCurrentUser, kRun, "gone", "C:\\Gone\\x.exe");
    CDlgScanClean page(fakeApp_, nullptr);
    page.enabledCategories = {6};
    CreatePage(page);
    Answerer answers;
    page.OnScanButton();
    ASSERT_TRUE(PumpUntil([&] { return !page.Busy(); }));
    ASSERT_EQ(page.List().Count(), 1);
    EXPECT_EQ(page.List().ItemText(0, 1), std::string("HKCU\\") + kRun + "\\gone");
    EXPECT_EQ(page.List().ItemText(0, 3), "Invalid File");
    EXPECT_EQ(page.ItemText(IDC_STATUS), "1 invalid items found in the registry:\n");
    EXPECT_EQ(answers.Texts(), (std::vector<std::string>{"Total found 1 invalide items"}));
}

} // namespace
} // namespace zt::test
