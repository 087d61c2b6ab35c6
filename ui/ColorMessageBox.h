#pragma once
// The program's message box: gradient background, skinned buttons, one of four button sets,
// widening for a long line; any text, in any script. Use ShowMessage (ui/MessageBox.h) rather than
// this class.
#include <string>
#include <string_view>

#include "ui/Gdi.h"
#include "ui/GradientDialog.h"

namespace zt {

class CColorMessageBox : public CGradientDialog {
  public:
    enum : int {
        kIdIcon = 1034,
        kIdText = 1035,
        kIdRight = 1036,
        kIdLeft = 1037,
    };

    CColorMessageBox(std::string_view text, std::string_view caption, unsigned type,
                     HICON icon = nullptr);

    // Shows the box modally over `owner`; returns the pressed button, -1 for a title-bar close.
    static int Show(HWND owner, std::string_view text, std::string_view caption, unsigned type);

    int Run(HWND owner);
    int Result() const { return result_; }
    int Grow() const { return grow_; }
    void SetSmallIcon(HICON icon) { smallIcon_ = icon; }

  protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnDrawItem(int id, DRAWITEMSTRUCT* item) override;

  private:
    void UseMessageFont(HWND label);
    void GrowForLines(HWND label);

    std::wstring text_; // as shown: unpaired surrogates replaced
    std::string caption_;
    unsigned type_;
    int result_ = -1;
    OwnedIcon icon_;
    HICON smallIcon_ = nullptr; // the caller's
    OwnedFont font_;
    int grow_ = 0;
};

} // namespace zt
