#pragma once
// The small modal dialog that asks for the command line of a new startup entry.
#include <cstddef>
#include <string>

#include "ui/GradientDialog.h"

namespace zt {

class CDlgAddStartupItem : public CGradientDialog {
  public:
    CDlgAddStartupItem();

    // Exchanged with the edit control; valid after OK.
    std::string commandLine;

  protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

  private:
    void OnBrowse();
};

} // namespace zt
