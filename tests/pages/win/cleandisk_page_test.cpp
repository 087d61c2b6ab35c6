// The disk cleaner page with its measuring worker, under Wine.
#include <chrono>
#include <regex>

#include "app/DlgCleanDisk.h"
#include "app/res/ids_cleandisk.h"
#include "diskclean/JunkCatalog.h"
#include "settings/SettingsStore.h"
#include "ui/Window.h"
#include "pages/win/PageFixture.h"
#include "seams/Unicode.h"

namespace zt::test {
namespace {

struct Box {
    int id;
    const char* templateText; // with its access key, which the sized caption keeps
};
constexpr Box kBoxes[] = {
    {IDC_CLEANDISK_SYSTEMP, "Clean the &system temporary folder"},
    {IDC_CLEANDISK_USERTEMP, "Clean the &user temporary folder"},
    {IDC_CLEANDISK_INETCACHE, "Clean the &internet cache files"},
    {IDC_CLEANDISK_RECYCLE, "Clean the &Recycle Bin"},
    {IDC_CLEANDISK_COOKIES, "Clean the c&ookies"},
};

class CleanDiskPageTest : public PageTest {
  protected:
    std::string UserTemp() {
        std::string t = sys_->GetTempFolder();
        if (!t.empty() && t.back() == '\\') t.pop_back();
        return t;
    }
    static bool Exists(const std::string& path) {
        return ::GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // Waits for the measuring run and the captions it posted.
    static void WaitForMeasuring(CDlgCleanDisk& page) {
        ASSERT_TRUE(PumpUntil([&] { return !page.IsMeasuring(); }));
        PumpMessages();
    }
};

TEST_F(CleanDiskPageTest, CaptionsChangeFromTheTemplateTextsToSizes) {
    CDlgCleanDisk page(app_);
    ASSERT_TRUE(page.Create(host_.main));
    // Nothing posted by the worker has been delivered yet.
    for (const Box& b : kBoxes) {
        EXPECT_EQ(page.ItemText(b.id), b.templateText);
        EXPECT_FALSE(CButton(page.Item(b.id)).IsChecked());
    }
    WaitForMeasuring(page);
    const std::regex sized(
        R"( \((\d+ B|\d+\.\d\d [KMGT]B)(; \d+ files? kept: changed in the last \d+ hours)?\)$)");
    for (const Box& b : kBoxes) {
        std::string text = page.ItemText(b.id);
        if (b.id == IDC_CLEANDISK_SYSTEMP && text == b.templateText) continue; // not determinable
        EXPECT_EQ(text.rfind(b.templateText, 0), 0u) << text;
        EXPECT_TRUE(std::regex_search(text, sized)) << text;
    }
}

TEST_F(CleanDiskPageTest, CleanEmptiesTheTickedPlaceAndUnticksIt) {
    std::string junk = UserTemp() + "\\zt-pages-junk";
    ::CreateDirectoryW(ToWide(junk).c_str(), nullptr);
    ::CreateDirectoryW(ToWide(junk + "\\sub").c_str(), nullptr);
    PlantFile(*sys_, junk + "\\a.tmp", std::string(1500, 'a'));
    PlantFile(*sys_, junk + "\\sub\\b.tmp", "b");
    // The files were just made: only with the age rule off do they go.
    EXPECT_TRUE(settings_.Write(settings::KeepRecentJunk, 0));

    CDlgCleanDisk page(app_);
    CreatePage(page);
    WaitForMeasuring(page);
    Answerer answers;

    Click(page, IDC_CLEANDISK_CLEAN);
    EXPECT_EQ(answers.Texts(), (std::vector<std::string>{"You should select one item at least."}));

    CButton(page.Item(IDC_CLEANDISK_USERTEMP)).SetCheck(true);
    answers.asked.clear();
    answers.answer = [](const MessageRequest&) { return IDCANCEL; };
    Click(page, IDC_CLEANDISK_CLEAN);
    EXPECT_EQ(answers.Texts(), (std::vector<std::string>{"Are you sure to delete them?"}));
    EXPECT_TRUE(Exists(junk + "\\a.tmp"));
    EXPECT_TRUE(CButton(page.Item(IDC_CLEANDISK_USERTEMP)).IsChecked());

    answers.asked.clear();
    answers.answer = nullptr;
    Click(page, IDC_CLEANDISK_CLEAN);
    ASSERT_EQ(answers.asked.size(), 2u);
    EXPECT_EQ(answers.asked[0].caption, "Zentrove");
    EXPECT_EQ(answers.asked[0].type, static_cast<unsigned>(MB_OKCANCEL));
    EXPECT_EQ(answers.asked[1].text.rfind("The cleaning is finished!", 0), 0u);
    EXPECT_FALSE(Exists(junk + "\\a.tmp"));
    EXPECT_FALSE(Exists(junk + "\\sub"));
    EXPECT_TRUE(Exists(UserTemp()));
    EXPECT_FALSE(CButton(page.Item(IDC_CLEANDISK_USERTEMP)).IsChecked());

    // A fresh measurement follows the cleaning.
    WaitForMeasuring(page);
    EXPECT_TRUE(settings_.Write(settings::KeepRecentJunk, 1));
    EXPECT_EQ(page.ItemText(IDC_CLEANDISK_USERTEMP).rfind("Clean the &user temporary folder (", 0),
              0u);
}

TEST_F(CleanDiskPageTest, ClosingWhileMeasuringALargeFolderEndsCleanly) {
    PlantLargeFolder(*sys_);
    auto page = std::make_unique<CDlgCleanDisk>(app_);
    CreatePage(*page);
    ASSERT_TRUE(page->IsMeasuring()) << "the measuring finished before the page could close";
    auto start = std::chrono::steady_clock::now();
    ::DestroyWindow(host_.main); // takes the page window with it
    host_.main = nullptr;
    page.reset(); // waits for the abandoned run to stop at its next file
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(10));
    PumpMessages(); // nothing queued for the dead window may run
}

TEST_F(CleanDiskPageTest, ResizeGrowsTheGroupAndMovesTheButtonsOnly) {
    CDlgCleanDisk page(app_);
    CreatePage(page);
    HWND h = page.Handle();
    RECT group0 = RectIn(h, IDC_CLEANDISK_GROUP), clean0 = RectIn(h, IDC_CLEANDISK_CLEAN),
         exit0 = RectIn(h, IDCANCEL), box0 = RectIn(h, IDC_CLEANDISK_COOKIES);
    RECT client = page.ClientRect();
    ::SetWindowPos(h, nullptr, 0, 0, client.right + 30, client.bottom + 30,
                   SWP_NOMOVE | SWP_NOZORDER);
    RECT early = RectIn(h, IDC_CLEANDISK_CLEAN);
    EXPECT_TRUE(::EqualRect(&clean0, &early));
    ::SetWindowPos(h, nullptr, 0, 0, client.right, client.bottom, SWP_NOMOVE | SWP_NOZORDER);

    page.RecordLayout();
    const int dx = 80, dy = 40;
    ::SetWindowPos(h, nullptr, 0, 0, client.right + dx, client.bottom + dy,
                   SWP_NOMOVE | SWP_NOZORDER);
    RECT group = RectIn(h, IDC_CLEANDISK_GROUP), clean = RectIn(h, IDC_CLEANDISK_CLEAN),
         exit = RectIn(h, IDCANCEL), box = RectIn(h, IDC_CLEANDISK_COOKIES);
    EXPECT_EQ(group.left, group0.left);
    EXPECT_EQ(group.right, group0.right + dx);
    EXPECT_EQ(group.bottom, group0.bottom + dy);
    EXPECT_EQ(clean.left, clean0.left + dx);
    EXPECT_EQ(clean.top, clean0.top);
    EXPECT_EQ(exit.left, exit0.left + dx);
    EXPECT_EQ(exit.top, exit0.top);
    EXPECT_TRUE(::EqualRect(&box, &box0));
    WaitForMeasuring(page);
}

// The list of places: each row sized after measuring, its tick read from the settings and
// written back when the page goes.
TEST_F(CleanDiskPageTest, PlacesListIsMeasuredAndRemembersItsTicks) {
    ASSERT_TRUE(WriteJunkPlaceTicked(settings_, "crash-dumps", true));
    ASSERT_TRUE(WriteJunkPlaceTicked(settings_, "edge-cache", false));
    const auto rows = JunkCatalog();
    int crash = -1, edge = -1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].id == "crash-dumps") crash = static_cast<int>(i);
        if (rows[i].id == "edge-cache") edge = static_cast<int>(i);
    }
    {
        CDlgCleanDisk page(app_);
        CreatePage(page);
        CListView list(page.Item(IDC_CLEANDISK_PLACES));
        ASSERT_EQ(list.Count(), static_cast<int>(rows.size()));
        EXPECT_TRUE(list.IsChecked(crash));
        EXPECT_FALSE(list.IsChecked(edge));
        WaitForMeasuring(page);
        const std::regex shown(
            R"(^(\d+ B|\d+\.\d\d [KMGT]B|\(not found\)|\(in use\)|\(protected folder\)).*)");
        for (int row = 0; row < list.Count(); ++row) {
            EXPECT_EQ(list.ItemText(row, 0), rows[row].label);
            EXPECT_TRUE(std::regex_match(list.ItemText(row, 2), shown)) << list.ItemText(row, 2);
        }
        list.SetChecked(crash, false);
        list.SetChecked(edge, true);
        ::DestroyWindow(page.Handle());
    }
    EXPECT_FALSE(ReadJunkPlaceTicked(settings_, "crash-dumps"));
    EXPECT_TRUE(ReadJunkPlaceTicked(settings_, "edge-cache"));
    EXPECT_TRUE(WriteJunkPlaceTicked(settings_, "edge-cache", false)); // as the others expect
}

} // namespace
} // namespace zt::test
