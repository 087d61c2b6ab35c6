#pragma once
// The dialog base. How to write a page or dialog:
//
//   class CDlgExample : public CGradientDialog {        // or CDialog for a plain one
//   public:
//       CDlgExample() : CGradientDialog(IDD_EXAMPLE, IDI_ICON) { BindText(IDC_NAME, name_, 260); }
//   protected:
//       bool OnInitDialog() override {
//           CGradientDialog::OnInitDialog();            // ends with ApplySettings()
//           layout_.Record(Handle());                   // CLayout{{IDC_LIST, kGrowX | kGrowY}}
//           return true;
//       }
//       bool OnCommand(int id, int code, HWND ctl) override {
//           if (id == IDC_GO) { ShowMessage(Handle(), "Done", "Zentrove", MB_OK); return true; }
//           return CGradientDialog::OnCommand(id, code, ctl);
//       }
//       void OnSize(UINT type, int cx, int cy) override { CGradientDialog::OnSize(type, cx, cy);
//                                                         layout_.Apply(cx, cy); }
//   };
//   CDlgExample dlg; dlg.DoModal(owner);                // modal
//   page.Create(parentHwnd);                            // modeless child (template has WS_CHILD)
//
// Every message arrives in one static procedure that finds the object (stored in DWLP_USER
// at WM_INITDIALOG) and calls a small virtual; each returns whether it handled the message.
// Nothing thrown in a handler crosses the procedure. Workers talk to the window only through
// TaskQueue(). Custom message and timer ids live in ui/Messages.h.
#include <memory>
#include <string>
#include <vector>

#include "ui/DialogTemplate.h"
#include "ui/UiTaskQueue.h"
#include "ui/Window.h"

namespace zt {

class CDialog : public CWindow {
  public:
    // A template from the resources of `instance` (none = the program's module).
    explicit CDialog(UINT templateId, HINSTANCE instance = nullptr);
    // A template built in memory; the dialog keeps its own copy.
    explicit CDialog(std::shared_ptr<const CDialogTemplate> tmpl);
    ~CDialog() override;

    // Runs the modal loop; returns the EndDialog value, or -1 when the dialog cannot be made.
    INT_PTR DoModal(HWND owner);
    // Creates a modeless dialog (a child page when the template has WS_CHILD).
    bool Create(HWND parent);
    // Ends a modal dialog; destroys a modeless one.
    void EndDialog(INT_PTR result);

    static CDialog* FromHandle(HWND hwnd);

    // Data exchange: binds a string to an edit control. UpdateData(false) fills the controls;
    // UpdateData(true) reads them back and refuses (message, focus on the control) when a text
    // is longer than its maximum.
    void BindText(int id, std::string& value, size_t maxLength);
    bool UpdateData(bool save);

    // The queue through which worker threads hand work to this window (made on first use;
    // valid while the window exists, drops posts afterwards).
    UiTaskQueuePtr TaskQueue();

  protected:
    // Each returns true when it handled the message.
    virtual bool OnInitDialog(); // result: true lets the system set the focus
    virtual bool OnCommand(int id, int code, HWND control);
    virtual bool OnNotify(int id, NMHDR* header, LRESULT& result);
    virtual void OnSize(UINT type, int cx, int cy);
    virtual bool OnTimer(UINT_PTR id);
    virtual bool OnSysCommand(WPARAM command, LPARAM lp);
    virtual bool OnEraseBackground(HDC dc);
    virtual bool OnPaint();
    virtual bool OnSetCursor(HWND over, UINT hitTest, UINT mouseMsg);
    // Return a brush to colour a control, or none for the default.
    virtual HBRUSH OnCtlColor(UINT msg, HDC dc, HWND control);
    virtual bool OnDrawItem(int id, DRAWITEMSTRUCT* item);
    virtual void OnDestroy();
    // Every message not handled above (including registered messages).
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // IDOK and IDCANCEL defaults: OK exchanges data and ends with IDOK; Cancel ends with IDCANCEL.
    virtual void OnOK();
    virtual void OnCancel();

    // The message used to refuse data; shown through ShowMessage.
    virtual void ReportTooLong(int id, size_t maxLength);

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);

    struct TextBinding {
        int id;
        std::string* value;
        size_t maxLength;
    };

    UINT templateId_ = 0;
    HINSTANCE instance_ = nullptr;
    std::shared_ptr<const CDialogTemplate> template_;
    bool modal_ = false;
    std::vector<TextBinding> texts_;
    UiTaskQueuePtr queue_;
};

// Posts a close system command to the top-level window that holds `hwnd`, so an Exit button
// or Escape on a page takes the same path as the title bar's close box.
void PostCloseToTopLevel(HWND hwnd);

} // namespace zt
