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

int ShowMessage(HWND owner, std::string_view text, std::string_view caption, unsigned type) {
    if (Answerer()) {
        MessageRequest request{owner, std::string(text), MessageCaption(caption), type};
        return Answerer()(request);
    }
    return CColorMessageBox::Show(owner, text, caption, type);
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
