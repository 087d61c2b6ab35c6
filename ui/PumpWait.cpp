#include "ui/PumpWait.h"

namespace zt {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    ULONGLONG start = ::GetTickCount64();
    for (;;) {
        if (done()) return true;
        DWORD wait = 10;
        if (timeoutMs != INFINITE) {
            ULONGLONG spent = ::GetTickCount64() - start;
            if (spent >= timeoutMs) return false;
            if (timeoutMs - spent < wait) wait = static_cast<DWORD>(timeoutMs - spent);
        }
        // The worker signals a portable event, not a handle: test it every few milliseconds.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                return done();
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
            if (done()) return true;
        }
    }
}

} // namespace zt
