#include "app/DlgAbout.h"

#include "app/ContactInfo.h"
#include "app/VersionText.h"
#include "app/res/resource.h"
#include "seams/System.h"
#include "settings/SettingsStore.h"

namespace zt {

CDlgAbout::CDlgAbout(AppContext& app) : CGradientDialog(IDD_ABOUTBOX), app_(app) {
    SetSounds(IDW_HOVER, IDW_CLICK);
}

bool CDlgAbout::OnInitDialog() {
    SetStandardSkin();
    std::string site = WebsiteAddress();
    std::string mail = SupportEmail();
    SetItemText(IDC_WEBSITE, "Website: " + site);
    SetItemText(IDC_FEEDBACK, "Email: " + mail);
    AddLink(IDC_WEBSITE, site, site, RGB(0, 0, 255));
    AddLink(IDC_FEEDBACK, mail, "mailto:" + mail, RGB(0, 0, 255));
    SetGradientColours(kGradientTop, kGradientBottom);
    CGradientDialog::OnInitDialog();
    SetItemText(IDC_VERSION, "Zentrove Version " + ProgramVersionText(app_.system.GetModulePath()));
    return true;
}

void CDlgAbout::OnOK() {
    EndDialog(IDOK);
}

void CDlgAbout::OnCancel() {
    EndDialog(IDCANCEL);
}

} // namespace zt
