#include "app/DlgCleanDisk.h"

#include "ui/KeyLogic.h"

#include <string>

#include "app/MachineActions.h"
#include "app/MessageBoxPrompt.h"
#include "app/PageSupport.h"
#include "app/res/ids_cleandisk.h"
#include "app/res/resource.h"
#include "seams/Unicode.h"
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

// Asks the cleaning's question as the page does and keeps its final word back: the total
// over both parts follows the helper's.
class CPartPrompt : public UserPrompt {
  public:
    explicit CPartPrompt(HWND owner) : asks_(owner) {}
    int Ask(std::string_view text, std::string_view caption, PromptButtons buttons) override {
        return buttons == PromptButtons::Ok ? kAnswerOk : asks_.Ask(text, caption, buttons);
    }

  private:
    CMessageBoxPrompt asks_;
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
    if (helper_) helper_->Abandon();
}

bool CDlgCleanDisk::OnInitDialog() {
    SetStandardSkin();
    SetGradientColours(kGradientTop, kGradientBottom);
    CGradientDialog::OnInitDialog();
    FillPlaces();
    UpdateShield();
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
    if (helper_ && helper_->Running()) return; // the Clean button is off meanwhile
    std::vector<std::string> machine = TakeMachinePlaces(sys_, selection);
    if (!machine.empty()) {
        JunkCleanResult done;
        if (selection.Any()) {
            // The question is asked once; the total waits for the helper's part.
            CPartPrompt prompt(Handle());
            done = CleanJunk(
                reg_, sys_, selection, prompt, [this] { StartMeasuring(true); },
                reinterpret_cast<WindowRef>(Handle()), options_);
            if (done.outcome != JunkCleanOutcome::Cleaned) return;
        } else if (ShowMessage(Handle(), kJunkConfirmText, kProgramCaption, MB_OKCANCEL) != IDOK) {
            return;
        }
        for (JunkItem item : kJunkMeasuringOrder)
            CButton(Item(JunkCheckBoxId(item))).SetCheck(false);
        CleanWithHelper(std::move(machine), std::move(done));
        return;
    }
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

void CDlgCleanDisk::CleanWithHelper(std::vector<std::string> ids, JunkCleanResult done) {
    helper_ = CBackgroundJob::Create();
    helper_->Connect(TaskQueue());
    ::EnableWindow(Item(IDC_CLEANDISK_CLEAN), FALSE);
    CBackgroundJob* job = helper_.get();
    helper_->Start([this, job, &sys = sys_, ids = std::move(ids), done = std::move(done),
                    options = options_]() mutable {
        CleanPlacesWithHelper(sys, ids, options, &job->StopFlag(), done);
        done.outcome = JunkCleanOutcome::Cleaned;
        done.finalMessage = JunkFinalMessage(done);
        job->Deliver([this, message = done.finalMessage] {
            ::EnableWindow(Item(IDC_CLEANDISK_CLEAN), TRUE);
            StartMeasuring(true);
            ShowMessage(Handle(), ForDisplay(message), kProgramCaption, MB_OK);
        });
    });
}

bool CDlgCleanDisk::ShowsShield() const {
    const CSkinButton* button = SkinnedButton(IDC_CLEANDISK_CLEAN);
    return button && button->HasIcon();
}

void CDlgCleanDisk::UpdateShield() {
    JunkSelection selection;
    selection[JunkItem::SystemTemp] = CButton(Item(IDC_CLEANDISK_SYSTEMP)).IsChecked();
    CListView list(Item(IDC_CLEANDISK_PLACES));
    const auto catalog = JunkCatalog();
    for (int i = 0; i < list.Count() && static_cast<std::size_t>(i) < catalog.size(); ++i)
        if (list.IsChecked(i)) selection.places.emplace_back(catalog[i].id);
    bool machine = !TakeMachinePlaces(sys_, selection).empty();
    if (CSkinButton* button = SkinnedButton(IDC_CLEANDISK_CLEAN))
        if (button->HasIcon() != machine)
            button->SetIcon(OwnedIcon(machine ? LoadShieldIcon() : nullptr));
}

bool CDlgCleanDisk::OnCommand(int id, int code, HWND control) {
    if (id == IDC_CLEANDISK_CLEAN && code == BN_CLICKED) {
        OnClean();
        UpdateShield();
        return true;
    }
    if (id == IDC_CLEANDISK_SYSTEMP && code == BN_CLICKED) UpdateShield();
    return CGradientDialog::OnCommand(id, code, control);
}

bool CDlgCleanDisk::OnNotify(int id, NMHDR* header, LRESULT& result) {
    if (id == IDC_CLEANDISK_PLACES && header->code == LVN_ITEMCHANGED) UpdateShield();
    return CGradientDialog::OnNotify(id, header, result);
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
    if (helper_) (void)helper_->StopAndAbandon(kLetGoMs);
    (void)TickedPlaces(); // remembers the ticks
    CGradientDialog::OnDestroy();
}

} // namespace zt
