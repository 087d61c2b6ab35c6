#pragma once
// Owned GDI handles and scoped selections. Whatever a control makes (pens, brushes, fonts,
// bitmaps, regions, icons, memory DCs, image lists) is freed by its owner, and whatever it selects
// into a DC goes back out when the scope ends, also on an early return.
#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace zt {

struct FreeGdiObject {
    void operator()(HGDIOBJ h) const { ::DeleteObject(h); }
};
struct FreeIcon {
    void operator()(HICON h) const { ::DestroyIcon(h); }
};
struct FreeMemoryDc {
    void operator()(HDC h) const { ::DeleteDC(h); }
};
struct FreeImageList {
    void operator()(HIMAGELIST h) const { ImageList_Destroy(h); }
};

// One handle, freed by `Free` when it is replaced or its owner goes; moves, never copies.
template <class Handle, class Free> class Owned {
  public:
    Owned() = default;
    explicit Owned(Handle h) : h_(h) {}
    ~Owned() { Reset(); }
    Owned(Owned&& other) noexcept : h_(other.Release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    // Frees the handle held (unless it is `h` itself) and takes `h`.
    void Reset(Handle h = nullptr) {
        if (h_ && h_ != h) Free{}(h_);
        h_ = h;
    }
    // Hands the handle to a new owner (e.g. SetWindowRgn, which frees it itself).
    Handle Release() { return std::exchange(h_, nullptr); }

  private:
    Handle h_ = nullptr;
};

using OwnedPen = Owned<HPEN, FreeGdiObject>;
using OwnedBrush = Owned<HBRUSH, FreeGdiObject>;
using OwnedFont = Owned<HFONT, FreeGdiObject>;
using OwnedBitmap = Owned<HBITMAP, FreeGdiObject>;
using OwnedRegion = Owned<HRGN, FreeGdiObject>;
using OwnedIcon = Owned<HICON, FreeIcon>;
using OwnedImageList = Owned<HIMAGELIST, FreeImageList>;

// A memory DC compatible with `like` (the screen when none).
class MemoryDc : public Owned<HDC, FreeMemoryDc> {
  public:
    explicit MemoryDc(HDC like) : Owned(::CreateCompatibleDC(like)) {}
};

// The DC of a window's client area (the screen's when `hwnd` is null), released when it goes.
class WindowDc {
  public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint in the constructor, EndPaint in the destructor.
class PaintDc {
  public:
    explicit PaintDc(HWND hwnd) : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {}
    ~PaintDc() { ::EndPaint(hwnd_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Selects `object` into `dc` and puts the previous one back when the scope ends. A null object
// (or DC) selects nothing, so an optional font needs no branch.
class ScopedSelect {
  public:
    ScopedSelect(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
    ~ScopedSelect() {
        if (old_) ::SelectObject(dc_, old_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

} // namespace zt
