#pragma once
// The small modal dialog that asks for the command line of a new startup entry.
#include <cstddef>
#include <string>

#include "app/AppContext.h"
#include "backup/RegFileWriter.h"
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

// Adds the command line the dialog took, asking before an entry of the same name is replaced;
// a refusal or a failure is told in a message box owned by `owner`.
void AddStartupCommand(AppContext& app, HWND owner, CRegFileWriter& writer,
                       const std::string& commandLine);

} // namespace zt
