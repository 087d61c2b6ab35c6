#include "app/DlgScanSettings.h"
#include "ui/ToolTip.h"

#include <algorithm>

#include "app/DlgIgnoreList.h"
#include "app/DlgMain.h"
#include "app/res/ids_ignore.h"
#include "app/res/resource.h"
#include "settings/SettingsStore.h"
#include "ui/MessageBox.h"
#include "ui/TabWnd.h"

namespace zt {

namespace {
// Category index to control, in index order.
constexpr int kCategoryControls[kScanCategoryCount] = {
    IDC_CHK_CLSID,      IDC_CHK_FILEASSOC, IDC_CHK_USERSOFTWARE, IDC_CHK_SYSTEMSOFTWARE,
    IDC_CHK_SHAREDDLLS, IDC_CHK_FILEEXT,   IDC_CHK_STARTUP,      IDC_CHK_SOUNDS,
    IDC_CHK_UNINSTALL,  IDC_CHK_FONTS,     IDC_CHK_HELP,         IDC_CHK_APPPATH,
    IDC_CHK_DRIVERS,    IDC_CHK_MUICACHE,  IDC_CHK_COMPATSTORE,  IDC_CHK_INSTALLERFOLDERS,
    IDC_CHK_TYPELIBS};
constexpr int kGroupBoxId = -1;

bool IsOption(int id) {
    return id == IDC_CHECKALL || id == IDC_SILENCE || id == IDC_ADDSTARTUP ||
           id == IDC_SAVELAYOUT || id == IDC_KEEPRECENT;
}
} // namespace

int CDlgScanSettings::CategoryOfControl(int id) {
    for (int i = 0; i < kScanCategoryCount; ++i)
        if (kCategoryControls[i] == id) return i;
    return -1;
}

CDlgScanSettings::CDlgScanSettings(AppContext& app, CDlgMain& main,
                                   std::vector<int>& enabledCategories)
    : CGradientDialog(IDD_SCANSETTINGS), app_(app), main_(main),
      enabledCategories_(enabledCategories) {
    switches_ = ReadProgramSwitches(app_.settings);
    silent_ = switches_.buttonSilence;
    SetSounds(IDW_HOVER, IDW_CLICK);
    layout_ =
        CLayout{{kGroupBoxId, kGrowX | kGrowY}, {IDOK, kMoveX},           {IDC_SILENCE, kMoveX},
                {IDC_CHECKALL, kMoveX},         {IDC_ADDSTARTUP, kMoveX}, {IDC_SAVELAYOUT, kMoveX},
                {IDC_KEEPRECENT, kMoveX},       {IDC_IGNORELIST, kMoveX}};
}

CDlgScanSettings::~CDlgScanSettings() = default;

bool CDlgScanSettings::OnInitDialog() {
    SetGradientColours(kGradientTop, kGradientBottom);
    SetStandardSkin();
    CGradientDialog::OnInitDialog();
    LoadPageState();

    tooltip_ = CreateControlTooltips(
        Handle(), {{IDC_SILENCE, "Do not play sound when the mouse move on the button"},
                   {IDC_CHECKALL, "Check all the scan settings"}});
    EnableItem(IDOK, false);
    return true;
}

void CDlgScanSettings::OnDestroy() {
    if (tooltip_) {
        ::DestroyWindow(tooltip_);
        tooltip_ = nullptr;
    }
    CGradientDialog::OnDestroy();
}

void CDlgScanSettings::RecordLayout() {
    layout_.Record(Handle());
}

void CDlgScanSettings::OnSize(UINT type, int cx, int cy) {
    CGradientDialog::OnSize(type, cx, cy);
    layout_.Apply(cx, cy);
}

bool CDlgScanSettings::IsTicked(int id) const {
    return CButton(Item(id)).IsChecked();
}

void CDlgScanSettings::SetTicked(int id, bool on) const {
    CButton(Item(id)).SetCheck(on);
}

std::vector<HWND> CDlgScanSettings::CategoryBoxes() const {
    std::vector<HWND> boxes;
    for (HWND child = ::GetWindow(Handle(), GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        int id = ::GetDlgCtrlID(child);
        if (!IsOption(id) && CategoryOfControl(id) >= 0) boxes.push_back(child);
    }
    return boxes;
}

bool CDlgScanSettings::HasPendingChanges() const {
    return ::IsWindowEnabled(Item(IDOK)) != FALSE;
}

void CDlgScanSettings::LoadPageState() {
    for (int i = 0; i < kScanCategoryCount; ++i) {
        bool on = std::find(enabledCategories_.begin(), enabledCategories_.end(), i) !=
                  enabledCategories_.end();
        SetTicked(kCategoryControls[i], on);
    }
    SetTicked(IDC_SILENCE, switches_.buttonSilence);
    SetTicked(IDC_ADDSTARTUP, switches_.startupMode);
    SetTicked(IDC_SAVELAYOUT, switches_.savePos);
    SetTicked(IDC_KEEPRECENT, switches_.keepRecentJunk);
    UpdateCheckAll();
}

void CDlgScanSettings::UpdateCheckAll() {
    bool all = true;
    for (HWND box : CategoryBoxes())
        if (::SendMessageW(box, BM_GETCHECK, 0, 0) != BST_CHECKED) all = false;
    SetTicked(IDC_CHECKALL, all);
}

void CDlgScanSettings::OnCheckAll() {
    bool on = IsTicked(IDC_CHECKALL);
    for (HWND box : CategoryBoxes())
        ::SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CDlgScanSettings::OnCommand(int id, int code, HWND control) {
    // The list is stored by its own dialog; it leaves Apply as it is.
    if (id == IDC_IGNORELIST) {
        if (code == BN_CLICKED) {
            CDlgIgnoreList dialog(app_.settings);
            dialog.SetSilent(IsSilent());
            dialog.DoModal(Handle());
        }
        return true;
    }
    if (!IsOption(id) && CategoryOfControl(id) >= 0) {
        if (IsTicked(id))
            UpdateCheckAll();
        else
            SetTicked(IDC_CHECKALL, false);
    }
    // Any box makes Apply available; Apply itself (and Enter) do not.
    if (id != IDCANCEL && id != IDOK) EnableItem(IDOK, true);
    if (id == IDC_CHECKALL) {
        if (code == BN_CLICKED) OnCheckAll();
        return true;
    }
    return CGradientDialog::OnCommand(id, code, control);
}

void CDlgScanSettings::OnOK() {
    // Enter applies only what Apply would.
    if (HasPendingChanges()) OnApply();
}

void CDlgScanSettings::OnApply() {
    enabledCategories_.clear();
    for (HWND box : CategoryBoxes())
        if (::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED)
            enabledCategories_.push_back(CategoryOfControl(::GetDlgCtrlID(box)));
    switches_ = {IsTicked(IDC_SILENCE), IsTicked(IDC_ADDSTARTUP), IsTicked(IDC_SAVELAYOUT),
                 IsTicked(IDC_KEEPRECENT)};
    silent_ = switches_.buttonSilence;
    main_.ApplySettings();
    EnableItem(IDOK, false);
    if (!main_.SettingsNotWritten().empty())
        ShowMessage(Handle(), main_.SettingsNotWritten(), "", MB_OK | MB_ICONWARNING);
}

LRESULT CDlgScanSettings::QueryApplyOnLeave() {
    if (!HasPendingChanges()) return 0;
    int answer = ShowMessage(Handle(), "Are you want to apply the setting?", "", MB_YESNOCANCEL);
    if (answer == IDCANCEL) return static_cast<LRESULT>(BCGM_ONCHANGE_ACTIVE_TAB);
    if (answer == IDYES) {
        OnApply();
        return 0;
    }
    LoadPageState();
    EnableItem(IDOK, false);
    return 0;
}

} // namespace zt
