#pragma once
// The window-free arithmetic of screen scaling: pixels at one DPI from pixels at another, the
// DPI-independent form (96 DPI) kept in the profile, and artwork drawn at the size a control
// has from a larger original. No <windows.h>, so it is tested natively.
#include <cmath>
#include <cstdint>
#include <vector>

namespace zt {

inline constexpr int kBaseDpi = 96;

// `value` pixels at `from` DPI as pixels at `to` DPI, rounded half away from zero.
inline int RescaleForDpi(int value, int from, int to) {
    if (from <= 0 || to <= 0 || from == to) return value;
    std::int64_t n = static_cast<std::int64_t>(value) * to;
    std::int64_t half = from / 2;
    return static_cast<int>(n >= 0 ? (n + half) / from : -((-n + half) / from));
}

// A length given for 96 DPI (the 100% screen) at `dpi`.
inline int ScaleForDpi(int value, int dpi) {
    return RescaleForDpi(value, kBaseDpi, dpi);
}

// A length measured at `dpi` in the 96-DPI form that the profile keeps.
inline int ToBaseDpi(int value, int dpi) {
    return RescaleForDpi(value, dpi, kBaseDpi);
}

// One destination pixel's share of the source pixels along one axis.
struct PixelShare {
    int source;
    double weight;
};

// How the `dst` pixels of [dstBegin, dstEnd) cover the source pixels [srcBegin, srcEnd) when
// that stretch is scaled evenly onto them (area averaging).
inline void AddAxisShares(std::vector<std::vector<PixelShare>>& out, int srcBegin, int srcEnd,
                          int dstBegin, int dstEnd) {
    const int n = dstEnd - dstBegin, m = srcEnd - srcBegin;
    if (n <= 0 || m <= 0) return;
    const double step = static_cast<double>(m) / n;
    for (int d = 0; d < n; ++d) {
        double from = srcBegin + d * step, to = from + step;
        std::vector<PixelShare>& shares = out[dstBegin + d];
        for (int s = static_cast<int>(std::floor(from)); s < to && s < srcEnd; ++s) {
            double w = std::fmin(to, s + 1.0) - std::fmax(from, static_cast<double>(s));
            if (w > 1e-9) shares.push_back({s, w / step});
        }
    }
}

// Shares along the width when the picture is scaled to `dstHeight` rows: both ends keep
// their shape (caps as wide as half the height, scaled like the height) and only the middle
// stretches, so a wide button does not get flattened corners.
inline std::vector<std::vector<PixelShare>> WidthShares(int srcWidth, int srcHeight, int dstWidth,
                                                        int dstHeight) {
    std::vector<std::vector<PixelShare>> out(dstWidth > 0 ? dstWidth : 0);
    int capSrc = srcHeight / 2;
    int capDst = srcHeight > 0 ? (capSrc * dstHeight + srcHeight / 2) / srcHeight : 0;
    if (2 * capSrc >= srcWidth || 2 * capDst >= dstWidth) {
        AddAxisShares(out, 0, srcWidth, 0, dstWidth);
        return out;
    }
    AddAxisShares(out, 0, capSrc, 0, capDst);
    AddAxisShares(out, capSrc, srcWidth - capSrc, capDst, dstWidth - capDst);
    AddAxisShares(out, srcWidth - capSrc, srcWidth, dstWidth - capDst, dstWidth);
    return out;
}

// Draws a picture of 0x00RRGGBB pixels (rows top down), in which `transparent` marks what is
// not part of it, at dstWidth x dstHeight by area averaging. Returns premultiplied 0xAARRGGBB
// pixels: edges that were hard against the transparent colour come out smooth.
inline std::vector<std::uint32_t> ResamplePicture(const std::vector<std::uint32_t>& src,
                                                  int srcWidth, int srcHeight, int dstWidth,
                                                  int dstHeight, std::uint32_t transparent) {
    std::vector<std::uint32_t> out;
    if (srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0 ||
        src.size() < static_cast<std::size_t>(srcWidth) * srcHeight)
        return out;
    out.resize(static_cast<std::size_t>(dstWidth) * dstHeight);
    auto xs = WidthShares(srcWidth, srcHeight, dstWidth, dstHeight);
    std::vector<std::vector<PixelShare>> ys(dstHeight);
    AddAxisShares(ys, 0, srcHeight, 0, dstHeight);
    transparent &= 0xFFFFFF;
    for (int y = 0; y < dstHeight; ++y) {
        for (int x = 0; x < dstWidth; ++x) {
            double a = 0, r = 0, g = 0, b = 0;
            for (const PixelShare& sy : ys[y]) {
                for (const PixelShare& sx : xs[x]) {
                    std::uint32_t p =
                        src[static_cast<std::size_t>(sy.source) * srcWidth + sx.source];
                    if ((p & 0xFFFFFF) == transparent) continue;
                    double w = sy.weight * sx.weight;
                    a += w;
                    r += w * ((p >> 16) & 0xFF);
                    g += w * ((p >> 8) & 0xFF);
                    b += w * (p & 0xFF);
                }
            }
            auto channel = [](double v) {
                return static_cast<std::uint32_t>(v < 0 ? 0 : v > 255 ? 255 : std::lround(v));
            };
            out[static_cast<std::size_t>(y) * dstWidth + x] =
                channel(a * 255) << 24 | channel(r) << 16 | channel(g) << 8 | channel(b);
        }
    }
    return out;
}

} // namespace zt
