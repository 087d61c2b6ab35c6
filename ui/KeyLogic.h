#pragma once
// The window-free part of keyboard access: access keys ("mnemonics", the letter after '&')
// that survive a caption change. No <windows.h>, so it is tested natively.
#include <cctype>
#include <string>
#include <string_view>

namespace zt {

// The access-key letter of a caption (after a single '&'), or 0.
inline char MnemonicOf(std::string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return text[i + 1];
    }
    return 0;
}

// `text` given the access key that `previous` has, at the same place when the letter is there
// (a caption that grew a suffix), else at the letter's first occurrence. A text that has its
// own access key, or lacks the letter, is returned unchanged.
inline std::string CarryMnemonic(std::string_view previous, std::string_view text) {
    std::string out(text);
    char key = MnemonicOf(previous);
    if (!key || MnemonicOf(text)) return out;
    auto same = [key](char c) {
        return std::tolower(static_cast<unsigned char>(c)) ==
               std::tolower(static_cast<unsigned char>(key));
    };
    std::size_t at = previous.find('&');
    while (at != std::string_view::npos && at + 1 < previous.size() && previous[at + 1] == '&')
        at = previous.find('&', at + 2);
    if (at == std::string_view::npos || at >= out.size() || !same(out[at])) {
        at = std::string::npos;
        for (std::size_t i = 0; i < out.size(); ++i)
            if (same(out[i])) {
                at = i;
                break;
            }
    }
    if (at != std::string::npos) out.insert(at, 1, '&');
    return out;
}

} // namespace zt
