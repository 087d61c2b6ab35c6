#pragma once
// Functions that only a window's own thread may run say so with ExpectWindowThread. A call
// from any other thread goes to the installed handler (the test programs install one that
// fails the test); without one, a debug build stops and a release build writes to the
// debugger's output.
#include <windows.h>

#include <functional>

namespace zt {

using WrongThreadHandler = std::function<void(const char* what)>;

// Returns the handler it replaces.
WrongThreadHandler SetWrongThreadHandler(WrongThreadHandler handler);

// `owner` is the thread id of the window (0: not bound yet, nothing to check).
void ExpectWindowThread(DWORD owner, const char* what);

} // namespace zt
