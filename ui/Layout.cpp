#include "ui/Layout.h"

#include "ui/DpiLogic.h"

namespace zt {
namespace {
const wchar_t kLayoutProp[] = L"zt.layout";
} // namespace

CLayout::~CLayout() {
    if (parent_ && ::GetPropW(parent_, kLayoutProp) == this) ::RemovePropW(parent_, kLayoutProp);
}

CLayout* CLayout::Of(HWND parent) {
    return parent ? static_cast<CLayout*>(::GetPropW(parent, kLayoutProp)) : nullptr;
}

void CLayout::Rescale(int from, int to) {
    client_.cx = RescaleForDpi(client_.cx, from, to);
    client_.cy = RescaleForDpi(client_.cy, from, to);
    for (Entry& e : entries_) {
        e.rect = {RescaleForDpi(e.rect.left, from, to), RescaleForDpi(e.rect.top, from, to),
                  RescaleForDpi(e.rect.right, from, to), RescaleForDpi(e.rect.bottom, from, to)};
    }
}

void CLayout::Record(HWND parent) {
    parent_ = parent;
    ::SetPropW(parent, kLayoutProp, this);
    RECT c{};
    ::GetClientRect(parent, &c);
    client_ = {c.right - c.left, c.bottom - c.top};
    entries_.clear();
    for (const LayoutRule& rule : rules_) {
        HWND child = ::GetDlgItem(parent, rule.id);
        if (!child) continue;
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
        entries_.push_back({rule.id, rule.anchors, r});
    }
    recorded_ = client_.cx > 0 || client_.cy > 0;
}

RECT CLayout::Moved(const RECT& r, unsigned anchors, int dx, int dy) {
    RECT out = r;
    if (anchors & kMoveX) {
        out.left += dx;
        out.right += dx;
    }
    if (anchors & kMoveY) {
        out.top += dy;
        out.bottom += dy;
    }
    if (anchors & kGrowX) out.right += dx;
    if (anchors & kGrowY) out.bottom += dy;
    return out;
}

void CLayout::Apply(int clientWidth, int clientHeight) const {
    if (!recorded_ || entries_.empty()) return;
    int dx = clientWidth - client_.cx;
    int dy = clientHeight - client_.cy;
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(entries_.size()));
    for (const Entry& e : entries_) {
        HWND child = ::GetDlgItem(parent_, e.id);
        if (!child || !batch) continue;
        RECT r = Moved(e.rect, e.anchors, dx, dy);
        batch = ::DeferWindowPos(batch, child, nullptr, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch) ::EndDeferWindowPos(batch);
}

} // namespace zt
