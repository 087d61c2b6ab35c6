#include "ui/Dialog.h"

#include <cstdio>

#include "ui/MessageBox.h"
#include "ui/Messages.h"
#include "ui/SubclassWindow.h"

namespace zt {
namespace {

// Messages whose result a dialog procedure returns directly instead of in DWLP_MSGRESULT.
bool ReturnsDirectly(UINT msg) {
    switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

// A control disabled or hidden while it had the focus leaves the focus nowhere, and the keyboard
// does nothing until a click. The focus goes on to the next tab stop of the window instead.
void HandOnFocus(HWND dialog, HWND had) {
    HWND now = ::GetFocus();
    if (!had || now == had || !::IsWindow(had) || !::IsWindow(dialog)) return;
    if (!::IsChild(dialog, had)) return;
    // By its own style: a window not shown yet (or a hidden test window) has visible controls too.
    if (::IsWindowEnabled(had) && (::GetWindowLongPtrW(had, GWL_STYLE) & WS_VISIBLE)) return;
    // Focus that went to another control (or another window) went there on purpose.
    if (now && !::IsChild(now, had)) return;
    HWND top = ::GetAncestor(had, GA_ROOT);
    if (!top || !::IsWindowEnabled(top)) return;
    HWND next = ::GetNextDlgTabItem(top, had, FALSE);
    if (next && next != had) ::SetFocus(next);
}

} // namespace

CDialog::CDialog(UINT templateId, HINSTANCE instance)
    : templateId_(templateId), instance_(instance) {}

CDialog::CDialog(std::shared_ptr<const CDialogTemplate> tmpl) : template_(std::move(tmpl)) {}

CDialog::~CDialog() {
    if (queue_) queue_->Detach();
    if (hwnd_ && ::IsWindow(hwnd_)) {
        // A modeless dialog that outlives its object would call into freed memory.
        ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        if (!modal_) ::DestroyWindow(hwnd_);
    }
}

INT_PTR CDialog::DoModal(HWND owner) {
    modal_ = true;
    HINSTANCE inst = instance_ ? instance_ : ::GetModuleHandleW(nullptr);
    LPARAM self = reinterpret_cast<LPARAM>(this);
    INT_PTR r =
        template_ ? ::DialogBoxIndirectParamW(inst, template_->Get(), owner, DialogProc, self)
                  : ::DialogBoxParamW(inst, MAKEINTRESOURCEW(templateId_), owner, DialogProc, self);
    modal_ = false;
    return r;
}

bool CDialog::Create(HWND parent) {
    modal_ = false;
    HINSTANCE inst = instance_ ? instance_ : ::GetModuleHandleW(nullptr);
    LPARAM self = reinterpret_cast<LPARAM>(this);
    HWND h =
        template_
            ? ::CreateDialogIndirectParamW(inst, template_->Get(), parent, DialogProc, self)
            : ::CreateDialogParamW(inst, MAKEINTRESOURCEW(templateId_), parent, DialogProc, self);
    return h != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
    if (!hwnd_) return;
    if (modal_)
        ::EndDialog(hwnd_, result);
    else
        ::DestroyWindow(hwnd_);
}

CDialog* CDialog::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    // Only dialogs made by this framework use our procedure.
    if (reinterpret_cast<DLGPROC>(::GetWindowLongPtrW(hwnd, DWLP_DLGPROC)) != DialogProc)
        return nullptr;
    return reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
}

void CDialog::BindText(int id, std::string& value, size_t maxLength) {
    texts_.push_back({id, &value, maxLength});
}

bool CDialog::UpdateData(bool save) {
    for (const TextBinding& b : texts_) {
        HWND edit = Item(b.id);
        if (!edit) continue;
        if (!save) {
            ::SendMessageW(edit, EM_LIMITTEXT, b.maxLength, 0);
            ::SetWindowTextW(edit, ToWide(*b.value).c_str());
            continue;
        }
        // The limit counts what the edit control counts: UTF-16 units, not UTF-8 bytes.
        std::string text = WindowText(edit);
        if (Utf16Length(text) > b.maxLength) {
            ReportTooLong(b.id, b.maxLength);
            ::SetFocus(edit);
            ::SendMessageW(edit, EM_SETSEL, 0, -1);
            return false;
        }
    }
    if (save) {
        // Values change only when every control passed.
        for (const TextBinding& b : texts_) {
            if (HWND edit = Item(b.id)) *b.value = WindowText(edit);
        }
    }
    return true;
}

void CDialog::ReportTooLong(int, size_t maxLength) {
    char text[128];
    std::snprintf(text, sizeof text, "Please enter no more than %u characters.",
                  static_cast<unsigned>(maxLength));
    ShowMessage(hwnd_, text, "", MB_OK | MB_ICONEXCLAMATION);
}

UiTaskQueuePtr CDialog::TaskQueue() {
    if (!queue_) queue_ = std::make_shared<CUiTaskQueue>(hwnd_);
    return queue_;
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

bool CDialog::OnCommand(int id, int, HWND) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnNotify(int, NMHDR*, LRESULT&) {
    return false;
}
void CDialog::OnSize(UINT, int, int) {}
bool CDialog::OnTimer(UINT_PTR) {
    return false;
}
bool CDialog::OnSysCommand(WPARAM, LPARAM) {
    return false;
}
bool CDialog::OnEraseBackground(HDC) {
    return false;
}
bool CDialog::OnPaint() {
    return false;
}
bool CDialog::OnSetCursor(HWND, UINT, UINT) {
    return false;
}
HBRUSH CDialog::OnCtlColor(UINT, HDC, HWND) {
    return nullptr;
}
void CDialog::OnDestroy() {}
bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

bool CDialog::OnDrawItem(int, DRAWITEMSTRUCT* item) {
    // Owner-drawn controls hooked by the framework draw themselves.
    LRESULT r = 0;
    CSubclassWindow* control = CSubclassWindow::FromHandle(item->hwndItem);
    return control && control->OnReflect(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(item), r);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CDialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lp);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        self->hwnd_ = hwnd;
        if (self->queue_) self->queue_->Detach();
        self->queue_.reset();
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    HWND focused = ::GetFocus();
    INT_PTR result = FALSE;
    try {
        result = self->Dispatch(msg, wp, lp);
    } catch (...) {
        // A fault in a handler must not unwind through the system's dialog manager.
        ::OutputDebugStringW(L"zentrove: exception in a dialog handler\n");
    }
    // Whatever the handler did (a command, a worker's result, a timer), every page gets this.
    HandOnFocus(hwnd, focused);
    return result;
}

INT_PTR CDialog::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    bool handled = false;
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND: {
        // Enter and mnemonics in a page reach the top dialog with the page's control; the
        // page answers them.
        HWND from = reinterpret_cast<HWND>(lp);
        HWND owner = from ? ::GetParent(from) : nullptr;
        if (owner && owner != hwnd_ && ::IsChild(hwnd_, owner) && FromHandle(owner)) {
            ::SendMessageW(owner, WM_COMMAND, wp, lp);
            return TRUE;
        }
        handled = OnCommand(LOWORD(wp), HIWORD(wp), from);
        break;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        handled = OnNotify(static_cast<int>(header->idFrom), header, result);
        break;
    }
    case WM_SIZE:
        OnSize(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
        return FALSE;
    case WM_TIMER:
        handled = OnTimer(wp);
        break;
    case WM_SYSCOMMAND:
        handled = OnSysCommand(wp, lp);
        break;
    case WM_ERASEBKGND:
        handled = OnEraseBackground(reinterpret_cast<HDC>(wp));
        result = handled ? 1 : 0;
        break;
    case WM_PAINT:
        handled = OnPaint();
        break;
    case WM_SETCURSOR:
        handled = OnSetCursor(reinterpret_cast<HWND>(wp), LOWORD(lp), HIWORD(lp));
        result = handled ? TRUE : FALSE;
        break;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        if (HBRUSH brush = OnCtlColor(msg, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
            return reinterpret_cast<INT_PTR>(brush);
        break;
    case WM_DRAWITEM:
        handled = OnDrawItem(static_cast<int>(wp), reinterpret_cast<DRAWITEMSTRUCT*>(lp));
        result = TRUE;
        break;
    case WM_ZT_UITASK:
        if (queue_) queue_->Drain();
        return TRUE;
    case WM_DESTROY:
        if (queue_) queue_->Detach();
        OnDestroy();
        return FALSE;
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        hwnd_ = nullptr;
        return FALSE;
    default:
        break;
    }
    if (!handled) handled = OnMessage(msg, wp, lp, result);
    if (!handled && (msg == WM_COMMAND || msg == WM_NOTIFY)) {
        // What the dialog leaves alone goes back to the control's own object, if it has one.
        HWND from =
            msg == WM_COMMAND ? reinterpret_cast<HWND>(lp) : reinterpret_cast<NMHDR*>(lp)->hwndFrom;
        if (CSubclassWindow* control = CSubclassWindow::FromHandle(from))
            handled = control->OnReflect(msg, wp, lp, result);
    }
    if (!handled) return FALSE;
    if (ReturnsDirectly(msg)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
}

void PostCloseToTopLevel(HWND hwnd) {
    HWND top = ::GetAncestor(hwnd, GA_ROOT);
    if (top) ::PostMessageW(top, WM_SYSCOMMAND, SC_CLOSE, 0);
}

} // namespace zt
