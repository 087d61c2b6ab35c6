#include "app/DlgBackup.h"

#include <algorithm>
#include <optional>
#include <string>

#include "app/res/ids_backup.h"
#include "app/res/resource.h"
#include "cleaning/MachinePart.h"
#include "seams/AsciiText.h"
#include "seams/Unicode.h"
#include "startup/SystemStartupActions.h"
#include "seams/UserPrompt.h"
#include "ui/ClassicLook.h"
#include "ui/MessageBox.h"
#include "ui/BackgroundJob.h"

namespace zt {

namespace {
constexpr int kColumns = 2;
}

CDlgBackup::CDlgBackup(AppContext& app)
    : CGradientDialog(IDD_BACKUP_PAGE, IDI_ZENTROVE), reg_(app.registry), sys_(app.system),
      sources_(app.startupSources),
      settings_(app.settings), layout_{{IDC_BACKUP_LIST, kGrowX | kGrowY},
                                       {IDC_BACKUP_LABEL, kMoveX},
                                       {IDC_BACKUP_RESTORE, kMoveX | kMoveY},
                                       {IDC_BACKUP_VIEW, kMoveX | kMoveY},
                                       {IDC_BACKUP_REMOVE, kMoveX | kMoveY}} {
    classicLook_ = IsClassicAppearance();
    SetSounds(IDW_HOVER, IDW_CLICK);
}

CDlgBackup::~CDlgBackup() = default;

CListView CDlgBackup::List() const {
    return CListView(Item(IDC_BACKUP_LIST));
}

bool CDlgBackup::OnInitDialog() {
    SetStandardSkin();
    SetGradientColours(kGradientTop, kGradientBottom);
    CGradientDialog::OnInitDialog();

    CListView list = List();
    SetUpReportList(list.Handle(), LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_LABELTIP);
    int numberWidth = MeasureInDialogFont(Handle(), "No.oooooo");
    RECT client = list.ClientRect();
    list.InsertColumn(0, "No.", numberWidth);
    list.InsertColumn(1, "Created date", (client.right - client.left) - numberWidth);
    headerHook_.Subclass(list.Handle());

    RefreshBackupList();
    return true;
}

void CDlgBackup::RecordLayout() {
    layout_.Record(Handle());
}

void CDlgBackup::RefreshBackupList() {
    if (!Handle()) return; // the list is filled when the window is made
    ReleaseAllItems();
    rowCounter_ = 0;
    FillBackupList();
}

void CDlgBackup::FillBackupList() {
    // The store lists newest first; adding the oldest first at the top leaves the newest on
    // top with the highest number.
    std::vector<CBackupItem> found = ListBackups(sys_);
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        auto item = std::make_unique<CBackupItem>(std::move(*it));
        int row = List().InsertItem(0, std::to_string(rowCounter_ + 1),
                                    reinterpret_cast<LPARAM>(item.get()));
        if (row < 0) continue;
        List().SetItemText(row, 1, FormatBackupTime(item->time));
        items_.push_back(std::move(item));
        ++rowCounter_;
    }
}

void CDlgBackup::ReleaseAllItems() {
    CListView list = List();
    if (list.Handle()) list.DeleteAll();
    items_.clear();
}

const CBackupItem* CDlgBackup::ItemOfRow(int row) const {
    auto* item = reinterpret_cast<const CBackupItem*>(List().ItemData(row));
    for (const auto& own : items_) {
        if (own.get() == item) return item;
    }
    return nullptr;
}

void CDlgBackup::DeleteRow(int row) {
    const CBackupItem* item = ItemOfRow(row);
    List().DeleteItem(row);
    std::erase_if(items_, [item](const auto& own) { return own.get() == item; });
}

bool CDlgBackup::HasSelection(std::string_view noSelectionText, int& row) {
    if (List().Count() == 0) {
        ShowMessage(Handle(), "No item available!", "", MB_OK);
        return false;
    }
    row = List().Selected();
    if (row < 0) {
        ShowMessage(Handle(), noSelectionText, "", MB_OK);
        return false;
    }
    return true;
}

void CDlgBackup::OnRestore() {
    int row = -1;
    if (!HasSelection("Please select a item you want to restore!", row)) return;
    if (ShowMessage(Handle(), "Are you sure to restore it?", kProgramCaption, MB_OKCANCEL) != IDOK)
        return;
    const CBackupItem* item = ItemOfRow(row);
    if (!item) return;
    const std::string path = item->path;

    // The editor may take long: it runs on a worker while this thread keeps the windows
    // alive; the buttons stay unavailable until the restore has ended.
    const int buttons[] = {IDC_BACKUP_RESTORE, IDC_BACKUP_VIEW, IDC_BACKUP_REMOVE};
    HWND focus = ::GetFocus(); // a disabled button loses it; it comes back afterwards
    for (int id : buttons)
        ::EnableWindow(Item(id), FALSE);
    // What the worker found, handed back through the page's queue.
    struct Outcome {
        RestoreReport report;
        std::optional<TaskRestore> task; // a scheduled task's backup is registered again
    };
    auto restore = CBackgroundJob::Create();
    restore->Connect(TaskQueue());
    restore_ = restore;
    auto ended = std::make_shared<std::optional<Outcome>>();
    CBackgroundJob* job = restore.get(); // the running worker keeps its job alive
    const bool started =
        restore->Start([job, &reg = reg_, &sys = sys_, &sources = sources_, path, ended] {
            auto outcome = std::make_shared<Outcome>();
            if (EndsWithNoCase(path, kTaskBackupExtension)) {
                outcome->task = RestoreTaskBackup(sources, sys, path);
            } else {
                outcome->report = RestoreWithHelper(reg, sys, path);
            }
            // Runs on the window thread while the page waits below; dropped once the page goes.
            job->Deliver([outcome, ended] { *ended = std::move(*outcome); });
        });
    if (started && restore->Wait())
        TaskQueue()->Drain();
    else
        restore->Abandon(); // the message loop ends: nothing more reaches the page
    restore_.reset();
    if (!*ended) {
        if (IsValid())
            for (int id : buttons)
                ::EnableWindow(Item(id), TRUE);
        return; // no thread, or the window went meanwhile
    }
    const RestoreReport& report = (*ended)->report;
    const std::optional<TaskRestore>& task = (*ended)->task;
    for (int id : buttons)
        ::EnableWindow(Item(id), TRUE);
    if (focus && ::IsChild(Handle(), focus)) ::SetFocus(focus);

    std::string message = task ? task->message : RestoreMessage(report);
    if (!message.empty()) ShowMessage(Handle(), ForDisplay(message), "", MB_OK);
    bool restored = task ? task->status.ok() : report.result == RestoreResult::Restored;
    if (!restored) return; // the file and the row stay
    // A file that cannot be deleted reappears at the next reload; the row goes either way.
    (void)sys_.RemoveFile(path);
    row = FindRow(path);
    if (row >= 0) DeleteRow(row);
}

int CDlgBackup::FindRow(const std::string& path) const {
    for (int row = 0; row < List().Count(); ++row) {
        const CBackupItem* item = ItemOfRow(row);
        if (item && item->path == path) return row;
    }
    return -1;
}

void CDlgBackup::OnRemove() {
    int row = -1;
    if (!HasSelection("Please select a item you want to delete.", row)) return;
    if (ShowMessage(Handle(), "Are you sure to remove this item?", "", MB_YESNO) != IDYES) return;
    const CBackupItem* item = ItemOfRow(row);
    if (!item) return;
    if (sys_.RemoveFile(item->path)) {
        DeleteRow(row);
        ShowMessage(Handle(), "The item is removed!", "", MB_OK);
    } else {
        ShowMessage(Handle(), "Remove failed!", "", MB_OK);
    }
}

void CDlgBackup::OnViewItem() {
    int row = -1;
    if (!HasSelection("Please select a item you want to delete.", row)) return;
    const CBackupItem* item = ItemOfRow(row);
    if (!item) return;
    sys_.Execute("open", "Notepad.exe", item->path, kShowNormal, false);
}

bool CDlgBackup::OnCommand(int id, int code, HWND control) {
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_BACKUP_RESTORE:
            OnRestore();
            return true;
        case IDC_BACKUP_REMOVE:
            OnRemove();
            return true;
        case IDC_BACKUP_VIEW:
            OnViewItem();
            return true;
        default:
            break;
        }
    }
    return CGradientDialog::OnCommand(id, code, control);
}

void CDlgBackup::OnSize(UINT type, int cx, int cy) {
    CGradientDialog::OnSize(type, cx, cy);
    layout_.Apply(cx, cy);
}

bool CDlgBackup::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (IsSystemLookChange(msg)) {
        bool handled = CGradientDialog::OnMessage(msg, wp, lp, result);
        classicLook_ = IsClassicAppearance();
        Invalidate(true);
        return handled;
    }
    return CGradientDialog::OnMessage(msg, wp, lp, result);
}

void CDlgBackup::OnDestroy() {
    if (restore_) (void)restore_->StopAndAbandon(kLetGoMs); // its result would find no page
    CGradientDialog::OnDestroy();
    headerHook_.Unsubclass();
    ReleaseAllItems();
}

void CDlgBackup::RestoreColumnWidths() {
    int widths[kColumns] = {};
    if (!ReadListWidths(settings_, settings::RestoreList, kColumns, widths)) return;
    for (int c = 0; c < kColumns; ++c)
        List().SetColumnWidth(c, ScaleForDpi(widths[c], static_cast<int>(Dpi())));
}

void CDlgBackup::SaveColumnWidths() const {
    int widths[kColumns] = {};
    for (int c = 0; c < kColumns; ++c)
        widths[c] = ToBaseDpi(List().ColumnWidth(c), static_cast<int>(Dpi()));
    // Saved as the window closes: widths not saved only start at their defaults next time.
    (void)WriteListWidths(settings_, settings::RestoreList, kColumns, widths);
}

} // namespace zt
