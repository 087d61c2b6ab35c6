#include "ui/DialogTemplate.h"

#include <string>

#include "seams/Unicode.h"

namespace zt {

CDialogTemplate::CDialogTemplate(DWORD style, int x, int y, int cx, int cy,
                                 std::string_view caption, std::string_view font, WORD pointSize) {
    if (!font.empty()) style |= DS_SETFONT;
    PutDword(style);
    PutDword(0); // extended style
    PutWord(0);  // item count, patched by Add
    PutWord(static_cast<WORD>(x));
    PutWord(static_cast<WORD>(y));
    PutWord(static_cast<WORD>(cx));
    PutWord(static_cast<WORD>(cy));
    PutWord(0); // no menu
    PutWord(0); // default class
    PutString(caption);
    if (!font.empty()) {
        PutWord(pointSize);
        PutString(font);
    }
}

void CDialogTemplate::AlignToDword() {
    if (data_.size() % 2) data_.push_back(0);
}

void CDialogTemplate::PutString(std::string_view s) {
    if (s.empty()) {
        PutWord(0);
        return;
    }
    for (wchar_t c : ToWide(s))
        PutWord(static_cast<WORD>(c));
    PutWord(0);
}

CDialogTemplate& CDialogTemplate::Add(std::string_view className, int id, std::string_view text,
                                      DWORD style, int x, int y, int cx, int cy, DWORD exStyle) {
    AlignToDword();
    PutDword(style | WS_CHILD);
    PutDword(exStyle);
    PutWord(static_cast<WORD>(x));
    PutWord(static_cast<WORD>(y));
    PutWord(static_cast<WORD>(cx));
    PutWord(static_cast<WORD>(cy));
    PutWord(static_cast<WORD>(id));
    PutString(className);
    PutString(text);
    PutWord(0); // no creation data
    data_[4]++; // cdit sits after style and extended style
    return *this;
}

CDialogTemplate& CDialogTemplate::Button(int id, std::string_view text, int x, int y, int cx,
                                         int cy, DWORD style) {
    return Add("Button", id, text, style, x, y, cx, cy);
}

CDialogTemplate& CDialogTemplate::Label(int id, std::string_view text, int x, int y, int cx, int cy,
                                        DWORD style) {
    return Add("Static", id, text, style, x, y, cx, cy);
}

CDialogTemplate& CDialogTemplate::Edit(int id, int x, int y, int cx, int cy, DWORD style) {
    return Add("Edit", id, "", style, x, y, cx, cy, WS_EX_CLIENTEDGE);
}

} // namespace zt
