#pragma once
// The screenshot drivers tell tools/screenshot where to crop: the client area in screen
// pixels, since without a window manager under Xvfb a window has no frame to show.
#include <windows.h>

#include <cstdio>
#include <string>

namespace zt {

inline void WriteClientRect(HWND window, const std::string& file) {
    if (file.empty()) return;
    RECT r{};
    ::GetClientRect(window, &r);
    ::MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    if (std::FILE* f = std::fopen(file.c_str(), "w")) {
        std::fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        std::fclose(f);
    }
}

} // namespace zt
