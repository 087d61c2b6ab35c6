#pragma once
// Letter case of ASCII text, as registry and file names compare: only A to Z change, whatever
// the locale.
#include <string>
#include <string_view>

namespace zt {

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        c = AsciiLower(c);
    return r;
}

// ASCII case-insensitive comparison, as registry names compare.
bool NamesEqual(std::string_view a, std::string_view b);

inline bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && NamesEqual(s.substr(0, prefix.size()), prefix);
}

inline bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && NamesEqual(s.substr(s.size() - suffix.size()), suffix);
}

} // namespace zt
