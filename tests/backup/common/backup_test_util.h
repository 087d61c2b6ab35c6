#pragma once
// Reading back what the writer put into a file, on either platform.
#include <optional>
#include <string>

#include "seams/System.h"

#ifdef _WIN32
#include <fstream>
#include <sstream>
#else
#include "platform/memory/MemorySystem.h"
#endif

namespace zt::test {

inline std::optional<std::string> ReadFileText(System& sys, const std::string& path) {
#ifdef _WIN32
    (void)sys;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
#else
    return dynamic_cast<MemorySystem&>(sys).FileContent(path);
#endif
}

inline std::string Bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list)
        s += static_cast<char>(b);
    return s;
}

} // namespace zt::test
