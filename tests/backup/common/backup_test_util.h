#pragma once
// Reading back what the writer put into a file, on either platform.
#include <optional>
#include <string>

#include "seams/System.h"
#include "seams/Unicode.h"

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

// A UTF-16LE file's text (after its byte-order mark) as UTF-8; none when the file is not one.
inline std::optional<std::string> Utf16FileText(const std::string& bytes) {
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xff\xfe") != 0 || bytes.size() % 2 != 0)
        return std::nullopt;
    std::u16string units;
    for (std::size_t i = 2; i < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       static_cast<unsigned char>(bytes[i + 1]) << 8);
    return Utf16ToUtf8(units);
}

inline std::string Bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list)
        s += static_cast<char>(b);
    return s;
}

} // namespace zt::test
