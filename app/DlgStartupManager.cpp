#include "app/DlgStartupManager.h"

#include <memory>

#include "app/DlgAddStartupItem.h"
#include "app/res/ids_startup.h"
#include "app/res/resource.h"
#include "seams/Unicode.h"
#include "settings/SettingsStore.h"
#include "startup/StartupApproval.h"
#include "startup/StartupEditor.h"
#include "ui/ClassicLook.h"
#include "ui/MessageBox.h"
#include "app/MessageBoxPrompt.h"

namespace zt {

namespace {

constexpr int kColumns = 5;
// Widths saved before the Status column existed.
constexpr int kOldColumns = 4;
constexpr int kStatusColumn = 4;

std::string_view StatusText(bool disabled) {
    return disabled ? kStatusDisabled : kStatusEnabled;
}

// What a row owns: the entry exactly as it was enumerated, for the core, and its number's
// text. The list asks for the shown texts when it draws; the record goes with its row
// (LVN_DELETEITEM).
struct StartupRow {
    StartupEntry entry;
    std::string number;
};

StartupRow* RowRecord(const CListView& list, int index) {
    return reinterpret_cast<StartupRow*>(list.ItemData(index));
}

std::string_view ColumnText(const StartupRow& row, int column) {
    switch (column) {
    case 0:
        return row.number;
    case 1:
        return row.entry.name;
    case 2:
        return row.entry.command;
    case 3:
        return row.entry.location;
    case kStatusColumn:
        return StatusText(row.entry.disabled);
    default:
        return {};
    }
}

// The enumeration's rows, appended to the page's list.
class CStartupListSink : public StartupEntrySink {
  public:
    explicit CStartupListSink(const CListView& list) : list_(list) {}
    void ClearStartupRows() override { list_.DeleteAll(); }
    void AddStartupRow(const StartupEntry& entry) override {
        auto record = std::make_unique<StartupRow>(StartupRow{entry, std::to_string(entry.number)});
        if (InsertRowOnDemand(list_.Handle(), list_.Count(), reinterpret_cast<LPARAM>(record.get()),
                              kColumns) >= 0)
            record.release(); // the row owns it now
    }

  private:
    const CListView& list_;
};

// Deletion's view of the list: rows, their check boxes, and removal.
class CStartupListModel : public StartupRowModel {
  public:
    explicit CStartupListModel(const CListView& list) : list_(list) {}
    int RowCount() const override { return list_.Count(); }
    bool IsRowChecked(int index) const override { return list_.IsChecked(index); }
    StartupEntry RowEntry(int index) const override {
        const StartupRow* row = RowRecord(list_, index);
        return row ? row->entry : StartupEntry{};
    }
    void RemoveRow(int index) override { list_.DeleteItem(index); }
    void UncheckRow(int index) override { list_.SetChecked(index, false); }

  private:
    const CListView& list_;
};

} // namespace

CDlgStartupManager::CDlgStartupManager(AppContext& app)
    : CGradientDialog(IDD_STARTUP_PAGE, IDI_ZENTROVE), app_(app),
      writer_(app.registry, app.system), layout_{{IDC_STARTUP_LIST, kGrowX | kGrowY},
                                                 {IDC_STARTUP_REFRESH, kMoveX},
                                                 {IDC_STARTUP_DELETE, kMoveX},
                                                 {IDC_STARTUP_DISABLE, kMoveX},
                                                 {IDC_STARTUP_ENABLE, kMoveX},
                                                 {IDC_STARTUP_ADD, kMoveX},
                                                 {IDCANCEL, kMoveX}} {
    classicLook_ = IsClassicAppearance();
    SetSounds(IDW_HOVER, IDW_CLICK);
}

CDlgStartupManager::~CDlgStartupManager() = default;

CListView CDlgStartupManager::List() const {
    return CListView(Item(IDC_STARTUP_LIST));
}

const StartupEntry* CDlgStartupManager::EntryAt(int row) const {
    const StartupRow* record = RowRecord(List(), row);
    return record ? &record->entry : nullptr;
}

bool CDlgStartupManager::OnInitDialog() {
    SetStandardSkin();
    SetGradientColours(kGradientTop, kGradientBottom);
    CGradientDialog::OnInitDialog();

    CListView list = List();
    RequeryNotifyFormat(list.Handle(), Handle());
    SetUpReportList(list.Handle(), LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT |
                                       LVS_EX_HEADERDRAGDROP | LVS_EX_LABELTIP);
    int number = MeasureInDialogFont(Handle(), "No.oooooo");
    int name = MeasureInDialogFont(Handle(), "Startup Item item...");
    int command = MeasureInDialogFont(Handle(), "Command Command Command Command");
    int status = MeasureInDialogFont(Handle(), "Disabledoo");
    RECT client = list.ClientRect();
    list.InsertColumn(0, "No.", number);
    list.InsertColumn(1, "Startup Item", name);
    list.InsertColumn(2, "Command", command);
    list.InsertColumn(3, "Location",
                      (client.right - client.left) - number - name - command - status);
    list.InsertColumn(kStatusColumn, "Status", status);
    headerHook_.Subclass(list.Handle());

    RefreshList();
    return true;
}

void CDlgStartupManager::RecordLayout() {
    layout_.Record(Handle());
}

void CDlgStartupManager::RefreshList() {
    StartupEnumerator enumerator(app_.registry, app_.system);
    CListView list = List();
    CStartupListSink sink(list);
    enumerator.EnumerateStartupEntries(sink);
    UpdateSwitchButtons();
}

void CDlgStartupManager::UpdateSwitchButtons() {
    CListView list = List();
    int row = list.Selected();
    bool governed = false, disabled = false;
    if (row >= 0) {
        StartupEntry entry = CStartupListModel(list).RowEntry(row);
        governed = ApprovalFor(entry).has_value();
        disabled = entry.disabled;
    }
    ::EnableWindow(Item(IDC_STARTUP_DISABLE), governed && !disabled);
    ::EnableWindow(Item(IDC_STARTUP_ENABLE), governed && disabled);
}

void CDlgStartupManager::SwitchSelectedEntry(bool disable) {
    CListView list = List();
    int row = list.Selected();
    if (row < 0) return;
    StartupEntry entry = CStartupListModel(list).RowEntry(row);
    switch (SetStartupEntryDisabled(app_.registry, entry, disable)) {
    case ApprovalWrite::Written:
        if (StartupRow* record = RowRecord(list, row)) record->entry.disabled = disable;
        list.Send(LVM_REDRAWITEMS, row, row);
        break;
    case ApprovalWrite::NotGoverned:
        ShowMessage(Handle(), kOnlyDeletable, kProgramCaption, MB_OK);
        break;
    case ApprovalWrite::NotWritten:
        ShowMessage(
            Handle(),
            ForDisplay("Could not write " + ApprovalFor(entry)->Text() + "; nothing was changed."),
            kProgramCaption, MB_OK);
        break;
    }
    UpdateSwitchButtons();
}

bool CDlgStartupManager::OnNotify(int id, NMHDR* header, LRESULT& result) {
    if (id != IDC_STARTUP_LIST) return CGradientDialog::OnNotify(id, header, result);
    switch (header->code) {
    case LVN_ITEMCHANGED:
        UpdateSwitchButtons();
        break;
    case LVN_DELETEITEM:
        delete reinterpret_cast<StartupRow*>(reinterpret_cast<NMLISTVIEW*>(header)->lParam);
        break;
    case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        const auto* row = reinterpret_cast<const StartupRow*>(info->item.lParam);
        if (!row) row = RowRecord(List(), info->item.iItem);
        if ((info->item.mask & LVIF_TEXT) && row)
            CopyDisplayText(ColumnText(*row, info->item.iSubItem), info->item.pszText,
                            info->item.cchTextMax);
        break;
    }
    default:
        break;
    }
    return CGradientDialog::OnNotify(id, header, result);
}

bool CDlgStartupManager::RunAddDialog(HWND owner, std::string& commandLine) {
    if (runAddDialog_) return runAddDialog_(owner, commandLine);
    CDlgAddStartupItem dialog;
    dialog.SetSilent(IsSilent());
    if (dialog.DoModal(owner) != IDOK) return false;
    commandLine = dialog.commandLine;
    return true;
}

void CDlgStartupManager::DeleteSelectedEntries() {
    CListView list = List();
    CStartupListModel rows(list);
    CMessageBoxPrompt prompt(Handle());
    try {
        // It tells the user what stayed and why through the prompt.
        (void)zt::DeleteSelectedEntries(app_.registry, app_.system, writer_, rows, prompt, [this] {
            if (app_.host) app_.host->RefreshBackupList();
        });
    } catch (const FileError& e) {
        // The backup could not be written: the rows not yet handled stay, and the user learns why.
        ShowMessage(Handle(), ForDisplay(e.what()), "", MB_OK);
    }
    UpdateSwitchButtons();
}

void CDlgStartupManager::AddStartupItem() {
    std::string commandLine;
    if (!RunAddDialog(Handle(), commandLine)) return;
    StartupAddition added = zt::AddStartupItem(app_.registry, commandLine);
    RefreshList();
    if (!added.written)
        ShowMessage(Handle(), ForDisplay(AdditionFailedText(added)), "", MB_OK);
    else if (added.root != kLocalMachine)
        ShowMessage(Handle(), kAddedForUserOnly, "", MB_OK);
}

bool CDlgStartupManager::OnCommand(int id, int code, HWND control) {
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_STARTUP_REFRESH:
            RefreshList();
            return true;
        case IDC_STARTUP_DELETE:
            DeleteSelectedEntries();
            return true;
        case IDC_STARTUP_ADD:
            AddStartupItem();
            return true;
        case IDC_STARTUP_DISABLE:
        case IDC_STARTUP_ENABLE:
            SwitchSelectedEntry(id == IDC_STARTUP_DISABLE);
            return true;
        default:
            break;
        }
    }
    return CGradientDialog::OnCommand(id, code, control);
}

void CDlgStartupManager::OnCancel() {
    PostCloseToTopLevel(Handle());
}

void CDlgStartupManager::OnSize(UINT type, int cx, int cy) {
    CGradientDialog::OnSize(type, cx, cy);
    layout_.Apply(cx, cy);
}

bool CDlgStartupManager::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_NOTIFYFORMAT) {
        result = NFR_UNICODE; // see RequeryNotifyFormat
        return true;
    }
    if (IsSystemLookChange(msg)) {
        classicLook_ = IsClassicAppearance();
        Invalidate(true);
    }
    return CGradientDialog::OnMessage(msg, wp, lp, result);
}

void CDlgStartupManager::OnDestroy() {
    headerHook_.Unsubclass();
    List().DeleteAll(); // each row's record goes with LVN_DELETEITEM
    CGradientDialog::OnDestroy();
}

void CDlgStartupManager::RestoreColumnWidths() {
    int widths[kColumns] = {};
    int columns = kColumns;
    if (!ReadListWidths(app_.settings, settings::StartupList, columns, widths)) {
        columns = kOldColumns;
        if (!ReadListWidths(app_.settings, settings::StartupList, columns, widths)) return;
    }
    for (int c = 0; c < columns; ++c)
        List().SetColumnWidth(c, ScaleForDpi(widths[c], static_cast<int>(Dpi())));
}

void CDlgStartupManager::SaveColumnWidths() const {
    int widths[kColumns] = {};
    for (int c = 0; c < kColumns; ++c)
        widths[c] = ToBaseDpi(List().ColumnWidth(c), static_cast<int>(Dpi()));
    // Saved as the window closes: widths not saved only start at their defaults next time.
    (void)WriteListWidths(app_.settings, settings::StartupList, kColumns, widths);
}

} // namespace zt
