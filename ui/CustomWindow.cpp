#include "ui/CustomWindow.h"

namespace zt {

CCustomWindow::~CCustomWindow() {
    if (hwnd_ && ::IsWindow(hwnd_)) {
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

CCustomWindow* CCustomWindow::FromHandle(HWND hwnd) {
    if (!hwnd || reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC)) != Proc)
        return nullptr;
    return reinterpret_cast<CCustomWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

bool CCustomWindow::CreateCustom(const char* className, HBRUSH background, DWORD style,
                                 DWORD exStyle, const RECT& rect, HWND parent, UINT id,
                                 UINT classStyle) {
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    if (!::GetClassInfoExA(inst, className, &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.style = classStyle;
        wc.lpfnWndProc = Proc;
        wc.hInstance = inst;
        wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        wc.hbrBackground = background;
        wc.lpszClassName = className;
        if (!::RegisterClassExA(&wc)) return false;
    }
    HWND h = ::CreateWindowExA(exStyle, className, "", style, rect.left, rect.top,
                               rect.right - rect.left, rect.bottom - rect.top, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), inst, this);
    return h != nullptr;
}

LRESULT CCustomWindow::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    return DefaultProc(msg, wp, lp);
}

LRESULT CALLBACK CCustomWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CCustomWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<CCustomWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<CCustomWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcA(hwnd, msg, wp, lp);
    LRESULT r = 0;
    try {
        r = self->WindowProc(msg, wp, lp);
    } catch (...) {
        ::OutputDebugStringA("zentrove: exception in a window procedure\n");
        r = ::DefWindowProcA(hwnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) {
        try {
            self->OnFinalMessage();
        } catch (...) {
        }
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return r;
}

} // namespace zt
