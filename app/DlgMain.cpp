#include "app/DlgMain.h"
#include "ui/ToolTip.h"

#include "app/ContactInfo.h"
#include "app/DlgAbout.h"
#include "seams/StatusText.h"
#include "seams/System.h"
#include "seams/Unicode.h"
#include "startup/RunAtStartup.h"
#include "app/VersionText.h"
#include "app/res/ids_backup.h"
#include "app/res/resource.h"
#include "settings/SettingsStore.h"
#include "ui/Dpi.h"
#include "ui/UiContext.h"

namespace zt {

namespace {
// Pages that resize their controls measure from the size they have in the tab window.
template <class Page> void RecordPageLayout(Page& page) {
    if constexpr (requires { page.RecordLayout(); }) page.RecordLayout();
}

// What Apply tells the user it could not write; empty when everything was.
std::string SettingsNotWrittenText(const Status& stored, const Status& run, bool startWithWindows) {
    std::string text;
    if (!stored)
        text = "The settings could not be saved: " + StatusReason(stored) +
               ". They apply until Zentrove is closed.";
    if (!run) {
        if (!text.empty()) text += "\n\n";
        text += startWithWindows ? "Zentrove could not be set to start with Windows: "
                                 : "Zentrove could not be kept from starting with Windows: ";
        text += StatusReason(run) + ".";
    }
    return text;
}
} // namespace

CDlgMain::CDlgMain(AppContext& app)
    : CGradientDialog(IDD_MAIN, IDI_ZENTROVE), app_(app), scan_(app, &banner_),
      settings_(app, *this, scan_.enabledCategories), backup_(app), startup_(app), cleanDisk_(app) {
    app_.host = this;
    // The settings page read the switches; the main window starts from its copy.
    silent_ = settings_.Switches().buttonSilence;
    SetSounds(IDW_HOVER, IDW_CLICK);
    startupMode_ = settings_.Switches().startupMode;
    savePos_ = settings_.Switches().savePos;
}

CDlgMain::~CDlgMain() {
    if (app_.host == this) app_.host = nullptr;
}

std::string CDlgMain::ExecutablePath() const {
    // The registration holds at most 999 characters: a longer path is not registered.
    std::string path = app_.system.GetModulePath();
    if (Utf16Length(path) >= 1000) return {};
    return path;
}

CGradientDialog* CDlgMain::PageOfTab(int tab) {
    switch (tab) {
    case kTabScan:
        return &scan_;
    case kTabStartup:
        return &startup_;
    case kTabCleanDisk:
        return &cleanDisk_;
    case kTabSettings:
        return &settings_;
    case kTabBackup:
        return &backup_;
    default:
        return nullptr;
    }
}

bool CDlgMain::OnInitDialog() {
    std::string site = WebsiteAddress();
    std::string mail = SupportEmail();
    SetItemText(IDC_WEBSITE, "Website: " + site);
    AddLink(IDC_WEBSITE, site, site, RGB(0, 0, 255));
    AddLink(IDC_FEEDBACK, ItemText(IDC_FEEDBACK),
            "mailto:" + mail + "?subject=Suggestion of the registry cleaner!", RGB(0, 0, 255));
    std::string version = ProgramVersionText(app_.system.GetModulePath());
    SetText(GetText() + " " + version);
    AddLink(IDC_TELLFRIENDS, ItemText(IDC_TELLFRIENDS),
            "mailto:?subject=Cool Registry Cleaner!&body=Download from " + site, RGB(0, 0, 255));
    SetGradientColours(kGradientTop, kGradientBottom);
    SetAppMainWindow(Handle());
    CGradientDialog::OnInitDialog(); // icons, centring, links, then ApplySettings

    wchar_t about[256] = {};
    if (::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 256) > 0) {
        if (HMENU menu = ::GetSystemMenu(Handle(), FALSE)) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }

    RECT place = ChildRect(Item(IDC_BANNER_PLACE));
    const int inset = ScaleForDpi(2, static_cast<int>(WindowDpi(Handle())));
    ::InflateRect(&place, -inset, -inset);
    banner_.Create(Handle(), place, IDC_BANNER);
    banner_.SetWaterShape(WaterShape::Blob);
    banner_.SetText("Boosts your system");

    CreateTooltips();

    RECT client = ClientRect();
    RECT feedback = ChildRect(Item(IDC_FEEDBACK));
    RECT tabRect{0, 0, client.right, feedback.top - 3};
    tabs_.Create(CBCGTabWnd::STYLE_FLAT, tabRect, Handle(), IDC_TABWND);

    scan_.Create(tabs_.Handle());
    settings_.Create(tabs_.Handle());
    backup_.Create(tabs_.Handle());
    startup_.Create(tabs_.Handle());
    cleanDisk_.Create(tabs_.Handle());

    tabs_.AddTab(scan_.Handle(), "Scan/Clean");
    tabs_.AddTab(startup_.Handle(), "Startup Manager");
    tabs_.AddTab(cleanDisk_.Handle(), "Clean Disk");
    tabs_.AddTab(settings_.Handle(), "Settings");
    tabs_.AddTab(backup_.Handle(), "Backup");

    tabs_.SetBorderSize(0);
    tabs_.SetFlatFrame(true);
    tabs_.SetTabsFromEdge(true);
    for (int i = 0; i < 5; ++i)
        tabs_.SetTabBkColor(i, kTabColour);
    tabs_.SetBkColor(kGradientTop);
    tabs_.RecalcLayout();

    layout_ = CLayout{{IDC_TABWND, kGrowX | kGrowY},
                      {IDC_TELLFRIENDS, kMoveX | kMoveY},
                      {IDC_BANNER, kMoveY | kGrowX},
                      {IDC_FEEDBACK, kMoveY},
                      {IDC_WEBSITE, kMoveY}};
    layout_.Record(Handle());
    RecordPageLayout(scan_);
    RecordPageLayout(backup_);
    RecordPageLayout(startup_);
    RecordPageLayout(cleanDisk_);
    RecordPageLayout(settings_);

    TakeOverDpiScaling();
    for (int tab = 0; tab < 5; ++tab)
        if (CGradientDialog* page = PageOfTab(tab)) page->TakeOverDpiScaling();
    if (savePos_) RestoreLayout();
    Show();
    // The focus starts on the page, not on the first tab stop of the window (a link).
    if (CGradientDialog* active = PageOfTab(tabs_.GetActiveTab())) {
        HWND page = active->Handle();
        HWND first = ::GetNextDlgTabItem(page, nullptr, FALSE);
        ::SetFocus(first ? first : page);
    }
    return false;
}

void CDlgMain::CreateTooltips() {
    tooltip_ = CreateControlTooltips(
        Handle(), {{IDC_FEEDBACK, "Help us improve this utility or report us a bug."},
                   {IDC_WEBSITE, "Visit our website :)"},
                   {IDC_TELLFRIENDS, "Tell my friends to use this utility :)"}});
}

void CDlgMain::ApplySettings() {
    Status stored;
    auto keep = [&stored](const Status& written) {
        if (stored && !written) stored = written;
    };
    const ProgramSwitches& switches = settings_.Switches();
    keep(WriteProgramSwitches(app_.settings, switches));
    silent_ = switches.buttonSilence;
    scan_.SetSilent(silent_);
    backup_.SetSilent(silent_);
    startup_.SetSilent(silent_);
    cleanDisk_.SetSilent(silent_);
    savePos_ = switches.savePos;
    startupMode_ = switches.startupMode;
    Status run = SyncRunAtStartup(app_.registry, startupMode_, ExecutablePath());
    backup_.ApplySettings();
    settings_.ApplySettings();
    scan_.ApplySettings();
    keep(scan_.SwitchesWritten());
    settingsNotWritten_ = SettingsNotWrittenText(stored, run, startupMode_);
    startup_.ApplySettings();
    cleanDisk_.ApplySettings();
    SetButtonSounds(!silent_, IDW_HOVER, IDW_CLICK);
}

void CDlgMain::RefreshBackupList() {
    backup_.RefreshBackupList();
}

void CDlgMain::SaveLayout() {
    scan_.SaveColumnWidths();
    startup_.SaveColumnWidths();
    backup_.SaveColumnWidths();
    // A minimised window's rectangle is the icon's; keep the last one it had on the screen.
    // (The placement's normal rectangle is in workspace coordinates, which a taskbar at the
    // top or left shifts from the screen coordinates the next start places the window in.)
    RECT r = ::IsIconic(Handle()) && hadNormalRect_ ? normalRect_ : WindowRect();
    // Kept at 96 DPI, so a layout saved at 100% opens at the same size on a 150% screen.
    const int dpi = static_cast<int>(Dpi());
    // The window is closing: a layout not saved only means the next start opens at its default.
    (void)WriteWindowRect(app_.settings,
                          zt::WindowRect{ToBaseDpi(r.left, dpi), ToBaseDpi(r.top, dpi),
                                         ToBaseDpi(r.right, dpi), ToBaseDpi(r.bottom, dpi)});
    (void)app_.settings.Write(settings::ActiveTab, tabs_.GetActiveTab());
}

void CDlgMain::RestoreLayout() {
    zt::WindowRect r{};
    if (ReadWindowRect(app_.settings, r)) {
        const int dpi = static_cast<int>(Dpi());
        r = {ScaleForDpi(r.left, dpi), ScaleForDpi(r.top, dpi), ScaleForDpi(r.right, dpi),
             ScaleForDpi(r.bottom, dpi)};
        ::SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    int tab = 0;
    if (ReadActiveTab(app_.settings, tab)) tabs_.SetActiveTab(tab);
    backup_.RestoreColumnWidths();
    scan_.RestoreColumnWidths();
    startup_.RestoreColumnWidths();
}

bool CDlgMain::OnSysCommand(WPARAM command, LPARAM lp) {
    UINT cmd = static_cast<UINT>(command & 0xFFF0);
    if (cmd == IDM_ABOUTBOX) {
        CDlgAbout about(app_);
        about.SetSilent(IsSilent());
        about.DoModal(Handle());
        return true;
    }
    if (cmd == SC_CLOSE) {
        // Saved and stopped while the window still exists; then the base ends the dialog.
        CloseWindow();
        CGradientDialog::OnSysCommand(command, lp);
        return true;
    }
    if (cmd == SC_RESTORE) {
        ::DefWindowProcW(Handle(), WM_SYSCOMMAND, command, lp);
        HWND list = nullptr;
        if (scan_.IsVisible())
            list = scan_.Item(IDC_RESULTLIST);
        else if (backup_.IsVisible())
            list = backup_.Item(IDC_BACKUP_LIST);
        if (list)
            ::RedrawWindow(list, nullptr, nullptr,
                           RDW_FRAME | RDW_ERASE | RDW_INVALIDATE | RDW_INTERNALPAINT);
        return true;
    }
    return CGradientDialog::OnSysCommand(command, lp);
}

void CDlgMain::CloseWindow() {
    if (closing_) return;
    closing_ = true;
    Show(false);
    if (savePos_) SaveLayout();
    // Work still running after its bounded wait is let go: the process ends without it.
    if (!scan_.StopWorkForClose(kCloseWaitMs, kCloseCleanWaitMs)) scan_.AbandonWork();
}

RECT CDlgMain::StripRect() const {
    RECT client = ClientRect();
    RECT strip = client;
    if (tabs_.Handle()) strip.top = ChildRect(tabs_.Handle()).bottom;
    return strip;
}

void CDlgMain::GradientArea(RECT& area, COLORREF& top, COLORREF& bottom) {
    // The links live on the strip below the tab window; they take its gradient.
    area = StripRect();
    top = kStripTop;
    bottom = BottomColour();
}

bool CDlgMain::OnEraseBackground(HDC dc) {
    RECT client = ClientRect();
    PaintGradient(dc, client, TopColour(), BottomColour());
    RECT strip = StripRect();
    PaintGradient(dc, strip, kStripTop, BottomColour());
    if (Style() & WS_THICKFRAME) DrawSizeGrip(dc);
    return true;
}

void CDlgMain::OnSize(UINT type, int cx, int cy) {
    CGradientDialog::OnSize(type, cx, cy);
    if (type != SIZE_MINIMIZED) layout_.Apply(cx, cy);
}

bool CDlgMain::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (IsSystemLookChange(msg)) {
        // The system tells top-level windows only; pages and controls draw with these too.
        ForwardToDescendants(Handle(), msg, wp, lp);
        return CGradientDialog::OnMessage(msg, wp, lp, result);
    }
    if (msg == WM_DPICHANGED) {
        OnDpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
        result = 0;
        return true;
    }
    if (msg == BCGM_ONCHANGE_ACTIVE_TAB && msg != 0) {
        result = lp == kTabSettings ? settings_.QueryApplyOnLeave() : 0;
        return true;
    }
    if (msg == WM_WINDOWPOSCHANGED && !::IsIconic(Handle())) {
        normalRect_ = WindowRect();
        hadNormalRect_ = true;
    }
    return CGradientDialog::OnMessage(msg, wp, lp, result);
}

void CDlgMain::OnDpiChanged(UINT dpi, const RECT& suggested) {
    const UINT from = Dpi();
    if (from != dpi) {
        // Pages first, so their layouts are rescaled before the tab window resizes them.
        for (int tab = 0; tab < 5; ++tab)
            if (CGradientDialog* page = PageOfTab(tab)) page->AdaptToDpi(from, dpi);
        AdaptToDpi(from, dpi);
        banner_.Send(WM_SETFONT, Send(WM_GETFONT), TRUE);
        tabs_.SetDpi(dpi);
    }
    ::SetWindowPos(Handle(), nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    tabs_.RecalcLayout();
    ::RedrawWindow(Handle(), nullptr, nullptr,
                   RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
}

void CDlgMain::ForwardKeyToPage(int id) {
    HWND focus = ::GetFocus();
    for (int tab = 0; tab < 5; ++tab) {
        CGradientDialog* page = PageOfTab(tab);
        if (page && page->Handle() && focus &&
            (focus == page->Handle() || ::IsChild(page->Handle(), focus))) {
            page->Send(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            return;
        }
    }
}

void CDlgMain::OnOK() {
    ForwardKeyToPage(IDOK);
}

void CDlgMain::OnCancel() {
    ForwardKeyToPage(IDCANCEL);
}

void CDlgMain::OnDestroy() {
    if (tooltip_) {
        ::DestroyWindow(tooltip_);
        tooltip_ = nullptr;
    }
    if (AppMainWindow() == Handle()) SetAppMainWindow(nullptr);
    CGradientDialog::OnDestroy();
}

} // namespace zt
