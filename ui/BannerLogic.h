#pragma once
// The window-free part of the animated banner: band colours, the water layer (propagation,
// damping, rendering, the four disturbance shapes), the mode parameters, the whole animation
// and the colour of its text. Pixels are 0x00RRGGBB; row 0 is the bottom row. No <windows.h>,
// so it is tested natively.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace zt {

using Pixel = std::uint32_t;

inline constexpr Pixel MakePixel(int r, int g, int b) {
    return (Pixel(r & 255) << 16) | (Pixel(g & 255) << 8) | Pixel(b & 255);
}
inline constexpr int PixelR(Pixel p) {
    return (p >> 16) & 255;
}
inline constexpr int PixelG(Pixel p) {
    return (p >> 8) & 255;
}
inline constexpr int PixelB(Pixel p) {
    return p & 255;
}

inline constexpr std::array<Pixel, 8> kBannerPalette = {
    MakePixel(255, 0, 0),     MakePixel(0, 255, 0),   MakePixel(0, 0, 255),
    MakePixel(0, 255, 255),   MakePixel(255, 0, 255), MakePixel(255, 255, 0),
    MakePixel(255, 255, 255), MakePixel(0, 0, 0)};

// Channel by channel from `a` at position 0 to `b` at position `span`.
inline Pixel InterpolateBand(Pixel a, Pixel b, int pos, int span) {
    if (span <= 0) return a;
    auto lerp = [pos, span](int x, int y) { return x + (y - x) * pos / span; };
    return MakePixel(lerp(PixelR(a), PixelR(b)), lerp(PixelG(a), PixelG(b)),
                     lerp(PixelB(a), PixelB(b)));
}

// The colour of column x: the bands are gradients one width wide, palette colour after
// palette colour, shifted by `offset` in `direction` (+1 moves left, -1 moves right).
inline Pixel BandColumn(const std::array<Pixel, 8>& palette, int index, int offset, int direction,
                        int x, int width) {
    auto at = [&](int i) { return palette[static_cast<size_t>(((i % 8) + 8) % 8)]; };
    if (width <= 0) return at(index);
    int pos = direction >= 0 ? x + offset : x - offset;
    if (pos >= width) return InterpolateBand(at(index + 1), at(index + 2), pos - width, width);
    if (pos < 0) return InterpolateBand(at(index - 1), at(index), pos + width, width);
    return InterpolateBand(at(index), at(index + 1), pos, width);
}

inline void RenderBands(std::vector<Pixel>& image, int width, int height,
                        const std::array<Pixel, 8>& palette, int index, int offset, int direction) {
    image.resize(static_cast<size_t>(width) * height);
    for (int x = 0; x < width; ++x) {
        Pixel c = BandColumn(palette, index, offset, direction, x, width);
        for (int y = 0; y < height; ++y)
            image[static_cast<size_t>(y) * width + x] = c;
    }
}

// Advances the band animation by one frame; true when a band cycle completed (the palette
// index moved on).
inline bool AdvanceBands(int& offset, int& index, int step, int direction, int width) {
    offset += step;
    if (width > 0 && offset >= width) {
        offset = 0;
        index = ((index + (direction >= 0 ? 1 : -1)) % 8 + 8) % 8;
        return true;
    }
    return false;
}

// After a band cycle: the six colours not on screen (all but `index` and the one after it)
// take a new random order, so the bands do not repeat one sequence and never jump.
template <class Rng> void ReshufflePalette(std::array<Pixel, 8>& palette, int index, Rng& rng) {
    auto slot = [&](int k) -> Pixel& {
        return palette[static_cast<size_t>((((index + 2 + k) % 8) + 8) % 8)];
    };
    for (int k = 5; k > 0; --k)
        std::swap(slot(k), slot(std::uniform_int_distribution<int>(0, k)(rng)));
}

inline Pixel BlendPixel(Pixel under, Pixel over, int alpha) {
    auto mix = [alpha](int u, int o) { return (u * (255 - alpha) + o * alpha) / 255; };
    return MakePixel(mix(PixelR(under), PixelR(over)), mix(PixelG(under), PixelG(over)),
                     mix(PixelB(under), PixelB(over)));
}

enum class WaterShape { Cosine = 0, Cone = 1, Square = 2, Blob = 3 };

struct WaterDisturbance {
    int radius;
    int height;
};

// Radius and height of a random drop, a mouse move and a click for each shape (h = client
// height; m and l come from ClickStrength).
inline WaterDisturbance DropParameters(WaterShape shape, int h) {
    switch (shape) {
    case WaterShape::Cosine:
        return {35, 2 * h};
    case WaterShape::Cone:
        return {60, 3 * h};
    case WaterShape::Square:
        return {20, h};
    default:
        return {30, h};
    }
}
inline WaterDisturbance MoveParameters(WaterShape shape, int h) {
    int b = h / 3;
    switch (shape) {
    case WaterShape::Cosine:
        return {35, 2 * b};
    case WaterShape::Cone:
        return {50, 8 * b};
    default:
        return {5, b};
    }
}
struct ClickStrength {
    int m;
    int l;
};
// Quick clicks raise bigger waves: t = ms since the previous click, D = five double-click times.
inline ClickStrength ClickStrengthFor(long long t, long long D, int h) {
    if (t > D || t <= 0) return {20, h};
    return {static_cast<int>(3 * D / t + 20), h + 20};
}
inline WaterDisturbance ClickParameters(WaterShape shape, ClickStrength s) {
    switch (shape) {
    case WaterShape::Cosine:
        return {s.m + 30, 3 * s.l};
    case WaterShape::Cone:
        return {s.m + 30, 2 * s.l};
    default:
        return {s.m, s.l};
    }
}

class WaterLayer {
  public:
    void Resize(int width, int height) {
        w_ = std::max(0, width);
        h_ = std::max(0, height);
        for (auto& f : fields_)
            f.assign(static_cast<size_t>(w_) * h_, 0);
        page_ = 0;
    }
    int Width() const { return w_; }
    int Height() const { return h_; }
    int Page() const { return page_; }
    std::vector<int>& Field(int i) { return fields_[i]; }
    const std::vector<int>& Field(int i) const { return fields_[i]; }
    void Clear() {
        for (auto& f : fields_)
            std::fill(f.begin(), f.end(), 0);
    }
    bool IsCalm() const {
        for (const auto& f : fields_)
            for (int v : f)
                if (v) return false;
        return true;
    }

    // Renders the band image through the heights of field 0 into `out` (same size); pixels
    // whose source falls outside keep their value in `out`.
    void Render(const std::vector<Pixel>& bands, std::vector<Pixel>& out) const {
        const auto& f = fields_[0];
        const long long total = static_cast<long long>(w_) * h_;
        if (static_cast<long long>(bands.size()) < total) return;
        out.resize(static_cast<size_t>(total));
        for (int y = 1; y < h_ - 1; ++y) {
            for (int x = 1; x < w_ - 1; ++x) {
                long long i = static_cast<long long>(y) * w_ + x;
                int dx = f[i] - f[i + 1];
                int dy = f[i] - f[i + w_];
                long long src = i + static_cast<long long>(w_) * (dy >> 3) + (dx >> 3);
                if (src < 0 || src >= total) continue;
                Pixel p = bands[static_cast<size_t>(src)];
                auto ch = [dx](int c) { return std::clamp(c - dx, 0, 255); };
                out[static_cast<size_t>(i)] =
                    MakePixel(ch(PixelR(p)), ch(PixelG(p)), ch(PixelB(p)));
            }
        }
    }

    // One step of the wave equation from the other field into the current one, damped by 1/32.
    void Propagate() {
        auto& to = fields_[page_];
        const auto& from = fields_[1 - page_];
        for (int y = 1; y < h_ - 1; ++y) {
            for (int x = 1; x < w_ - 1; ++x) {
                size_t i = static_cast<size_t>(y) * w_ + x;
                int sum = from[i - 1] + from[i + 1] + from[i - w_] + from[i + w_] +
                          from[i - w_ - 1] + from[i - w_ + 1] + from[i + w_ - 1] + from[i + w_ + 1];
                int n = (sum >> 2) - to[i];
                to[i] = n - (n >> 5);
            }
        }
        page_ = 1 - page_;
    }

    // Applies a disturbance to the field the next propagation writes. A negative centre is
    // chosen at random at least r + 1 cells from the edges.
    template <class Rng> void Disturb(WaterShape shape, int cx, int cy, int r, int v, Rng& rng) {
        if (w_ == 0 || h_ == 0 || r <= 0) return;
        if (cx < 0 || cy < 0) {
            if (w_ <= 2 * (r + 1) || h_ <= 2 * (r + 1)) return;
            cx = std::uniform_int_distribution<int>(r + 1, w_ - r - 2)(rng);
            cy = std::uniform_int_distribution<int>(r + 1, h_ - r - 2)(rng);
        }
        auto& f = fields_[page_];
        const int scale = 1024 / r;
        for (int y = cy - r; y <= cy + r; ++y) {
            if (y < 0 || y >= h_) continue;
            for (int x = cx - r; x <= cx + r; ++x) {
                if (x < 0 || x >= w_) continue;
                int& cell = f[static_cast<size_t>(y) * w_ + x];
                if (shape == WaterShape::Square) {
                    cell = v;
                    continue;
                }
                long long d2 = static_cast<long long>(x - cx) * (x - cx) +
                               static_cast<long long>(y - cy) * (y - cy);
                if (d2 >= static_cast<long long>(r) * r) continue;
                switch (shape) {
                case WaterShape::Cosine: {
                    auto t =
                        static_cast<long long>(std::sqrt(static_cast<double>(d2) * scale * scale));
                    cell += static_cast<int>(
                        static_cast<long long>((std::cos(static_cast<double>(t)) + 65535.0) * v) >>
                        19);
                    break;
                }
                case WaterShape::Cone: {
                    int d = static_cast<int>(std::sqrt(static_cast<double>(d2)));
                    cell += (v / 64) * (r - d);
                    break;
                }
                default:
                    cell += v;
                    break;
                }
            }
        }
    }

  private:
    int w_ = 0, h_ = 0;
    int page_ = 0;
    std::array<std::vector<int>, 2> fields_;
};

// Relative luminance and contrast ratio as the web accessibility guidelines define them.
inline double RelativeLuminance(Pixel p) {
    // Every frame asks for thousands of pixels: the 256 linear channel values are made once.
    static const std::array<double, 256> linear = [] {
        std::array<double, 256> t{};
        for (int c = 0; c < 256; ++c) {
            double s = c / 255.0;
            t[static_cast<size_t>(c)] =
                s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return 0.2126 * linear[static_cast<size_t>(PixelR(p))] +
           0.7152 * linear[static_cast<size_t>(PixelG(p))] +
           0.0722 * linear[static_cast<size_t>(PixelB(p))];
}
inline double ContrastRatio(double luminanceA, double luminanceB) {
    return (std::max(luminanceA, luminanceB) + 0.05) / (std::min(luminanceA, luminanceB) + 0.05);
}
inline double ContrastRatio(Pixel a, Pixel b) {
    return ContrastRatio(RelativeLuminance(a), RelativeLuminance(b));
}
// What normal-size text needs to stay readable.
inline constexpr double kTextContrast = 4.5;

// Lays the text onto a finished frame. `coverage` (0-255 per pixel, the frame's layout) says
// where the glyphs are. The text keeps one colour where it can: the first palette colour from
// slot `firstSlot` on that contrasts by kTextContrast with every pixel under the text. Where no
// colour does (the text spans light and dark bands), each pixel takes the palette colour that
// contrasts most with the band under it; black and white are in every palette, so that is
// always enough.
inline void DrawBannerText(std::vector<Pixel>& frame, const std::vector<std::uint8_t>& coverage,
                           const std::array<Pixel, 8>& palette, int firstSlot) {
    const size_t n = std::min(frame.size(), coverage.size());
    std::array<double, 8> lum{};
    for (size_t k = 0; k < 8; ++k)
        lum[k] = RelativeLuminance(palette[k]);
    std::vector<double> under(n, 0.0);
    std::array<bool, 8> fits;
    fits.fill(true);
    for (size_t i = 0; i < n; ++i) {
        if (!coverage[i]) continue;
        under[i] = RelativeLuminance(frame[i]);
        for (size_t k = 0; k < 8; ++k)
            fits[k] = fits[k] && ContrastRatio(lum[k], under[i]) >= kTextContrast;
    }
    int chosen = -1;
    for (int k = 0; k < 8 && chosen < 0; ++k) {
        int slot = ((firstSlot + k) % 8 + 8) % 8;
        if (fits[static_cast<size_t>(slot)]) chosen = slot;
    }
    for (size_t i = 0; i < n; ++i) {
        if (!coverage[i]) continue;
        size_t pick = static_cast<size_t>(chosen);
        if (chosen < 0) {
            pick = 0;
            for (size_t k = 1; k < 8; ++k)
                if (ContrastRatio(lum[k], under[i]) > ContrastRatio(lum[pick], under[i])) pick = k;
        }
        frame[i] = BlendPixel(frame[i], palette[pick], coverage[i]);
    }
}

// The banner's whole animation without a window: bands sliding through a palette that reshuffles
// its hidden colours after each cycle, the water over them, and the running (fast, calm) and
// resting (water, disturbances) states. The window drives it from its timers and paints Frame().
class BannerAnimation {
  public:
    BannerAnimation(unsigned seed, int direction)
        : rng_(seed), direction_(direction >= 0 ? 1 : -1) {
        paletteIndex_ = std::uniform_int_distribution<int>(0, 7)(rng_);
    }

    void Resize(int width, int height) {
        width_ = std::max(0, width);
        height_ = std::max(0, height);
        water_.Resize(width_, height_);
        Render();
        waterImage_ = bands_;
    }
    // The shape of every drop, move and click; disturbances on.
    void SetWaterShape(WaterShape shape) {
        shape_ = shape;
        disturb_ = true;
    }
    // Faster bands, no disturbances until the next SetWaterShape.
    void StartRunning(int step) {
        step_ = step;
        disturb_ = false;
    }
    bool Disturbing() const { return disturb_; }
    void CalmWater() { water_.Clear(); }

    void BandFrame() {
        if (AdvanceBands(bandOffset_, paletteIndex_, step_, direction_, width_))
            ReshufflePalette(palette_, paletteIndex_, rng_);
        Render();
    }
    void WaterFrame() {
        if (!disturb_) water_.Clear();
        waterImage_ = bands_;
        water_.Render(bands_, waterImage_);
        water_.Propagate();
    }
    void Drop() {
        if (!disturb_) return;
        WaterDisturbance d = DropParameters(shape_, height_);
        water_.Disturb(shape_, -1, -1, d.radius, d.height, rng_);
    }
    // x, y in window coordinates (row 0 at the top).
    void MouseMove(int x, int y) {
        if (!disturb_) return;
        WaterDisturbance d = MoveParameters(shape_, height_);
        water_.Disturb(shape_, x, height_ - y, d.radius, d.height, rng_);
    }
    // `sincePrevious` ms since the last click (negative: none), `slow` five double-click times.
    void Click(int x, int y, long long sincePrevious, long long slow) {
        if (!disturb_) return;
        WaterDisturbance d = ClickParameters(
            shape_, ClickStrengthFor(sincePrevious < 0 ? slow + 1 : sincePrevious, slow, height_));
        water_.Disturb(shape_, x, height_ - y, d.radius, d.height, rng_);
    }

    // The picture to show: bands, half-blended water where it moves, and the text where
    // `coverage` has glyphs (none when it is empty).
    std::vector<Pixel> Frame(const std::vector<std::uint8_t>& coverage) const {
        std::vector<Pixel> frame(bands_);
        if (!water_.IsCalm() && waterImage_.size() == frame.size())
            for (size_t i = 0; i < frame.size(); ++i)
                frame[i] = BlendPixel(bands_[i], waterImage_[i], kWaterAlpha);
        if (!coverage.empty()) DrawBannerText(frame, coverage, palette_, paletteIndex_ + 2);
        return frame;
    }
    int Width() const { return width_; }
    int Height() const { return height_; }

  private:
    static constexpr int kWaterAlpha = 127;
    void Render() {
        RenderBands(bands_, width_, height_, palette_, paletteIndex_, bandOffset_, direction_);
    }

    std::mt19937 rng_;
    std::array<Pixel, 8> palette_ = kBannerPalette;
    int paletteIndex_ = 0;
    int bandOffset_ = 0;
    int step_ = 5;
    WaterShape shape_ = WaterShape::Blob;
    int direction_ = 1;
    bool disturb_ = true;
    int width_ = 0, height_ = 0;
    WaterLayer water_;
    std::vector<Pixel> bands_, waterImage_;
};

} // namespace zt
