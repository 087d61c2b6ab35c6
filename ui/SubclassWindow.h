#pragma once
// A window view that hooks an existing control with SetWindowSubclass. The hook is removed
// in Unsubclass, on WM_NCDESTROY and in the destructor, whichever comes first, so an object
// can die before or after its window.
#include "ui/Window.h"

namespace zt {

class CSubclassWindow : public CWindow {
  public:
    CSubclassWindow() = default;
    ~CSubclassWindow() override;

    bool Subclass(HWND hwnd);
    void Unsubclass();
    bool IsSubclassed() const { return hooked_; }

    // The object hooked onto a window by this framework, or none.
    static CSubclassWindow* FromHandle(HWND hwnd);

    // Messages the parent dialog hands back to the control: WM_DRAWITEM always, WM_COMMAND
    // and WM_NOTIFY from the control when the dialog did not handle them.
    virtual bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

  protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
    // Runs after the hook is gone, while the handle is still being destroyed.
    virtual void OnUnsubclassed() {}
    // Runs whenever the hook goes (Unsubclass or destruction of the window), with its handle.
    virtual void OnUnhooked(HWND) {}

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                 DWORD_PTR ref);
    bool hooked_ = false;
};

} // namespace zt
