#include "app/VersionText.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "seams/Unicode.h"

namespace zt {

namespace {
std::string FourNumbers(std::uint32_t ms, std::uint32_t ls) {
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(ms >> 16),
                  static_cast<unsigned>(ms & 0xFFFF), static_cast<unsigned>(ls >> 16),
                  static_cast<unsigned>(ls & 0xFFFF));
    return text;
}
} // namespace

std::string FormatVersionText(std::uint32_t fileMS, std::uint32_t fileLS, std::uint32_t productMS,
                              std::uint32_t productLS) {
    std::string text =
        fileMS >= productMS ? FourNumbers(fileMS, fileLS) : FourNumbers(productMS, productLS);
    if (text.size() >= 4 && text.compare(text.size() - 4, 4, ".0.0") == 0)
        text.resize(text.size() - 4);
    return text;
}

std::string ProgramVersionText(const std::string& modulePath) {
    if (modulePath.empty()) return {};
    std::wstring path = ToWide(modulePath);
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<char> block(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO))
        return {};
    return FormatVersionText(info->dwFileVersionMS, info->dwFileVersionLS, info->dwProductVersionMS,
                             info->dwProductVersionLS);
}

} // namespace zt
