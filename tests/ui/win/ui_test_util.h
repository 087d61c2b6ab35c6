#pragma once
// Helpers for driving real windows in process under Wine and Xvfb.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace zt::test {

// Dispatches what is queued for this thread.
inline void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Pumps until `done` or the time runs out; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, int ms = 3000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Pump();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// The top-level dialog window of this thread that takes input: a modal box, not the window it
// disables (a box has an owner, so GetParent does not tell them apart).
inline HWND FindThreadDialog() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) -> BOOL {
            wchar_t cls[16] = {};
            ::GetClassNameW(hwnd, cls, 16);
            if (std::wstring(cls) == L"#32770" &&
                !(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) && ::IsWindowEnabled(hwnd)) {
                *reinterpret_cast<HWND*>(lp) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Runs `action` on this thread once the modal loop that follows is running and a dialog
// exists: a thread timer fires inside any modal loop of the thread and re-arms until then.
class InModalLoop {
  public:
    explicit InModalLoop(std::function<void()> action) {
        Current() = std::move(action);
        id_ = ::SetTimer(nullptr, 0, 30, &Fire);
    }
    ~InModalLoop() {
        ::KillTimer(nullptr, id_);
        Current() = nullptr;
    }

  private:
    static std::function<void()>& Current() {
        static std::function<void()> action;
        return action;
    }
    static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD) {
        if (!FindThreadDialog()) return;
        ::KillTimer(nullptr, id);
        auto action = std::move(Current());
        Current() = nullptr;
        if (action) action();
    }
    UINT_PTR id_ = 0;
};

// A top-level dialog with a page inside it, as the main window holds its pages.
template <class Top, class Page> bool CreateHosted(Top& top, Page& page) {
    return top.Create(nullptr) && page.Create(top.Handle());
}

inline RECT ClientRectOf(HWND parent, HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace zt::test
