#pragma once
// Builds a dialog template in memory, for dialogs that live in the framework rather than in
// the program's resources (the message box) and for tests. Texts are UTF-8; the template holds
// them as UTF-16, the form every dialog template has.
#include <windows.h>

#include <string_view>
#include <vector>

namespace zt {

class CDialogTemplate {
  public:
    // Sizes in dialog units. DS_SETFONT is added when a font is given.
    CDialogTemplate(DWORD style, int x, int y, int cx, int cy, std::string_view caption,
                    std::string_view font = "MS Shell Dlg", WORD pointSize = 8);

    CDialogTemplate& Add(std::string_view className, int id, std::string_view text, DWORD style,
                         int x, int y, int cx, int cy, DWORD exStyle = 0);
    CDialogTemplate& Button(int id, std::string_view text, int x, int y, int cx, int cy,
                            DWORD style = BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE);
    CDialogTemplate& Label(int id, std::string_view text, int x, int y, int cx, int cy,
                           DWORD style = SS_LEFT | WS_VISIBLE);
    CDialogTemplate& Edit(int id, int x, int y, int cx, int cy,
                          DWORD style = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE);

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(data_.data()); }

  private:
    void AlignToDword();
    void PutWord(WORD w) { data_.push_back(w); }
    void PutDword(DWORD d) {
        PutWord(LOWORD(d));
        PutWord(HIWORD(d));
    }
    void PutString(std::string_view s);

    std::vector<WORD> data_;
};

} // namespace zt
