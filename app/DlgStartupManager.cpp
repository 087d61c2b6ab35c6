#include "app/DlgStartupManager.h"

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>

#include <commctrl.h>

#include "app/DlgAddStartupItem.h"
#include "app/MachineActions.h"
#include "app/res/ids_startup.h"
#include "app/res/resource.h"
#include "seams/Unicode.h"
#include "settings/SettingsStore.h"
#include "startup/StartupApproval.h"
#include "startup/StartupEditor.h"
#include "ui/ClassicLook.h"
#include "ui/MessageBox.h"
#include "app/MessageBoxPrompt.h"
#include "startup/SystemStartup.h"
#include "startup/SystemStartupActions.h"
#include "ui/DpiLogic.h"

namespace zt {

namespace {

constexpr const char* kHelperBusy =
    "The machine-wide entries were left as they were: the administrator's helper is still busy "
    "with the change before.";
constexpr const char* kHelperSkipped = "not changed: the administrator's helper did not reach it";

constexpr int kColumns = 7;
// Widths saved before the Status, When and Publisher columns existed.
constexpr int kOldColumns[] = {6, 5, 4};
constexpr int kCommandColumn = 2;
constexpr int kLocationColumn = 3;
constexpr int kStatusColumn = 4;
constexpr int kWhenColumn = 5;
constexpr int kPublisherColumn = 6;
constexpr std::array<std::string_view, kColumns> kColumnTitles = {
    "No.", "Startup Item", "Command", "Location", "Status", "When", "Publisher"};
// The widest states a row can show, so the Status column never cuts one before rows arrive.
constexpr std::string_view kStatusSamples[] = {"Disabled (File not found)", "Disabled by policy"};

// What a row owns: the entry exactly as it was enumerated, for the core, and the texts made
// of it. The list asks for the shown texts when it draws; the record goes with its row
// (LVN_DELETEITEM).
struct StartupRow {
    StartupEntry entry;
    std::string number;
    std::string status;
    std::string publisher;
};

// What a column needs: the width of its widest text, and the least it may be cut to.
struct ColumnNeed {
    int text = 0;
    int least = 0;
};

// Widths that fill `width`: each column as wide as its texts and Command and Location sharing
// what is left; when the texts do not fit, the columns give up width in proportion to what
// they have above their least.
std::array<int, kColumns> ShareColumns(const std::array<ColumnNeed, kColumns>& needs, int width) {
    std::array<int, kColumns> widths{};
    for (int c = 0; c < kColumns; ++c)
        widths[c] = needs[c].text;
    const int sum = std::accumulate(widths.begin(), widths.end(), 0);
    if (sum <= width) {
        int toCommand = (width - sum) * 3 / 5;
        widths[kCommandColumn] += toCommand;
        widths[kLocationColumn] += width - sum - toCommand;
        return widths;
    }
    int spare = 0;
    for (const auto& need : needs)
        spare += need.text - need.least;
    if (spare <= 0) return widths;
    const int cut = std::min(sum - width, spare);
    int given = 0;
    for (int c = 0; c < kColumns; ++c) {
        int share = static_cast<int>(static_cast<long long>(cut) *
                                     (needs[c].text - needs[c].least) / spare);
        widths[c] -= share;
        given += share;
    }
    // What rounding left goes to the column with the most room above its least.
    int roomiest = 0;
    for (int c = 1; c < kColumns; ++c)
        if (widths[c] - needs[c].least > widths[roomiest] - needs[roomiest].least) roomiest = c;
    widths[roomiest] -= std::min(cut - given, widths[roomiest] - needs[roomiest].least);
    return widths;
}

// Rows a listing collects on its worker, handed whole to the window.
struct CollectedRows : StartupEntrySink {
    std::vector<StartupEntry> rows;
    void ClearStartupRows() override { rows.clear(); }
    void AddStartupRow(const StartupEntry& entry) override { rows.push_back(entry); }
};

bool Switchable(const StartupEntry& entry) {
    switch (entry.kind) {
    case StartupEntryKind::ScheduledTask:
        return entry.state.empty();
    case StartupEntryKind::Service:
    case StartupEntryKind::Driver:
    case StartupEntryKind::PackagedTask:
        return true;
    default:
        return ApprovalFor(entry).has_value();
    }
}

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
        return row.status;
    case kWhenColumn:
        return row.entry.detail;
    case kPublisherColumn:
        return row.publisher;
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
        auto record = std::make_unique<StartupRow>(StartupRow{entry, std::to_string(entry.number),
                                                              StartupStatusText(entry),
                                                              PublisherText(entry.signature)});
        if (InsertRowOnDemand(list_.Handle(), list_.Count(), reinterpret_cast<LPARAM>(record.get()),
                              kColumns) >= 0)
            record.release(); // the row owns it now
    }

  private:
    const CListView& list_;
};

// Deletion's view of the list: rows, their check boxes, and removal. With `selectedOnly`, the
// one selected row stands for the ticked ones.
class CStartupListModel : public StartupRowModel {
  public:
    // With `helperRowsOf`, the rows that system's process must hand to the helper count as
    // not chosen: the helper deletes them.
    explicit CStartupListModel(const CListView& list, int selectedOnly = -1,
                               System* helperRowsOf = nullptr)
        : list_(list), selectedOnly_(selectedOnly), helperRowsOf_(helperRowsOf) {}
    int RowCount() const override { return list_.Count(); }
    bool IsRowTicked(int index) const override {
        bool chosen = selectedOnly_ >= 0 ? index == selectedOnly_ : list_.IsChecked(index);
        if (!chosen || !helperRowsOf_) return chosen;
        const StartupRow* row = RowRecord(list_, index);
        return !row || !NeedsHelper(*helperRowsOf_, row->entry);
    }
    StartupEntry RowEntry(int index) const override {
        const StartupRow* row = RowRecord(list_, index);
        return row ? row->entry : StartupEntry{};
    }
    void RemoveRow(int index) override {
        list_.DeleteItem(index);
        selectedOnly_ = -2; // the row it stood for is gone, and no other takes its place
    }
    void UntickRow(int index) override {
        if (selectedOnly_ >= 0)
            selectedOnly_ = -2;
        else
            list_.SetChecked(index, false);
    }

  private:
    const CListView& list_;
    int selectedOnly_;
    System* helperRowsOf_;
};

// The deletion's own question was asked before; what it would tell is kept for the one
// message over both parts.
class CollectingPrompt : public UserPrompt {
  public:
    int Ask(std::string_view text, std::string_view, PromptButtons buttons) override {
        if (buttons != PromptButtons::Ok) return kAnswerOk;
        std::string line(text);
        if (line.compare(0, kDeletionDone.size(), kDeletionDone) == 0)
            line.erase(0, line.find_first_not_of("\n", kDeletionDone.size()));
        if (!line.empty()) lines += (lines.empty() ? "" : "\n") + line;
        return kAnswerOk;
    }
    std::string lines;
};

} // namespace

CDlgStartupManager::CDlgStartupManager(AppContext& app)
    : CGradientDialog(IDD_STARTUP_PAGE, IDI_ZENTROVE), app_(app),
      writer_(app.registry, app.system), layout_{{IDC_STARTUP_LIST, kGrowX | kGrowY},
                                                 {IDC_STARTUP_HIDE_WINDOWS, kMoveY},
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
                                       LVS_EX_HEADERDRAGDROP | LVS_EX_LABELTIP | LVS_EX_INFOTIP);
    // The selected row stays visible while another control has the focus.
    ::SetWindowLongPtrW(list.Handle(), GWL_STYLE,
                        ::GetWindowLongPtrW(list.Handle(), GWL_STYLE) | LVS_SHOWSELALWAYS);
    for (int c = 0; c < kColumns; ++c)
        list.InsertColumn(c, kColumnTitles[c], 0);
    FitColumns();
    headerHook_.Subclass(list.Handle());
    CButton(Item(IDC_STARTUP_HIDE_WINDOWS))
        .SetCheck(app_.settings.IsOn(settings::HideWindowsStartup));

    StartListing();
    return true;
}

void CDlgStartupManager::RecordLayout() {
    layout_.Record(Handle());
}

void CDlgStartupManager::RefreshList() {
    StartListing();
    (void)WaitForListing(); // a listing still going when the wait ends fills the list later
}

void CDlgStartupManager::StartListing() {
    if (listing_ && listing_->Running()) return;
    listing_ = CBackgroundJob::Create();
    listing_->Connect(TaskQueue());
    ::EnableWindow(Item(IDC_STARTUP_REFRESH), FALSE);
    CBackgroundJob* job = listing_.get();
    const bool hide = CButton(Item(IDC_STARTUP_HIDE_WINDOWS)).IsChecked();
    // The seams live as long as the program. Signatures are read here, never on the window's
    // thread: a file's first check can take a while.
    listing_->Start([this, job, hide, &reg = app_.registry, &sys = app_.system,
                     &sources = app_.startupSources, &signatures = app_.signatures] {
        CollectedRows collected;
        StartupEnumerator lister(reg, sys, &sources, &signatures);
        lister.HideWindowsEntries(hide);
        lister.EnumerateStartupEntries(collected);
        job->Deliver(
            [this, rows = std::move(collected.rows)]() mutable { ShowRows(std::move(rows)); });
    });
}

bool CDlgStartupManager::WaitForListing(DWORD timeoutMs) {
    if (!listing_) return true;
    if (!listing_->Wait(timeoutMs)) return false;
    TaskQueue()->Drain(); // the rows it delivered
    return true;
}

void CDlgStartupManager::ShowRows(std::vector<StartupEntry> rows) {
    CListView list = List();
    CStartupListSink sink(list);
    ::SendMessageW(list.Handle(), WM_SETREDRAW, FALSE, 0);
    sink.ClearStartupRows();
    for (const auto& entry : rows)
        sink.AddStartupRow(entry);
    ::SendMessageW(list.Handle(), WM_SETREDRAW, TRUE, 0);
    FitColumns(); // after the redraw: the list has its scroll bar by now
    widthsChosen_ = true;
    ::InvalidateRect(list.Handle(), nullptr, TRUE);
    ::EnableWindow(Item(IDC_STARTUP_REFRESH), TRUE);
    UpdateSwitchButtons();
    if (relist_) {
        // The hide box changed while this listing ran; its worker has delivered and is ending.
        relist_ = false;
        (void)listing_->Join(kLetGoMs);
        StartListing();
    }
}

void CDlgStartupManager::OnHideWindowsClicked() {
    const bool hide = CButton(Item(IDC_STARTUP_HIDE_WINDOWS)).IsChecked();
    // A choice not stored only means the box starts ticked next time.
    (void)app_.settings.Write(settings::HideWindowsStartup, hide ? 1 : 0);
    if (listing_ && listing_->Running())
        relist_ = true;
    else
        StartListing();
}

void CDlgStartupManager::FitColumns() {
    CListView list = List();
    RECT client = list.ClientRect();
    const int width = client.right - client.left;
    const int pad = ScaleForDpi(14, static_cast<int>(Dpi()));
    auto measure = [&](std::string_view text) {
        std::wstring wide = ToWide(ForDisplay(text));
        return static_cast<int>(
                   list.Send(LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(wide.c_str()))) +
               pad;
    };
    // A cut column keeps a few letters of its title.
    const int few = measure("Abc");
    std::array<ColumnNeed, kColumns> needs{};
    for (int c = 0; c < kColumns; ++c) {
        needs[c].text = measure(kColumnTitles[c]);
        needs[c].least = std::min(few, needs[c].text);
    }
    for (auto sample : kStatusSamples)
        needs[kStatusColumn].text = std::max(needs[kStatusColumn].text, measure(sample));
    // Once widths are chosen only the Status column is fitted again: measuring every cell of
    // a long list on each listing would hold up the window for nothing.
    const int first = widthsChosen_ ? kStatusColumn : 0;
    const int last = widthsChosen_ ? kStatusColumn : kColumns - 1;
    for (int i = 0; i < list.Count(); ++i)
        if (const StartupRow* row = RowRecord(list, i))
            for (int c = first; c <= last; ++c)
                needs[c].text =
                    std::max(needs[c].text, std::min(width, measure(ColumnText(*row, c))));
    // The check box stands before the number; numbers and states are never cut.
    int box = 0, boxHeight = 0;
    if (auto states = reinterpret_cast<HIMAGELIST>(list.Send(LVM_GETIMAGELIST, LVSIL_STATE)))
        ::ImageList_GetIconSize(states, &box, &boxHeight);
    needs[0].text += box;
    needs[0].least = needs[0].text;
    needs[kStatusColumn].least = needs[kStatusColumn].text;
    if (widthsChosen_) {
        if (list.ColumnWidth(kStatusColumn) < needs[kStatusColumn].text)
            list.SetColumnWidth(kStatusColumn, needs[kStatusColumn].text);
        return;
    }
    auto widths = ShareColumns(needs, width);
    for (int c = 0; c < kColumns; ++c)
        list.SetColumnWidth(c, widths[c]);
    listWidth_ = width;
}

std::vector<int> CDlgStartupManager::ActionRows() const {
    CListView list = List();
    std::vector<int> rows;
    for (int i = 0; i < list.Count(); ++i)
        if (list.IsChecked(i)) rows.push_back(i);
    if (rows.empty() && list.Selected() >= 0) rows.push_back(list.Selected());
    return rows;
}

void CDlgStartupManager::UpdateSwitchButtons() {
    CListView list = List();
    bool canDisable = false, canEnable = false;
    for (int row : ActionRows()) {
        const StartupRow* record = RowRecord(list, row);
        if (!record || !Switchable(record->entry)) continue;
        canDisable = canDisable || !record->entry.disabled;
        canEnable = canEnable || record->entry.disabled;
    }
    ::EnableWindow(Item(IDC_STARTUP_DISABLE), canDisable);
    ::EnableWindow(Item(IDC_STARTUP_ENABLE), canEnable);
    UpdateShields();
}

void CDlgStartupManager::UpdateShields() {
    CListView list = List();
    bool machine = false;
    for (int row : ActionRows())
        if (const StartupRow* record = RowRecord(list, row))
            machine = machine || NeedsHelper(app_.system, record->entry);
    for (int id : {IDC_STARTUP_DELETE, IDC_STARTUP_DISABLE, IDC_STARTUP_ENABLE})
        if (CSkinButton* button = SkinnedButton(id))
            if (button->HasIcon() != machine)
                button->SetIcon(OwnedIcon(machine ? LoadShieldIcon() : nullptr));
}

bool CDlgStartupManager::ShowsShield(int buttonId) const {
    const CSkinButton* button = SkinnedButton(buttonId);
    return button && button->HasIcon();
}

void CDlgStartupManager::SwitchSelectedEntries(bool disable) {
    CListView list = List();
    std::string notes;
    bool openSettings = false;
    std::vector<std::string> machineIds;
    for (int row : ActionRows()) {
        StartupRow* record = RowRecord(list, row);
        if (!record || record->entry.disabled == disable) continue;
        if (NeedsHelper(app_.system, record->entry)) {
            machineIds.push_back(StartupEntryId(record->entry));
            continue;
        }
        SwitchOutcome outcome = SwitchStartupRow(app_.registry, app_.system, app_.startupSources,
                                                 record->entry, disable);
        switch (outcome.done) {
        case SwitchDone::Done:
            record->entry.disabled = disable;
            if (record->entry.kind == StartupEntryKind::Service ||
                record->entry.kind == StartupEntryKind::Driver)
                record->entry.detail = outcome.message;
            record->status = StartupStatusText(record->entry);
            list.Send(LVM_REDRAWITEMS, row, row);
            break;
        case SwitchDone::OpenSettings:
            openSettings = true;
            break;
        case SwitchDone::NotGoverned:
        case SwitchDone::Failed:
            notes += (notes.empty() ? "" : "\n") + record->entry.name + ": " + outcome.message;
            break;
        }
    }
    if (openSettings) {
        ShowMessage(Handle(), kPackageChangedInSettings, kProgramCaption, MB_OK);
        (void)app_.system.Execute("open", kStartupAppsSettings, "", kShowNormal, false);
    }
    if (!machineIds.empty())
        RunWithHelper(disable ? "disable" : "enable", std::move(machineIds), std::move(notes));
    else if (!notes.empty())
        ShowMessage(Handle(), ForDisplay(notes), kProgramCaption, MB_OK);
    UpdateSwitchButtons();
}

void CDlgStartupManager::RunWithHelper(std::string verb, std::vector<std::string> ids,
                                       std::string notes) {
    if (helper_ && helper_->Running()) {
        notes += (notes.empty() ? "" : "\n") + std::string(kHelperBusy);
        ShowMessage(Handle(), ForDisplay(notes), kProgramCaption, MB_OK);
        return;
    }
    helper_ = CBackgroundJob::Create();
    helper_->Connect(TaskQueue());
    CBackgroundJob* job = helper_.get();
    // The consent prompt and the helper's run take their time: never on the window's thread.
    helper_->Start([this, job, &sys = app_.system, verb = std::move(verb), ids = std::move(ids),
                    notes = std::move(notes)] {
        HelperOutcome out = RunStartupHelper(sys, verb, ids, &job->StopFlag());
        job->Deliver([this, verb, ids, notes, out = std::move(out)] {
            ShowHelperOutcome(verb, ids, notes, out);
        });
    });
}

void CDlgStartupManager::ShowHelperOutcome(const std::string& verb,
                                           const std::vector<std::string>& ids, std::string notes,
                                           const HelperOutcome& out) {
    auto add = [&notes](const std::string& line) { notes += (notes.empty() ? "" : "\n") + line; };
    if (!out.note.empty()) add(out.note);
    CListView list = List();
    bool deleted = false;
    for (int i = list.Count() - 1; i >= 0 && out.note.empty(); --i) {
        StartupRow* record = RowRecord(list, i);
        if (!record) continue;
        const std::string id = StartupEntryId(record->entry);
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) continue;
        const HelperRowOutcome* r = out.Find(id);
        if (!r || !r->done) {
            add(record->entry.name + ": " + (r ? r->message : std::string(kHelperSkipped)));
        } else if (verb == "delete") {
            list.DeleteItem(i);
            deleted = true;
        } else {
            record->entry.disabled = verb == "disable";
            if (record->entry.kind == StartupEntryKind::Service ||
                record->entry.kind == StartupEntryKind::Driver)
                record->entry.detail = r->message;
            record->status = StartupStatusText(record->entry);
            list.Send(LVM_REDRAWITEMS, i, i);
        }
    }
    if (deleted && app_.host) app_.host->RefreshBackupList();
    // A deletion ends with its word as it does without the helper, then what stayed.
    if (verb == "delete")
        notes = std::string(kDeletionDone) + (notes.empty() ? "" : "\n\n" + notes);
    if (!notes.empty()) ShowMessage(Handle(), ForDisplay(notes), kProgramCaption, MB_OK);
    UpdateSwitchButtons();
}

bool CDlgStartupManager::WaitForHelper(DWORD timeoutMs) {
    if (!helper_) return true;
    if (!helper_->Wait(timeoutMs)) return false;
    TaskQueue()->Drain(); // the outcome it delivered
    return true;
}

void CDlgStartupManager::ShareWidth(int listWidth) {
    if (listWidth_ <= 0 || listWidth == listWidth_) {
        listWidth_ = listWidth;
        return;
    }
    CListView list = List();
    int delta = listWidth - listWidth_;
    int command = list.ColumnWidth(2), location = list.ColumnWidth(3);
    int toCommand = delta * 3 / 5;
    list.SetColumnWidth(2, command + toCommand > 40 ? command + toCommand : 40);
    list.SetColumnWidth(3, location + delta - toCommand > 40 ? location + delta - toCommand : 40);
    listWidth_ = listWidth;
}

bool CDlgStartupManager::OnNotify(int id, NMHDR* header, LRESULT& result) {
    if (id != IDC_STARTUP_LIST) return CGradientDialog::OnNotify(id, header, result);
    switch (header->code) {
    case LVN_ITEMCHANGED:
        UpdateSwitchButtons();
        break;
    case LVN_GETINFOTIPW: {
        // The whole row, for cells the columns cut.
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
        const StartupRow* row = RowRecord(List(), tip->iItem);
        if (!row) break;
        std::string text = row->entry.name;
        if (!row->entry.displayName.empty()) text += " (" + row->entry.displayName + ")";
        text += "\n" + row->entry.command + "\n" + row->entry.location + "\n" + row->status;
        if (!row->entry.detail.empty()) text += "\n" + row->entry.detail;
        if (!row->publisher.empty()) text += "\n" + row->publisher;
        CopyDisplayText(text, tip->pszText, tip->cchTextMax);
        break;
    }
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
    bool ticked = false;
    for (int i = 0; i < list.Count() && !ticked; ++i)
        ticked = list.IsChecked(i);
    std::vector<std::string> machineIds;
    bool userRows = false;
    for (int row : ActionRows())
        if (const StartupRow* record = RowRecord(list, row)) {
            if (NeedsHelper(app_.system, record->entry))
                machineIds.push_back(StartupEntryId(record->entry));
            else
                userRows = true;
        }
    const bool helper = !machineIds.empty();
    // With the helper the question is asked here, once, and one message ends both parts.
    if (helper &&
        ShowMessage(Handle(), kConfirmDeleteMessage, kProgramCaption, MB_OKCANCEL) != IDOK)
        return;
    CMessageBoxPrompt shown(Handle());
    CollectingPrompt told;
    if (!helper || userRows) {
        CStartupListModel rows(list, ticked ? -1 : list.Selected(),
                               helper ? &app_.system : nullptr);
        try {
            // It tells the user what stayed and why through the prompt.
            (void)zt::DeleteSelectedEntries(
                app_.registry, app_.system, writer_, rows,
                helper ? static_cast<UserPrompt&>(told) : shown,
                [this] {
                    if (app_.host) app_.host->RefreshBackupList();
                },
                &app_.startupSources);
        } catch (const FileError& e) {
            // The backup could not be written: the rows not yet handled stay, and the user
            // learns why.
            if (helper)
                told.Tell(e.what());
            else
                ShowMessage(Handle(), ForDisplay(e.what()), "", MB_OK);
        }
    }
    if (helper) RunWithHelper("delete", std::move(machineIds), std::move(told.lines));
    UpdateSwitchButtons();
}

void CDlgStartupManager::AddStartupItem() {
    std::string commandLine;
    if (!RunAddDialog(Handle(), commandLine)) return;
    AddStartupCommand(app_, Handle(), writer_, commandLine);
    RefreshList();
}

bool CDlgStartupManager::OnCommand(int id, int code, HWND control) {
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_STARTUP_REFRESH:
            StartListing();
            return true;
        case IDC_STARTUP_HIDE_WINDOWS:
            OnHideWindowsClicked();
            return true;
        case IDC_STARTUP_DELETE:
            DeleteSelectedEntries();
            return true;
        case IDC_STARTUP_ADD:
            AddStartupItem();
            return true;
        case IDC_STARTUP_DISABLE:
        case IDC_STARTUP_ENABLE:
            SwitchSelectedEntries(id == IDC_STARTUP_DISABLE);
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
    if (HWND list = Item(IDC_STARTUP_LIST)) {
        RECT client{};
        ::GetClientRect(list, &client);
        ShareWidth(client.right - client.left);
    }
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
    if (listing_) (void)listing_->StopAndAbandon(kLetGoMs); // its rows would find no window
    if (helper_) (void)helper_->StopAndAbandon(kLetGoMs);
    headerHook_.Unsubclass();
    List().DeleteAll(); // each row's record goes with LVN_DELETEITEM
    CGradientDialog::OnDestroy();
}

void CDlgStartupManager::RestoreColumnWidths() {
    int widths[kColumns] = {};
    int columns = kColumns;
    bool read = ReadListWidths(app_.settings, settings::StartupList, columns, widths);
    for (int old : kOldColumns)
        if (!read)
            read = ReadListWidths(app_.settings, settings::StartupList, columns = old, widths);
    if (!read) return;
    for (int c = 0; c < columns; ++c)
        List().SetColumnWidth(c, ScaleForDpi(widths[c], static_cast<int>(Dpi())));
    widthsChosen_ = true;
    FitColumns(); // a Status stored narrower than its texts grows to them
}

void CDlgStartupManager::SaveColumnWidths() const {
    int widths[kColumns] = {};
    for (int c = 0; c < kColumns; ++c)
        widths[c] = ToBaseDpi(List().ColumnWidth(c), static_cast<int>(Dpi()));
    // Saved as the window closes: widths not saved only start at their defaults next time.
    (void)WriteListWidths(app_.settings, settings::StartupList, kColumns, widths);
}

} // namespace zt
