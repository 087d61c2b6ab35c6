#include "app/ContactInfo.h"

#include <cstddef>
#include <cstdint>

namespace zt {

namespace {
// Each byte is xor'ed with a running key.
template <std::size_t N> std::string Unscramble(const std::uint8_t (&bytes)[N]) {
    std::string text;
    text.reserve(N);
    for (std::size_t i = 0; i < N; ++i)
        text.push_back(static_cast<char>(bytes[i] ^ ((0x5A + 7 * i) & 0xFF)));
    return text;
}

constexpr std::uint8_t kWebsite[] = {0x32, 0x15, 0x1C, 0x1F, 0x4C, 0x52, 0xAB, 0xFC, 0xE5,
                                     0xEE, 0x8E, 0xDD, 0xCB, 0xDB, 0xC8, 0xB1, 0xA5, 0xA7,
                                     0xBD, 0xF1, 0x83, 0x95, 0x95, 0x96, 0x72, 0x65, 0x75};
constexpr std::uint8_t kEmail[] = {0x29, 0x14, 0x18, 0x1F, 0x19, 0x0F, 0xF0, 0xCB,
                                   0xE8, 0xFC, 0xCE, 0xD3, 0xDC, 0xDA, 0xCA, 0xA6,
                                   0xE4, 0xB4, 0xA0, 0xBE, 0x8B, 0x9D, 0x98, 0x9E};
} // namespace

std::string WebsiteAddress() {
    return Unscramble(kWebsite);
}
std::string SupportEmail() {
    return Unscramble(kEmail);
}

} // namespace zt
