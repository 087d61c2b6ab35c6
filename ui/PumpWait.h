#pragma once
// Waits on the window thread while keeping its windows alive: messages are dispatched
// between tests of the condition, so a worker that hands work to this thread never waits on
// a thread that waits on it.
#include <windows.h>

#include <functional>

namespace zt {

// True when `done` became true, false when `timeoutMs` ran out (INFINITE: no limit) or the
// thread's message loop was asked to quit (the quit message is posted again).
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = INFINITE);

} // namespace zt
