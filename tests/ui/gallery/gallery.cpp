// A gallery of the program's controls for screenshots and for trying them by hand:
//   zt_gallery.exe [gallery|messagebox] [--rect FILE] [--seconds N]
// --rect writes the screen rectangle of the window's client area ("x y w h") once it is
// shown, so a screenshot can be cropped to it; --seconds closes it after N seconds.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/AnimatedBanner.h"
#include "ui/ColorMessageBox.h"
#include "ui/Dpi.h"
#include "ui/GradientDialog.h"
#include "ui/MessageBox.h"
#include "ui/Messages.h"
#include "ui/TabWnd.h"
#include "ui/UiContext.h"
#include "app/res/resource.h"
#include "tools/shots/ClientRect.h"

namespace zt {
namespace {

enum : int {
    kTabs = 1032,
    kBanner = 111,
    kScan = 1002,
    kClean = 1006,
    kDisabled = 1007,
    kRemember = 1010,
    kSounds = 1011,
    kFast = 1012,
    kThorough = 1013,
    kWebsite = 1000,
    kFeedback = 1001,
    kRunLink = 1043,
    kReport = 1050,
    kQuestion = 1051,
    kYesNo = 1052,
    kLong = 1053,
    kNote = 1054,
};

std::shared_ptr<CDialogTemplate> ControlsPage() {
    auto t = std::make_shared<CDialogTemplate>(WS_CHILD | DS_CONTROL, 0, 0, 320, 128, "");
    t->Button(0, "Buttons", 8, 4, 146, 66, BS_GROUPBOX | WS_VISIBLE);
    t->Button(kScan, "Sc&an", 20, 20, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE);
    t->Button(kClean, "&Clean", 84, 20, 50, 14);
    t->Button(kDisabled, "Disabled", 20, 44, 50, 14, BS_PUSHBUTTON | WS_DISABLED | WS_VISIBLE);
    t->Button(0, "Options", 162, 4, 150, 66, BS_GROUPBOX | WS_VISIBLE);
    t->Button(kRemember, "Remember the window layout", 172, 18, 134, 11,
              BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE);
    t->Button(kSounds, "Button sounds", 172, 31, 134, 11,
              BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE);
    t->Button(kFast, "Quick scan", 172, 44, 134, 11, BS_AUTORADIOBUTTON | WS_GROUP | WS_VISIBLE);
    t->Button(kThorough, "Thorough scan", 172, 55, 134, 11, BS_AUTORADIOBUTTON | WS_VISIBLE);
    t->Label(kWebsite, "Website: www.zentrove.example", 10, 80, 200, 10);
    t->Label(kFeedback, "Help us improve this utility", 10, 93, 200, 10);
    t->Label(kRunLink, "Or simply run a scan now.", 10, 106, 200, 10);
    return t;
}

std::shared_ptr<CDialogTemplate> MessagesPage() {
    auto t = std::make_shared<CDialogTemplate>(WS_CHILD | DS_CONTROL, 0, 0, 320, 128, "");
    t->Label(kNote, "Every question and report of the program uses this message box.", 10, 8, 300,
             10);
    t->Button(kReport, "Report", 10, 26, 50, 14);
    t->Button(kQuestion, "OK/Cancel", 66, 26, 50, 14);
    t->Button(kYesNo, "Yes/No", 122, 26, 50, 14);
    t->Button(kLong, "Long text", 178, 26, 50, 14);
    return t;
}

class CGalleryPage : public CGradientDialog {
  public:
    explicit CGalleryPage(std::shared_ptr<CDialogTemplate> t) : CGradientDialog(std::move(t)) {
        SetStandardSkin();
        SetSounds(IDW_HOVER, IDW_CLICK);
    }

  protected:
    bool OnInitDialog() override {
        CGradientDialog::OnInitDialog();
        CheckDlgButton(Handle(), kRemember, BST_CHECKED);
        CheckDlgButton(Handle(), kThorough, BST_CHECKED);
        return true;
    }
    bool OnCommand(int id, int code, HWND control) override {
        switch (id) {
        case kReport:
            ShowMessage(Handle(), "Total 12 items cleaned successfully!", "", MB_OK);
            return true;
        case kQuestion:
            ShowMessage(Handle(), "Are you sure to delete these items?", "Zentrove", MB_OKCANCEL);
            return true;
        case kYesNo:
            ShowMessage(Handle(), "Remove the selected backup?", "Zentrove", MB_YESNO);
            return true;
        case kLong:
            ShowMessage(Handle(),
                        std::string("A long line widens the box by the width of its first "
                                    "eighty characters; the rest of the text wraps inside "
                                    "the label, which keeps its height."),
                        "Zentrove", MB_YESNOCANCEL);
            return true;
        case kScan:
            ShowMessage(Handle(), "Scanning is done by the program itself.", "Zentrove", MB_OK);
            return true;
        default:
            return CGradientDialog::OnCommand(id, code, control);
        }
    }
};

std::shared_ptr<CDialogTemplate> GalleryTemplate() {
    return std::make_shared<CDialogTemplate>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                                 WS_MINIMIZEBOX,
                                             0, 0, 322, 188, "Zentrove controls");
}

class CGallery : public CGradientDialog {
  public:
    CGallery(std::string mode, std::string rectFile, int seconds)
        : CGradientDialog(GalleryTemplate(), IDI_ZENTROVE), mode_(std::move(mode)),
          rectFile_(std::move(rectFile)), seconds_(seconds), controls_(ControlsPage()),
          messages_(MessagesPage()) {
        SetSounds(IDW_HOVER, IDW_CLICK);
    }

  protected:
    bool OnInitDialog() override {
        CGradientDialog::OnInitDialog();
        SetAppMainWindow(Handle());
        RECT c = ClientRect();
        bannerTop_ = c.bottom - 42;
        RECT tabRect{0, 0, c.right, bannerTop_ - 6};
        tabs_.Create(CBCGTabWnd::STYLE_FLAT, tabRect, Handle(), kTabs);
        controls_.Create(tabs_.Handle());
        messages_.Create(tabs_.Handle());
        controls_.AddLinkButton(kRunLink, "run a scan now", kScan, true);
        controls_.AddLink(kWebsite, "www.zentrove.example", "http://www.zentrove.example",
                          RGB(0, 0, 255), true);
        controls_.AddLink(kFeedback, "Help us improve this utility",
                          "mailto:support@zentrove.example?subject=Suggestion", RGB(0, 0, 255),
                          true);
        tabs_.AddTab(controls_.Handle(), "Controls");
        tabs_.AddTab(messages_.Handle(), "Message box");
        tabs_.SetBorderSize(0);
        tabs_.SetFlatFrame(true);
        tabs_.SetTabsFromEdge(true);
        tabs_.SetBkColor(RGB(228, 239, 252));
        for (int i = 0; i < tabs_.GetTabsNum(); ++i)
            tabs_.SetTabBkColor(i, RGB(166, 192, 215));
        RECT bannerRect{8, bannerTop_, c.right - 8, c.bottom - 8};
        banner_.Create(Handle(), bannerRect, kBanner);
        banner_.SetWaterShape(WaterShape::Blob);
        banner_.SetText("Boosts your system");
        layoutClient_ = c;
        ::SetTimer(Handle(), 1, 700, nullptr);
        if (seconds_ > 0) ::SetTimer(Handle(), 2, seconds_ * 1000, nullptr);
        return true;
    }
    void GradientArea(RECT& area, COLORREF& top, COLORREF& bottom) override {
        CGradientDialog::GradientArea(area, top, bottom);
    }
    bool OnEraseBackground(HDC dc) override {
        CGradientDialog::OnEraseBackground(dc);
        // The strip under the tabs, as the main window paints it.
        RECT c = ClientRect();
        RECT strip{0, bannerTop_ - 6, c.right, c.bottom};
        PaintGradient(dc, strip, RGB(194, 233, 237), BottomColour());
        DrawSizeGrip(dc);
        return true;
    }
    void OnSize(UINT type, int cx, int cy) override {
        CGradientDialog::OnSize(type, cx, cy);
        if (!tabs_.Handle()) return;
        bannerTop_ = cy - 42;
        ::SetWindowPos(tabs_.Handle(), nullptr, 0, 0, cx, bannerTop_ - 6, SWP_NOZORDER);
        ::SetWindowPos(banner_.Handle(), nullptr, 8, bannerTop_, cx - 16, 34, SWP_NOZORDER);
    }
    bool OnTimer(UINT_PTR id) override {
        if (id == 2) {
            // Also when a message box of the gallery is still open.
            ::ExitProcess(0);
        }
        if (id != 1) return false;
        ::KillTimer(Handle(), 1);
        // A few waves so the still picture shows the water layer.
        for (int i = 0; i < 3; ++i)
            ::SendMessageW(banner_.Handle(), WM_TIMER, kTimerBannerDrop, 0);
        WriteClientRect(Handle(), rectFile_);
        if (mode_ == "messagebox") {
            tabs_.SetActiveTab(1);
            ShowMessage(Handle(), "Are you want to apply the setting?", "Zentrove", MB_YESNOCANCEL);
        }
        return true;
    }

  private:
    std::string mode_;
    std::string rectFile_;
    int seconds_;
    CBCGTabWnd tabs_;
    CAnimatedBanner banner_;
    CGalleryPage controls_;
    CGalleryPage messages_;
    RECT layoutClient_{};
    int bannerTop_ = 0;
};

} // namespace
} // namespace zt

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    zt::BecomePerMonitorDpiAware(); // as the program's manifest declares it
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    std::string mode = "gallery", rectFile;
    int seconds = 0;
    for (int i = 1; i < __argc; ++i) {
        std::string a = __argv[i];
        if (a == "--rect" && i + 1 < __argc)
            rectFile = __argv[++i];
        else if (a == "--seconds" && i + 1 < __argc)
            seconds = std::atoi(__argv[++i]);
        else
            mode = a;
    }
    zt::SetAppArtwork(zt::AppArtwork{IDI_ZENTROVE, IDB_BUTTON_NORMAL, IDB_BUTTON_HOVER,
                                     IDB_BUTTON_PRESSED, IDB_BUTTON_DISABLED, IDW_HOVER, IDW_CLICK,
                                     IDB_BUTTON_NORMAL_LARGE, IDB_BUTTON_HOVER_LARGE,
                                     IDB_BUTTON_PRESSED_LARGE, IDB_BUTTON_DISABLED_LARGE});
    zt::CGallery gallery(mode, rectFile, seconds);
    gallery.DoModal(nullptr);
    return 0;
}
