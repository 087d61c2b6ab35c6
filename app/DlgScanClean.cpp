#include "app/DlgScanClean.h"
#include "app/PageSupport.h"

#include <shellapi.h>

#include "app/IgnoreMenu.h"
#include "app/res/resource.h"
#include "cleaning/Cleaning.h"
#include "seams/Unicode.h"
#include "settings/SettingsStore.h"
#include "ui/AnimatedBanner.h"
#include "ui/ClassicLook.h"
#include "ui/MessageBox.h"
#include "app/MessageBoxPrompt.h"
#include "ui/Messages.h"
#include "ui/SubclassWindow.h"

namespace zt {

namespace {
constexpr int kColumns = 4;

// The record attached to a row: the finding and its four column texts, which the list asks
// for only when it draws the row (setting them up front costs more than the whole scan).
ScanRow* RowRecord(const CListView& list, int item) {
    return reinterpret_cast<ScanRow*>(list.ItemData(item));
}

const std::string* ColumnText(const ScanRow& row, int column) {
    switch (column) {
    case 0:
        return &row.number;
    case 1:
        return &row.path;
    case 2:
        return &row.valueText;
    case 3:
        return &row.reason;
    default:
        return nullptr;
    }
}

// The row's evidence as the tooltip shows it, one line each, kept within the tooltip's text
// buffer.
std::string EvidenceTip(const ScanRow& row) {
    constexpr std::size_t kTipChars = 1000;
    std::string text = row.reason;
    for (const auto& line : row.evidence) {
        if (text.size() + line.size() + 2 > kTipChars) break;
        text += "\r\n" + line;
    }
    return text;
}
} // namespace

CDlgScanClean::CDlgScanClean(AppContext& app, CAnimatedBanner* banner)
    : CGradientDialog(IDD_SCANCLEAN), app_(app), banner_(banner),
      job_(std::make_shared<CScanJob>(app.registry, app.system)),
      cleanJob_(CBackgroundJob::Create()),
      headerPainter_(std::make_unique<CClassicHeaderHook>(drawHeader_)) {
    SetSounds(IDW_HOVER, IDW_CLICK);
    ScanEngine& engine = job_->engine();
    engine.LoadSwitches(app_.settings);
    engine.UseIgnoreListOf(&app_.settings);
    for (int i = 0; i < kScanCategoryCount; ++i)
        if (engine.categoryEnabled[i].load()) enabledCategories.push_back(i);
    layout_ = CLayout{{IDC_RESULTLIST, kGrowX | kGrowY},
                      {IDC_SCAN, kMoveX},
                      {IDC_CLEAN, kMoveX},
                      {IDC_HELPBTN, kMoveX},
                      {IDCANCEL, kMoveX},
                      {IDC_CLEANPROGRESS, kMoveX},
                      {IDC_CHECKALL, kMoveX | kMoveY}};
}

CDlgScanClean::~CDlgScanClean() {
    // A worker still running keeps the job alive; it must find nobody listening.
    job_->job().Abandon();
    cleanJob_->Abandon();
}

bool CDlgScanClean::OnInitDialog() {
    SetStandardSkin();
    SetGradientColours(kGradientTop, kGradientBottom);
    drawHeader_ = IsClassicAppearance();
    list_ = std::make_unique<CListView>(Item(IDC_RESULTLIST));
    CGradientDialog::OnInitDialog(); // ends with ApplySettings: the switches are written
    SetupList();
    ::ShowWindow(Item(IDC_CLEANPROGRESS), SW_HIDE); // shown while a cleaning runs

    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 Handle(), nullptr, nullptr, nullptr);
    if (tooltip_) {
        // Wide and lasting enough to read a row's evidence.
        ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 600);
        ::SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
        if (::SendMessageW(tooltip_, TTM_GETTOOLCOUNT, 0, 0) == 0) {
            // The tooltip hooks the box itself, so no relaying of mouse messages is needed.
            TOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = Handle();
            tool.uId = reinterpret_cast<UINT_PTR>(Item(IDC_CHECKALL));
            tool.lpszText = const_cast<wchar_t*>(L"Check all the items in the list box");
            ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
        ::SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
    }
    job_->Connect(TaskQueue(), this, this);
    cleanJob_->Connect(TaskQueue(), this);
    return true;
}

void CDlgScanClean::SetupList() {
    RequeryNotifyFormat(list_->Handle(), Handle());
    list_->SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP |
                            LVS_EX_LABELTIP);
    auto textWidth = [&](const wchar_t* text) {
        return static_cast<int>(::SendMessageW(list_->Handle(), LVM_GETSTRINGWIDTHW, 0,
                                               reinterpret_cast<LPARAM>(text)));
    };
    int number = textWidth(L"No.oooooo");
    int value = textWidth(L"Value (invalide)...........");
    int reason = textWidth(L"Invalid CLSID .....");
    int path = list_->ClientRect().right - number - value - reason;
    list_->InsertColumn(0, "No.", number);
    list_->InsertColumn(1, "PATH", path);
    list_->InsertColumn(2, "VALUE (invalide)", value);
    list_->InsertColumn(3, "Reason", reason);
    list_->Send(LVM_SETITEMCOUNT, 1000);
    UpdateHeaderPainter();
}

void CDlgScanClean::UpdateHeaderPainter() {
    // Hooked only while needed: a hooked list pays for the hook on every message, which
    // tens of thousands of rows turn into seconds.
    if (drawHeader_ && !headerPainter_->IsSubclassed())
        headerPainter_->Subclass(list_->Handle());
    else if (!drawHeader_ && headerPainter_->IsSubclassed())
        headerPainter_->Unsubclass();
}

void CDlgScanClean::RecordLayout() {
    layout_.Record(Handle());
}

void CDlgScanClean::OnSize(UINT type, int cx, int cy) {
    CGradientDialog::OnSize(type, cx, cy);
    layout_.Apply(cx, cy);
}

void CDlgScanClean::ApplySettings() {
    ScanEngine& engine = job_->engine();
    for (auto& c : engine.categoryEnabled)
        c.store(false);
    for (int i : enabledCategories)
        if (i >= 0 && i < kScanCategoryCount) engine.categoryEnabled[i].store(true);
    switchesWritten_ = Status::Success();
    for (int i = 0; i < kScanCategoryCount; ++i) {
        Status written = app_.settings.WriteInt(kScanCategories[i].settingsKey,
                                                engine.categoryEnabled[i].load());
        if (switchesWritten_ && !written) switchesWritten_ = written;
    }
    CGradientDialog::ApplySettings();
}

void CDlgScanClean::SaveColumnWidths() {
    if (!list_->IsValid()) return;
    int widths[kColumns];
    for (int i = 0; i < kColumns; ++i)
        widths[i] = ToBaseDpi(list_->ColumnWidth(i), static_cast<int>(Dpi()));
    // Saved as the window closes: widths not saved only start at their defaults next time.
    (void)WriteListWidths(app_.settings, settings::RegistryList, kColumns, widths);
}

void CDlgScanClean::RestoreColumnWidths() {
    int widths[kColumns];
    if (!list_->IsValid() ||
        !ReadListWidths(app_.settings, settings::RegistryList, kColumns, widths))
        return;
    for (int i = 0; i < kColumns; ++i)
        list_->SetColumnWidth(i, ScaleForDpi(widths[i], static_cast<int>(Dpi())));
}

bool CDlgScanClean::OnCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_SCAN:
        if (code == BN_CLICKED) OnScanButton();
        return true;
    case IDC_CLEAN:
        if (code == BN_CLICKED) CleanSelected();
        return true;
    case IDC_HELPBTN:
        if (code == BN_CLICKED)
            ::ShellExecuteW(Handle(), L"open", L"Zentrove.chm", nullptr, nullptr, SW_SHOWMAXIMIZED);
        return true;
    case IDCANCEL:
        // Exit and Escape close the program as its title bar does.
        PostCloseToTopLevel(Handle());
        return true;
    case IDC_CHECKALL:
        if (code == BN_CLICKED) OnCheckAll();
        return true;
    default:
        return CGradientDialog::OnCommand(id, code, control);
    }
}

void CDlgScanClean::OnCheckAll() {
    bool on = CButton(Item(IDC_CHECKALL)).IsChecked();
    int n = list_->Count();
    for (int i = 0; i < n; ++i)
        list_->SetChecked(i, on);
}

void CDlgScanClean::RefreshCheckAll() {
    bool all = true;
    int n = list_->Count();
    for (int i = 0; i < n && all; ++i)
        all = list_->IsChecked(i);
    CButton(Item(IDC_CHECKALL)).SetCheck(all);
    checkClickPending_ = false;
}

bool CDlgScanClean::OnNotify(int id, NMHDR* header, LRESULT& result) {
    if (id != IDC_RESULTLIST) return CGradientDialog::OnNotify(id, header, result);
    switch (header->code) {
    case NM_CLICK: {
        // Where the click happened, in list client coordinates.
        LVHITTESTINFO hit{};
        hit.pt = reinterpret_cast<NMITEMACTIVATE*>(header)->ptAction;
        if (list_->Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0 &&
            hit.flags == LVHT_ONITEMSTATEICON) {
            checkClickPending_ = true;
            // The list may have toggled the box before telling us of the click; make sure
            // the Check All box follows this click, not only the next change.
            Post(WM_ZT_SCAN_CHECKCLICK);
        }
        break;
    }
    case LVN_KEYDOWN:
        // Space toggles the focused row's box, as a click on it does.
        if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_SPACE) {
            checkClickPending_ = true;
            Post(WM_ZT_SCAN_CHECKCLICK);
        }
        break;
    case LVN_ITEMCHANGED:
        if (checkClickPending_) RefreshCheckAll();
        break;
    case LVN_DELETEITEM: {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(header);
        delete reinterpret_cast<ScanRow*>(nm->lParam);
        break;
    }
    case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        const auto* row = reinterpret_cast<const ScanRow*>(info->item.lParam);
        if (!row) row = RowRecord(*list_, info->item.iItem);
        const std::string* text = row ? ColumnText(*row, info->item.iSubItem) : nullptr;
        if ((info->item.mask & LVIF_TEXT) && text)
            CopyDisplayText(*text, info->item.pszText, info->item.cchTextMax);
        break;
    }
    default:
        break;
    }
    result = 0;
    return true;
}

bool CDlgScanClean::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_NOTIFYFORMAT) {
        result = NFR_UNICODE; // see RequeryNotifyFormat
        return true;
    }
    if (msg == WM_ZT_SCAN_CHECKCLICK) {
        if (checkClickPending_) RefreshCheckAll();
        result = 0;
        return true;
    }
    if (msg == WM_CONTEXTMENU && reinterpret_cast<HWND>(wp) == list_->Handle()) {
        OnListContextMenu(lp);
        result = 0;
        return true;
    }
    if (IsSystemLookChange(msg)) {
        drawHeader_ = IsClassicAppearance();
        UpdateHeaderPainter();
        ::RedrawWindow(Handle(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    }
    return CGradientDialog::OnMessage(msg, wp, lp, result);
}

bool CDlgScanClean::OnSetCursor(HWND over, UINT hitTest, UINT mouseMsg) {
    // The list passes WM_SETCURSOR up on every mouse move; no hook on the list is needed
    // (one would slow every insert of a scan). Each row under the mouse becomes a tool of its
    // own, so moving to another row shows that row's evidence.
    if (tooltip_ && list_->IsValid() && over == list_->Handle() && mouseMsg == WM_MOUSEMOVE) {
        POINT pt{};
        ::GetCursorPos(&pt);
        ::ScreenToClient(over, &pt);
        LVHITTESTINFO hit{};
        hit.pt = pt;
        int item = static_cast<int>(list_->Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        const ScanRow* row = item >= 0 ? RowRecord(*list_, item) : nullptr;
        if (row != tipRow_ || item != tipItem_) {
            TOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.hwnd = over;
            tool.uId = 1;
            ::SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            tipRow_ = row;
            tipItem_ = item;
            if (row) {
                std::wstring text = ToWide(ForDisplay(EvidenceTip(*row)));
                tool.lpszText = text.data();
                tool.rect.left = LVIR_BOUNDS;
                list_->Send(LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&tool.rect));
                ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            }
        }
        MSG relay{};
        relay.hwnd = over;
        relay.message = WM_MOUSEMOVE;
        relay.lParam = MAKELPARAM(pt.x, pt.y);
        ::SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
    }
    return CGradientDialog::OnSetCursor(over, hitTest, mouseMsg);
}

bool CDlgScanClean::OnTimer(UINT_PTR id) {
    if (id == kTimerScanDrain) {
        ::KillTimer(Handle(), kTimerScanDrain);
        job_->job().Drain();
        cleanJob_->Drain();
        return true;
    }
    return CGradientDialog::OnTimer(id);
}

void CDlgScanClean::OnDestroy() {
    // From here on a running worker reaches nobody; its job stays alive while it runs.
    job_->job().Abandon();
    cleanJob_->Abandon();
    ::KillTimer(Handle(), kTimerScanDrain);
    headerPainter_->Unsubclass();
    FreeAllRows();
    if (tooltip_) {
        ::DestroyWindow(tooltip_);
        tooltip_ = nullptr;
    }
    CGradientDialog::OnDestroy();
}

void CDlgScanClean::FreeAllRows() {
    if (list_->IsValid()) list_->DeleteAll(); // each row's record goes with LVN_DELETEITEM
}

// --- Scanning --------------------------------------------------------------------------------

bool CDlgScanClean::ScanRunning() {
    return job_->engine().Running();
}

void CDlgScanClean::OnScanButton() {
    if (stopping_ || cleanShown_) return;
    if (ScanRunning())
        StopScan();
    else if (!scanShown_ && !job_->job().Running())
        StartScan();
    // Otherwise the last scan has ended and its end is on its way to the window.
}

void CDlgScanClean::StartScan() {
    scanShown_ = true;
    BannerRunning();
    FreeAllRows();
    EnableItem(IDC_CLEAN, false);
    if (!job_->Start()) {
        scanShown_ = false;
        EnableItem(IDC_CLEAN, true);
        BannerResting();
        return;
    }
    SetItemText(IDC_SCAN, "&Stop");
}

void CDlgScanClean::StopScan() {
    stopping_ = true;
    job_->job().RequestStop();
    BannerResting();
    job_->job().Wait();
    if (IsValid()) SetItemText(IDC_SCAN, "&Scan");
    stopping_ = false;
}

bool CDlgScanClean::StopForClose(unsigned timeoutMs) {
    if (cleanShown_) {
        closingClean_ = true;
        cleanJob_->RequestStop();
        if (!cleanJob_->Wait(timeoutMs)) return false;
        // Its end is queued: take what the run made (its backup file) before the page goes.
        for (int i = 0; i < 100 && cleanShown_; ++i)
            cleanJob_->Drain();
        return true;
    }
    if (!ScanRunning()) return true;
    job_->job().RequestStop();
    return job_->job().Wait(timeoutMs);
}

void CDlgScanClean::BannerRunning() {
    if (!banner_) return;
    banner_->StartRunning(100, 30);
    banner_->SetText("Scanning...");
}

void CDlgScanClean::BannerResting() {
    if (!banner_) return;
    banner_->SetWaterShape(WaterShape::Blob);
    banner_->SetText("Boosts your system");
}

void CDlgScanClean::BeginResults() {
    if (!batchRedrawOff_) {
        list_->Send(WM_SETREDRAW, FALSE);
        batchRedrawOff_ = true;
    }
}

void CDlgScanClean::EndResults() {
    if (batchRedrawOff_) {
        list_->Send(WM_SETREDRAW, TRUE);
        ::InvalidateRect(list_->Handle(), nullptr, TRUE);
        batchRedrawOff_ = false;
    }
}

void CDlgScanClean::ScheduleDrain() {
    ::SetTimer(Handle(), kTimerScanDrain, 15, nullptr);
}

void CDlgScanClean::AddFinding(ScanRow row) {
    auto record = std::make_unique<ScanRow>(std::move(row));
    int index = InsertRowOnDemand(list_->Handle(), 0, reinterpret_cast<LPARAM>(record.get()),
                                  kColumns, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
    if (index < 0) return;
    record.release(); // the row owns it now
    if (!list_->IsChecked(index)) list_->SetChecked(index, true);
}

const ScanFinding* CDlgScanClean::FindingAt(int item) const {
    const ScanRow* row = RowRecord(*list_, item);
    return row ? &row->finding : nullptr;
}

void CDlgScanClean::ScanProgress(std::string_view keyPath) {
    SetItemText(IDC_STATUS, ForDisplay(keyPath));
}

void CDlgScanClean::ScanFinished(const ScanSummary&) {
    // Stopped or not, the end shows what the list holds.
    scanShown_ = false;
    RefreshCheckAll();
    SetItemText(IDC_SCAN, "&Scan");
    EnableItem(IDC_CLEAN, true);
    BannerResting();
    int n = list_->Count();
    SetItemText(IDC_STATUS, FoundItemsLine(n));
    ShowMessage(Handle(), TotalFoundMessage(n), kProgramCaption, MB_OK);
}

// --- Cleaning --------------------------------------------------------------------------------

namespace {
// The cleaning run's view of the result list.
class ListFindings : public FindingList {
  public:
    explicit ListFindings(CListView& list) : list_(list) {}
    int Count() const override { return list_.Count(); }
    bool IsChecked(int index) const override { return list_.IsChecked(index); }
    const ScanFinding& FindingAt(int index) const override {
        return RowRecord(list_, index)->finding;
    }
    void RemoveRow(int index) override { list_.DeleteItem(index); } // frees the record
    void RemoveRows(const std::vector<int>& ascending) override {
        // One repaint for the whole batch, not one per row.
        list_.Send(WM_SETREDRAW, FALSE);
        FindingList::RemoveRows(ascending);
        list_.Send(WM_SETREDRAW, TRUE);
        ::InvalidateRect(list_.Handle(), nullptr, TRUE);
    }
    void UncheckRow(int index) override { list_.SetChecked(index, false); }

  private:
    CListView& list_;
};

class PageCleaningSink : public CleaningSink {
  public:
    explicit PageCleaningSink(AppContext& app) : app_(app) {}
    // The backup page lists the new file at once.
    void BackupWritten() override {
        if (app_.host) app_.host->RefreshBackupList();
    }

  private:
    AppContext& app_;
};
} // namespace

// Rows leave the list from the bottom up in slices this big, each a result of its own, so
// removing tens of thousands never holds the window for long.
constexpr std::size_t kRowsPerSlice = 500;

// One cleaning run: what the worker works through and what it found. The worker keeps it
// alive, so a run that outlives its page still finishes its backup file.
struct CDlgScanClean::CleanRun {
    CleanRun(Registry& reg, System& sys)
        : reg(reg), sys(sys), writer(reg, sys), recheck(reg, sys) {}
    Registry& reg;
    System& sys;
    CRegFileWriter writer;
    // Re-check hook: each ticked row is judged again just before its backup; one no longer
    // invalid stays listed, unticked.
    FindingRecheck recheck;
    std::vector<TickedFinding> findings;
    CleanOutcome out;
};

namespace {
// The worker's progress, passed to the page a few times a second.
class ProgressRelay : public CleaningSink {
  public:
    using Show = std::function<void(int, int)>;
    ProgressRelay(CBackgroundJob& job, Show show) : job_(job), show_(std::move(show)) {}
    void Progress(int done, int total) override {
        ULONGLONG now = ::GetTickCount64();
        if (done != total && now - last_ < 100) return;
        last_ = now;
        job_.Deliver([show = show_, done, total] { show(done, total); });
    }

  private:
    CBackgroundJob& job_;
    Show show_;
    ULONGLONG last_ = 0;
};
} // namespace

void CDlgScanClean::CleanSelected() {
    if (cleanShown_) {
        StopCleaning();
        return;
    }
    // The list must not change under the run: no cleaning while a scan fills it.
    if (ScanRunning() || scanShown_ || !list_->IsValid()) return;
    PageCleaningSink sink(app_);
    // Only the confirmation is owned by the page; the selection hint and the total are not.
    CMessageBoxPrompt prompt(Handle(), false);
    auto run = std::make_shared<CleanRun>(app_.registry, app_.system);
    run->findings = TickedRows();
    if (!ConfirmCleaning(
            CleaningContext{app_.registry, app_.system, run->writer, prompt, sink, true},
            list_->Count(), run->findings, run->out))
        return;

    CBackgroundJob* job = cleanJob_.get(); // the running worker keeps the job alive
    auto work = [job, run, page = this] {
        ProgressRelay relay(*job,
                            [page](int done, int total) { page->CleaningProgress(done, total); });
        RunCleaning(run->reg, run->sys, run->writer, run->findings, run->out, &relay,
                    &job->StopFlag(), &run->recheck);
        // The rows to untick first, while every row is where it was; then the cleaned rows
        // from the bottom up, so no index moves before it is used.
        const std::vector<int>& cleaned = run->out.cleanedRows;
        job->Deliver([page, run] { page->ApplyCleanedRows(run->out.uncheckedRows, {}); });
        for (std::size_t end = cleaned.size(); end > 0;) {
            std::size_t begin = end > kRowsPerSlice ? end - kRowsPerSlice : 0;
            job->Deliver(
                [page, slice = std::vector<int>(cleaned.begin() + begin, cleaned.begin() + end)] {
                    page->ApplyCleanedRows({}, slice);
                });
            end = begin;
        }
        // Alone: the total is a box, over a list already repainted.
        job->Deliver([page, run] { page->CleaningFinished(*run); }, true);
    };
    cleanShown_ = true;
    closingClean_ = false;
    ShowCleaningRunning(true);
    CleaningProgress(0, static_cast<int>(run->findings.size()));
    if (!cleanJob_->Start(std::move(work))) {
        cleanShown_ = false;
        ShowCleaningRunning(false);
        SetItemText(IDC_STATUS, FoundItemsLine(list_->Count()));
    }
}

std::vector<TickedFinding> CDlgScanClean::TickedRows() const {
    // One message a row for its box and its record: the list may hold tens of thousands.
    std::vector<TickedFinding> ticked;
    const int n = list_->Count();
    LVITEMW item{};
    for (item.iItem = 0; item.iItem < n; ++item.iItem) {
        item.mask = LVIF_STATE | LVIF_PARAM;
        item.stateMask = LVIS_STATEIMAGEMASK;
        if (!::SendMessageW(list_->Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
            continue;
        const auto* row = reinterpret_cast<const ScanRow*>(item.lParam);
        if (row && (item.state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2))
            ticked.push_back({item.iItem, row->finding, row->reason, row->valueText});
    }
    return ticked;
}

void CDlgScanClean::StopCleaning() {
    if (!cleanShown_) return;
    cleanJob_->RequestStop();
    SetItemText(IDC_CLEAN, "Stopping...");
    EnableItem(IDC_CLEAN, false);
}

void CDlgScanClean::ShowCleaningRunning(bool running) {
    HWND focus = ::GetFocus();
    // Only Stop stays available; the list keeps still under the run.
    EnableItem(IDC_RESULTLIST, !running);
    EnableItem(IDC_SCAN, !running);
    EnableItem(IDC_CHECKALL, !running);
    EnableItem(IDC_CLEAN, true);
    SetItemText(IDC_CLEAN, running ? "S&top" : "&Clean");
    ::ShowWindow(Item(IDC_CLEANPROGRESS), running ? SW_SHOW : SW_HIDE);
    if (running &&
        (focus == list_->Handle() || focus == Item(IDC_SCAN) || focus == Item(IDC_CHECKALL)))
        ::SetFocus(Item(IDC_CLEAN));
    else if (!running && (focus == Item(IDC_CLEAN) || focus == nullptr) && IsVisible())
        ::SetFocus(list_->Handle());
}

void CDlgScanClean::CleaningProgress(int done, int total) {
    HWND bar = Item(IDC_CLEANPROGRESS);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, total > 0 ? total : 1);
    ::SendMessageW(bar, PBM_SETPOS, done, 0);
    SetItemText(IDC_STATUS, CleaningProgressLine(done, total));
}

void CDlgScanClean::ApplyCleanedRows(const std::vector<int>& uncheck,
                                     const std::vector<int>& remove) {
    if (closingClean_) return; // the window is going: no need to tidy its list
    ListFindings rows(*list_);
    for (int row : uncheck)
        rows.UncheckRow(row);
    if (!remove.empty()) rows.RemoveRows(remove);
}

void CDlgScanClean::CleaningFinished(CleanRun& run) {
    cleanShown_ = false;
    if (!run.out.backupFile.empty()) lastBackupFile_ = run.out.backupFile;
    if (closingClean_) return;
    ShowCleaningRunning(false);
    SetItemText(IDC_STATUS, FoundItemsLine(list_->Count()));
    ListFindings rows(*list_);
    PageCleaningSink sink(app_);
    CMessageBoxPrompt prompt(Handle(), false);
    FinishCleaning(CleaningContext{app_.registry, app_.system, run.writer, prompt, sink, true},
                   rows, run.out, true);
    RefreshCheckAll();
}

// --- Ignore list -------------------------------------------------------------------------------

void CDlgScanClean::OnListContextMenu(LPARAM where) {
    ListFindings rows(*list_);
    // A scan fills the list and a cleaning removes rows by their place: neither while it runs.
    bool idle = !ScanRunning() && !scanShown_ && !cleanShown_;
    if (RunIgnoreMenu(Handle(), *list_, rows, app_.settings, where, idle) == 0) return;
    RefreshCheckAll();
    SetItemText(IDC_STATUS, FoundItemsLine(list_->Count()));
}

} // namespace zt
