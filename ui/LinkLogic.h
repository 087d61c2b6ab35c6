#pragma once
// The window-free part of the hyperlink label: what a target asks for, and where the
// highlighted text starts after a wrapped prefix. No <windows.h> here, so it is tested
// natively.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "seams/Unicode.h"

namespace zt {

enum class LinkAction { None, Command, Web, Shell };

struct LinkTarget {
    LinkAction action = LinkAction::None;
    int command = 0; // for Command
};

// "" none; "BUTTON:<decimal>" a command to the dialog; http:// or https:// (any case) the
// web-link opener; anything else the shell. "BUTTON:" without a number does nothing.
inline LinkTarget ParseLinkTarget(std::string_view target) {
    LinkTarget t;
    if (target.empty()) return t;
    constexpr std::string_view kButton = "BUTTON:";
    if (target.substr(0, kButton.size()) == kButton) {
        std::string digits(target.substr(kButton.size()));
        char* end = nullptr;
        long n = std::strtol(digits.c_str(), &end, 10);
        if (!digits.empty() && end != digits.c_str() && *end == '\0' && n >= 0 && n <= 0xFFFF) {
            t.action = LinkAction::Command;
            t.command = static_cast<int>(n);
        }
        return t;
    }
    if (StartsWithNoCase(target, "http://") || StartsWithNoCase(target, "https://")) {
        t.action = LinkAction::Web;
        return t;
    }
    t.action = LinkAction::Shell;
    return t;
}

// The target of a link button: "BUTTON:<id>", or none for a negative id.
inline std::string LinkButtonTarget(int commandId) {
    return commandId < 0 ? std::string() : "BUTTON:" + std::to_string(commandId);
}

struct PrefixEnd {
    int line = 0; // 0-based line on which the prefix ends
    int x = 0;    // width of the prefix's last line
    size_t lastLineStart = 0;
};

// Walks a prefix line by line: `fit(text, width)` says how many leading characters fit in
// `width`, `measure(text)` gives a text's width. A line always takes at least one character,
// so a label too narrow for any character still ends. The window draws UTF-16 text.
template <class Char, class Fit, class Measure>
PrefixEnd FindPrefixEnd(std::basic_string_view<Char> prefix, int clientWidth, Fit fit,
                        Measure measure) {
    PrefixEnd end;
    size_t start = 0;
    while (start < prefix.size()) {
        std::basic_string_view<Char> rest = prefix.substr(start);
        size_t n = static_cast<size_t>(std::max(1, static_cast<int>(fit(rest, clientWidth))));
        if (n >= rest.size()) {
            end.x = measure(rest);
            end.lastLineStart = start;
            return end;
        }
        start += n;
        ++end.line;
    }
    end.lastLineStart = start;
    return end;
}

} // namespace zt
