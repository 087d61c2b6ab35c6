#include "app/DlgCleanDisk.h"

#include "ui/KeyLogic.h"

#include <string>

#include "app/res/ids_cleandisk.h"
#include "app/res/resource.h"
#include "settings/SettingsStore.h"
#include "app/MessageBoxPrompt.h"

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

} // namespace

CDlgCleanDisk::CDlgCleanDisk(AppContext& app)
    : CGradientDialog(IDD_CLEANDISK_PAGE, IDI_ZENTROVE), reg_(app.registry), sys_(app.system),
      settings_(app.settings), options_(StoredOptions()),
      worker_(app.registry, app.system), layout_{{IDC_CLEANDISK_GROUP, kGrowX | kGrowY},
                                                 {IDC_CLEANDISK_CLEAN, kMoveX},
                                                 {IDCANCEL, kMoveX}} {
    SetSilent(app.settings.ReadInt(settings::ButtonSilence, 0) != 0);
    SetSounds(IDW_HOVER, IDW_CLICK);
}

CDlgCleanDisk::~CDlgCleanDisk() {
    // Normally done when the window goes; a page destroyed without its window must not be
    // called back either.
    worker_.Abandon();
}

bool CDlgCleanDisk::OnInitDialog() {
    SetStandardSkin();
    SetGradientColours(kGradientTop, kGradientBottom);
    CGradientDialog::OnInitDialog();
    queue_ = TaskQueue();
    StartMeasuring(false);
    return true;
}

JunkOptions CDlgCleanDisk::StoredOptions() const {
    JunkOptions options;
    if (!settings_.ReadBool(settings::KeepRecentJunk, true)) options.minAgeHours = 0;
    return options;
}

void CDlgCleanDisk::ApplySettings() {
    CGradientDialog::ApplySettings();
    JunkOptions now = StoredOptions();
    if (now.minAgeHours == options_.minAgeHours) return;
    options_ = now;
    // The captions count only what a cleaning would remove, which has just changed.
    if (queue_) StartMeasuring(false);
}

void CDlgCleanDisk::RecordLayout() {
    layout_.Record(Handle());
}

void CDlgCleanDisk::StartMeasuring(bool aboveNormal) {
    worker_.SetOptions(options_);
    if (!aboveNormal) {
        worker_.Start(*this);
        return;
    }
    worker_.Start(*this,
                  [] { ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL); });
}

void CDlgCleanDisk::OnJunkMeasured(const JunkMeasurement& m) {
    // A place that could not be determined keeps the text its box has.
    if (!m.measured) return;
    int id = JunkCheckBoxId(m.item);
    std::string caption = m.caption;
    UiTaskQueuePtr queue = queue_;
    if (!queue) return;
    queue->Post([this, id, caption = std::move(caption)] {
        SetItemText(id, CarryMnemonic(ItemText(id), caption)); // keeps the box's access key
    });
}

void CDlgCleanDisk::OnClean() {
    JunkSelection selection;
    for (JunkItem item : kJunkMeasuringOrder)
        selection[item] = CButton(Item(JunkCheckBoxId(item))).IsChecked();
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
    worker_.Abandon();
    queue_.reset();
    CGradientDialog::OnDestroy();
}

} // namespace zt
