#pragma once
// Every custom window message and timer id of the program, in one place. Messages are
// WM_APP-based so they can never collide with a control's own WM_USER range inside a dialog.
// Ranges: WM_APP + 0..99 the framework, + 100..199 the controls, + 200..399 the pages.
#include <windows.h>

namespace zt {

// --- framework ---
// Drains a window's CUiTaskQueue on its own thread; posted at most once per batch of tasks.
inline constexpr UINT WM_ZT_UITASK = WM_APP + 1;

// --- controls ---
// The banner stops its water layer after a running animation starts.
inline constexpr UINT WM_ZT_BANNER_STOPWATER = WM_APP + 100;

// --- pages (the application adds its own here, WM_APP + 200 and up) ---
inline constexpr UINT WM_ZT_PAGE_FIRST = WM_APP + 200;
// Each page declares its own ids from here on, beside the page.

// --- timers (ids are per window, so different windows may share a number) ---
inline constexpr UINT_PTR kTimerSkinHover = 1;   // CSkinButton: pointer left check, 100 ms
inline constexpr UINT_PTR kTimerBannerFrame = 1; // CAnimatedBanner: one band frame
inline constexpr UINT_PTR kTimerBannerWater = 2; // CAnimatedBanner: one water frame, 30 ms
inline constexpr UINT_PTR kTimerBannerDrop = 3;  // CAnimatedBanner: a random drop, 2000 ms
// CUiTaskQueue: resumes a drain after input and painting (on any window with a queue).
inline constexpr UINT_PTR kTimerUiTasks = 0x5A71;

} // namespace zt
