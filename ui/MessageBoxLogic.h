#pragma once
// The window-free arithmetic of the message box: how much it widens for a long line and
// where the buttons of each set go. No <windows.h>, so it is tested natively.
#include <cstddef>
#include <vector>

namespace zt {

struct BoxRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    BoxRect Shifted(int dx) const { return {left + dx, top, right + dx, bottom}; }
    BoxRect MovedTo(const BoxRect& place) const {
        return {place.left, place.top, place.left + Width(), place.top + (bottom - top)};
    }
    bool operator==(const BoxRect&) const = default;
};

// How much wider the box gets: 0 when the one-line text fits the label; else the text's
// width (only its first 80 characters' width for a text of more than 79) minus the label's.
// Never negative, so a long text whose first 80 characters fit does not shrink the box.
inline int MessageBoxGrow(int labelWidth, int lineWidth, std::size_t length, int first80Width) {
    if (lineWidth <= labelWidth) return 0;
    int width = length > 79 ? first80Width : lineWidth;
    return width > labelWidth ? width - labelWidth : 0;
}

struct MessageBoxButtonRects {
    BoxRect ok, yes, no, cancel, left, right; // template places in client pixels
};

struct PlacedButton {
    int id;
    BoxRect rect;
};

struct MessageBoxButtonLayout {
    std::vector<PlacedButton> shown;
    int clientWidth = -1; // the box's new client width, -1 = unchanged
};

// Button set (type bits 0-3) after a widening by `grow`: every button first moves grow / 2.
// The extra steps of set 3 (10 and 22 pixels at 96 DPI) grow with `dpi`.
inline MessageBoxButtonLayout PlaceMessageBoxButtons(unsigned set, MessageBoxButtonRects r,
                                                     int grow, int dpi = 96) {
    const int shift = grow / 2;
    for (BoxRect* b : {&r.ok, &r.yes, &r.no, &r.cancel, &r.left, &r.right})
        *b = b->Shifted(shift);
    MessageBoxButtonLayout out;
    switch (set) {
    case 0:
        out.shown.push_back({1, r.ok.MovedTo(r.no)});
        break;
    case 1:
        out.shown.push_back({1, r.ok.MovedTo(r.left)});
        out.shown.push_back({2, r.cancel.MovedTo(r.right)});
        break;
    case 4:
        out.shown.push_back({6, r.yes.MovedTo(r.left)});
        out.shown.push_back({7, r.no.MovedTo(r.right)});
        break;
    case 3: {
        BoxRect no = r.no.Shifted((10 * dpi + 48) / 96),
                cancel = r.cancel.Shifted((22 * dpi + 48) / 96);
        out.shown.push_back({6, r.yes});
        out.shown.push_back({7, no});
        out.shown.push_back({2, cancel});
        // Equal margins: the right margin repeats Yes's left one.
        out.clientWidth = cancel.right + r.yes.left;
        break;
    }
    default:
        break;
    }
    return out;
}

} // namespace zt
