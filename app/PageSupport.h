#pragma once
// Pieces the list pages share: text measuring for column widths and the header drawing of
// the classic look.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>

#include "settings/SettingsStore.h"
#include "ui/Dpi.h"
#include "ui/Window.h"
#include "ui/SubclassWindow.h"

namespace zt {

// Width in pixels of `text` in the dialog's font.
int MeasureInDialogFont(HWND dialog, std::string_view text);

// Extended styles, window styles, item room and columns of a page's report list.
void SetUpReportList(HWND list, DWORD extendedStyles);

// A report list's column widths in the settings under `key`, kept at 96 DPI. Saved as the
// window closes: widths not saved only start at their defaults next time.
void SaveListColumns(const SettingsStore& settings, std::string_view key, const CListView& list,
                     int columns, UINT dpi);
void RestoreListColumns(const SettingsStore& settings, std::string_view key, const CListView& list,
                        int columns, UINT dpi);

// Makes `list` ask its page again which form its notifications take. A page whose rows give
// their texts on demand answers WM_NOTIFYFORMAT with NFR_UNICODE, so LVN_GETDISPINFOW is the
// only form it ever has to fill.
void RequeryNotifyFormat(HWND list, HWND page);

// Inserts a row at `index` whose texts in all `columns` the list asks for when it needs them
// (LVN_GETDISPINFOW), with `data` as its record. The row's index, or -1.
int InsertRowOnDemand(HWND list, int index, LPARAM data, int columns, UINT state = 0,
                      UINT stateMask = 0);

// `text` as people read it (ForDisplay) into a list's UTF-16 text buffer of `capacity` units,
// cut at a whole character when it does not fit, always terminated.
void CopyDisplayText(std::string_view text, wchar_t* buffer, int capacity);

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
