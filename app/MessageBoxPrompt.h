#pragma once
// The core's question-and-report seam answered by the program's message box, for pages that
// hand a UserPrompt to code below them.
#include <windows.h>

#include "seams/Unicode.h"
#include "seams/UserPrompt.h"
#include "ui/MessageBox.h"

namespace zt {

class CMessageBoxPrompt : public UserPrompt {
  public:
    // With `ownReports` false, boxes with only an OK button have no owner window (the
    // cleaning run's reports); questions stay owned by `owner`.
    explicit CMessageBoxPrompt(HWND owner = nullptr, bool ownReports = true)
        : owner_(owner), ownReports_(ownReports) {}
    int Ask(std::string_view text, std::string_view caption, PromptButtons buttons) override {
        HWND owner = ownReports_ || buttons != PromptButtons::Ok ? owner_ : nullptr;
        // The core's texts may name what it found, unpaired surrogates and all.
        return ShowMessage(owner, ForDisplay(text), ForDisplay(caption),
                           static_cast<unsigned>(buttons));
    }

  private:
    HWND owner_;
    bool ownReports_;
};

} // namespace zt
