#pragma once
// The one road for every question and report the user sees. ShowMessage shows a
// CColorMessageBox and returns the pressed button (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7), or
// -1 when the box was closed through its title bar.
//
// Tests (and only tests) install an answerer: it receives every request instead of the box,
// records it and returns the chosen button, so no GUI test ever waits on a modal box.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

struct MessageRequest {
    HWND owner = nullptr;   // as asked (a page, a control, or none)
    HWND modalTo = nullptr; // the window the box disables: MessageBoxOwner(owner)
    std::string text;
    std::string caption; // after the fallback for an empty caption
    unsigned type = 0;
};

using MessageAnswerer = std::function<int(const MessageRequest&)>;

int ShowMessage(HWND owner, std::string_view text, std::string_view caption, unsigned type);

// The window a box asked for by `owner` is modal to: the top-level window that holds `owner`
// (else the main window), so the whole window waits for the answer and the box cannot slip
// behind it. While a box already has that window disabled, the next box goes on top of that box.
HWND MessageBoxOwner(HWND owner);

// The caption a box shows: `caption`, else the main window's title, else "Warnning".
std::string MessageCaption(std::string_view caption);

// Returns the previous answerer; an empty one restores the real box.
MessageAnswerer SetMessageAnswerer(MessageAnswerer answerer);

// For tests: answers every message with `answer` while it lives and keeps what was asked.
class ScopedMessageAnswerer {
  public:
    explicit ScopedMessageAnswerer(int answer = IDOK);
    ~ScopedMessageAnswerer();
    ScopedMessageAnswerer(const ScopedMessageAnswerer&) = delete;
    ScopedMessageAnswerer& operator=(const ScopedMessageAnswerer&) = delete;

    void SetAnswer(int answer) { answer_ = answer; }
    const std::vector<MessageRequest>& Requests() const { return requests_; }
    void Clear() { requests_.clear(); }

  private:
    int answer_;
    std::vector<MessageRequest> requests_;
    MessageAnswerer previous_;
};

} // namespace zt
