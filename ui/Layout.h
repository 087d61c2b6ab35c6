#pragma once
// Resize rules as data: each control moves and/or grows by the change of the parent's client
// size since Record(), and all of them move in one DeferWindowPos batch.
#include <windows.h>

#include <initializer_list>
#include <vector>

namespace zt {

enum LayoutAnchor : unsigned {
    kMoveX = 1, // left += dx
    kMoveY = 2, // top += dy
    kGrowX = 4, // width += dx
    kGrowY = 8, // height += dy
};

struct LayoutRule {
    int id;           // control identifier in the parent
    unsigned anchors; // LayoutAnchor bits
};

class CLayout {
  public:
    CLayout() = default;
    CLayout(std::initializer_list<LayoutRule> rules) : rules_(rules) {}
    CLayout(const CLayout& other) = default;
    CLayout& operator=(const CLayout& other) = default;
    ~CLayout();
    void Add(LayoutRule rule) { rules_.push_back(rule); }

    // Remembers the parent's client size and every control's rectangle (call at the end of
    // initialisation, and again after adding rules).
    void Record(HWND parent);
    bool IsRecorded() const { return recorded_; }
    // Moves the controls for a new client size; nothing before Record().
    void Apply(int clientWidth, int clientHeight) const;

    // After a change of DPI: the recorded rectangles and client size as they are at `to`.
    void Rescale(int from, int to);
    // The layout last recorded for `parent` (so a change of DPI can reach it), or none.
    static CLayout* Of(HWND parent);

    // The pure arithmetic of one rule, for tests and callers that move windows themselves.
    static RECT Moved(const RECT& original, unsigned anchors, int dx, int dy);

  private:
    struct Entry {
        int id;
        unsigned anchors;
        RECT rect;
    };
    std::vector<LayoutRule> rules_;
    std::vector<Entry> entries_;
    HWND parent_ = nullptr;
    SIZE client_{};
    bool recorded_ = false;
};

} // namespace zt
