#include "ui/MessageBox.h"

#include "ui/ColorMessageBox.h"
#include "ui/UiContext.h"
#include "ui/Window.h"

namespace zt {
namespace {
MessageAnswerer& Answerer() {
    static MessageAnswerer answerer;
    return answerer;
}
} // namespace

std::string MessageCaption(std::string_view caption) {
    if (!caption.empty()) return std::string(caption);
    if (HWND main = AppMainWindow()) return CWindow::WindowText(main);
    return "Warnning";
}

HWND MessageBoxOwner(HWND owner) {
    HWND top = owner ? ::GetAncestor(owner, GA_ROOT) : nullptr;
    if (!top) top = AppMainWindow();
    if (top && !::IsWindowEnabled(top)) {
        HWND open = ::GetLastActivePopup(top);
        if (open && open != top && ::IsWindowEnabled(open)) top = open;
    }
    return top;
}

int ShowMessage(HWND owner, std::string_view text, std::string_view caption, unsigned type) {
    HWND modalTo = MessageBoxOwner(owner);
    if (Answerer()) {
        MessageRequest request{owner, modalTo, std::string(text), MessageCaption(caption), type};
        return Answerer()(request);
    }
    return CColorMessageBox::Show(modalTo, text, caption, type);
}

MessageAnswerer SetMessageAnswerer(MessageAnswerer answerer) {
    MessageAnswerer previous = std::move(Answerer());
    Answerer() = std::move(answerer);
    return previous;
}

ScopedMessageAnswerer::ScopedMessageAnswerer(int answer) : answer_(answer) {
    previous_ = SetMessageAnswerer([this](const MessageRequest& r) {
        requests_.push_back(r);
        return answer_;
    });
}

ScopedMessageAnswerer::~ScopedMessageAnswerer() {
    SetMessageAnswerer(std::move(previous_));
}

} // namespace zt
