#pragma once
// The question-and-report seam: the program's message box on the pages, the terminal in the
// console tool, scripted answers in tests.
#include <string_view>

namespace zt {

// The program's name, the caption of its questions and reports.
inline constexpr std::string_view kProgramCaption = "Zentrove";

// The question before anything is deleted, the same for findings and startup entries.
inline constexpr std::string_view kConfirmDeleteMessage = "Are you sure to delete these items?";

// Button sets, as the platform's message box numbers them.
enum class PromptButtons { Ok = 0, OkCancel = 1, YesNoCancel = 3, YesNo = 4 };

// Answers: the identifier of the pressed button, or kAnswerClosed when the box was closed
// through its title bar.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
inline constexpr int kAnswerClosed = -1;

class UserPrompt {
  public:
    virtual ~UserPrompt() = default;
    // Shows `text`; an empty caption means the program's default caption.
    virtual int Ask(std::string_view text, std::string_view caption, PromptButtons buttons) = 0;
    void Tell(std::string_view text) { Ask(text, {}, PromptButtons::Ok); }
};

} // namespace zt
