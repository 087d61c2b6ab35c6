#include "ui/WindowThread.h"

#include <cstdlib>
#include <mutex>
#include <string>

namespace zt {

namespace {
std::mutex& HandlerLock() {
    static std::mutex lock;
    return lock;
}
WrongThreadHandler& Handler() {
    static WrongThreadHandler handler;
    return handler;
}
} // namespace

WrongThreadHandler SetWrongThreadHandler(WrongThreadHandler handler) {
    std::lock_guard<std::mutex> guard(HandlerLock());
    WrongThreadHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

void ExpectWindowThread(DWORD owner, const char* what) {
    if (owner == 0 || owner == ::GetCurrentThreadId()) return;
    WrongThreadHandler handler;
    {
        std::lock_guard<std::mutex> guard(HandlerLock());
        handler = Handler();
    }
    if (handler) {
        handler(what);
        return;
    }
    std::wstring line = L"zentrove: called off its window's thread: ";
    for (const char* c = what; *c; ++c)
        line += static_cast<wchar_t>(static_cast<unsigned char>(*c)); // ASCII names only
    ::OutputDebugStringW((line + L"\n").c_str());
#ifndef NDEBUG
    std::abort();
#endif
}

} // namespace zt
