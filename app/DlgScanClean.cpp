#include "app/DlgScanClean.h"
#include "app/PageSupport.h"
#include "app/ResultListHook.h"

#include <shellapi.h>

#include "app/IgnoreMenu.h"
#include "app/res/resource.h"
#include "seams/Unicode.h"
#include "settings/SettingsStore.h"
#include "ui/AnimatedBanner.h"
#include "ui/ClassicLook.h"
#include "ui/MessageBox.h"
#include "ui/PumpWait.h"

namespace zt {

namespace {
constexpr int kColumns = 4;
// The result list's column captions.
constexpr const char* kColumnNumber = "No.";
constexpr const char* kColumnPath = "PATH";
constexpr const char* kColumnValue = "VALUE (invalide)";
constexpr const char* kColumnReason = "Reason";
constexpr int kTicked = 2, kUnticked = 1; // the list's check box images
} // namespace

CDlgScanClean::CDlgScanClean(AppContext& app, CAnimatedBanner* banner)
    : CGradientDialog(IDD_SCANCLEAN), app_(app), banner_(banner),
      job_(std::make_shared<CScanJob>(app.registry, app.system)),
      cleanJob_(CBackgroundJob::Create()),
      listHook_(std::make_unique<CResultListHook>(
          drawHeader_, [this](int row, bool on) { TickFromList(row, on); })) {
    SetSounds(IDW_HOVER, IDW_CLICK);
    enabledCategories = job_->LoadSwitches(app_.settings);
    layout_ = CLayout{{IDC_RESULTLIST, kGrowX | kGrowY},
                      {IDC_SCAN, kMoveX},
                      {IDC_CLEAN, kMoveX},
                      {IDC_HELPBTN, kMoveX},
                      {IDCANCEL, kMoveX},
                      {IDC_CLEANPROGRESS, kMoveX},
                      {IDC_CHECKALL, kMoveX | kMoveY}};
}

// The jobs were abandoned when the window went; a page destroyed without one has none running.
CDlgScanClean::~CDlgScanClean() = default;

bool CDlgScanClean::OnInitDialog() {
    SetStandardSkin();
    SetGradientColours(kGradientTop, kGradientBottom);
    drawHeader_ = IsClassicAppearance();
    list_ = std::make_unique<CListView>(Item(IDC_RESULTLIST));
    CGradientDialog::OnInitDialog(); // ends with ApplySettings: the switches are written
    SetupList();
    ::ShowWindow(Item(IDC_CLEANPROGRESS), SW_HIDE); // shown while a cleaning runs
    tooltip_.Create(Handle(), Item(IDC_CHECKALL));
    job_->Connect(TaskQueue(), this, [this](const std::string& what) { WorkFailed(what); });
    cleanJob_->Connect(TaskQueue());
    cleanJob_->OnFailure([this](const std::string& what) { WorkFailed(what); });
    return true;
}

void CDlgScanClean::SetupList() {
    RequeryNotifyFormat(list_->Handle(), Handle());
    list_->SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP |
                            LVS_EX_LABELTIP);
    // The tick marks are the model's: the list asks for them as it draws.
    list_->Send(LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK);
    auto textWidth = [&](const wchar_t* text) {
        return static_cast<int>(::SendMessageW(list_->Handle(), LVM_GETSTRINGWIDTHW, 0,
                                               reinterpret_cast<LPARAM>(text)));
    };
    int number = textWidth(L"No.oooooo");
    int value = textWidth(L"Value (invalide)...........");
    int reason = textWidth(L"Invalid CLSID .....");
    int path = list_->ClientRect().right - number - value - reason;
    list_->InsertColumn(0, kColumnNumber, number);
    list_->InsertColumn(1, kColumnPath, path);
    list_->InsertColumn(2, kColumnValue, value);
    list_->InsertColumn(3, kColumnReason, reason);
    listHook_->Subclass(list_->Handle());
}

void CDlgScanClean::OnSize(UINT type, int cx, int cy) {
    CGradientDialog::OnSize(type, cx, cy);
    layout_.Apply(cx, cy);
}

void CDlgScanClean::ApplySettings() {
    switchesWritten_ = job_->StoreSwitches(enabledCategories, app_.settings);
    CGradientDialog::ApplySettings();
}

void CDlgScanClean::SaveColumnWidths() {
    if (list_->IsValid())
        SaveListColumns(app_.settings, settings::RegistryList, *list_, kColumns, Dpi());
}

void CDlgScanClean::RestoreColumnWidths() {
    if (list_->IsValid())
        RestoreListColumns(app_.settings, settings::RegistryList, *list_, kColumns, Dpi());
}

bool CDlgScanClean::OnCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_SCAN:
        if (code == BN_CLICKED) OnScanButton();
        return true;
    case IDC_CLEAN:
        if (code == BN_CLICKED) OnCleanButton();
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

void CDlgScanClean::Move(ScanPageEvent event) {
    const ScanPagePhase from = phase_;
    phase_ = NextPhase(phase_, event);
    // Once the window goes nothing more is shown.
    if (phase_ != from && ShowsEndOfWork(phase_)) ShowPhase(from);
}

void CDlgScanClean::ShowPhase(ScanPagePhase from) {
    const ScanPageControls now = ControlsFor(phase_);
    HWND focus = ::GetFocus();
    SetItemText(IDC_SCAN, now.scanCaption);
    EnableItem(IDC_SCAN, now.scanEnabled);
    SetItemText(IDC_CLEAN, now.cleanCaption);
    EnableItem(IDC_CLEAN, now.cleanEnabled);
    EnableItem(IDC_RESULTLIST, now.listEnabled);
    EnableItem(IDC_CHECKALL, now.listEnabled);
    ::ShowWindow(Item(IDC_CLEANPROGRESS), now.progressShown ? SW_SHOW : SW_HIDE);
    if (banner_ && now.bannerRunning != ControlsFor(from).bannerRunning) {
        if (now.bannerRunning) {
            banner_->StartRunning(100, 30);
            banner_->SetText("Scanning...");
        } else {
            banner_->SetWaterShape(WaterShape::Blob);
            banner_->SetText("Boosts your system");
        }
    }
    // A control that just went unavailable hands the focus on; the end of a cleaning gives
    // it back to the list.
    if (focus && focus != Handle() && ::IsChild(Handle(), focus) && !::IsWindowEnabled(focus))
        ::SetFocus(now.cleanEnabled ? Item(IDC_CLEAN) : list_->Handle());
    else if (IsCleaningPhase(from) && phase_ == ScanPagePhase::Idle && IsVisible() &&
             (focus == Item(IDC_CLEAN) || focus == nullptr))
        ::SetFocus(list_->Handle());
}

bool CDlgScanClean::StopWorkForClose(unsigned scanWaitMs, unsigned cleaningWaitMs) {
    const ScanPagePhase was = phase_;
    Move(ScanPageEvent::Close);
    if (was == ScanPagePhase::Idle || was == ScanPagePhase::Closing) return true;
    const bool cleaning = IsCleaningPhase(was);
    CBackgroundJob& job = cleaning ? *cleanJob_ : job_->job();
    job.RequestStop();
    // A cleaning ends after its current finding, which may be a large key: it gets longer.
    if (!job.Wait(cleaning ? cleaningWaitMs : scanWaitMs)) return false;
    // The run has ended: what it wrote is the page's to report.
    if (cleaning && cleanRun_ && !cleanRun_->out.backupFile.empty())
        lastBackupFile_ = cleanRun_->out.backupFile;
    return true;
}

void CDlgScanClean::AbandonWork(DWORD waitMs) {
    // One not ended in time is let go all the same: it reaches nothing of the page.
    (void)job_->job().StopAndAbandon(waitMs);
    (void)cleanJob_->StopAndAbandon(waitMs);
}

void CDlgScanClean::OnDestroy() {
    // From here on a running worker reaches nobody; its job stays alive while it runs.
    Move(ScanPageEvent::Close);
    AbandonWork(kLetGoMs);
    listHook_->Unsubclass();
    tooltip_.Destroy();
    CGradientDialog::OnDestroy();
}

void CDlgScanClean::WorkFailed(const std::string& what) {
    const bool cleaning = IsCleaningPhase(phase_);
    Move(cleaning ? ScanPageEvent::CleaningEnded : ScanPageEvent::ScanEnded);
    if (!ShowsEndOfWork(phase_)) return;
    SyncListCount();
    ShowStatus(FoundItemsLine(rows_.Count()));
    std::string text = (cleaning ? "The cleaning failed: " : "The scan failed: ") + what;
    if (cleaning && cleanRun_ && !cleanRun_->out.backupFile.empty()) {
        lastBackupFile_ = cleanRun_->out.backupFile;
        text += "\nWhat was deleted is in " + lastBackupFile_;
    }
    ShowMessage(Handle(), ForDisplay(text), kProgramCaption, MB_OK | MB_ICONERROR);
}

void CDlgScanClean::ShowStatus(std::string_view text) {
    SetItemText(IDC_STATUS, ForDisplay(text));
}

void CDlgScanClean::SyncListCount() {
    if (countQueued_) ::KillTimer(Handle(), kTimerListCount);
    countQueued_ = false;
    lastCountSync_ = ::GetTickCount64();
    if (!list_->IsValid()) return;
    // Rows come and go at any place: every index may show another row now.
    list_->Send(LVM_SETITEMCOUNT, rows_.Count(), LVSICF_NOSCROLL);
    ::InvalidateRect(list_->Handle(), nullptr, FALSE);
    RefreshCheckAll();
}

void CDlgScanClean::SyncListCountSoon() {
    // Behind the reports already queued, and no sooner than kListCountMs after the last
    // update: one update for a whole run of findings.
    if (countQueued_) return;
    const ULONGLONG since = ::GetTickCount64() - lastCountSync_;
    countQueued_ = since >= kListCountMs ? TaskQueue()->Post([this] { SyncListCount(); })
                                         : ::SetTimer(Handle(), kTimerListCount,
                                                      UINT(kListCountMs - since), nullptr) != 0;
}

void CDlgScanClean::RefreshCheckAll() {
    CButton(Item(IDC_CHECKALL)).SetCheck(rows_.AllTicked());
}

void CDlgScanClean::OnCheckAll() {
    rows_.TickAll(CButton(Item(IDC_CHECKALL)).IsChecked());
    ::InvalidateRect(list_->Handle(), nullptr, FALSE);
}

void CDlgScanClean::TickFromList(int row, bool on) {
    if (row < 0)
        rows_.TickAll(on);
    else if (row < rows_.Count())
        rows_.SetTicked(row, on);
    ::InvalidateRect(list_->Handle(), nullptr, FALSE);
    RefreshCheckAll();
}

void CDlgScanClean::ToggleRow(int item) {
    if (item < 0 || item >= rows_.Count() || !::IsWindowEnabled(list_->Handle())) return;
    rows_.SetTicked(item, !rows_.IsTicked(item));
    list_->Send(LVM_REDRAWITEMS, item, item);
    RefreshCheckAll();
}

bool CDlgScanClean::OnNotify(int id, NMHDR* header, LRESULT& result) {
    if (id != IDC_RESULTLIST) return CGradientDialog::OnNotify(id, header, result);
    result = 0;
    switch (header->code) {
    case NM_CLICK: {
        LVHITTESTINFO hit{};
        hit.pt = reinterpret_cast<NMITEMACTIVATE*>(header)->ptAction;
        int item = static_cast<int>(list_->Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item >= 0 && hit.flags == LVHT_ONITEMSTATEICON) Post(WM_ZT_SCAN_TOGGLE, item);
        break;
    }
    case LVN_KEYDOWN:
        // Space toggles the focused row's box, as a click on it does.
        if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_SPACE) {
            listToggled_ = -1;
            Post(WM_ZT_SCAN_TOGGLE, list_->Send(LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
        }
        break;
    case LVN_ITEMCHANGED: {
        // The list keeps no tick marks: a change of one is a request to the model.
        const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
        if (!(change->uChanged & LVIF_STATE) ||
            !((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK))
            break;
        TickFromList(change->iItem,
                     (change->uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(kTicked));
        listToggled_ = change->iItem;
        break;
    }
    case LVN_GETDISPINFOW: {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
        if (item.iItem < 0 || item.iItem >= rows_.Count()) break;
        std::string path;
        if (item.mask & LVIF_TEXT)
            if (const std::string* text = rows_.ColumnText(item.iItem, item.iSubItem, path))
                CopyDisplayText(*text, item.pszText, item.cchTextMax);
        if (item.mask & LVIF_STATE) {
            item.state = (item.state & ~LVIS_STATEIMAGEMASK) |
                         INDEXTOSTATEIMAGEMASK(rows_.IsTicked(item.iItem) ? kTicked : kUnticked);
            item.stateMask |= LVIS_STATEIMAGEMASK;
        }
        break;
    }
    case LVN_ODFINDITEMW: {
        // Typing in the list goes to the first row whose number starts with what was typed.
        const auto* find = reinterpret_cast<NMLVFINDITEMW*>(header);
        const bool text = (find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find->lvfi.psz;
        result = text ? rows_.FindNumber(FromWide(find->lvfi.psz), find->iStart) : -1;
        break;
    }
    default:
        break;
    }
    return true;
}

bool CDlgScanClean::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_NOTIFYFORMAT) {
        result = NFR_UNICODE; // see RequeryNotifyFormat
        return true;
    }
    if (msg == WM_ZT_SCAN_TOGGLE) {
        const int item = static_cast<int>(wp);
        if (listToggled_ != item) ToggleRow(item);
        listToggled_ = -1;
        result = 0;
        return true;
    }
    if (msg == WM_TIMER && wp == kTimerListCount) {
        SyncListCount();
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
        ::RedrawWindow(Handle(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    }
    return CGradientDialog::OnMessage(msg, wp, lp, result);
}

bool CDlgScanClean::OnSetCursor(HWND over, UINT hitTest, UINT mouseMsg) {
    // The list passes WM_SETCURSOR up on every mouse move: no hook on the list is needed.
    if (list_->IsValid() && over == list_->Handle() && mouseMsg == WM_MOUSEMOVE)
        tooltip_.Track(over, rows_);
    return CGradientDialog::OnSetCursor(over, hitTest, mouseMsg);
}

void CDlgScanClean::OnListContextMenu(LPARAM where) {
    // A scan fills the list and a cleaning removes rows by their place: neither while it runs.
    const bool idle = phase_ == ScanPagePhase::Idle;
    if (RunIgnoreMenu(Handle(), *list_, rows_, app_.settings, where, idle) == 0) return;
    LVITEMW none{}; // the selected rows have gone: none stays selected in their place
    none.stateMask = LVIS_SELECTED;
    list_->Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    SyncListCount();
    ShowStatus(FoundItemsLine(rows_.Count()));
}

void CDlgScanClean::OnScanButton() {
    if (phase_ == ScanPagePhase::Scanning) {
        Move(ScanPageEvent::StopScan);
        job_->job().RequestStop(); // the end arrives as ScanFinished
        return;
    }
    if (phase_ != ScanPagePhase::Idle || job_->job().Running()) return;
    rows_.Clear();
    SyncListCount();
    Move(ScanPageEvent::StartScan);
    if (!job_->Start()) Move(ScanPageEvent::ScanEnded);
}

void CDlgScanClean::AddFinding(ScanRow row) {
    if (!ShowsEndOfWork(phase_)) return;
    rows_.Add(std::move(row));
    SyncListCountSoon();
}

void CDlgScanClean::ScanProgress(std::string_view keyPath) {
    if (ShowsEndOfWork(phase_)) ShowStatus(keyPath);
}

void CDlgScanClean::ScanFinished(const ScanSummary&) {
    Move(ScanPageEvent::ScanEnded);
    if (!ShowsEndOfWork(phase_)) return;
    // Stopped or not, the end shows what the list holds.
    SyncListCount();
    const int n = rows_.Count();
    SetItemText(IDC_STATUS, FoundItemsLine(n));
    ShowMessage(Handle(), TotalFoundMessage(n), kProgramCaption, MB_OK);
}

void CDlgScanClean::OnCleanButton() {
    if (phase_ == ScanPagePhase::Cleaning) {
        Move(ScanPageEvent::StopCleaning);
        cleanJob_->RequestStop(); // the rest stays listed and ticked
        return;
    }
    // The list must not change under the run: no cleaning while a scan fills it.
    if (phase_ != ScanPagePhase::Idle || !list_->IsValid()) return;
    if (rows_.TickedCount() == 0) { // nothing to copy: the core tells what to do
        CleanRun none(app_.registry, app_.system);
        (void)ConfirmPageCleaning(app_, Handle(), rows_.Count(), none);
        return;
    }
    Move(ScanPageEvent::PrepareCleaning);
    if (!PreparePageCleaning(app_, *cleanJob_, rows_, [this](std::shared_ptr<CleanRun> run) {
            CleaningPrepared(std::move(run));
        }))
        Move(ScanPageEvent::CleaningEnded);
}

void CDlgScanClean::CleaningPrepared(std::shared_ptr<CleanRun> run) {
    if (phase_ != ScanPagePhase::PreparingCleaning) return; // the window goes
    // The copying worker returns right after handing the run over.
    if (!cleanJob_->Join(kLetGoMs)) return Move(ScanPageEvent::CleaningEnded);
    if (!ConfirmPageCleaning(app_, Handle(), rows_.Count(), *run))
        return Move(ScanPageEvent::CleaningEnded);
    cleanRun_ = run;
    Move(ScanPageEvent::StartCleaning);
    CleaningProgress(0, static_cast<int>(run->findings.size()));
    // The reports run only while the job is connected, that is while the page lives.
    CleaningReports reports{[this](int done, int total) { CleaningProgress(done, total); },
                            [this](CleanRun& ended) { CleaningFinished(ended); }};
    if (!StartPageCleaning(app_, *cleanJob_, run, std::move(reports))) {
        Move(ScanPageEvent::CleaningEnded);
        ShowStatus(FoundItemsLine(rows_.Count()));
    }
}

void CDlgScanClean::CleaningProgress(int done, int total) {
    if (!ShowsEndOfWork(phase_)) return;
    HWND bar = Item(IDC_CLEANPROGRESS);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, total > 0 ? total : 1);
    ::SendMessageW(bar, PBM_SETPOS, done, 0);
    ShowStatus(CleaningProgressLine(done, total));
}

void CDlgScanClean::CleaningFinished(CleanRun& run) {
    if (!run.out.backupFile.empty()) lastBackupFile_ = run.out.backupFile;
    Move(ScanPageEvent::CleaningEnded);
    if (!ShowsEndOfWork(phase_)) return;
    FinishPageCleaning(app_, Handle(), rows_, run,
                       PageUpdates{[this] { SyncListCount(); },
                                   [this](std::string_view text) { ShowStatus(text); }});
}

} // namespace zt
