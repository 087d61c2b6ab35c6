#include "ui/CustomWindow.h"

namespace zt {

CCustomWindow::~CCustomWindow() {
    if (hwnd_ && ::IsWindow(hwnd_)) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

CCustomWindow* CCustomWindow::FromHandle(HWND hwnd) {
    if (!hwnd || reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) != Proc)
        return nullptr;
    return reinterpret_cast<CCustomWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool CCustomWindow::CreateCustom(const char* className, HBRUSH background, DWORD style,
                                 DWORD exStyle, const RECT& rect, HWND parent, UINT id,
                                 UINT classStyle) {
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    const std::wstring name = ToWide(className);
    if (!::GetClassInfoExW(inst, name.c_str(), &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.style = classStyle;
        wc.lpfnWndProc = Proc;
        wc.hInstance = inst;
        wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        wc.hbrBackground = background;
        wc.lpszClassName = name.c_str();
        if (!::RegisterClassExW(&wc)) return false;
    }
    HWND h = ::CreateWindowExW(exStyle, name.c_str(), L"", style, rect.left, rect.top,
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
        self = static_cast<CCustomWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<CCustomWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT r = 0;
    try {
        r = self->WindowProc(msg, wp, lp);
    } catch (...) {
        ::OutputDebugStringW(L"zentrove: exception in a window procedure\n");
        r = ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) {
        try {
            self->OnFinalMessage();
        } catch (...) {
        }
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return r;
}

} // namespace zt
