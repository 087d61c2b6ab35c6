#include "ui/SubclassWindow.h"

namespace zt {
namespace {
constexpr UINT_PTR kSubclassId = 0x5A54;
// The object is also kept in a window property: the import library has no GetWindowSubclass.
constexpr const wchar_t* kObjectProp = L"ZentroveSubclassObject";
} // namespace

CSubclassWindow::~CSubclassWindow() {
    Unsubclass();
}

bool CSubclassWindow::Subclass(HWND hwnd) {
    Unsubclass();
    if (!hwnd || !::SetWindowSubclass(hwnd, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    ::SetPropW(hwnd, kObjectProp, this);
    hwnd_ = hwnd;
    hooked_ = true;
    return true;
}

void CSubclassWindow::Unsubclass() {
    HWND was = hooked_ ? hwnd_ : nullptr;
    if (hooked_ && hwnd_) {
        ::RemoveWindowSubclass(hwnd_, Proc, kSubclassId);
        if (::GetPropW(hwnd_, kObjectProp) == this) ::RemovePropW(hwnd_, kObjectProp);
    }
    hooked_ = false;
    hwnd_ = nullptr;
    if (was) OnUnhooked(was);
}

CSubclassWindow* CSubclassWindow::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    return static_cast<CSubclassWindow*>(::GetPropW(hwnd, kObjectProp));
}

bool CSubclassWindow::OnReflect(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT CSubclassWindow::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    return DefaultProc(msg, wp, lp);
}

LRESULT CSubclassWindow::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
    return ::DefSubclassProc(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK CSubclassWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR ref) {
    auto* self = reinterpret_cast<CSubclassWindow*>(ref);
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, Proc, kSubclassId);
        if (::GetPropW(hwnd, kObjectProp) == self) ::RemovePropW(hwnd, kObjectProp);
        self->hooked_ = false;
        self->hwnd_ = nullptr;
        try {
            self->OnUnhooked(hwnd);
            self->OnUnsubclassed();
        } catch (...) {
        }
        return ::DefSubclassProc(hwnd, msg, wp, lp);
    }
    try {
        return self->WindowProc(msg, wp, lp);
    } catch (...) {
        // A fault in one control must not unwind through the system's window procedure.
        ::OutputDebugStringW(L"zentrove: exception in a control's window procedure\n");
        return ::DefSubclassProc(hwnd, msg, wp, lp);
    }
}

} // namespace zt
