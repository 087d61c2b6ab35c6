#include "app/DlgAddStartupItem.h"

#include <commdlg.h>

#include <vector>

#include "app/MessageBoxPrompt.h"
#include "app/res/ids_startup.h"
#include "app/res/resource.h"
#include "seams/Unicode.h"
#include "startup/StartupEditor.h"
#include "startup/StartupLocations.h"
#include "ui/MessageBox.h"

namespace zt {

namespace {
// The filter with its '|' separators turned into the NULs the open-file dialog wants.
std::wstring OpenFileFilter() {
    std::wstring filter =
        L"Execute Files (*.exe;*.com)|*.exe;*.com|Batch Files (*.bat)|*.bat|All Files (*.*)|*.*||";
    for (wchar_t& c : filter) {
        if (c == L'|') c = L'\0';
    }
    return filter;
}
} // namespace

CDlgAddStartupItem::CDlgAddStartupItem() : CGradientDialog(IDD_ADD_STARTUP_ITEM, IDI_ZENTROVE) {
    SetCloseOnCancel(true);
    SetCloseOnOK(true);
    SetSounds(IDW_HOVER, IDW_CLICK);
    BindText(IDC_ADD_COMMAND, commandLine, kMaxCommandLine);
}

bool CDlgAddStartupItem::OnInitDialog() {
    SetStandardSkin();
    SetGradientColours(kGradientTop, kGradientBottom);
    return CGradientDialog::OnInitDialog();
}

void CDlgAddStartupItem::OnBrowse() {
    // Larger than a path needs, so that an over-long choice reaches the length check on OK
    // instead of being cut short here.
    std::vector<wchar_t> file(4096, L'\0');
    std::wstring filter = OpenFileFilter();
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Handle();
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = L"exe";
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!::GetOpenFileNameW(&ofn)) return;
    commandLine = FromWide(file.data());
    UpdateData(false);
}

bool CDlgAddStartupItem::OnCommand(int id, int code, HWND control) {
    if (id == IDC_ADD_BROWSE && code == BN_CLICKED) {
        OnBrowse();
        return true;
    }
    return CGradientDialog::OnCommand(id, code, control);
}

void AddStartupCommand(AppContext& app, HWND owner, CRegFileWriter& writer,
                       const std::string& commandLine) {
    CMessageBoxPrompt prompt(owner);
    StartupAddition added;
    try {
        added = AddStartupItem(app.registry, app.system, writer, prompt, commandLine, [&app] {
            if (app.host) app.host->RefreshBackupList();
        });
    } catch (const FileError& e) {
        // The old value could not be saved, so it was not replaced.
        ShowMessage(owner, ForDisplay(e.what()), "", MB_OK);
        return;
    }
    if (added.declined) return;
    if (!added.refusal.empty())
        ShowMessage(owner, ForDisplay(added.refusal), "", MB_OK);
    else if (!added.written)
        ShowMessage(owner, ForDisplay(AdditionFailedText(added)), "", MB_OK);
    else if (added.root != kLocalMachine && added.replaced.empty())
        ShowMessage(owner, kAddedForUserOnly, "", MB_OK);
}

} // namespace zt
