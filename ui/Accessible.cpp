#include "ui/Accessible.h"

#include <oleacc.h>

#include <cctype>

#include "seams/Unicode.h"
#include "ui/KeyLogic.h"

namespace zt {
namespace {

const wchar_t kSourceProp[] = L"zt.accessible";

CAccessibleSource* SourceOf(HWND hwnd) {
    return hwnd && ::IsWindow(hwnd) ? static_cast<CAccessibleSource*>(::GetPropW(hwnd, kSourceProp))
                                    : nullptr;
}

BSTR ToBstr(const std::string& text) {
    if (text.empty()) return nullptr;
    std::wstring wide = ToWide(ForDisplay(text));
    return ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

bool ChildOf(const VARIANT& v, int& child) {
    if (v.vt != VT_I4) return false;
    child = v.lVal;
    return true;
}

class CAccessible final : public IAccessible {
  public:
    CAccessible(HWND hwnd, IAccessible* standard) : hwnd_(hwnd), std_(standard) {}
    ~CAccessible() {
        if (std_) std_->Release();
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
            riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    // IDispatch: not offered; clients use the IAccessible methods.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (n) *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
        return std_ ? std_->get_accParent(out) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* out) override {
        CAccessibleSource* s = Source();
        if (!s || !out) return s ? E_POINTER : E_FAIL;
        *out = s->AccChildCount();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** out) override {
        // Parts are simple elements, reached through their child id.
        if (out) *out = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT v, BSTR* out) override {
        return Text(v, out, [](CAccessibleSource& s, int c) { return s.AccName(c); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT v, BSTR* out) override {
        return Text(v, out, [](CAccessibleSource& s, int c) { return s.AccValue(c); });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* out) override {
        if (out) *out = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT v, VARIANT* out) override {
        CAccessibleSource* s = Source();
        int child = 0;
        if (!s || !out || !ChildOf(v, child) || child < 0 || child > s->AccChildCount())
            return E_INVALIDARG;
        out->vt = VT_I4;
        out->lVal = s->AccRole(child);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT v, VARIANT* out) override {
        CAccessibleSource* s = Source();
        int child = 0;
        if (!s || !out || !ChildOf(v, child) || child < 0 || child > s->AccChildCount())
            return E_INVALIDARG;
        long state = s->AccState(child);
        if (child == 0) {
            if (!::IsWindowVisible(hwnd_)) state |= STATE_SYSTEM_INVISIBLE;
            if (!::IsWindowEnabled(hwnd_)) state |= STATE_SYSTEM_UNAVAILABLE;
            if (::GetFocus() == hwnd_) state |= STATE_SYSTEM_FOCUSED;
        }
        out->vt = VT_I4;
        out->lVal = state;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* out) override {
        if (out) *out = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT v, BSTR* out) override {
        return Text(v, out, [](CAccessibleSource& s, int c) { return s.AccKeyboardShortcut(c); });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        if (::GetFocus() == hwnd_) {
            out->vt = VT_I4;
            out->lVal = CHILDID_SELF;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        if (out) out->vt = VT_EMPTY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT v, BSTR* out) override {
        return Text(v, out, [](CAccessibleSource& s, int c) { return s.AccDefaultAction(c); });
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT v) override {
        int child = 0;
        if ((flags & SELFLAG_TAKEFOCUS) && ChildOf(v, child) && child == 0) {
            ::SetFocus(hwnd_);
            return S_OK;
        }
        return std_ ? std_->accSelect(flags, v) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT v) override {
        CAccessibleSource* s = Source();
        int child = 0;
        if (!s || !x || !y || !w || !h || !ChildOf(v, child)) return E_INVALIDARG;
        RECT r{};
        if (child == 0) {
            ::GetWindowRect(hwnd_, &r);
        } else if (child <= s->AccChildCount()) {
            r = s->AccLocation(child);
        } else {
            return E_INVALIDARG;
        }
        *x = r.left;
        *y = r.top;
        *w = r.right - r.left;
        *h = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* out) override {
        return std_ ? std_->accNavigate(dir, start, out) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
        CAccessibleSource* s = Source();
        if (!s || !out) return E_FAIL;
        RECT r{};
        ::GetWindowRect(hwnd_, &r);
        POINT pt{x, y};
        out->vt = VT_EMPTY;
        if (!::PtInRect(&r, pt)) return S_FALSE;
        int child = s->AccHitTest(pt);
        out->vt = VT_I4;
        out->lVal = child > 0 ? child : CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT v) override {
        CAccessibleSource* s = Source();
        int child = 0;
        if (!s || !ChildOf(v, child) || child < 0 || child > s->AccChildCount())
            return E_INVALIDARG;
        return s->AccDoDefaultAction(child) ? S_OK : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    CAccessibleSource* Source() const { return SourceOf(hwnd_); }
    template <class Get> HRESULT Text(VARIANT v, BSTR* out, Get get) {
        if (!out) return E_POINTER;
        *out = nullptr;
        CAccessibleSource* s = Source();
        int child = 0;
        if (!s) return E_FAIL; // the control is gone
        if (!ChildOf(v, child) || child < 0 || child > s->AccChildCount()) return E_INVALIDARG;
        *out = ToBstr(get(*s, child));
        return *out ? S_OK : S_FALSE;
    }

    HWND hwnd_;
    IAccessible* std_;
    LONG refs_ = 1;
};

} // namespace

void SetAccessibleSource(HWND hwnd, CAccessibleSource* source) {
    if (!hwnd) return;
    if (source)
        ::SetPropW(hwnd, kSourceProp, source);
    else
        ::RemovePropW(hwnd, kSourceProp);
}

LRESULT AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, LRESULT fallback) {
    if (static_cast<LONG>(lp) != OBJID_CLIENT || !SourceOf(hwnd)) return fallback;
    IAccessible* standard = nullptr;
    ::CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                reinterpret_cast<void**>(&standard));
    auto* object = new CAccessible(hwnd, standard);
    LRESULT r = ::LresultFromObject(__uuidof(IAccessible), wp, static_cast<IAccessible*>(object));
    object->Release();
    return r;
}

std::string StripAmpersands(const std::string& caption) {
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        out += caption[i];
    }
    return out;
}

std::string ShortcutOf(const std::string& caption) {
    char key = MnemonicOf(caption);
    if (!key) return {};
    return std::string("Alt+") + static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
}

} // namespace zt
