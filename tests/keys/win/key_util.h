#pragma once
// Key presses as the dialog manager sees them: posted to the focused window and pumped
// through IsDialogMessage of the top dialog, as its modal loop would.
#include <windows.h>

#include <chrono>

namespace zt::test {

enum KeyMods : unsigned { kCtrl = 1, kShift = 2 };

inline void PumpDialog(HWND dialog, int ms = 0) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (dialog && ::IsDialogMessageW(dialog, &msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (ms) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (std::chrono::steady_clock::now() < end);
}

inline void SetModifiers(unsigned mods) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = (mods & kCtrl) ? 0x80 : 0;
    keys[VK_SHIFT] = (mods & kShift) ? 0x80 : 0;
    ::SetKeyboardState(keys);
}

// Down and up of `vk` at the focus, pumped through `dialog`.
inline void SendKey(HWND dialog, UINT vk, unsigned mods = 0) {
    HWND target = ::GetFocus() ? ::GetFocus() : dialog;
    SetModifiers(mods);
    ::PostMessageW(target, WM_KEYDOWN, vk, 1);
    ::PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
    PumpDialog(dialog);
    SetModifiers(0);
}

// Alt + `letter`, the access key of a control.
inline void SendAccessKey(HWND dialog, char letter) {
    ::PostMessageW(::GetFocus() ? ::GetFocus() : dialog, WM_SYSCHAR, letter, 1 << 29);
    PumpDialog(dialog);
}

} // namespace zt::test
