#pragma once
// The core's question-and-report seam answered by the program's message box, for pages that
// hand a UserPrompt to code below them.
#include <windows.h>

#include "seams/UserPrompt.h"
#include "ui/MessageBox.h"

namespace zt {

class CMessageBoxPrompt : public UserPrompt {
  public:
    explicit CMessageBoxPrompt(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }
    int Ask(std::string_view text, std::string_view caption, PromptButtons buttons) override {
        return ShowMessage(owner_, text, caption, static_cast<unsigned>(buttons));
    }

  private:
    HWND owner_;
};

} // namespace zt
