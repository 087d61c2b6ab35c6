#pragma once
// The About box: name and version, the support and web addresses as links, one OK button.
#include "app/AppContext.h"
#include "ui/GradientDialog.h"

namespace zt {

class CDlgAbout : public CGradientDialog {
  public:
    explicit CDlgAbout(AppContext& app);

  protected:
    bool OnInitDialog() override;
    // Unlike the base, OK and Escape end the box.
    void OnOK() override;
    void OnCancel() override;

  private:
    AppContext& app_;
};

} // namespace zt
