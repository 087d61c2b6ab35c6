#pragma once
// Answers the deletion's questions from a script and records everything it was shown.
#include <deque>
#include <string>
#include <vector>

#include "seams/UserPrompt.h"

namespace zt::test {

struct ScriptedPrompt : UserPrompt {
    struct Shown {
        std::string text, caption;
        PromptButtons buttons;
    };
    std::vector<Shown> shown;
    std::deque<int> answers; // for questions; OK when empty

    int Ask(std::string_view text, std::string_view caption, PromptButtons buttons) override {
        shown.push_back({std::string(text), std::string(caption), buttons});
        if (buttons == PromptButtons::Ok) return kAnswerOk;
        if (answers.empty()) return kAnswerOk;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
};

} // namespace zt::test
