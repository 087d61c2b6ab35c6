#pragma once
// Pieces the list pages share: text measuring for column widths and the header drawing of
// the classic look.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>

#include "ui/Dpi.h"
#include "ui/SubclassWindow.h"

namespace zt {

// Width in pixels of `text` in the dialog's font.
int MeasureInDialogFont(HWND dialog, std::string_view text);

// Extended styles, window styles, item room and columns of a page's report list.
void SetUpReportList(HWND list, DWORD extendedStyles);

// Paints a header item as the classic look wants it: filled with the page colour, text 5
// pixels in and centred on one line, an etched edge. Returns the custom-draw answer.
LRESULT DrawClassicHeader(NMCUSTOMDRAW* draw);

// Hooks a list view so that its header's custom drawing is answered by DrawClassicHeader while
// `*enabled` is true. The list keeps the notification to itself, so this works whether or not
// the list passes it on to the page.
class CClassicHeaderHook : public CSubclassWindow {
  public:
    explicit CClassicHeaderHook(const bool& enabled) : enabled_(enabled) {}

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    const bool& enabled_;
};

} // namespace zt
