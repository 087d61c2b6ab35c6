#pragma once
// Accessible objects for the program's own controls, which the system cannot describe to a
// screen reader: owner-drawn buttons, link labels, the tab strip and its tabs. A control
// answers WM_GETOBJECT with AnswerGetObject; the object asks the control (found again through
// its window on every call, so it may outlive it) and hands everything else to the system's
// standard object of the window.
#include <windows.h>
#include <oleacc.h>

#include <string>

namespace zt {

// What a control tells about itself (child 0) and its parts (1..AccChildCount()).
class CAccessibleSource {
  public:
    virtual ~CAccessibleSource() = default;
    virtual int AccChildCount() const { return 0; }
    virtual std::string AccName(int child) const = 0;
    virtual long AccRole(int child) const = 0;
    // Added to the standard state of the window (child 0) or the whole state of a part.
    virtual long AccState(int child) const = 0;
    virtual std::string AccValue(int) const { return {}; }
    virtual std::string AccDefaultAction(int) const { return {}; }
    virtual bool AccDoDefaultAction(int) { return false; }
    virtual std::string AccKeyboardShortcut(int) const { return {}; }
    // A part's rectangle in screen coordinates.
    virtual RECT AccLocation(int) const { return {}; }
    // The part at a screen point, 0 for the control itself, -1 outside.
    virtual int AccHitTest(POINT) const { return 0; }
};

// Registers `source` for `hwnd` (none = unregister).
void SetAccessibleSource(HWND hwnd, CAccessibleSource* source);
// The answer to WM_GETOBJECT for a registered window: its object for OBJID_CLIENT, else the
// default handling's answer (`fallback`).
LRESULT AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, LRESULT fallback);
// "Alt+x" for a caption's access key, else empty; the caption without its '&'s.
std::string ShortcutOf(const std::string& caption);
std::string StripAmpersands(const std::string& caption);

} // namespace zt
