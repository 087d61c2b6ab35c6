#pragma once
// Non-owning, non-copyable views of a window handle. A view never destroys its window.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "seams/Unicode.h"

namespace zt {

class CWindow {
  public:
    CWindow() = default;
    explicit CWindow(HWND hwnd) : hwnd_(hwnd) {}
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;
    virtual ~CWindow() = default;

    HWND Handle() const { return hwnd_; }
    bool IsValid() const { return hwnd_ && ::IsWindow(hwnd_); }
    int Id() const { return ::GetDlgCtrlID(hwnd_); }

    HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }
    std::string GetText() const { return WindowText(hwnd_); }
    void SetText(std::string_view text) const { ::SetWindowTextW(hwnd_, ToWide(text).c_str()); }
    std::string ItemText(int id) const { return WindowText(Item(id)); }
    void SetItemText(int id, std::string_view text) const {
        ::SetDlgItemTextW(hwnd_, id, ToWide(text).c_str());
    }
    void Show(bool show = true) const { ::ShowWindow(hwnd_, show ? SW_SHOW : SW_HIDE); }
    bool IsVisible() const { return ::IsWindowVisible(hwnd_) != FALSE; }
    void Enable(bool enable = true) const { ::EnableWindow(hwnd_, enable); }
    bool IsEnabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
    void EnableItem(int id, bool enable) const { ::EnableWindow(Item(id), enable); }
    void ShowItem(int id, bool show) const { ::ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE); }
    RECT ClientRect() const {
        RECT r{};
        ::GetClientRect(hwnd_, &r);
        return r;
    }
    RECT WindowRect() const {
        RECT r{};
        ::GetWindowRect(hwnd_, &r);
        return r;
    }
    // A child's rectangle in this window's client coordinates.
    RECT ChildRect(HWND child) const {
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    void Invalidate(bool erase = true) const { ::InvalidateRect(hwnd_, nullptr, erase); }
    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageW(hwnd_, msg, wp, lp);
    }
    bool Post(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::PostMessageW(hwnd_, msg, wp, lp) != FALSE;
    }
    LONG_PTR Style() const { return ::GetWindowLongPtrW(hwnd_, GWL_STYLE); }
    std::string ClassName() const {
        wchar_t name[64] = {};
        int n = ::GetClassNameW(hwnd_, name, 64);
        return FromWide(std::wstring_view(name, n > 0 ? static_cast<size_t>(n) : 0));
    }

    // UTF-8, unit for unit what the window holds (an unpaired surrogate survives).
    static std::string WindowText(HWND hwnd) {
        int n = ::GetWindowTextLengthW(hwnd);
        if (n <= 0) return {};
        std::wstring s(static_cast<size_t>(n) + 1, L'\0');
        n = ::GetWindowTextW(hwnd, s.data(), n + 1);
        s.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return FromWide(s);
    }

  protected:
    HWND hwnd_ = nullptr;
};

class CButton : public CWindow {
  public:
    using CWindow::CWindow;
    bool IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
    void SetCheck(bool on) const { Send(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED); }
};

class CEdit : public CWindow {
  public:
    using CWindow::CWindow;
    void SetLimit(size_t chars) const { Send(EM_LIMITTEXT, chars); }
    void SelectAll() const { Send(EM_SETSEL, 0, -1); }
};

class CStatic : public CWindow {
  public:
    using CWindow::CWindow;
};

// The report-style list view with check boxes that the pages use. Texts go in and come back
// unit for unit, an unpaired surrogate included: the startup page acts on what it reads back.
class CListView : public CWindow {
  public:
    using CWindow::CWindow;
    int Count() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
    int InsertColumn(int index, std::string_view title, int width) const {
        std::wstring t = ToWide(title);
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        c.pszText = t.data();
        c.cx = width;
        c.iSubItem = index;
        return static_cast<int>(Send(LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&c)));
    }
    int ColumnWidth(int column) const { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, column)); }
    void SetColumnWidth(int column, int width) const { Send(LVM_SETCOLUMNWIDTH, column, width); }
    int InsertItem(int index, std::string_view text, LPARAM data = 0) const {
        std::wstring t = ToWide(text);
        LVITEMW it{};
        it.mask = LVIF_TEXT | LVIF_PARAM;
        it.iItem = index;
        it.pszText = t.data();
        it.lParam = data;
        return static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)));
    }
    void SetItemText(int item, int sub, std::string_view text) const {
        std::wstring t = ToWide(text);
        LVITEMW it{};
        it.iSubItem = sub;
        it.pszText = t.data();
        Send(LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&it));
    }
    // The whole text, however long.
    std::string ItemText(int item, int sub) const {
        std::wstring buf(1024, L'\0');
        for (;;) {
            LVITEMW it{};
            it.iSubItem = sub;
            it.pszText = buf.data();
            it.cchTextMax = static_cast<int>(buf.size());
            auto n =
                static_cast<size_t>(Send(LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&it)));
            if (n + 1 < buf.size() || buf.size() >= kMaxItemText) {
                buf.resize(std::min(n, buf.size() - 1));
                return FromWide(buf);
            }
            buf.assign(buf.size() * 4, L'\0');
        }
    }
    LPARAM ItemData(int item) const {
        LVITEMW it{};
        it.mask = LVIF_PARAM;
        it.iItem = item;
        Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        return it.lParam;
    }
    bool IsChecked(int item) const {
        return ((Send(LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK) >> 12) - 1) == 1;
    }
    void SetChecked(int item, bool on) const {
        LVITEMW it{};
        it.stateMask = LVIS_STATEIMAGEMASK;
        it.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
        Send(LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&it));
    }
    bool DeleteItem(int item) const { return Send(LVM_DELETEITEM, item) != 0; }
    void DeleteAll() const { Send(LVM_DELETEALLITEMS); }
    int Selected() const { return static_cast<int>(Send(LVM_GETNEXTITEM, -1, LVNI_SELECTED)); }
    void SetExtendedStyle(DWORD style) const { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, style, style); }

  private:
    static constexpr size_t kMaxItemText = 1 << 20;
};

} // namespace zt
