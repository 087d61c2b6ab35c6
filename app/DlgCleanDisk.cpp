#include "app/DlgCleanDisk.h"

#include "ui/KeyLogic.h"

#include <string>

#include "app/MessageBoxPrompt.h"
#include "app/PageSupport.h"
#include "app/res/ids_cleandisk.h"
#include "app/res/resource.h"
#include "settings/SettingsStore.h"
#include "ui/Window.h"

namespace zt {

namespace {

// The page's check box for each place.
int JunkCheckBoxId(JunkItem item) {
    switch (item) {
    case JunkItem::RecycleBin:
        return IDC_CLEANDISK_RECYCLE;
    case JunkItem::Cookies:
        return IDC_CLEANDISK_COOKIES;
    case JunkItem::UserTemp:
        return IDC_CLEANDISK_USERTEMP;
    case JunkItem::SystemTemp:
        return IDC_CLEANDISK_SYSTEMP;
    case JunkItem::InternetCache:
        return IDC_CLEANDISK_INETCACHE;
    }
    return 0;
}

// A run's sink, on the measuring thread: each caption travels to the page through the run's
// job, which drops them once the run is abandoned.
class CaptionsToPage : public JunkSink {
  public:
    CaptionsToPage(CDlgCleanDisk& page, CBackgroundJob& job) : page_(page), job_(job) {}
    void OnJunkMeasured(const JunkMeasurement& m) override {
        // A place that could not be determined keeps the text its box has.
        if (!m.measured) return;
        job_.Deliver([page = &page_, id = JunkCheckBoxId(m.item), caption = m.caption] {
            page->SetItemText(id, CarryMnemonic(page->ItemText(id), caption)); // keeps its key
        });
    }
    void OnPlaceMeasured(const PlaceMeasurement& m) override {
        job_.Deliver([page = &page_, m] { page->ShowPlace(m); });
    }

  private:
    CDlgCleanDisk& page_;
    CBackgroundJob& job_;
};

} // namespace

CDlgCleanDisk::CDlgCleanDisk(AppContext& app)
    : CGradientDialog(IDD_CLEANDISK_PAGE, IDI_ZENTROVE), reg_(app.registry), sys_(app.system),
      settings_(app.settings),
      options_(StoredOptions()), layout_{{IDC_CLEANDISK_GROUP, kGrowX | kGrowY},
                                         {IDC_CLEANDISK_PLACES, kGrowX | kGrowY},
                                         {IDC_CLEANDISK_NOTE, kGrowX | kMoveY},
                                         {IDC_CLEANDISK_CLEAN, kMoveX},
                                         {IDCANCEL, kMoveX}} {
    SetSounds(IDW_HOVER, IDW_CLICK);
}

CDlgCleanDisk::~CDlgCleanDisk() {
    // Normally done when the window goes; a page destroyed without its window must not be
    // called back either.
    AbandonMeasuring(kLetGoMs);
}

bool CDlgCleanDisk::OnInitDialog() {
    SetStandardSkin();
    SetGradientColours(kGradientTop, kGradientBottom);
    CGradientDialog::OnInitDialog();
    FillPlaces();
    StartMeasuring(false);
    return true;
}

void CDlgCleanDisk::FillPlaces() {
    CListView list(Item(IDC_CLEANDISK_PLACES));
    RequeryNotifyFormat(list.Handle(), Handle());
    SetUpReportList(list.Handle(), LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    int group = MeasureInDialogFont(Handle(), "Applicationsoo");
    int size = MeasureInDialogFont(Handle(), "1023.99 MB (in use)oo");
    RECT client = list.ClientRect();
    // The rows will need the vertical scroll bar; the columns fit beside it.
    int place = (client.right - client.left) - group - size - ::GetSystemMetrics(SM_CXVSCROLL);
    list.InsertColumn(0, "Place", place);
    list.InsertColumn(1, "Group", group);
    list.InsertColumn(2, "Size", size);
    int row = 0;
    for (const JunkPlaceRow& place : JunkCatalog()) {
        list.InsertItem(row, place.label, row);
        list.SetItemText(row, 1, JunkGroupName(place.group));
        list.SetItemText(row, 2, "...");
        list.SetChecked(row, ReadJunkPlaceTicked(settings_, place.id));
        ++row;
    }
    notes_.assign(JunkCatalog().size(), std::string());
}

void CDlgCleanDisk::ShowPlace(const PlaceMeasurement& m) {
    auto rows = JunkCatalog();
    auto index = static_cast<std::size_t>(m.row - rows.data());
    if (index >= rows.size()) return;
    CListView(Item(IDC_CLEANDISK_PLACES)).SetItemText(static_cast<int>(index), 2, m.sizeText);
    notes_[index] = m.note;
    std::string shown;
    for (const std::string& note : notes_)
        if (!note.empty()) shown += (shown.empty() ? "" : " ") + note;
    SetItemText(IDC_CLEANDISK_NOTE, shown);
}

std::vector<std::string> CDlgCleanDisk::TickedPlaces() {
    std::vector<std::string> ticked;
    CListView list(Item(IDC_CLEANDISK_PLACES));
    int row = 0;
    for (const JunkPlaceRow& place : JunkCatalog()) {
        bool on = list.IsChecked(row++);
        if (on) ticked.emplace_back(place.id);
        // A tick that cannot be stored only costs the next session its choice.
        (void)WriteJunkPlaceTicked(settings_, place.id, on);
    }
    return ticked;
}

JunkOptions CDlgCleanDisk::StoredOptions() const {
    JunkOptions options;
    if (!settings_.IsOn(settings::KeepRecentJunk)) options.minAgeHours = 0;
    return options;
}

void CDlgCleanDisk::ApplySettings() {
    CGradientDialog::ApplySettings();
    JunkOptions now = StoredOptions();
    if (now.minAgeHours == options_.minAgeHours) return;
    options_ = now;
    // The captions count only what a cleaning would remove, which has just changed.
    if (Handle()) StartMeasuring(false);
}

void CDlgCleanDisk::RecordLayout() {
    layout_.Record(Handle());
}

void CDlgCleanDisk::StartMeasuring(bool aboveNormal) {
    AbandonMeasuring();
    auto run = CBackgroundJob::Create();
    run->Connect(TaskQueue());
    CBackgroundJob* job = run.get(); // the running worker keeps its job alive
    // The results go through the run's own job, so an abandoned run's never arrive. The work
    // holds the seams (they live as long as the process), never the page.
    measuring_ = run;
    run->Start([&reg = reg_, &sys = sys_, page = this, job, aboveNormal, options = options_] {
        if (aboveNormal) ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
        CaptionsToPage sink(*page, *job); // reaches the page only through the job's results
        MeasureJunkSizes(reg, sys, sink, &job->StopFlag(), options);
    });
}

void CDlgCleanDisk::AbandonMeasuring(DWORD waitMs) {
    if (!measuring_) return;
    (void)measuring_->StopAndAbandon(waitMs); // one not ended in time is let go all the same
    measuring_.reset();
}

void CDlgCleanDisk::OnClean() {
    JunkSelection selection;
    for (JunkItem item : kJunkMeasuringOrder)
        selection[item] = CButton(Item(JunkCheckBoxId(item))).IsChecked();
    selection.places = TickedPlaces();
    CMessageBoxPrompt prompt(Handle());
    // The new measuring run starts before the final message, as the sizes have changed.
    JunkCleanResult result = CleanJunk(
        reg_, sys_, selection, prompt, [this] { StartMeasuring(true); },
        reinterpret_cast<WindowRef>(Handle()), options_);
    if (result.outcome != JunkCleanOutcome::Cleaned) return;
    for (JunkItem item : kJunkMeasuringOrder) {
        if (selection[item]) CButton(Item(JunkCheckBoxId(item))).SetCheck(false);
    }
}

bool CDlgCleanDisk::OnCommand(int id, int code, HWND control) {
    if (id == IDC_CLEANDISK_CLEAN && code == BN_CLICKED) {
        OnClean();
        return true;
    }
    return CGradientDialog::OnCommand(id, code, control);
}

void CDlgCleanDisk::OnCancel() {
    PostCloseToTopLevel(Handle());
}

void CDlgCleanDisk::OnSize(UINT type, int cx, int cy) {
    CGradientDialog::OnSize(type, cx, cy);
    layout_.Apply(cx, cy);
}

void CDlgCleanDisk::OnDestroy() {
    // Before the window goes: no run may post to it afterwards.
    AbandonMeasuring(kLetGoMs);
    (void)TickedPlaces(); // remembers the ticks
    CGradientDialog::OnDestroy();
}

} // namespace zt
