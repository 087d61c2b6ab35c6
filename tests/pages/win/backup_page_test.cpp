// The backup page over the real backup folder of the test prefix.
#include <string>

#include "app/DlgBackup.h"
#include "app/res/ids_backup.h"
#include "backup/BackupStore.h"
#include "pages/win/PageFixture.h"
#include "platform/win32/Win32System.h"
#include "seams/Unicode.h"

namespace zt::test {
namespace {

class BackupPageTest : public PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        folder_ = GetBackupFolder(*sys_);
        EmptyFolder(folder_);
    }
    void TearDown() override {
        EmptyFolder(folder_);
        PageTest::TearDown();
    }

    static void EmptyFolder(const std::string& folder) {
        WIN32_FIND_DATAW fd;
        HANDLE h = ::FindFirstFileW(ToWide(folder + "\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return;
        do {
            std::string name = FromWide(fd.cFileName);
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                ::RemoveDirectoryW(ToWide(path).c_str());
            else
                ::DeleteFileW(ToWide(path).c_str());
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }

    // A backup file whose last write is `hour`:00:00 local time on 23 December 2007.
    std::string PlantBackup(const std::string& name, int hour,
                            const std::string& text = "REGEDIT4\r\n\r\n") {
        std::string path = folder_ + "\\" + name;
        PlantFile(*sys_, path, text);
        SYSTEMTIME local{2007, 12, 0, 23, static_cast<WORD>(hour), 0, 0, 0};
        SYSTEMTIME utc{};
        ::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
        FILETIME ft{};
        ::SystemTimeToFileTime(&utc, &ft);
        HANDLE f = ::CreateFileW(ToWide(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(f, INVALID_HANDLE_VALUE);
        ::SetFileTime(f, nullptr, nullptr, &ft);
        ::CloseHandle(f);
        return path;
    }

    bool FileExists(const std::string& path) {
        return ::GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::string folder_;
};

TEST_F(BackupPageTest, ListsRegFilesNewestFirstWithNumbers) {
    PlantBackup("20071223100000000.reg", 10);
    PlantBackup("20071223120000000.reg", 12);
    PlantBackup("20071223110000000.reg", 11);
    PlantBackup("backup.REG", 9);
    PlantBackup("notes.txt", 13);
    ASSERT_TRUE(::CreateDirectoryW(ToWide(folder_ + "\\old.reg").c_str(), nullptr));

    CDlgBackup page(app_);
    CreatePage(page);
    const CListView& list = page.List();
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"4", "3", "2", "1"}));
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i) {
        const CBackupItem* item = page.ItemOfRow(i);
        ASSERT_NE(item, nullptr);
        names.push_back(item->path.substr(folder_.size() + 1));
        EXPECT_EQ(list.ItemText(i, 1), FormatBackupTime(item->time));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"20071223120000000.reg", "20071223110000000.reg",
                                               "20071223100000000.reg", "backup.REG"}));
    EXPECT_EQ(list.ItemText(0, 1), "Sunday,December 23,2007 - 12:00:00 PM");
    EXPECT_EQ(list.ItemText(3, 1), "Sunday,December 23,2007 - 09:00:00 AM");

    // The two columns fill the list at first.
    RECT client = list.ClientRect();
    EXPECT_EQ(list.ColumnWidth(0) + list.ColumnWidth(1), client.right - client.left);
}

TEST_F(BackupPageTest, ButtonsOnAnEmptyListOrWithoutSelectionOnlySaySo) {
    CDlgBackup page(app_);
    CreatePage(page);
    Answerer answers;
    Click(page, IDC_BACKUP_RESTORE);
    Click(page, IDC_BACKUP_VIEW);
    Click(page, IDC_BACKUP_REMOVE);
    EXPECT_EQ(answers.Texts(), (std::vector<std::string>{"No item available!", "No item available!",
                                                         "No item available!"}));
    for (const auto& r : answers.asked) {
        EXPECT_EQ(r.caption, "Zentrove"); // the host window's title stands in for the main window's
        EXPECT_EQ(r.type, static_cast<unsigned>(MB_OK));
    }

    std::string path = PlantBackup("20071223100000000.reg", 10);
    page.RefreshBackupList();
    ASSERT_EQ(page.List().Count(), 1);
    answers.asked.clear();
    Click(page, IDC_BACKUP_RESTORE);
    Click(page, IDC_BACKUP_VIEW);
    Click(page, IDC_BACKUP_REMOVE);
    EXPECT_EQ(answers.Texts(),
              (std::vector<std::string>{"Please select a item you want to restore!",
                                        "Please select a item you want to delete.",
                                        "Please select a item you want to delete."}));
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(page.List().Count(), 1);
}

TEST_F(BackupPageTest, RemoveKeepsNumbersUntilTheNextReload) {
    PlantBackup("20071223100000000.reg", 10);
    std::string middle = PlantBackup("20071223110000000.reg", 11);
    PlantBackup("20071223120000000.reg", 12);
    CDlgBackup page(app_);
    CreatePage(page);
    ASSERT_EQ(page.List().Count(), 3);

    Answerer answers;
    Select(page.List(), 1);
    Click(page, IDC_BACKUP_REMOVE);
    ASSERT_EQ(answers.asked.size(), 2u);
    EXPECT_EQ(answers.asked[0].text, "Are you sure to remove this item?");
    EXPECT_EQ(answers.asked[0].type, static_cast<unsigned>(MB_YESNO));
    EXPECT_EQ(answers.asked[1].text, "The item is removed!");
    EXPECT_FALSE(FileExists(middle));
    EXPECT_EQ(Column(page.List(), 0), (std::vector<std::string>{"3", "1"}));

    page.RefreshBackupList();
    EXPECT_EQ(Column(page.List(), 0), (std::vector<std::string>{"2", "1"}));
}

TEST_F(BackupPageTest, NoAndCancelChangeNothing) {
    std::string path = PlantBackup("20071223100000000.reg", 10);
    CDlgBackup page(app_);
    CreatePage(page);
    Select(page.List(), 0);

    Answerer answers;
    answers.answer = [](const MessageRequest&) { return IDNO; };
    Click(page, IDC_BACKUP_REMOVE);
    answers.answer = [](const MessageRequest&) { return IDCANCEL; };
    Click(page, IDC_BACKUP_RESTORE);
    answers.answer = [](const MessageRequest&) { return -1; }; // closed through the title bar
    Click(page, IDC_BACKUP_REMOVE);
    Click(page, IDC_BACKUP_RESTORE);

    EXPECT_EQ(answers.Texts(), (std::vector<std::string>{"Are you sure to remove this item?",
                                                         "Are you sure to restore it?",
                                                         "Are you sure to remove this item?",
                                                         "Are you sure to restore it?"}));
    EXPECT_EQ(answers.asked[1].caption, "Zentrove");
    EXPECT_EQ(answers.asked[1].type, static_cast<unsigned>(MB_OKCANCEL));
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(page.List().Count(), 1);
}

TEST_F(BackupPageTest, RemoveOfAVanishedFileFailsAndKeepsTheRow) {
    std::string path = PlantBackup("20071223100000000.reg", 10);
    CDlgBackup page(app_);
    CreatePage(page);
    ASSERT_TRUE(::DeleteFileW(ToWide(path).c_str()));
    Select(page.List(), 0);
    Answerer answers;
    Click(page, IDC_BACKUP_REMOVE);
    EXPECT_EQ(answers.Texts(),
              (std::vector<std::string>{"Are you sure to remove this item?", "Remove failed!"}));
    EXPECT_EQ(page.List().Count(), 1);
}

TEST_F(BackupPageTest, RestoreBringsTheEntriesBackAndOnlyThenRemovesTheFile) {
    ScratchKey scratch(*reg_);
    std::string keyPath = scratch.path() + "\\Deleted";
    std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + keyPath +
                       "]\r\n\"Name\"=\"C:\\\\Program "
                       "Files\\\\App\\\\app.exe\"\r\n\"Count\"=dword:0000002a\r\n\r\n";
    std::string path = PlantBackup("20071223100000000.reg", 10, text);
    PlantBackup("20071223090000000.reg", 9);
    ASSERT_EQ(reg_->OpenKeyRead(RootHandle(kCurrentUser), keyPath), kNoKey);

    CDlgBackup page(app_);
    CreatePage(page);
    ASSERT_EQ(page.List().Count(), 2);
    Select(page.List(), 0);

    bool backAtSuccess = false, fileAtSuccess = false;
    Answerer answers;
    answers.answer = [&](const MessageRequest& r) {
        if (r.text == "The item is restored successfully!") {
            RegKey key(*reg_, reg_->OpenKeyRead(RootHandle(kCurrentUser), keyPath));
            backAtSuccess = static_cast<bool>(key);
            fileAtSuccess = FileExists(path);
        }
        return IDOK;
    };
    Click(page, IDC_BACKUP_RESTORE);
    EXPECT_EQ(answers.Texts(), (std::vector<std::string>{"Are you sure to restore it?",
                                                         "The item is restored successfully!"}));
    EXPECT_TRUE(backAtSuccess);
    EXPECT_TRUE(fileAtSuccess);

    RegKey key(*reg_, reg_->OpenKeyRead(RootHandle(kCurrentUser), keyPath));
    ASSERT_TRUE(key);
    char data[260] = {};
    ASSERT_TRUE(reg_->ReadValue(key.get(), "Name", data, sizeof data));
    EXPECT_STREQ(data, "C:\\Program Files\\App\\app.exe");
    std::uint32_t count = 0;
    ASSERT_TRUE(reg_->ReadDword(key.get(), "Count", count));
    EXPECT_EQ(count, 42u);

    EXPECT_FALSE(FileExists(path));
    ASSERT_EQ(page.List().Count(), 1);
    EXPECT_EQ(page.List().ItemText(0, 0), "1");
}

TEST_F(BackupPageTest, APartialRestoreRunsOffTheWindowThreadAndKeepsItsFile) {
    ScratchKey scratch(*reg_);
    HKEY vol = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, ToWide(scratch.path() + "\\Vol").c_str(), 0,
                                nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &vol,
                                nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(vol);
    std::string key = "HKEY_CURRENT_USER\\" + scratch.path();
    std::string path = PlantBackup("20071223100000000.reg", 10,
                                   "REGEDIT4\r\n\r\n[" + key + "\\Back]\r\n\r\n[" + key +
                                       "\\Vol\\Child]\r\n\"x\"=\"y\"\r\n\r\n");
    // While the editor runs, the page answers messages and its buttons are unavailable.
    struct Watching : Win32System {
        HWND page = nullptr;
        bool pageAnswered = false, restoreEnabled = true, removeEnabled = true;
        ShellResult ExecuteAndWait(std::string_view v, std::string_view f, std::string_view p,
                                   int show, std::uint32_t timeoutMs) override {
            DWORD_PTR r = 0;
            pageAnswered = ::SendMessageTimeoutW(page, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
            restoreEnabled = ::IsWindowEnabled(::GetDlgItem(page, IDC_BACKUP_RESTORE));
            removeEnabled = ::IsWindowEnabled(::GetDlgItem(page, IDC_BACKUP_REMOVE));
            return Win32System::ExecuteAndWait(v, f, p, show, timeoutMs);
        }
    } watching;
    AppContext app{*reg_,     watching, PlatformStartupSources(), PlatformSignatures(),
                   settings_, &host_};
    CDlgBackup page(app);
    CreatePage(page);
    watching.page = page.Handle();
    Select(page.List(), 0);
    Answerer answers;
    Click(page, IDC_BACKUP_RESTORE);
    EXPECT_TRUE(watching.pageAnswered);
    EXPECT_FALSE(watching.restoreEnabled);
    EXPECT_FALSE(watching.removeEnabled);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page.Handle(), IDC_BACKUP_RESTORE)));
    ASSERT_EQ(answers.asked.size(), 2u);
    EXPECT_EQ(answers.asked[1].text, "2 of 3 entries could not be restored:\n" + key +
                                         "\\Vol\\Child\n" + key +
                                         "\\Vol\\Child: \"x\"\nThe backup file was kept.");
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(page.List().Count(), 1);
}

TEST_F(BackupPageTest, ResizeMovesNothingUntilRecordedThenFollowsTheRules) {
    CDlgBackup page(app_);
    CreatePage(page);
    HWND h = page.Handle();
    RECT list0 = RectIn(h, IDC_BACKUP_LIST), label0 = RectIn(h, IDC_BACKUP_LABEL);
    RECT restore0 = RectIn(h, IDC_BACKUP_RESTORE), view0 = RectIn(h, IDC_BACKUP_VIEW),
         remove0 = RectIn(h, IDC_BACKUP_REMOVE);
    RECT client = page.ClientRect();
    int w = client.right, hgt = client.bottom;

    ::SetWindowPos(h, nullptr, 0, 0, w + 50, hgt + 30, SWP_NOMOVE | SWP_NOZORDER);
    RECT early = RectIn(h, IDC_BACKUP_LIST);
    EXPECT_TRUE(::EqualRect(&list0, &early));
    ::SetWindowPos(h, nullptr, 0, 0, w, hgt, SWP_NOMOVE | SWP_NOZORDER);

    page.RecordLayout();
    const int dx = 100, dy = 60;
    ::SetWindowPos(h, nullptr, 0, 0, w + dx, hgt + dy, SWP_NOMOVE | SWP_NOZORDER);
    RECT list = RectIn(h, IDC_BACKUP_LIST), label = RectIn(h, IDC_BACKUP_LABEL);
    EXPECT_EQ(list.left, list0.left);
    EXPECT_EQ(list.top, list0.top);
    EXPECT_EQ(list.right, list0.right + dx);
    EXPECT_EQ(list.bottom, list0.bottom + dy);
    EXPECT_EQ(label.left, label0.left + dx);
    EXPECT_EQ(label.top, label0.top);
    EXPECT_EQ(label.bottom - label.top, label0.bottom - label0.top);
    for (auto [id, before] :
         {std::pair{IDC_BACKUP_RESTORE, restore0}, std::pair{IDC_BACKUP_VIEW, view0},
          std::pair{IDC_BACKUP_REMOVE, remove0}}) {
        RECT now = RectIn(h, id);
        EXPECT_EQ(now.left, before.left + dx) << id;
        EXPECT_EQ(now.top, before.top + dy) << id;
        EXPECT_EQ(now.right - now.left, before.right - before.left) << id;
    }
}

TEST_F(BackupPageTest, ColumnWidthsComeBackOnlyWhenBothAreStored) {
    CDlgBackup page(app_);
    CreatePage(page);
    int w0 = page.List().ColumnWidth(0), w1 = page.List().ColumnWidth(1);
    EXPECT_TRUE(settings_.WriteInt("Restore_List_0", w0 + 7));
    EXPECT_TRUE(settings_.WriteInt("Restore_List_1", -1));
    page.RestoreColumnWidths();
    EXPECT_EQ(page.List().ColumnWidth(0), w0);
    EXPECT_EQ(page.List().ColumnWidth(1), w1);

    EXPECT_TRUE(settings_.WriteInt("Restore_List_1", w1 - 7));
    page.RestoreColumnWidths();
    EXPECT_EQ(page.List().ColumnWidth(0), w0 + 7);
    EXPECT_EQ(page.List().ColumnWidth(1), w1 - 7);
    page.List().SetColumnWidth(0, 64);
    page.SaveColumnWidths();
    EXPECT_EQ(settings_.ReadInt("Restore_List_0", -1), 64);
    EXPECT_EQ(settings_.ReadInt("Restore_List_1", -1), w1 - 7);
}

} // namespace
} // namespace zt::test
