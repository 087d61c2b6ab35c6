#pragma once
// A window of a class of our own: the class is registered once, the object is found from the
// handle through GWLP_USERDATA, and nothing thrown in a handler leaves the window procedure.
// The class is a Unicode one, so every message carries UTF-16 text.
#include "ui/Window.h"

namespace zt {

class CCustomWindow : public CWindow {
  public:
    CCustomWindow() = default;
    ~CCustomWindow() override;

    static CCustomWindow* FromHandle(HWND hwnd);

  protected:
    // Registers `className` on first use (arrow cursor, given background) and creates the window.
    bool CreateCustom(const char* className, HBRUSH background, DWORD style, DWORD exStyle,
                      const RECT& rect, HWND parent, UINT id, UINT classStyle = CS_DBLCLKS);
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
        return ::DefWindowProcW(hwnd_, msg, wp, lp);
    }
    // The last message; the handle is still valid, the object is unhooked after it.
    virtual void OnFinalMessage() {}

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

} // namespace zt
