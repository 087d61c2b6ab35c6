#pragma once
// Letter case of ASCII text: only A to Z change, whatever the locale. Names compare with
// NamesEqual (seams/Unicode.h), which this header brings along.
#include <string>
#include <string_view>

#include "seams/Unicode.h"

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

} // namespace zt
